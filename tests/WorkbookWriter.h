#pragma once

#include <zip.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Writes a small .xlsx workbook: sheets of cells given as text, where a cell
// "#n:3.5" is a number, "#d:45292" a date (day number, shown dd/mm/yyyy),
// "#b:1" a boolean, "#i:text" an inline string, "" nothing, anything else a
// shared string. Document properties go into docProps/core.xml.
class WorkbookWriter {
public:
    using Sheet = std::pair<std::string, std::vector<std::vector<std::string>>>;

    // Parts given in `replaced` are written with that content instead.
    static bool Write(const std::string& path, const std::vector<Sheet>& sheets,
                      const std::string& title = "Quarterly orders",
                      const std::string& author = "Ann Example",
                      const std::vector<std::pair<std::string, std::string>>& replaced = {}) {
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!archive) {
            return false;
        }
        std::vector<std::string> shared;
        auto sharedIndex = [&](const std::string& text) {
            for (size_t i = 0; i < shared.size(); ++i) {
                if (shared[i] == text) {
                    return i;
                }
            }
            shared.push_back(text);
            return shared.size() - 1;
        };
        std::string workbook =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<workbook "
            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
            "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
            "<sheets>";
        std::string relations =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
        std::string types =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Types "
            "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Default Extension=\"rels\" "
            "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
            "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
            "<Override PartName=\"/xl/workbook.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet."
            "main+xml\"/>"
            "<Override PartName=\"/xl/styles.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+"
            "xml\"/>"
            "<Override PartName=\"/xl/sharedStrings.xml\" "
            "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
            "sharedStrings+xml\"/>"
            "<Override PartName=\"/docProps/core.xml\" "
            "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>";
        std::vector<std::pair<std::string, std::string>> parts;
        for (size_t s = 0; s < sheets.size(); ++s) {
            const std::string id = std::to_string(s + 1);
            workbook += "<sheet name=\"" + Escape(sheets[s].first) + "\" sheetId=\"" + id +
                        "\" r:id=\"rId" + id + "\"/>";
            relations += "<Relationship Id=\"rId" + id +
                         "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                         "relationships/worksheet\" Target=\"worksheets/sheet" +
                         id + ".xml\"/>";
            types += "<Override PartName=\"/xl/worksheets/sheet" + id +
                     ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
                     "spreadsheetml.worksheet+xml\"/>";
            std::string xml =
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<worksheet "
                "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
            const auto& rows = sheets[s].second;
            for (size_t r = 0; r < rows.size(); ++r) {
                xml += "<row r=\"" + std::to_string(r + 1) + "\">";
                for (size_t c = 0; c < rows[r].size(); ++c) {
                    const std::string& cell = rows[r][c];
                    if (cell.empty()) {
                        continue;
                    }
                    const std::string ref =
                        std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1);
                    if (cell.rfind("#n:", 0) == 0) {
                        xml += "<c r=\"" + ref + "\"><v>" + cell.substr(3) + "</v></c>";
                    } else if (cell.rfind("#d:", 0) == 0) {
                        xml += "<c r=\"" + ref + "\" s=\"1\"><v>" + cell.substr(3) + "</v></c>";
                    } else if (cell.rfind("#b:", 0) == 0) {
                        xml += "<c r=\"" + ref + "\" t=\"b\"><v>" + cell.substr(3) + "</v></c>";
                    } else if (cell.rfind("#i:", 0) == 0) {
                        xml += "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t>" +
                               Escape(cell.substr(3)) + "</t></is></c>";
                    } else {
                        xml += "<c r=\"" + ref + "\" t=\"s\"><v>" +
                               std::to_string(sharedIndex(cell)) + "</v></c>";
                    }
                }
                xml += "</row>";
            }
            xml += "</sheetData></worksheet>";
            parts.emplace_back("xl/worksheets/sheet" + id + ".xml", xml);
        }
        const std::string styleId = std::to_string(sheets.size() + 1);
        const std::string stringsId = std::to_string(sheets.size() + 2);
        relations += "<Relationship Id=\"rId" + styleId +
                     "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships/styles\" Target=\"styles.xml\"/>"
                     "<Relationship Id=\"rId" +
                     stringsId +
                     "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                     "</Relationships>";
        workbook += "</sheets></workbook>";
        types += "</Types>";
        std::string strings =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sst "
            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";
        for (const std::string& text : shared) {
            strings += "<si><t>" + Escape(text) + "</t></si>";
        }
        strings += "</sst>";
        parts.emplace_back("[Content_Types].xml", types);
        parts.emplace_back("_rels/.rels",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
                           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                           "officeDocument/2006/relationships/officeDocument\" "
                           "Target=\"xl/workbook.xml\"/><Relationship Id=\"rId2\" "
                           "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/"
                           "metadata/core-properties\" Target=\"docProps/core.xml\"/>"
                           "</Relationships>");
        parts.emplace_back("xl/workbook.xml", workbook);
        parts.emplace_back("xl/_rels/workbook.xml.rels", relations);
        parts.emplace_back("xl/sharedStrings.xml", strings);
        parts.emplace_back(
            "xl/styles.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<styleSheet "
            "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"dd/mm/yyyy\"/></numFmts>"
            "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
            "<fills count=\"1\"><fill><patternFill patternType=\"none\"/></fill></fills>"
            "<borders count=\"1\"><border/></borders>"
            "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\"/></cellStyleXfs>"
            "<cellXfs count=\"2\"><xf numFmtId=\"0\" xfId=\"0\"/>"
            "<xf numFmtId=\"164\" xfId=\"0\" applyNumberFormat=\"1\"/></cellXfs>"
            "</styleSheet>");
        parts.emplace_back(
            "docProps/core.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cp:coreProperties "
            "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/"
            "core-properties\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
            "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
            "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:title>" +
                Escape(title) + "</dc:title><dc:subject>Sales</dc:subject><dc:creator>" +
                Escape(author) +
                "</dc:creator><cp:keywords>orders, test</cp:keywords><dc:description>For the "
                "tests</dc:description><cp:lastModifiedBy>Bob Editor</cp:lastModifiedBy>"
                "<dcterms:created "
                "xsi:type=\"dcterms:W3CDTF\">2024-05-06T07:08:09Z</dcterms:created>"
                "<dcterms:modified "
                "xsi:type=\"dcterms:W3CDTF\">2024-05-07T08:09:10Z</dcterms:modified>"
                "</cp:coreProperties>");
        for (const auto& [name, content] : replaced) {
            for (auto& part : parts) {
                if (part.first == name) {
                    part.second = content;
                }
            }
        }
        for (const auto& [name, content] : parts) {
            zip_source_t* source = zip_source_buffer(archive, Keep(content), content.size(), 0);
            if (!source || zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
                zip_source_free(source);
                zip_discard(archive);
                return false;
            }
        }
        const bool ok = zip_close(archive) == 0;
        Kept().clear();
        return ok;
    }

private:
    static std::string Escape(const std::string& text) {
        std::string out;
        for (char c : text) {
            switch (c) {
                case '<':
                    out += "&lt;";
                    break;
                case '&':
                    out += "&amp;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                default:
                    out += c;
            }
        }
        return out;
    }
    // libzip reads the buffers when the archive closes: keep them until then.
    static std::deque<std::string>& Kept() {
        static std::deque<std::string> kept;
        return kept;
    }
    static const char* Keep(const std::string& text) {
        Kept().push_back(text);
        return Kept().back().data();
    }
};

}  // namespace testsupport
