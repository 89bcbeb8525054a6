#include "DVDataSource.h"
#include "DelimitedTextFileDataSource.h"
#include "FixedWidthTextFileDataSource.h"
#include "ODBCDataSource.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
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

Status OpenDataSource(DVFile& definition, std::unique_ptr<DVDataSource>& source,
                      const std::function<void(DVDataSource&)>& prepare) {
    source = CreateDataSource(definition.Settings().sourcetype);
    if (!source) {
        return kInvalidArgument;
    }
    if (prepare) {
        prepare(*source);
    }
    int32_t code = source->Validate(definition);
    if (code == kSuccess) {
        code = source->Open(definition, 0);
    }
    if (code != kSuccess) {
        source->Close();
    }
    return Status::FromCode(code, source->ErrorText());
}
