#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "sources/DVDataSource.h"

namespace testsupport {

using Table = std::vector<std::vector<std::string>>;

// Opens a source on the definition once, which makes the definition's
// columns mirror the file (as the editor does when a source is chosen).
inline void ReadColumns(DVFile& definition) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    const int32_t code = source->Validate(definition);
    if (code == kSuccess || code == kNoColumns) {
        source->Open(definition, 100);
    }
}

// A definition reading `bytes` from a file in dir, as source type `type`.
inline DVFile TextDefinition(const TempDir& dir, const std::string& bytes, int32_t type,
                             const std::string& name = "in.txt") {
    const std::string path = dir.File(name);
    WriteFile(path, bytes);
    DVFile definition;
    definition.SetSourceType(type);
    definition.SetAutoAddNodes(false);
    definition.StoreDelimiter(",");
    definition.SetSourceFileName(path);
    ReadColumns(definition);
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
