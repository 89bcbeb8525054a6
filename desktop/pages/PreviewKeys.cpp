#include "PreviewKeys.h"

#include <sys/stat.h>

namespace PreviewKeys {

namespace {

// Fields are separated by a character no setting holds.
constexpr char kSeparator = '\x1f';

void Add(std::string& key, const std::string& field) {
    key += field;
    key += kSeparator;
}

void Add(std::string& key, int64_t field) {
    Add(key, std::to_string(field));
}

// Size and modification time; empty when the file cannot be seen.
std::string FileStamp(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        return {};
    }
    return std::to_string(st.st_size) + ':' + std::to_string(st.st_mtim.tv_sec) + '.' +
           std::to_string(st.st_mtim.tv_nsec);
}

}  // namespace

std::string Connection(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    std::string key;
    Add(key, s.sourcetype);
    if (!DVFileSettings::IsDatabase(s.sourcetype)) {
        return key;
    }
    Add(key, s.sourcefilename);
    Add(key, FileStamp(s.sourcefilename));
    Add(key, s.odbcdriver);
    Add(key, s.dsntype);
    Add(key, s.usersysdsn);
    Add(key, s.filedsn);
    Add(key, FileStamp(s.filedsn));
    Add(key, s.username);
    Add(key, s.password);
    Add(key, s.additionalConnectionParameters);
    return key;
}

std::string SourceText(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    std::string key;
    Add(key, s.sourcetype);
    Add(key, s.sourcefilename);
    Add(key, FileStamp(s.sourcefilename));
    return key;
}

std::string Selection(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    std::string key = Connection(definition);
    Add(key, s.sqltype);
    Add(key, s.sqltype == 1 ? s.sqlquery : s.sqltablename);
    Add(key, s.firstrowhascolnames ? 1 : 0);
    Add(key, s.firstrow);
    Add(key, s.lastrow);
    Add(key, s.locale);
    Add(key, static_cast<int64_t>(definition.Columns().size()));
    for (const CSCol& column : definition.Columns()) {
        Add(key, column.dataType);
    }
    return key;
}

}  // namespace PreviewKeys
