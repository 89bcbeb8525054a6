#include "ODBCDataSource.h"

#include <charconv>

#include <sys/stat.h>

#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "db/CODBCManager.h"
#include "db/ConnectionFactory.h"
#include "model/DVFile.h"
#include "model/RegionalSettings.h"

namespace {

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool Contains(const std::string& text, std::string_view part) {
    return Norvik::ToLower(text).find(Norvik::ToLower(part)) != std::string::npos;
}

}  // namespace

ODBCDataSource::~ODBCDataSource() {
    ODBCDataSource::Close();
}

std::string ODBCDataSource::EffectiveDriver(const DVFile& definition) const {
    return definition.Settings().odbcdriver;
}

std::string ExcelDataSource::EffectiveDriver(const DVFile& definition) const {
    const std::string& driver = definition.Settings().odbcdriver;
    if (!driver.empty() && !Norvik::CODBCManager::IsDriverInstalled(driver) &&
        Contains(driver, "Excel")) {
        return Norvik::CODBCManager::kWorkbookDriver;
    }
    return driver;
}

std::string AccessDataSource::EffectiveDriver(const DVFile& definition) const {
    const std::string& driver = definition.Settings().odbcdriver;
    if (!driver.empty() && !Norvik::CODBCManager::IsDriverInstalled(driver) &&
        Contains(driver, "Access")) {
        const std::string installed = Norvik::CODBCManager::AccessDriver();
        return installed.empty() ? driver : installed;
    }
    return driver;
}

int32_t ODBCDataSource::ValidateSource(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    if (s.odbcdriver.empty()) {
        return kNoOdbcDriver;
    }
    if ((s.dsntype == 0 && s.usersysdsn.empty()) || (s.dsntype == 1 && s.filedsn.empty())) {
        return kNoDsn;
    }
    if (!s.sourcefilename.empty() && !FileExists(s.sourcefilename)) {
        return kSourceFileOpen;
    }
    return kSuccess;
}

int32_t ODBCFileDataSource::ValidateSource(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    if (s.odbcdriver.empty()) {
        return kNoOdbcDriver;
    }
    if (s.sourcefilename.empty()) {
        return kNoSourceFile;
    }
    return FileExists(s.sourcefilename) ? kSuccess : kSourceFileOpen;
}

int32_t ODBCDataSource::Validate(const DVFile& definition) {
    const int32_t code = ValidateSource(definition);
    if (code != kSuccess) {
        return code;
    }
    const DVFileSettings& s = definition.Settings();
    if (s.sqltype == 1 && s.sqlquery.empty()) {
        return kNoSqlQuery;
    }
    if (s.sqltype == 0 && s.sqltablename.empty()) {
        return kNoSqlTable;
    }
    return kSuccess;
}

std::string ODBCDataSource::GetConnectionString(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    // The DSN kind decides which of the names counts.
    const std::string dsn = s.dsntype == 0 ? s.usersysdsn : std::string();
    const std::string fileDsn = s.dsntype == 1 ? s.filedsn : std::string();
    return Norvik::CODBCManager::BuildConnectionString(dsn, fileDsn, EffectiveDriver(definition),
                                                       s.sourcefilename, s.username, s.password,
                                                       s.additionalConnectionParameters);
}

int32_t ODBCDataSource::Open(DVFile& definition, int32_t rowLimit) {
    Close();
    ClearError();
    const int32_t code = Validate(definition);
    if (code != kSuccess) {
        return code;
    }
    rowLimit_ = rowLimit;
    const DVFileSettings& s = definition.Settings();
    sqlType_ = s.sqltype;
    const std::string connectionString = GetConnectionString(definition);
    connection_ = Norvik::CreateConnection(connectionString);
    if (!connection_->Connect(connectionString)) {
        // The driver's diagnostics (password masked) say why: keep them.
        SetError(connection_->GetErrorText());
        Close();
        return kOdbcConnect;
    }
    LoadSettings(definition);

    int32_t mode = Norvik::IConnection::kTable;
    const std::string text = QueryText(definition, rowLimit, mode);
    result_ = connection_->CreateResultSet(mode, text, rowLimit);
    if (!result_ || result_->HasError()) {
        SetError(result_ ? result_->GetErrorText() : connection_->GetErrorText());
        Close();
        return s.sqltype == 1 ? kOdbcSqlQuery : kOdbcTableQuery;
    }
    ChooseDecimalSeparator();
    SyncColumns(definition);
    // The columns may have changed: read with the definition's list as it is now.
    LoadSettings(definition);
    ClearSort();
    return kSuccess;
}

std::string ODBCDataSource::QueryText(const DVFile& definition, int32_t rowLimit, int32_t& mode) {
    const DVFileSettings& s = definition.Settings();
    mode = Norvik::IConnection::kTable;
    std::string text = s.sqltablename;
    if (s.sqltype == 1) {
        mode = Norvik::IConnection::kStatement;
        text = s.sqlquery;
    } else if (HasFilters() || HasSort() || windowLimit_ >= 0) {
        mode = Norvik::IConnection::kStatement;
        text = "SELECT * FROM \"" + s.sqltablename + "\"";
        if (HasSort() && (rowLimit == 0 || rowLimit > 1)) {
            const std::string orderBy = BuildOrderByClause(definition);
            if (!orderBy.empty()) {
                text += "\r\n" + orderBy;
            }
            ClearSort();
        }
    }
    if (windowLimit_ >= 0) {
        // The query as it stands, ORDER BY included, becomes a subquery: no
        // need to understand it to take rows from the middle.
        text = "SELECT * FROM (" + text + ") AS dv_window LIMIT " + std::to_string(windowLimit_) +
               " OFFSET " + std::to_string(windowOffset_);
    }
    return text;
}

