#include "OutputFileNamer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "base/RunEnvironment.h"
#include "base/TextUtil.h"
#include "io/CompressingSink.h"
#include "model/DVFile.h"
#include "sources/DVDataSourceRow.h"

namespace {

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return upper;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

}  // namespace

void OutputFileNamer::Restart() {
    started_ = false;
}

std::string OutputFileNamer::FileNamePart(std::string_view value) {
    if (!value.empty() && IsQuote(value.front())) {
        value.remove_prefix(1);
        if (!value.empty() && IsQuote(value.back())) {
            value.remove_suffix(1);
        }
    }
    std::string part(value);
    for (char& c : part) {
        if (c == '/' || c == '\\' || c == '|' || c == ':') {
            c = '-';
        } else if (c == '*' || c == '?' || c == '"') {
            c = ' ';
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '_';
        }
    }
    part = Norvik::Trim(part);
    if (!part.empty() && part.find_first_not_of('.') == std::string::npos) {
        part.assign(part.size(), '_');
    }
    return part;
}

namespace {

// One file per row or per value needs a counter even when the pattern has none.
void AddCounterPlaceholder(std::string& name) {
    // "out.xml.gz" numbers as "out001.xml.gz": the compression suffix stays last.
    const size_t compressed = Norvik::CompressionSuffixLength(name);
    const size_t dot = compressed > 0 && name.size() > compressed
                           ? name.rfind('.', name.size() - compressed - 1)
                           : name.rfind('.');
    const std::string_view tail =
        dot == std::string::npos ? std::string_view(name) : std::string_view(name).substr(dot);
    if (dot != std::string::npos && tail.find('"') == std::string_view::npos &&
        tail.find('/') == std::string_view::npos) {
        name.insert(dot, "<NNN>");
    } else if (compressed > 0) {
        name.insert(name.size() - compressed, "<NNN>");
    } else {
        // No extension in the last path part: number the end, so files
        // never share one name.
        name += "<NNN>";
    }
}

void ReplaceColumnValues(std::string& name, const DVFile& definition, DVDataSourceRow& row) {
    size_t from = 0;
    while (true) {
        const size_t at = UpperAscii(name).find("<C=", from);
        if (at == std::string::npos) {
            break;
        }
        const size_t close = name.find('>', at + 3);
        if (close == std::string::npos || close == at + 3) {
            name.erase(at, 3);
            from = at;
            continue;
        }
        const std::string column =
            Norvik::Trim(std::string_view(name).substr(at + 3, close - at - 3));
        const int32_t index = definition.ColumnIndexByName(column);
        const std::string value =
            index >= 0 ? OutputFileNamer::FileNamePart(row.GetColumnValue(index, false))
                       : std::string();
        name.replace(at, close - at + 1, value);
        from = at + value.size();  // a value never opens a placeholder of its own
    }
}

void ReplaceTimeStamp(std::string& name) {
    const size_t time = UpperAscii(name).find("<T>");
    if (time != std::string::npos) {
        const DateTimeParts now = RunEnvironment::Current().LocalNow();
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "%.4d%.2d%.2dT%.2d%.2d%.2d", now.year + 1900,
                      now.month + 1, now.day, now.hour, now.minute, now.second);
        name.replace(time, 3, stamp);
    }
}

}  // namespace

std::string OutputFileNamer::Next(const DVFile& definition, DVDataSourceRow& row) {
    if (!started_) {
        started_ = true;
        previousPrefix_.clear();
        previousSuffix_.clear();
        counter_ = 0;
        given_.clear();
    }
    const DVFileSettings& settings = definition.Settings();
    std::string name = settings.targetfilename;
    if ((settings.fileperrow || settings.filepercolvalueid > 0) &&
        name.find('<') == std::string::npos) {
        AddCounterPlaceholder(name);
    }
    ReplaceColumnValues(name, definition, row);
    ReplaceTimeStamp(name);
    ReplaceCounter(name);
    return name;
}

void OutputFileNamer::ReplaceCounter(std::string& name) {
    const size_t counter = UpperAscii(name).find("<N");
    if (counter == std::string::npos) {
        return;
    }
    const size_t close = name.find('>', counter + 1);
    if (close == std::string::npos) {
        name.erase(counter, 1);
        return;
    }
    const std::string prefix = name.substr(0, counter);
    const std::string suffix = name.substr(close + 1);
    const int width = static_cast<int>(std::min<size_t>(close - counter - 1, 30));
    if (prefix != previousPrefix_ || suffix != previousSuffix_) {
        counter_ = 0;
        previousPrefix_ = prefix;
        previousSuffix_ = suffix;
    }
    char digits[48];
    if (ownNamesOnly_) {
        // The numbers given with this text run from 1 without a gap: the
        // next free one follows the highest.
        int32_t& given = given_[prefix + '\0' + suffix];
        counter_ = std::max(counter_, given) + 1;
        given = counter_;
        std::snprintf(digits, sizeof digits, "%.*d", width, counter_);
        name = prefix + digits + suffix;
        return;
    }
    do {
        ++counter_;
        std::snprintf(digits, sizeof digits, "%.*d", width, counter_);
        name = prefix + digits + suffix;
    } while (Exists(name));
}
