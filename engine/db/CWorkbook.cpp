#include "CWorkbook.h"

#include <freexl.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>
#include <zip.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "base/TextUtil.h"
#include "xml/CXMLDocument.h"

namespace Norvik {

namespace {

constexpr size_t kMaxColumns = 16384;
constexpr size_t kMaxRows = 1048576;
// Limits that keep crafted workbooks from exhausting memory: a sheet is held
// whole, so its cell slots are counted (a far reference such as XFD1048576
// in every row would otherwise allocate gigabytes); parts read whole have a
// size limit; and no part may expand more than kMaxRatio times from its
// compressed size (a zip bomb).
constexpr size_t kMaxCellSlots = size_t{4} << 20;
constexpr uint64_t kMaxWholePart = uint64_t{64} << 20;
constexpr uint64_t kMaxSheetPart = uint64_t{4} << 30;
constexpr uint64_t kMaxRatio = 1000;
constexpr uint64_t kRatioCheckFrom = uint64_t{1} << 20;
constexpr size_t kMaxSharedStrings = size_t{2} << 20;

zip_t* Zip(void* handle) {
    return static_cast<zip_t*>(handle);
}

// An attribute by local name, whatever its namespace (r:id and the like).
std::string AttributeOf(const XmlElement& element, const char* localName) {
    for (xmlAttrPtr a = element.Node()->properties; a; a = a->next) {
        if (a->name && std::strcmp(reinterpret_cast<const char*>(a->name), localName) == 0) {
            xmlChar* value = xmlNodeListGetString(element.Node()->doc, a->children, 1);
            std::string text = value ? reinterpret_cast<const char*>(value) : "";
            xmlFree(value);
            return text;
        }
    }
    return {};
}

// Whether a number format shows dates or times: date letters outside quoted
// text, escapes and [colour] sections.
bool IsDateFormat(int id, const std::string& code) {
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
        (id >= 50 && id <= 58)) {
        return true;
    }
    if (code.empty()) {
        return false;
    }
    bool quoted = false;
    bool bracket = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (quoted) {
            quoted = c != '"';
        } else if (bracket) {
            bracket = c != ']';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[') {
            bracket = true;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (std::strchr("ymdhsYMDHS", c)) {
            return true;
        }
    }
    return false;
}

// "AB12" → 27 (0-based column); -1 when there is no column.
long ColumnOf(const std::string& reference) {
    long column = 0;
    size_t i = 0;
    while (i < reference.size() && std::isalpha(static_cast<unsigned char>(reference[i]))) {
        column = column * 26 + (std::toupper(static_cast<unsigned char>(reference[i])) - 'A' + 1);
        if (column > static_cast<long>(kMaxColumns)) {
            return -1;
        }
        ++i;
    }
    return i == 0 ? -1 : column - 1;
}

int ReadZip(void* context, char* buffer, int length) {
    const zip_int64_t got =
        zip_fread(static_cast<zip_file_t*>(context), buffer, static_cast<zip_uint64_t>(length));
    return got < 0 ? -1 : static_cast<int>(got);
}

int CloseZip(void* context) {
    zip_fclose(static_cast<zip_file_t*>(context));
    return 0;
}

std::string XmlText(const xmlChar* text) {
    return text ? reinterpret_cast<const char*>(text) : "";
}

// Sheet names and parts in workbook order, each part found through the
// sheet's relationship; a sheet without one is left out.
void ListSheets(const CXMLDocument& workbook, const CXMLDocument& relations,
                std::vector<std::string>& names, std::vector<std::string>& parts) {
    for (const XmlElement& sheet : workbook.ElementsByTagName("sheet")) {
        const std::string id = AttributeOf(sheet, "id");
        std::string target;
        for (const XmlElement& relation : relations.ElementsByTagName("Relationship")) {
            if (AttributeOf(relation, "Id") == id) {
                target = AttributeOf(relation, "Target");
            }
        }
        if (target.empty()) {
            continue;
        }
        target = target.front() == '/' ? target.substr(1) : "xl/" + target;
        names.push_back(AttributeOf(sheet, "name"));
        parts.push_back(target);
    }
}

// Whether each cell style shows a date, by style index.
void AddDateStyles(const CXMLDocument& styles, std::vector<bool>& dateStyles) {
    std::vector<std::pair<int, std::string>> formats;
    for (const XmlElement& format : styles.ElementsByTagName("numFmt")) {
        formats.emplace_back(std::atoi(AttributeOf(format, "numFmtId").c_str()),
                             AttributeOf(format, "formatCode"));
    }
    const XmlElement cellXfs = styles.FirstElementByTagName("cellXfs");
    if (!cellXfs) {
        return;
    }
    for (const XmlElement& xf : cellXfs.Children("xf")) {
        const int id = std::atoi(AttributeOf(xf, "numFmtId").c_str());
        std::string code;
        for (const auto& [formatId, formatCode] : formats) {
            if (formatId == id) {
                code = formatCode;
            }
        }
        dateStyles.push_back(IsDateFormat(id, code));
    }
}

// One worksheet part read as a stream into the sheet's rows, cell by cell.
class SheetReader {
public:
    SheetReader(WorkbookSheet& sheet, const std::vector<std::string>& sharedStrings,
                const std::vector<bool>& dateStyles, bool system1904)
        : sheet_(sheet),
          sharedStrings_(sharedStrings),
          dateStyles_(dateStyles),
          system1904_(system1904) {}

