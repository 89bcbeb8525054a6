#include "ResultMessages.h"

#include "base/ResultCode.h"
#include "model/DVFile.h"

namespace {

enum class Appended {
    kNothing,
    kDefinitionPath,
    kSource,
    kTarget,
    kInclude,
    kQuery,
    kTable,
    kSchema,
    kLocale
};

struct Message {
    int32_t code;
    const char* text;
    Appended appended;
};

// A constant table: nothing to build, so two runs starting at once share it safely.
constexpr Message kMessages[] = {
    {kSuccess, "Success", Appended::kNothing},
    {kCancelled, "The operation has been cancelled", Appended::kNothing},
    {kInvalidDVFile, "The DV File is invalid: ", Appended::kDefinitionPath},
    {kNoSourceFile, "No Source File has been selected", Appended::kNothing},
    {kSourceFileOpen, "Failed to open the source file: ", Appended::kSource},
    {kTargetFileCreate, "Failed to create the target file: ", Appended::kTarget},
    {kTargetFileWrite, "Failed to write to the target file: ", Appended::kTarget},
    {kNoColumns, "No source columns have been defined", Appended::kNothing},
    {kNoTargetFile, "No Output File has been selected", Appended::kNothing},
    {kIncludeFileOpen, "Failed to open include file: ", Appended::kInclude},
    {kNoDelimiter, "No column delimiter has been selected", Appended::kNothing},
    {kNoOdbcDriver, "No database driver has been selected", Appended::kNothing},
    {kNoDsn, "No Data Source Name (DSN) has been selected", Appended::kNothing},
    {kNoSqlQuery, "No SQL query has been provided", Appended::kNothing},
    {kNoSqlTable, "No database table has been selected", Appended::kNothing},
    {kOdbcConnect, "Failed to connect to the data source", Appended::kNothing},
    {kOdbcSqlQuery, "Failed to execute the SQL query:\r\n", Appended::kQuery},
    {kOdbcTableQuery, "Failed to retrieve table: ", Appended::kTable},
    {kInvalidArgument, "Invalid Argument", Appended::kNothing},
    {kXmlServicesMissing,
     "Could not create an MSXML object\r\nMSXML 4 (Microsoft XML Core Services) is not "
     "configured correctly on this machine.",
     Appended::kNothing},
    {kOutputInvalid, "The output is not valid against the schema", Appended::kNothing},
    {kSchemaLoad, "Failed to load the XML Schema: ", Appended::kSchema},
    {kSourceRecord, "The source file holds a record that cannot be read: ", Appended::kSource},
    {kRegionalSetting,
     "The regional setting is not installed on this machine: ", Appended::kLocale},
    {kNamespacePrefix, "A node's name uses a namespace prefix that is not declared",
     Appended::kNothing},
    {kSchemaGenerate, "No XML Schema can describe what the definition writes", Appended::kNothing},
    {kParts, "The run cannot be split into parts or joined from them", Appended::kNothing},
};

}  // namespace

std::string ResultMessage(int32_t code, const DVFile& definition,
                          const std::string& definitionPath) {
    for (const Message& message : kMessages) {
        if (message.code != code) {
            continue;
        }
        const DVFileSettings& s = definition.Settings();
        std::string text = message.text;
        switch (message.appended) {
            case Appended::kDefinitionPath:
                text += definitionPath;
                break;
            case Appended::kSource:
                text += s.sourcefilename;
                break;
            case Appended::kTarget:
                text += s.targetfilename;
                break;
            case Appended::kInclude:
                text += s.includefile;
                break;
            case Appended::kQuery:
                text += s.sqlquery;
                break;
            case Appended::kTable:
                text += s.sqltablename;
                break;
            case Appended::kSchema:
                text += s.validateschema;
                break;
            case Appended::kLocale:
                text += s.locale;
                break;
            case Appended::kNothing:
                break;
        }
        return text;
    }
    return {};
}

std::string StatusMessage(const Status& status, const DVFile& definition,
                          const std::string& definitionPath) {
    std::string message = ResultMessage(status.Code(), definition, definitionPath);
    if (!status.Detail().empty()) {
        message += message.empty() ? status.Detail() : ": " + status.Detail();
    }
    return message;
}
