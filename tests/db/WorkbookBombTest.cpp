#include <sys/resource.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WorkbookWriter.h"
#include "db/CWorkbook.h"

using testsupport::WorkbookWriter;

namespace {

const char* const kSheetStart =
    "<?xml version=\"1.0\"?><worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const char* const kSheetEnd = "</sheetData></worksheet>";

long PeakMegabytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Opens the workbook and loads its first sheet; the error, empty when all
// went well.
std::string Load(const std::string& path) {
    Norvik::CWorkbook workbook;
    std::string error;
    if (!workbook.Open(path, error)) {
        return error;
    }
    Norvik::WorkbookSheet sheet;
    workbook.LoadSheet(0, sheet, error);
    return error;
}

}  // namespace

// Crafted workbooks are refused with a reason instead of filling memory.
TEST(WorkbookBombTest, BombsAreRefusedWithAClearError) {
    std::string padded = kSheetStart;  // 32 MB of white space: compresses 1000:1
    padded += "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>x</t></is></c></row>";
    padded.append(size_t{32} << 20, ' ');
    padded += kSheetEnd;

    std::string farCells = kSheetStart;  // a cell in the last column of every row
    for (int r = 1; r <= 1000; ++r) {
        farCells += "<row r=\"" + std::to_string(r) + "\"><c r=\"XFD" + std::to_string(r) +
                    "\"><v>1</v></c></row>";
    }
    farCells += kSheetEnd;

    std::string strings =
        "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/"
        "spreadsheetml/2006/main\">";
    for (int i = 0; i < 3000000; ++i) {
        strings += "<si><t>s</t></si>";
    }
    strings += "</sst>";

    struct BombCase {
        const char* what;
        std::string part;
        std::string content;
        const char* says;
    };
    const BombCase cases[] = {
        {"a sheet expanding 1000:1", "xl/worksheets/sheet1.xml", padded, "zip bomb"},
        {"far cell references", "xl/worksheets/sheet1.xml", farCells, "too large"},
        {"a huge shared-strings table", "xl/sharedStrings.xml", strings, "shared strings"},
    };
    testsupport::TempDir dir;
    for (const BombCase& c : cases) {
        const std::string path = dir.File("bomb.xlsx");
        ASSERT_TRUE(WorkbookWriter::Write(path, {{"Sheet1", {{"A"}, {"1"}}}}, "t", "a",
                                          {{c.part, c.content}}));
        const long before = PeakMegabytes();
        const std::string error = Load(path);
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
        EXPECT_LT(PeakMegabytes() - before, 256) << c.what;
    }
    // One far cell alone is a plain (sparse) sheet.
    std::string oneFar = kSheetStart;
    oneFar += "<row r=\"1048576\"><c r=\"XFD1048576\"><v>7</v></c></row>";
    oneFar += kSheetEnd;
    const std::string path = dir.File("far.xlsx");
    ASSERT_TRUE(WorkbookWriter::Write(path, {{"Sheet1", {}}}, "t", "a",
                                      {{"xl/worksheets/sheet1.xml", oneFar}}));
    EXPECT_EQ(Load(path), "");
}
