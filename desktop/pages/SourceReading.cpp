#include "SourceReading.h"

#include <fstream>

#include "dataaccess/CTextFile.h"
#include "dataaccess/ConnectionFactory.h"
#include "dataaccess/PlatformError.h"
#include "dataaccess/TextUtil.h"
#include "definition/DVRun.h"
#include "definition/ResultMessages.h"
#include "sources/DVDataSource.h"
#include "sources/ODBCDataSource.h"

namespace SourceReading {

namespace {

// Enough bytes for maxChars characters in any encoding the reader knows.
constexpr size_t kBytesPerChar = 4;

bool IsDatabase(int32_t sourceType) {
    return sourceType == DVFileSettings::kOdbc || sourceType == DVFileSettings::kExcel ||
           sourceType == DVFileSettings::kAccess;
}

std::string WithDetail(std::string message, const std::string& detail) {
    if (!detail.empty()) {
        message += message.empty() ? detail : ": " + detail;
    }
    return message;
}

}  // namespace

std::string ReadSourceText(const std::string& path, size_t maxChars) {
    std::ifstream in(path, std::ios::binary);
    if (path.empty() || !in) {
        return {};
    }
    std::string bytes(maxChars * kBytesPerChar, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    const bool cut = in.gcount() > 0 && in.peek() != std::char_traits<char>::eof();
    if (cut) {
        // Never end inside a UTF-8 sequence.
        while (!bytes.empty() && (static_cast<unsigned char>(bytes.back()) & 0xC0) == 0x80) {
            bytes.pop_back();
        }
        if (!bytes.empty() && static_cast<unsigned char>(bytes.back()) >= 0xC0) {
            bytes.pop_back();
        }
    }
    std::string text = Norvik::CTextFile::DecodeText(bytes);
    Norvik::KeepFirstCharacters(text, maxChars);
    return text;
}

TablePreview ReadTablePreview(const DVFile& definition, int32_t maxRows,
                              const KeepGoing& keepGoing) {
    TablePreview preview;
    DVFile copy = definition;
    std::unique_ptr<DVDataSource> source = CreateDataSource(copy.Settings().sourcetype, 0, 0);
    if (!source || !IsDatabase(copy.Settings().sourcetype)) {
        return preview;
    }
    try {
        int32_t code = source->Validate(copy);
        if (code == 0) {
            code = source->Open(copy, maxRows);
        }
        if (code != 0) {
            preview.error = WithDetail(ResultMessage(code, copy, {}), source->ErrorText());
            return preview;
        }
        const int32_t columns = static_cast<int32_t>(copy.Columns().size());
        for (const CSCol& column : copy.Columns()) {
            preview.columns.push_back(column.name);
        }
        while (static_cast<int32_t>(preview.rows.size()) < maxRows && source->NextRow()) {
            if (keepGoing && !keepGoing()) {
                break;
            }
            std::vector<std::string> row;
            row.reserve(static_cast<size_t>(columns));
            for (int32_t i = 0; i < columns; ++i) {
                row.push_back(source->GetColumnValue(i, false));
            }
            preview.rows.push_back(std::move(row));
        }
        if (source->HasError()) {
            preview.error = source->ErrorText();
        }
    } catch (const Norvik::PlatformError& error) {
        preview.error = error.Description();
    }
    return preview;
}

std::string TestConnection(const DVFile& definition) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype, 0, 0);
    if (!source) {
        return "No database driver has been selected";
    }
    const int32_t code = source->ValidateSource(definition);
    if (code != 0) {
        return ResultMessage(code, definition, {});
    }
    const std::string connectionString = source->GetConnectionString(definition);
    std::unique_ptr<Norvik::IConnection> connection = Norvik::CreateConnection(connectionString);
    if (!connection || !connection->Connect(connectionString)) {
        return connection && !connection->GetErrorText().empty()
                   ? connection->GetErrorText()
                   : "Failed to connect to the data source";
    }
    connection->Disconnect();
    return {};
}

std::vector<std::string> ListTables(const DVFile& definition, std::string& error) {
    std::vector<std::string> tables;
    error.clear();
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype, 0, 0);
    if (!source || !IsDatabase(definition.Settings().sourcetype) ||
        source->ValidateSource(definition) != 0) {
        return tables;
    }
    const std::string connectionString = source->GetConnectionString(definition);
    std::unique_ptr<Norvik::IConnection> connection = Norvik::CreateConnection(connectionString);
    if (!connection || !connection->Connect(connectionString)) {
        error = connection ? connection->GetErrorText() : std::string();
        return tables;
    }
    const int32_t count = connection->GetTableCount();
    for (int32_t i = 0; i < count; ++i) {
        tables.push_back(connection->GetTableName(i));
    }
    if (connection->HasError()) {
        error = connection->GetErrorText();
    }
    connection->Disconnect();
    return tables;
}

int32_t TestSelection(DVFile& definition, const std::string& definitionPath, std::string& message) {
    message.clear();
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype, 0, 0);
    if (!source) {
        message = ResultMessage(110, definition, definitionPath);
        return 110;
    }
    int32_t code = 0;
    try {
        code = source->Validate(definition);
        if (code == 0) {
            code = source->Open(definition, 1);
        }
    } catch (const Norvik::PlatformError& error) {
        message = error.Description();
        return 105;
    }
    definition.SetLastError(source->ErrorText());
    if (code != 0) {
        message = WithDetail(ResultMessage(code, definition, definitionPath), source->ErrorText());
    }
    return code;
}

std::string RunOutputPreview(const DVFile& definition, const KeepGoing& keepGoing) {
    try {
        return DVRun::RunPreview(definition, kPreviewChars, kPreviewRows,
                                 [&keepGoing](int32_t) { return !keepGoing || keepGoing(); });
    } catch (const Norvik::PlatformError& error) {
        return error.Description();
    }
}

}  // namespace SourceReading
