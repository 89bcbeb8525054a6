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
#include <mutex>

#include "RunEnvironment.h"
#include "dataaccess/CXMLDocument.h"

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

std::string MetaText(GsfDocMetaData* meta, const char* name) {
    GsfDocProp* property = gsf_doc_meta_data_lookup(meta, name);
    const GValue* value = property ? gsf_doc_prop_get_val(property) : nullptr;
    if (value && G_VALUE_HOLDS_STRING(value)) {
        const char* text = g_value_get_string(value);
        return text ? text : "";
    }
    return {};
}

std::string MetaTime(GsfDocMetaData* meta, const char* name) {
    GsfDocProp* property = gsf_doc_meta_data_lookup(meta, name);
    const GValue* value = property ? gsf_doc_prop_get_val(property) : nullptr;
    if (value && G_VALUE_HOLDS(value, GSF_TIMESTAMP_TYPE)) {
        const auto* stamp = static_cast<const GsfTimestamp*>(g_value_get_boxed(value));
        return stamp ? LocalTimestamp(static_cast<time_t>(stamp->timet)) : std::string();
    }
    return {};
}

bool ReadXls(const std::string& path, DocumentProperties& properties) {
    static std::once_flag once;
    std::call_once(once, [] { gsf_init(); });
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &error);
    if (!input) {
        g_clear_error(&error);
        return false;
    }
    GsfInfile* storage = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (!storage) {
        g_clear_error(&error);
        return false;
    }
    bool read = false;
    // Only workbooks: a compound file with a "Workbook" stream.
    GsfInput* workbook = gsf_infile_child_by_name(storage, "Workbook");
    GsfInput* summary = gsf_infile_child_by_name(storage, "\005SummaryInformation");
    if (workbook && summary) {
        GsfDocMetaData* meta = gsf_doc_meta_data_new();
        if (GError* failed = gsf_doc_meta_data_read_from_msole(meta, summary)) {
            g_error_free(failed);
        } else {
            properties.title = MetaText(meta, GSF_META_NAME_TITLE);
            properties.subject = MetaText(meta, GSF_META_NAME_SUBJECT);
            properties.author = MetaText(meta, GSF_META_NAME_CREATOR);
            properties.keywords = MetaText(meta, GSF_META_NAME_KEYWORDS);
            properties.comments = MetaText(meta, GSF_META_NAME_DESCRIPTION);
            properties.lastAuthor = MetaText(meta, GSF_META_NAME_LAST_SAVED_BY);
            properties.created = MetaTime(meta, GSF_META_NAME_DATE_CREATED);
            properties.lastSaved = MetaTime(meta, GSF_META_NAME_DATE_MODIFIED);
            read = true;
        }
        g_object_unref(meta);
    }
    if (workbook) {
        g_object_unref(workbook);
    }
    if (summary) {
        g_object_unref(summary);
    }
    g_object_unref(storage);
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
