#include "SourceReading.h"

#include <algorithm>
#include <fstream>

#include "base/PlatformError.h"
#include "base/TextUtil.h"
#include "io/CTextFile.h"
#include "model/RegionalSettings.h"
#include "run/DVRun.h"
#include "run/ResultMessages.h"
#include "sources/DVDataSource.h"

namespace SourceReading {

namespace {

// Enough bytes for maxChars characters in any encoding the reader knows.
constexpr size_t kBytesPerChar = 4;

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

TablePreview ReadTablePreviewInputs(const DVFile& definition, int32_t maxRows,
                                    const KeepGoing& keepGoing) {
    TablePreview preview;
    DVFile copy = definition;
    const std::shared_ptr<const RegionalSettings> regional =
        RegionalSettings::For(copy.Settings().locale);
    const RegionalSettings::Scope scope(regional ? *regional : RegionalSettings::User());
    std::unique_ptr<DVDataSource> source = CreateDataSource(copy.Settings().sourcetype);
    if (!source || !DVFileSettings::IsDatabase(copy.Settings().sourcetype)) {
        return preview;
    }
    try {
        int32_t code = source->Validate(copy);
        if (code == 0) {
            code = source->Open(copy, maxRows);
        }
        if (code != 0) {
            preview.error = StatusMessage(Status::FromCode(code, source->ErrorText()), copy, {});
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
                row.emplace_back(source->FormattingInput(i));
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

TablePreview FormatTablePreview(const TablePreview& inputs, const DVFile& definition) {
    TablePreview preview = inputs;
    if (preview.columns.empty()) {
        return preview;
    }
    // Values show as the definition's regional settings write them.
    const std::shared_ptr<const RegionalSettings> regional =
        RegionalSettings::For(definition.Settings().locale);
    const RegionalSettings::Scope scope(regional ? *regional : RegionalSettings::User());
    // Copies: formatting moves the columns' last values, row by row as a run does.
    std::vector<CSCol> columns = definition.Columns();
    const size_t count = std::min(columns.size(), preview.columns.size());
    for (size_t c = 0; c < count; ++c) {
        preview.columns[c] = columns[c].name;
    }
    std::string formatted;
    for (std::vector<std::string>& row : preview.rows) {
        for (size_t c = 0; c < count && c < row.size(); ++c) {
            if (!columns[c].ShowsRawValue()) {
                columns[c].FormatValueInto(row[c], false, formatted);
                row[c] = formatted;
            }
        }
    }
    return preview;
}

TablePreview ReadTablePreview(const DVFile& definition, int32_t maxRows,
                              const KeepGoing& keepGoing) {
    return FormatTablePreview(ReadTablePreviewInputs(definition, maxRows, keepGoing), definition);
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
