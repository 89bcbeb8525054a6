#include "FixedWidthTextFileDataSource.h"

#include <functional>
#include <unordered_map>

#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "model/DVFile.h"

namespace {

constexpr size_t kMaxNamedColumns = 999;

// Byte offsets of each character of a line (plus its end), so that positions
// and widths count characters. ASCII lines need no table.
class CharacterPositions {
public:
    explicit CharacterPositions(std::string_view line) : line_(line) {
        for (char c : line) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii_ = false;
                break;
            }
        }
        if (!ascii_) {
            for (size_t pos = 0; pos < line.size();) {
                offsets_.push_back(pos);
                Norvik::NextCodePoint(line, pos);
            }
            offsets_.push_back(line.size());
        }
    }
    size_t Length() const { return ascii_ ? line_.size() : offsets_.size() - 1; }
    // Characters [start, start + width), clipped at the line end.
    std::string_view Slice(size_t start, size_t width) const {
        const size_t length = Length();
        if (start >= length) {
            return {};
        }
        const size_t end = width > length - start ? length : start + width;
        if (ascii_) {
            return line_.substr(start, end - start);
        }
        return line_.substr(offsets_[start], offsets_[end] - offsets_[start]);
    }

private:
    std::string_view line_;
    bool ascii_ = true;
    std::vector<size_t> offsets_;
};

void ForEachNode(XMLNode& node, const std::function<void(XMLNode&)>& visit) {
    visit(node);
    for (const auto& child : node.Children()) {
        ForEachNode(*child, visit);
    }
}

}  // namespace

int32_t FixedWidthTextFileDataSource::Validate(const DVFile& definition) {
    const int32_t code = TextFileDataSource::Validate(definition);
    if (code != kSuccess) {
        return code;
    }
    return definition.Columns().empty() ? kNoColumns : kSuccess;
}

size_t FixedWidthTextFileDataSource::DetectColumns(std::string_view line, DVFile& definition) {
    definition.RemoveAllColumns();
    const CharacterPositions chars(line);
    const size_t length = chars.Length();
    size_t columnStart = 0;
    size_t created = 0;
    auto add = [&](size_t width) {
        CSCol column(GeneratedName(created++));
        column.width = static_cast<int32_t>(width);
        definition.OnColumnAdded(definition.AddColumn(std::move(column)));
    };
    size_t i = 0;
    while (i < length) {
        const bool runStarts = chars.Slice(i, 2) == "  ";
        if (!runStarts) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < length && chars.Slice(j, 1) == " ") {
            ++j;
        }
        if (i > columnStart) {  // leading spaces belong to the first column
            add(j - columnStart);
            columnStart = j;
        }
        i = j;
    }
    if (created == 0) {
        add(length);
    } else if (columnStart < length) {
        add(length - columnStart);  // the text after the last run is a column too
    }
    return created;
}

namespace {

// Fits the definition's columns to the first line: the column that crosses
// its end is cut short, those past it go. Returns how many are left.
size_t FitColumns(DVFile& definition, size_t lineLength) {
    size_t start = 0;
    size_t kept = 0;
    for (; kept < definition.Columns().size(); ++kept) {
        CSCol& column = definition.Column(kept);
        if (column.width == 0) {
            column.width = 4;
        }
        const auto width = static_cast<size_t>(std::max(column.width, 0));
        if (start + width > lineLength) {
            if (start < lineLength) {
                column.width = static_cast<int32_t>(lineLength - start);
                ++kept;
            }
            break;
        }
        start += width;
    }
    while (definition.Columns().size() > kept) {
        definition.RemoveColumn(definition.Columns().size() - 1);
    }
    return definition.Columns().size();
}

// Header names read from the first line; a blank one is generated.
void NamesFromLine(const std::vector<CSCol>& columns, const CharacterPositions& line,
                   std::vector<std::string>& names, std::vector<int32_t>& widths) {
    const size_t lineLength = line.Length();
    size_t start = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        widths[i] = columns[i].width;
        const auto width = static_cast<size_t>(std::max(columns[i].width, 0));
        std::string name;
        if (width > 0 && start < lineLength) {
            name = Norvik::Trim(line.Slice(start, width));
        }
        names[i] = name.empty() ? TextFileDataSource::GeneratedName(i) : name;
        start += width;
    }
}

// Header names from the columns' own names, where they have one.
void NamesFromColumns(const std::vector<CSCol>& columns, std::vector<std::string>& names,
                      std::vector<int32_t>& widths) {
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = columns[i].name;
        const bool own = i < kMaxNamedColumns && !name.empty() &&
                         !TextFileDataSource::IsGeneratedStyleName(name);
        names[i] = own ? name : TextFileDataSource::GeneratedName(i);
        widths[i] = columns[i].width;
    }
}

}  // namespace

bool FixedWidthTextFileDataSource::ReadHeader(DVFile& definition) {
    std::string_view line;
    if (!ReadNextLine(line)) {
        return false;
    }
    const std::string first(line);
    const CharacterPositions firstChars(first);
    const size_t count = definition.Columns().empty() ? DetectColumns(first, definition)
                                                      : FitColumns(definition, firstChars.Length());
    headerNames_.assign(count, std::string());
    widths_.assign(count, 0);
    SetRecordSize(count);
    if (definition.Settings().firstrowhascolnames) {
        NamesFromLine(definition.Columns(), firstChars, headerNames_, widths_);
    } else {
        NamesFromColumns(definition.Columns(), headerNames_, widths_);
        file_->Seek(0);  // the first line is data
    }
    return true;
}

bool FixedWidthTextFileDataSource::ReadRecord() {
    std::string_view line;
    if (!ReadNextLine(line)) {
        return false;
    }
    BeginRecord();
    const CharacterPositions chars(line);
    const size_t length = chars.Length();
    size_t start = 0;
    for (size_t i = 0; i < record_.size(); ++i) {
        const int32_t width = i < widths_.size() ? widths_[i] : 0;
        if (start >= length || width <= 0) {
            record_[i] = {};
            start += static_cast<size_t>(std::max(width, 0));
            continue;
        }
        std::string_view field = chars.Slice(start, static_cast<size_t>(width));
        if (trimSpace_) {
            field = Norvik::TrimView(field);
        }
        record_[i] = removeQuotes_ ? RemoveQuotes(field, fieldStorage_[i]) : field;
        start += static_cast<size_t>(width);
    }
    return true;
}

bool FixedWidthTextFileDataSource::SyncColumns(DVFile& definition) {
    if (headerNames_.empty()) {
        definition.RemoveAllColumns();
        return false;
    }
    // Nodes named after a column follow its new name; one walk of the tree
    // for all columns, as a wide file has thousands of them.
    struct Rename {
        std::string oldName;
        const std::string* newName;
    };
    std::unordered_map<int32_t, Rename> renames;
    const size_t count = std::min(headerNames_.size(), definition.Columns().size());
    for (size_t i = 0; i < count; ++i) {
        CSCol& column = definition.Column(i);
        renames[column.id] = {XMLNode::ColumnNodeName(column.name), &headerNames_[i]};
        column.name = headerNames_[i];
    }
    ForEachNode(definition.Root(), [&](XMLNode& node) {
        const auto rename = renames.find(node.GetSource());
        if (rename != renames.end() && node.GetName() == rename->second.oldName) {
            node.SetName(XMLNode::ColumnNodeName(*rename->second.newName));
        }
    });
    while (definition.Columns().size() > headerNames_.size()) {
        definition.RemoveColumn(definition.Columns().size() - 1);
    }
    return true;
}
