#include "DocumentProperties.h"

#include <gsf/gsf-doc-meta-data.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-meta-names.h>
#include <gsf/gsf-msole-utils.h>
#include <gsf/gsf-timestamp.h>
#include <gsf/gsf-utils.h>
#include <zip.h>

#include <cstring>
#include <ctime>
#include <fstream>

#include "base/RunEnvironment.h"
#include "base/SharedLibrary.h"
#include "xml/CXMLDocument.h"

namespace {

std::string LocalTimestamp(time_t utc) {
    return FormatTimestamp(LocalTime(utc));
}

// "2024-05-06T07:08:09Z" (W3C date-time, UTC) in local time.
std::string W3cToLocal(const std::string& text) {
    std::tm tm{};
    if (strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S", &tm) == nullptr) {
        return {};
    }
    return LocalTimestamp(timegm(&tm));
}

bool ReadXlsx(const std::string& path, DocumentProperties& properties) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!archive) {
        return false;
    }
    std::string bytes;
    zip_stat_t info;
    bool read = false;
    if (zip_stat(archive, "docProps/core.xml", 0, &info) == 0 && (info.valid & ZIP_STAT_SIZE) &&
        info.size < (size_t{16} << 20)) {
        if (zip_file_t* file = zip_fopen(archive, "docProps/core.xml", 0)) {
            bytes.resize(info.size);
            read = zip_fread(file, bytes.data(), info.size) == static_cast<zip_int64_t>(info.size);
            zip_fclose(file);
        }
    }
    zip_discard(archive);
    Norvik::CXMLDocument core;
    if (!read || !core.LoadFromMemory(bytes, "core.xml")) {
        return false;
    }
    auto text = [&](const char* name) { return core.FirstElementByTagName(name).Text(); };
    properties.title = text("title");
    properties.subject = text("subject");
    properties.author = text("creator");
    properties.keywords = text("keywords");
    properties.comments = text("description");
    properties.lastAuthor = text("lastModifiedBy");
    properties.created = W3cToLocal(text("created"));
    properties.lastSaved = W3cToLocal(text("modified"));
    return true;
}

// libgsf (and the GLib it brings), opened on the first old-style workbook.
struct GsfApi {
    decltype(&gsf_init) init = nullptr;
    decltype(&gsf_input_stdio_new) openFile = nullptr;
    decltype(&gsf_infile_msole_new) openStorage = nullptr;
    decltype(&gsf_infile_child_by_name) child = nullptr;
    decltype(&gsf_doc_meta_data_new) newMeta = nullptr;
    decltype(&gsf_doc_meta_data_read_from_msole) readMeta = nullptr;
    decltype(&gsf_doc_meta_data_lookup) lookup = nullptr;
    decltype(&gsf_doc_prop_get_val) valueOf = nullptr;
    decltype(&gsf_timestamp_get_type) timestampType = nullptr;
    decltype(&g_value_get_string) getString = nullptr;
    decltype(&g_value_get_boxed) getBoxed = nullptr;
    decltype(&g_error_free) freeError = nullptr;
    decltype(&g_object_unref) unref = nullptr;
    bool loaded = false;
};

const GsfApi& Gsf() {
    static const GsfApi api = [] {
        GsfApi found;
        Norvik::SharedLibrary library("libgsf-1.so.114");
        library.Bind(found.init, "gsf_init");
        library.Bind(found.openFile, "gsf_input_stdio_new");
        library.Bind(found.openStorage, "gsf_infile_msole_new");
        library.Bind(found.child, "gsf_infile_child_by_name");
        library.Bind(found.newMeta, "gsf_doc_meta_data_new");
        library.Bind(found.readMeta, "gsf_doc_meta_data_read_from_msole");
        library.Bind(found.lookup, "gsf_doc_meta_data_lookup");
        library.Bind(found.valueOf, "gsf_doc_prop_get_val");
        library.Bind(found.timestampType, "gsf_timestamp_get_type");
        library.Bind(found.getString, "g_value_get_string");
        library.Bind(found.getBoxed, "g_value_get_boxed");
        library.Bind(found.freeError, "g_error_free");
        library.Bind(found.unref, "g_object_unref");
        found.loaded = library.IsLoaded();
        if (found.loaded) {
            found.init();
        }
        return found;
    }();
    return api;
}

