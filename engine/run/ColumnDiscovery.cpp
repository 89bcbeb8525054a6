#include "ColumnDiscovery.h"

#include <memory>

#include "model/DVFile.h"
#include "sources/DVDataSource.h"

namespace ColumnDiscovery {

Status ReadColumns(DVFile& definition, int32_t rowLimit) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    if (!source) {
        return kInvalidArgument;
    }
    int32_t code = source->Validate(definition);
    if (code == kSuccess || code == kNoColumns) {
        code = source->Open(definition, rowLimit);
    }
    return Status::FromCode(code, source->ErrorText());
}

}  // namespace ColumnDiscovery
