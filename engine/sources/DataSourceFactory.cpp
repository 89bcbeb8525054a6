#include "DVDataSource.h"
#include "DelimitedTextFileDataSource.h"
#include "FixedWidthTextFileDataSource.h"
#include "ODBCDataSource.h"
#include "model/DVFileSettings.h"

std::unique_ptr<DVDataSource> CreateDataSource(int32_t sourceType) {
    switch (sourceType) {
        case DVFileSettings::kDelimitedText:
            return std::make_unique<DelimitedTextFileDataSource>();
        case DVFileSettings::kFixedWidthText:
            return std::make_unique<FixedWidthTextFileDataSource>();
        case DVFileSettings::kOdbc:
            return std::make_unique<ODBCDataSource>();
        case DVFileSettings::kExcel:
            return std::make_unique<ExcelDataSource>();
        case DVFileSettings::kAccess:
            return std::make_unique<AccessDataSource>();
        default:
            return nullptr;
    }
}
