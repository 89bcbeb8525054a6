#include "DVDataSource.h"
#include "DelimitedTextFileDataSource.h"
#include "FixedWidthTextFileDataSource.h"
#include "definition/DVFileSettings.h"

std::unique_ptr<DVDataSource> CreateDataSource(int32_t sourceType, int32_t value1, uint8_t value2) {
    switch (sourceType) {
        case DVFileSettings::kDelimitedText:
            return std::make_unique<DelimitedTextFileDataSource>(value1, value2);
        case DVFileSettings::kFixedWidthText:
            return std::make_unique<FixedWidthTextFileDataSource>(value1, value2);
        default:
            return nullptr;
    }
}