    // The status of the last read: 0 when the part was read to its end.
    int Run(xmlTextReaderPtr reader);
    bool TooLarge() const noexcept { return slots_ > kMaxCellSlots; }

private:
    // False when the sheet grew too large.
    bool StartElement(xmlTextReaderPtr reader, const std::string& name);
    bool StartRow(xmlTextReaderPtr reader);
    void StartCell(xmlTextReaderPtr reader);
    void AddText(xmlTextReaderPtr reader);
    void EndElement(const std::string& name);
    WorkbookSheet::Cell CellValue() const;
    void FinishCell();

    WorkbookSheet& sheet_;
    const std::vector<std::string>& sharedStrings_;
    const std::vector<bool>& dateStyles_;
    const bool system1904_;
    std::vector<WorkbookSheet::Cell>* row_ = nullptr;
    size_t nextRow_ = 0;
    long column_ = -1;
    std::string type_;
    int style_ = 0;
    std::string value_;
    std::string inlineText_;
    std::string element_;  // innermost element holding text we want
    bool inCell_ = false;
    size_t slots_ = 0;  // cells of all rows so far, empty ones included
};

int SheetReader::Run(xmlTextReaderPtr reader) {
    int status;
    while ((status = xmlTextReaderRead(reader)) == 1 && slots_ <= kMaxCellSlots) {
        const int node = xmlTextReaderNodeType(reader);
        const std::string name = XmlText(xmlTextReaderConstLocalName(reader));
        if (node == XML_READER_TYPE_ELEMENT) {
            if (!StartElement(reader, name)) {
                break;
            }
        } else if (node == XML_READER_TYPE_TEXT || node == XML_READER_TYPE_SIGNIFICANT_WHITESPACE ||
                   node == XML_READER_TYPE_CDATA) {
            AddText(reader);
        } else if (node == XML_READER_TYPE_END_ELEMENT) {
            EndElement(name);
        }
    }
    return status;
}

bool SheetReader::StartElement(xmlTextReaderPtr reader, const std::string& name) {
    if (name == "row") {
        return StartRow(reader);
    }
    if (name == "c" && row_) {
        StartCell(reader);
    } else if (inCell_ && (name == "v" || name == "t")) {
        element_ = name;
    } else if (inCell_ && name == "rPh") {
        element_ = "rPh";  // phonetic hints are not cell text
    }
    return true;
}

bool SheetReader::StartRow(xmlTextReaderPtr reader) {
    xmlChar* attribute = xmlTextReaderGetAttribute(reader, BAD_CAST "r");
    size_t number =
        attribute ? std::strtoul(reinterpret_cast<char*>(attribute), nullptr, 10) : nextRow_ + 1;
    xmlFree(attribute);
    if (number == 0 || number > kMaxRows) {
        number = nextRow_ + 1;
    }
    if (sheet_.rows.size() < number) {
        slots_ += number - sheet_.rows.size();  // even an empty row costs
        if (slots_ > kMaxCellSlots) {
            return false;
        }
        sheet_.rows.resize(number);
    }
    row_ = &sheet_.rows[number - 1];
    nextRow_ = number;
    return true;
}

void SheetReader::StartCell(xmlTextReaderPtr reader) {
    xmlChar* reference = xmlTextReaderGetAttribute(reader, BAD_CAST "r");
    column_ =
        reference ? ColumnOf(reinterpret_cast<char*>(reference)) : static_cast<long>(row_->size());
    xmlFree(reference);
    xmlChar* t = xmlTextReaderGetAttribute(reader, BAD_CAST "t");
    type_ = t ? reinterpret_cast<char*>(t) : "";
    xmlFree(t);
    xmlChar* s = xmlTextReaderGetAttribute(reader, BAD_CAST "s");
    style_ = s ? std::atoi(reinterpret_cast<char*>(s)) : 0;
    xmlFree(s);
    value_.clear();
    inlineText_.clear();
    inCell_ = true;
    if (xmlTextReaderIsEmptyElement(reader)) {
        FinishCell();
        inCell_ = false;
    }
}

void SheetReader::AddText(xmlTextReaderPtr reader) {
    if (inCell_ && element_ == "v") {
        value_ += XmlText(xmlTextReaderConstValue(reader));
    } else if (inCell_ && element_ == "t") {
        inlineText_ += XmlText(xmlTextReaderConstValue(reader));
    }
}

void SheetReader::EndElement(const std::string& name) {
    if (name == "c" && inCell_) {
        FinishCell();
        inCell_ = false;
    } else if (name == "v" || name == "t" || name == "rPh") {
        element_.clear();
    } else if (name == "row") {
        row_ = nullptr;
    }
}

WorkbookSheet::Cell SheetReader::CellValue() const {
    WorkbookSheet::Cell cell;
    if (type_ == "s") {
        const long i = std::atol(value_.c_str());
        if (!value_.empty() && i >= 0 && static_cast<size_t>(i) < sharedStrings_.size()) {
            cell.type = WorkbookSheet::Cell::kText;
            cell.text = sharedStrings_[static_cast<size_t>(i)];
        }
    } else if (type_ == "inlineStr") {
        cell.type = WorkbookSheet::Cell::kText;
        cell.text = inlineText_;
    } else if (type_ == "str" || type_ == "e") {
        cell.type = WorkbookSheet::Cell::kText;
        cell.text = value_;
    } else if (type_ == "b") {
        cell.type = WorkbookSheet::Cell::kBoolean;
        cell.text = value_ == "1" ? "TRUE" : "FALSE";
    } else if (!value_.empty()) {
        double number = 0.0;
        const auto parsed = std::from_chars(value_.data(), value_.data() + value_.size(), number);
        if (parsed.ec != std::errc()) {
            cell.type = WorkbookSheet::Cell::kText;
            cell.text = value_;
        } else if (style_ >= 0 && static_cast<size_t>(style_) < dateStyles_.size() &&
                   dateStyles_[static_cast<size_t>(style_)]) {
            cell.type = WorkbookSheet::Cell::kDate;
            cell.text = CWorkbook::SerialToText(number, system1904_);
        } else {
            cell.type = WorkbookSheet::Cell::kNumber;
            cell.text = CWorkbook::NumberText(number);
        }
    }
    return cell;
}

void SheetReader::FinishCell() {
    if (!row_ || column_ < 0) {
        return;
    }
    WorkbookSheet::Cell cell = CellValue();
    if (row_->size() <= static_cast<size_t>(column_)) {
        slots_ += static_cast<size_t>(column_) + 1 - row_->size();
        if (slots_ > kMaxCellSlots) {
            return;
        }
        row_->resize(static_cast<size_t>(column_) + 1);
    }
    (*row_)[static_cast<size_t>(column_)] = std::move(cell);
}

}  // namespace

CWorkbook::CWorkbook() = default;

CWorkbook::~CWorkbook() {
    if (zip_) {
        zip_discard(Zip(zip_));
    }
    if (freexl_) {
        freexl_close(freexl_);
    }
}

std::string CWorkbook::NumberText(double value) {
    char buffer[512];
    const auto result = std::to_chars(
        buffer, buffer + sizeof buffer, value,
        std::abs(value) < 1e21 ? std::chars_format::fixed : std::chars_format::general);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
}

std::string CWorkbook::SerialToText(double serial, bool system1904) {
    int64_t days = static_cast<int64_t>(std::floor(serial));
    int64_t seconds = std::llround((serial - std::floor(serial)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    // Day numbers count from 1899-12-30, except that the 1900 system counts
    // a 29 February 1900 that never was: days before it are one off.
    int64_t fromEpoch = system1904 ? days + 1462 : (days < 61 && days > 0 ? days + 1 : days);
    // Civil date of fromEpoch days after 1899-12-30 (proleptic Gregorian).
    int64_t z = fromEpoch - 25569 + 719468;  // 1899-12-30 is 25569 days before 1970-01-01
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp + (mp < 10 ? 3 : -9);
    const int64_t y = yoe + era * 400 + (m <= 2);
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(d),
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return buffer;
}

bool CWorkbook::Open(const std::string& path, std::string& error) {
    path_ = path;
    char magic[4] = {};
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            error = "The workbook " + path + " cannot be opened";
            return false;
        }
        in.read(magic, 4);
    }
    if (std::memcmp(magic, "PK\x03\x04", 4) == 0) {
        xlsx_ = true;
        return OpenXlsx(error);
    }
    if (std::memcmp(magic, "\xD0\xCF\x11\xE0", 4) == 0) {
        return OpenXls(error);
    }
    error = path + " is not an Excel workbook";
    return false;
}

std::string CWorkbook::CheckPart(const std::string& name, uint64_t maxSize) const {
    zip_stat_t info;
    if (zip_stat(Zip(zip_), name.c_str(), 0, &info) != 0 || !(info.valid & ZIP_STAT_SIZE)) {
        return {};
    }
    if (info.size > maxSize) {
        return "The workbook part " + name + " is too large (" + std::to_string(info.size) +
               " bytes)";
    }
    if ((info.valid & ZIP_STAT_COMP_SIZE) && info.size >= kRatioCheckFrom &&
        info.size / std::max<uint64_t>(info.comp_size, 1) >= kMaxRatio) {
        return "The workbook part " + name + " expands " +
               std::to_string(info.size / std::max<uint64_t>(info.comp_size, 1)) +
               " times from its compressed size; it is refused as a zip bomb";
    }
    return {};
}

bool CWorkbook::ReadPart(const std::string& name, std::string& bytes, std::string* refusal) const {
    bytes.clear();
    const std::string problem = CheckPart(name, kMaxWholePart);
    if (!problem.empty()) {
        if (refusal) {
            *refusal = problem;
        }
        return false;
    }
    zip_stat_t info;
    if (zip_stat(Zip(zip_), name.c_str(), 0, &info) != 0 || !(info.valid & ZIP_STAT_SIZE)) {
        return false;
    }
    zip_file_t* file = zip_fopen(Zip(zip_), name.c_str(), 0);
    if (!file) {
        return false;
    }
    bytes.resize(info.size);
    const zip_int64_t got = zip_fread(file, bytes.data(), info.size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(info.size);
}

bool CWorkbook::LoadSharedStrings(const std::string& bytes, std::string& error) {
    // Streamed: a table of millions of tiny strings would take many times
    // its size as a tree.
    xmlTextReaderPtr reader = xmlReaderForMemory(bytes.data(), static_cast<int>(bytes.size()),
                                                 "sharedStrings.xml", nullptr, XML_PARSE_NONET);
    if (!reader) {
        return true;
    }
    std::string text;
    int depthOfItem = -1;
    bool inText = false;
    bool inPhonetic = false;
    int status;
    while ((status = xmlTextReaderRead(reader)) == 1) {
        const int node = xmlTextReaderNodeType(reader);
        const std::string name = XmlText(xmlTextReaderConstLocalName(reader));
        if (node == XML_READER_TYPE_ELEMENT) {
            if (name == "si") {
                text.clear();
                depthOfItem = xmlTextReaderDepth(reader);
                if (xmlTextReaderIsEmptyElement(reader)) {
                    sharedStrings_.emplace_back();
                    depthOfItem = -1;
                }
            } else if (name == "rPh") {
                inPhonetic = !xmlTextReaderIsEmptyElement(reader);
            } else if (name == "t" && depthOfItem >= 0 && !inPhonetic) {
                inText = !xmlTextReaderIsEmptyElement(reader);
            }
        } else if (node == XML_READER_TYPE_TEXT || node == XML_READER_TYPE_SIGNIFICANT_WHITESPACE ||
                   node == XML_READER_TYPE_CDATA) {
            if (inText) {
                text += XmlText(xmlTextReaderConstValue(reader));
            }
        } else if (node == XML_READER_TYPE_END_ELEMENT) {
            if (name == "t") {
                inText = false;
            } else if (name == "rPh") {
                inPhonetic = false;
            } else if (name == "si" && depthOfItem >= 0) {
                sharedStrings_.push_back(std::move(text));
                text.clear();
                depthOfItem = -1;
            }
        }
        if (sharedStrings_.size() > kMaxSharedStrings) {
            xmlFreeTextReader(reader);
            error =
                path_ + " holds more than " + std::to_string(kMaxSharedStrings) + " shared strings";
            return false;
        }
    }
    xmlFreeTextReader(reader);
    return true;
}

bool CWorkbook::OpenXlsx(std::string& error) {
    int code = 0;
    zip_ = zip_open(path_.c_str(), ZIP_RDONLY, &code);
    if (!zip_) {
        error = path_ + " is not a readable .xlsx workbook";
        return false;
    }
    std::string bytes;
    CXMLDocument workbook;
    if (!ReadPart("xl/workbook.xml", bytes) || !workbook.LoadFromMemory(bytes, "workbook.xml")) {
        error = path_ + " has no readable workbook part";
        return false;
    }
    if (const XmlElement properties = workbook.FirstElementByTagName("workbookPr")) {
        const std::string date1904 = AttributeOf(properties, "date1904");
        system1904_ = date1904 == "1" || date1904 == "true";
    }
    CXMLDocument relations;
    if (ReadPart("xl/_rels/workbook.xml.rels", bytes)) {
        relations.LoadFromMemory(bytes, "workbook.xml.rels");
    }
    ListSheets(workbook, relations, names_, parts_);
    if (!ReadSharedStringsPart(error)) {
        return false;
    }
    ReadStylesPart();
    return true;
}

bool CWorkbook::ReadSharedStringsPart(std::string& error) {
    std::string bytes;
    std::string refusal;
    if (ReadPart("xl/sharedStrings.xml", bytes, &refusal)) {
        return LoadSharedStrings(bytes, error);
    }
    if (!refusal.empty()) {
        error = refusal;
        return false;
    }
    return true;
}

void CWorkbook::ReadStylesPart() {
    std::string bytes;
    if (!ReadPart("xl/styles.xml", bytes)) {
        return;
    }
    CXMLDocument styles;
    if (styles.LoadFromMemory(bytes, "styles.xml")) {
        AddDateStyles(styles, dateStyles_);
    }
}

bool CWorkbook::OpenXls(std::string& error) {
    if (freexl_open(path_.c_str(), &freexl_) != FREEXL_OK) {
        freexl_ = nullptr;
        error = path_ + " is not a readable .xls workbook";
        return false;
    }
    unsigned int count = 0;
    freexl_get_info(freexl_, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned int i = 0; i < count; ++i) {
        const char* name = nullptr;
        freexl_get_worksheet_name(freexl_, static_cast<unsigned short>(i), &name);
        names_.push_back(name ? name : "");
    }
    return true;
}

bool CWorkbook::LoadSheet(size_t index, WorkbookSheet& sheet, std::string& error) {
    sheet = WorkbookSheet();
    if (index >= names_.size()) {
        error = "No such worksheet";
        return false;
    }
    sheet.name = names_[index];
    return xlsx_ ? LoadXlsxSheet(index, sheet, error) : LoadXlsSheet(index, sheet, error);
}

bool CWorkbook::LoadXlsxSheet(size_t index, WorkbookSheet& sheet, std::string& error) {
    error = CheckPart(parts_[index], kMaxSheetPart);
    if (!error.empty()) {
        return false;
    }
    zip_file_t* file = zip_fopen(Zip(zip_), parts_[index].c_str(), 0);
    if (!file) {
        error = "The worksheet " + sheet.name + " cannot be read";
        return false;
    }
    // Streamed: a sheet's XML is never held whole. The reader closes the file.
    xmlTextReaderPtr reader =
        xmlReaderForIO(ReadZip, CloseZip, file, parts_[index].c_str(), nullptr, XML_PARSE_NONET);
    if (!reader) {
        zip_fclose(file);
        error = "The worksheet " + sheet.name + " cannot be read";
        return false;
    }
    SheetReader reading(sheet, sharedStrings_, dateStyles_, system1904_);
    const int status = reading.Run(reader);
    xmlFreeTextReader(reader);
    if (reading.TooLarge()) {
        sheet.rows.clear();
        sheet.rows.shrink_to_fit();
        error = "The worksheet " + sheet.name + " is too large: it spans more than " +
                std::to_string(kMaxCellSlots) + " cells";
        return false;
    }
    if (status != 0) {
        error = "The worksheet " + sheet.name + " is damaged";
        return false;
    }
    return true;
}

bool CWorkbook::LoadXlsSheet(size_t index, WorkbookSheet& sheet, std::string& error) {
    if (freexl_select_active_worksheet(freexl_, static_cast<unsigned short>(index)) != FREEXL_OK) {
        error = "The worksheet " + sheet.name + " cannot be read";
        return false;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(freexl_, &rows, &columns) != FREEXL_OK) {
        error = "The worksheet " + sheet.name + " cannot be read";
        return false;
    }
    if (static_cast<size_t>(rows) * std::max<size_t>(columns, 1) > kMaxCellSlots) {
        error = "The worksheet " + sheet.name + " is too large: it spans more than " +
                std::to_string(kMaxCellSlots) + " cells";
        return false;
    }
    sheet.rows.resize(rows);
    for (unsigned int r = 0; r < rows; ++r) {
        std::vector<WorkbookSheet::Cell>& row = sheet.rows[r];
        row.resize(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(freexl_, r, c, &value) != FREEXL_OK) {
                continue;
            }
            WorkbookSheet::Cell& cell = row[c];
            switch (value.type) {
                case FREEXL_CELL_INT:
                    cell.type = WorkbookSheet::Cell::kNumber;
                    cell.text = std::to_string(value.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    cell.type = WorkbookSheet::Cell::kNumber;
                    cell.text = NumberText(value.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                    cell.type = WorkbookSheet::Cell::kText;
                    cell.text = value.value.text_value ? value.value.text_value : "";
                    break;
                case FREEXL_CELL_DATE:
                    cell.type = WorkbookSheet::Cell::kDate;
                    cell.text = std::string(value.value.text_value) + " 00:00:00";
                    break;
                case FREEXL_CELL_DATETIME:
                    cell.type = WorkbookSheet::Cell::kDate;
                    cell.text = value.value.text_value;
                    break;
                case FREEXL_CELL_TIME:
                    cell.type = WorkbookSheet::Cell::kDate;
                    cell.text = std::string("1899-12-30 ") + value.value.text_value;
                    break;
                default:
                    break;
            }
        }
    }
    return true;
}

}  // namespace Norvik
