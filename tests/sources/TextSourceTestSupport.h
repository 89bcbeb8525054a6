#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "definition/DVFile.h"
#include "definition/ResultCode.h"
#include "sources/DVDataSource.h"

namespace testsupport {

using Table = std::vector<std::vector<std::string>>;

// A definition reading `bytes` from a file in dir, as source type `type`.
inline DVFile TextDefinition(const TempDir& dir, const std::string& bytes, int32_t type,
                             const std::string& name = "in.txt") {
    const std::string path = dir.File(name);
    WriteFile(path, bytes);
    DVFile definition;
    definition.SetSourceType(type);
    definition.SetAutoAddNodes(false);
    definition.StoreDelimiter(",");
    // Set the name last so the columns come from this file.
    definition.SetSourceFileName(path);
    return definition;
}

// Opens a source on the definition and reads every accepted row (display
// values). code receives the open result.
inline Table ReadAll(DVFile& definition, int32_t* code = nullptr, std::string* error = nullptr) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    int32_t result = source->Validate(definition);
    if (result == kSuccess) {
        result = source->Open(definition, 0);
    }
    if (code) {
        *code = result;
    } else {
        EXPECT_EQ(result, kSuccess) << source->ErrorText();
    }
    Table rows;
    if (result != kSuccess) {
        if (error) {
            *error = source->ErrorText();
        }
        return rows;
    }
    while (source->NextRow()) {
        std::vector<std::string> row;
        for (size_t i = 0; i < source->Columns().size(); ++i) {
            row.push_back(source->GetColumnValue(static_cast<int32_t>(i), false));
        }
        rows.push_back(row);
    }
    if (error) {
        *error = source->ErrorText();
    }
    return rows;
}

inline std::vector<std::string> ColumnNames(const DVFile& definition) {
    std::vector<std::string> names;
    for (const CSCol& column : definition.Columns()) {
        names.push_back(column.name);
    }
    return names;
}

}  // namespace testsupport
