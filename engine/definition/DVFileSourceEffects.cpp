#include "DVFile.h"
#include "ResultCode.h"
#include "dataaccess/CODBCManager.h"
#include "sources/DVDataSource.h"

// The setters' effects that need a data source: opening one with a small row
// limit makes the column list mirror the source.

namespace {
constexpr int32_t kDiscoveryRowLimit = 100;
}

bool DVFile::ReadColumnsFromSource() {
    std::unique_ptr<DVDataSource> source = CreateDataSource(settings_.sourcetype, 0, 0);
    if (!source) {
        return false;
    }
    const int32_t code = source->Validate(*this);
    // A fixed-width source without columns is opened to detect them.
    if (code != kSuccess && code != kNoColumns) {
        return false;
    }
    return source->Open(*this, kDiscoveryRowLimit) == kSuccess;
}

std::string DVFile::InstalledDriverFor(int32_t sourceType) const {
    switch (sourceType) {
        case DVFileSettings::kExcel:
            return Norvik::CODBCManager::ExcelDriver();
        case DVFileSettings::kAccess:
            return Norvik::CODBCManager::AccessDriver();
        default:
            return {};
    }
}
