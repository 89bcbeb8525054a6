#include "ColumnDiscovery.h"

#include <memory>

#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "sources/DVDataSource.h"

namespace ColumnDiscovery {

int32_t ReadColumns(DVFile& definition, int32_t rowLimit, std::string& detail) {
    detail.clear();
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    if (!source) {
        return kInvalidArgument;
    }
    int32_t code = source->Validate(definition);
    if (code == kSuccess || code == kNoColumns) {
        code = source->Open(definition, rowLimit);
    }
    detail = source->ErrorText();
    return code;
}

}  // namespace ColumnDiscovery
