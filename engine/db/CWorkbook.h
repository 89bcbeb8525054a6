#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Norvik {

// One worksheet as rows of cells. The first row holds the column names.
struct WorkbookSheet {
    struct Cell {
        enum Type : uint8_t { kEmpty, kNumber, kDate, kText, kBoolean };
        Type type = kEmpty;
        std::string text;  // numbers in plain decimal, dates "YYYY-MM-DD hh:mm:ss"
    };
    std::string name;
    std::vector<std::vector<Cell>> rows;
};

// Reads .xlsx workbooks (zip of XML parts, read as a stream) and .xls
// workbooks (BIFF, through freexl), chosen by the file's first bytes.
class CWorkbook {
public:
    CWorkbook();
    ~CWorkbook();
    CWorkbook(const CWorkbook&) = delete;
    CWorkbook& operator=(const CWorkbook&) = delete;

    // False with a reason when the file is not a readable workbook.
    bool Open(const std::string& path, std::string& error);
    const std::vector<std::string>& SheetNames() const noexcept { return names_; }
    bool LoadSheet(size_t index, WorkbookSheet& sheet, std::string& error);

    // Excel's day number as "YYYY-MM-DD hh:mm:ss" (1900 or 1904 system).
    static std::string SerialToText(double serial, bool system1904);
    // A number as plain decimal text, as short as reads back the same.
    static std::string NumberText(double value);

private:
    bool OpenXlsx(std::string& error);
    bool OpenXls(std::string& error);
    bool LoadXlsxSheet(size_t index, WorkbookSheet& sheet, std::string& error);
    bool LoadXlsSheet(size_t index, WorkbookSheet& sheet, std::string& error);
    // A part of the .xlsx package, whole; false when it is missing or (with
    // refusal set) too large or compressed suspiciously well.
    bool ReadPart(const std::string& name, std::string& bytes,
                  std::string* refusal = nullptr) const;
    // Empty when the part may be read, else why not.
    std::string CheckPart(const std::string& name, uint64_t maxSize) const;
    bool LoadSharedStrings(const std::string& bytes, std::string& error);
    // The shared strings part, when there is one.
    bool ReadSharedStringsPart(std::string& error);
    // Which cell styles show dates, from the styles part when there is one.
    void ReadStylesPart();

    std::string path_;
    bool xlsx_ = false;
    void* zip_ = nullptr;           // zip_t* of an .xlsx
    const void* freexl_ = nullptr;  // freexl handle of an .xls
    std::vector<std::string> names_;
    std::vector<std::string> parts_;  // sheet part of each .xlsx sheet
    std::vector<std::string> sharedStrings_;
    std::vector<bool> dateStyles_;  // by cell style index
    bool system1904_ = false;
};

}  // namespace Norvik
