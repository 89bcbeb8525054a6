#pragma once

#include "WorkbookWriter.h"

namespace testsupport {

// The workbook the Excel tests read (also saved as tests/data/orders.xls).
inline std::vector<WorkbookWriter::Sheet> OrdersSheets() {
    return {
        {"Orders",
         {{"Country", "City", "Qty", "Ordered", "Note", "Paid"},
          {"Spain", "Madrid", "#n:3.5", "#d:45292", "first", "#b:1"},
          {"France", "Paris", "#n:12", "#d:45323", "#i:inline <note>", "#b:0"},
          {"Spain", "Sevilla", "#n:1234.567", "", "", ""}}},
        {"Other Sheet", {{"A"}, {"x"}}},
    };
}

}  // namespace testsupport
