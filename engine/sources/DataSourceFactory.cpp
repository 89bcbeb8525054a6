#include "DVDataSource.h"
#include "DelimitedTextFileDataSource.h"
#include "FixedWidthTextFileDataSource.h"
#include "ODBCDataSource.h"
#include "model/DVFileSettings.h"

std::unique_ptr<DVDataSource> CreateDataSource(int32_t sourceType, int32_t value1, uint8_t value2) {
    switch (sourceType) {
        case DVFileSettings::kDelimitedText:
            return std::make_unique<DelimitedTextFileDataSource>(value1, value2);
        case DVFileSettings::kFixedWidthText:
            return std::make_unique<FixedWidthTextFileDataSource>(value1, value2);
        case DVFileSettings::kOdbc:
            return std::make_unique<ODBCDataSource>(value1, value2);
        case DVFileSettings::kExcel:
            return std::make_unique<ExcelDataSource>(value1, value2);
        case DVFileSettings::kAccess:
            return std::make_unique<AccessDataSource>(value1, value2);
        default:
            return nullptr;
    }
}