std::string MetaText(const GsfApi& gsf, GsfDocMetaData* meta, const char* name) {
    GsfDocProp* property = gsf.lookup(meta, name);
    const GValue* value = property ? gsf.valueOf(property) : nullptr;
    if (value && G_VALUE_TYPE(value) == G_TYPE_STRING) {
        const char* text = gsf.getString(value);
        return text ? text : "";
    }
    return {};
}

std::string MetaTime(const GsfApi& gsf, GsfDocMetaData* meta, const char* name) {
    GsfDocProp* property = gsf.lookup(meta, name);
    const GValue* value = property ? gsf.valueOf(property) : nullptr;
    if (value && G_VALUE_TYPE(value) == gsf.timestampType()) {
        const auto* stamp = static_cast<const GsfTimestamp*>(gsf.getBoxed(value));
        return stamp ? LocalTimestamp(static_cast<time_t>(stamp->timet)) : std::string();
    }
    return {};
}

// The summary of a compound-file workbook; false when the library is
// missing (the properties then stay empty, as for any unreadable file).
bool ReadXls(const std::string& path, DocumentProperties& properties) {
    const GsfApi& gsf = Gsf();
    if (!gsf.loaded) {
        return false;
    }
    GError* error = nullptr;
    GsfInput* input = gsf.openFile(path.c_str(), &error);
    if (!input) {
        if (error) {
            gsf.freeError(error);
        }
        return false;
    }
    GsfInfile* storage = gsf.openStorage(input, &error);
    gsf.unref(input);
    if (!storage) {
        if (error) {
            gsf.freeError(error);
        }
        return false;
    }
    bool read = false;
    // Only workbooks: a compound file with a "Workbook" stream.
    GsfInput* workbook = gsf.child(storage, "Workbook");
    GsfInput* summary = gsf.child(storage, "\005SummaryInformation");
    if (workbook && summary) {
        GsfDocMetaData* meta = gsf.newMeta();
        if (GError* failed = gsf.readMeta(meta, summary)) {
            gsf.freeError(failed);
        } else {
            properties.title = MetaText(gsf, meta, GSF_META_NAME_TITLE);
            properties.subject = MetaText(gsf, meta, GSF_META_NAME_SUBJECT);
            properties.author = MetaText(gsf, meta, GSF_META_NAME_CREATOR);
            properties.keywords = MetaText(gsf, meta, GSF_META_NAME_KEYWORDS);
            properties.comments = MetaText(gsf, meta, GSF_META_NAME_DESCRIPTION);
            properties.lastAuthor = MetaText(gsf, meta, GSF_META_NAME_LAST_SAVED_BY);
            properties.created = MetaTime(gsf, meta, GSF_META_NAME_DATE_CREATED);
            properties.lastSaved = MetaTime(gsf, meta, GSF_META_NAME_DATE_MODIFIED);
            read = true;
        }
        gsf.unref(meta);
    }
    if (workbook) {
        gsf.unref(workbook);
    }
    if (summary) {
        gsf.unref(summary);
    }
    gsf.unref(storage);
    return read;
}

}  // namespace

bool ReadDocumentProperties(const std::string& path, DocumentProperties& properties) {
    properties = DocumentProperties();
    char magic[4] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in || !in.read(magic, 4)) {
            return false;
        }
    }
    if (std::memcmp(magic, "PK\x03\x04", 4) == 0) {
        return ReadXlsx(path, properties);
    }
    if (std::memcmp(magic, "\xD0\xCF\x11\xE0", 4) == 0) {
        return ReadXls(path, properties);
    }
    return false;
}