int32_t ODBCDataSource::CountRows(DVFile& definition, int64_t& count) {
    count = 0;
    const int32_t code = Open(definition, 0);
    if (code != kSuccess) {
        return code;
    }
    // The rows the query gives, before skip rules and filters: what a window
    // counts in.
    int32_t mode = Norvik::IConnection::kTable;
    const std::string text = QueryText(definition, 0, mode);
    const std::string query = mode == Norvik::IConnection::kTable
                                  ? "SELECT COUNT(*) FROM \"" + text + "\""
                                  : "SELECT COUNT(*) FROM (" + text + ") AS dv_rows";
    result_ = connection_->CreateResultSet(Norvik::IConnection::kStatement, query, 0);
    const int32_t failed = sqlType_ == 1 ? kOdbcSqlQuery : kOdbcTableQuery;
    if (!result_ || result_->HasError() || !result_->Fetch()) {
        SetError(result_ && result_->HasError() ? result_->GetErrorText()
                                                : connection_->GetErrorText());
        Close();
        return failed;
    }
    const std::string_view value = result_->GetValue(0);
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    Close();
    if (error != std::errc() || end != value.data() + value.size() || count < 0) {
        SetError("The database counted " + std::string(value) + " rows");
        return failed;
    }
    return kSuccess;
}

void ODBCDataSource::Close() {
    if (result_) {
        result_->Close();
        result_.reset();
    }
    if (connection_) {
        connection_->Disconnect();
        connection_.reset();
    }
}

int32_t ODBCDataSource::GetSourceColumnCount() {
    return result_ ? result_->GetColumnCount() : 0;
}

std::string ODBCDataSource::GetSourceColumnName(int32_t index) {
    return result_ ? result_->GetColumnName(index) : std::string();
}

int32_t ODBCDataSource::GetSourceColumnKind(int32_t index) {
    if (!result_) {
        return DataTypeProperties::kText;
    }
    int32_t kind = Norvik::IResultSet::kNone;
    result_->GetColumnInfo(index, kind);
    switch (kind) {
        case Norvik::IResultSet::kText:
            return DataTypeProperties::kText;
        case Norvik::IResultSet::kInteger:
        case Norvik::IResultSet::kDouble:
            return DataTypeProperties::kNumber;
        default:
            return DataTypeProperties::kDateTime;
    }
}

int32_t ODBCDataSource::GetSourceColumnPrecision(int32_t) {
    return -1;
}

void ODBCDataSource::ChooseDecimalSeparator() {
    decimalSeparator_ = RegionalSettings::Current().Numbers().decimalSeparator;
    floating_.clear();
    localized_.clear();
    if (decimalSeparator_ == "." || decimalSeparator_.empty()) {
        decimalSeparator_.clear();
        return;
    }
    const int32_t count = result_->GetColumnCount();
    floating_.resize(static_cast<size_t>(count));
    localized_.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        int32_t kind = Norvik::IResultSet::kNone;
        result_->GetColumnInfo(i, kind);
        floating_[static_cast<size_t>(i)] = kind == Norvik::IResultSet::kDouble;
    }
}

std::string_view ODBCDataSource::GetRawValue(int32_t index) {
    return result_ ? result_->GetValue(index) : std::string_view();
}

std::string_view ODBCDataSource::NumberText(int32_t index, std::string_view raw) {
    if (decimalSeparator_.empty() || index < 0 || static_cast<size_t>(index) >= floating_.size() ||
        !floating_[static_cast<size_t>(index)]) {
        return raw;
    }
    const size_t point = raw.find('.');
    if (point == std::string_view::npos) {
        return raw;
    }
    std::string& text = localized_[static_cast<size_t>(index)];
    text.assign(raw.substr(0, point));
    text += decimalSeparator_;
    text.append(raw.substr(point + 1));
    return text;
}

bool ODBCDataSource::NextRow() {
    if (!result_) {
        return false;
    }
    ClearError();
    while (result_->Fetch()) {
        if (!CountRecordRead()) {
            return false;
        }
        BeginRecord();
        if (AcceptRow()) {
            return true;
        }
        if (IsAfterLastRow()) {
            return false;
        }
    }
    if (result_->HasError()) {
        SetError(result_->GetErrorText());
    }
    return false;
}

int32_t ODBCDataSource::ReadFailureCode() const {
    return sqlType_ == 1 ? kOdbcSqlQuery : kOdbcTableQuery;
}

bool ODBCDataSource::GetTableNames(std::vector<std::string>& list) {
    list.clear();
    if (!connection_) {
        return false;
    }
    const int32_t count = connection_->GetTableCount();
    for (int32_t i = 0; i < count; ++i) {
        list.push_back(connection_->GetTableName(i));
    }
    return true;
}
