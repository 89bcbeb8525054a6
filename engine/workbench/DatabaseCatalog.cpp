#include "DatabaseCatalog.h"

#include <memory>

#include "db/CODBCManager.h"
#include "db/ConnectionFactory.h"
#include "model/DVFile.h"
#include "run/ResultMessages.h"
#include "sources/DVDataSource.h"

namespace DatabaseCatalog {

std::vector<std::string> Drivers() {
    return Norvik::CODBCManager::Drivers();
}

std::map<std::string, std::string> DriverAttributes(const std::string& driver) {
    return Norvik::CODBCManager::DriverAttributes(driver);
}

bool DriverNeedsFile(const std::string& driver) {
    if (driver.empty()) {
        return false;
    }
    const auto attributes = DriverAttributes(driver);
    const auto usage = attributes.find("FileUsage");
    const auto extensions = attributes.find("FileExtns");
    return (usage != attributes.end() && (usage->second == "1" || usage->second == "2")) ||
           (extensions != attributes.end() && !extensions->second.empty());
}

std::vector<std::string> DataSourceNames(const std::string& driver) {
    return Norvik::CODBCManager::GetDataSourceNames(driver);
}

std::string InstalledDriverFor(int32_t sourceType) {
    switch (sourceType) {
        case DVFileSettings::kExcel:
            return Norvik::CODBCManager::ExcelDriver();
        case DVFileSettings::kAccess:
            return Norvik::CODBCManager::AccessDriver();
        default:
            return {};
    }
}

std::string ConnectionString(const DVFile& definition) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    return source ? source->GetConnectionString(definition) : std::string();
}

std::string TestConnection(const DVFile& definition) {
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    if (!source) {
        return "No database driver has been selected";
    }
    const int32_t code = source->ValidateSource(definition);
    if (code != 0) {
        return ResultMessage(code, definition, {});
    }
    const std::string connectionString = source->GetConnectionString(definition);
    std::unique_ptr<Norvik::IConnection> connection = Norvik::CreateConnection(connectionString);
    if (!connection || !connection->Connect(connectionString)) {
        return connection && !connection->GetErrorText().empty()
                   ? connection->GetErrorText()
                   : "Failed to connect to the data source";
    }
    connection->Disconnect();
    return {};
}

std::vector<std::string> ListTables(const DVFile& definition, std::string& error) {
    std::vector<std::string> tables;
    error.clear();
    std::unique_ptr<DVDataSource> source = CreateDataSource(definition.Settings().sourcetype);
    if (!source || !DVFileSettings::IsDatabase(definition.Settings().sourcetype) ||
        source->ValidateSource(definition) != 0) {
        return tables;
    }
    const std::string connectionString = source->GetConnectionString(definition);
    std::unique_ptr<Norvik::IConnection> connection = Norvik::CreateConnection(connectionString);
    if (!connection || !connection->Connect(connectionString)) {
        error = connection ? connection->GetErrorText() : std::string();
        return tables;
    }
    const int32_t count = connection->GetTableCount();
    for (int32_t i = 0; i < count; ++i) {
        tables.push_back(connection->GetTableName(i));
    }
    if (connection->HasError()) {
        error = connection->GetErrorText();
    }
    connection->Disconnect();
    return tables;
}

}  // namespace DatabaseCatalog
