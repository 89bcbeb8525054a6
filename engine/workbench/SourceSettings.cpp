#include "SourceSettings.h"

#include <memory>

#include "DatabaseCatalog.h"
#include "base/PlatformError.h"
#include "model/DVFile.h"
#include "model/RegionalSettings.h"
#include "run/ColumnDiscovery.h"
#include "sources/DVDataSource.h"

namespace SourceSettings {

namespace {

// Enough rows for a source to name its columns.
constexpr int32_t kDiscoveryRowLimit = 100;

bool ReadColumnsQuietly(DVFile& definition) {
    return ColumnDiscovery::ReadColumns(definition, kDiscoveryRowLimit).IsOk();
}

// A changed value re-reads the columns.
bool RereadIfChanged(DVFile& definition, bool changed) {
    if (changed) {
        ReadColumnsQuietly(definition);
    }
    return changed;
}

}  // namespace

bool SetSourceType(DVFile& definition, int32_t type) {
    if (!definition.SetSourceType(type)) {
        return false;
    }
    // The reset leaves a new definition, as the editor makes them.
    definition.SetQuotedLineBreaks(true);
    if (type == DVFileSettings::kExcel || type == DVFileSettings::kAccess) {
        definition.SetOdbcDriver(DatabaseCatalog::InstalledDriverFor(type));
    }
    return true;
}

bool SetSourceFileName(DVFile& definition, std::string_view name) {
    if (!definition.SetSourceFileName(name)) {
        return false;
    }
    if (!DVFileSettings::IsDatabase(definition.Settings().sourcetype)) {
        if (definition.Columns().empty()) {
            ReadColumnsQuietly(definition);
        }
    } else if (!ReadColumnsQuietly(definition)) {
        definition.SetSqlTableName("");
        definition.SetSqlQuery("");
    }
    return true;
}

bool SetSqlTableName(DVFile& definition, std::string_view name) {
    if (!definition.SetSqlTableName(name)) {
        return false;
    }
    if (!name.empty() && DVFileSettings::IsDatabase(definition.Settings().sourcetype)) {
        ReadColumnsQuietly(definition);
    }
    return true;
}

bool SetDelimiter(DVFile& definition, std::string_view delimiter) {
    return RereadIfChanged(definition, definition.SetDelimiter(delimiter));
}

bool SetFirstRowHasColNames(DVFile& definition, bool on) {
    return RereadIfChanged(definition, definition.SetFirstRowHasColNames(on));
}

bool SetTreatConsecutiveDelimsAsOne(DVFile& definition, bool on) {
    return RereadIfChanged(definition, definition.SetTreatConsecutiveDelimsAsOne(on));
}

bool SetQuotedLineBreaks(DVFile& definition, bool on) {
    return RereadIfChanged(definition, definition.SetQuotedLineBreaks(on));
}

Status ReadColumns(DVFile& definition) {
    Status status = CheckSource(definition);
    return status.IsOk() ? ColumnDiscovery::ReadColumns(definition, 1) : status;
}

Status TestSelection(DVFile& definition) {
    try {
        return ReadColumns(definition);
    } catch (const Norvik::PlatformError& error) {
        return {kOdbcConnect, error.Description()};
    }
}

Status CheckSource(const DVFile& definition) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    return source ? Status::FromCode(source->Validate(definition)) : kNoSourceFile;
}

Status CheckRun(const DVFile& definition) {
    if (!RegionalSettings::For(definition.Settings().locale)) {
        return kRegionalSetting;
    }
    return CheckSource(definition);
}

}  // namespace SourceSettings
