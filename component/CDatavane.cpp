#include "CDatavane.h"

#include <cstddef>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "run/ColumnDiscovery.h"
#include "run/DVRun.h"
#include "run/PartitionedRun.h"
#include "run/ResultMessages.h"
#include "schema/SchemaGenerator.h"

namespace {

// The public table is the engine's, code for code.
constexpr int32_t kPublicCodes[][2] = {
    {DVObj_Success, kSuccess},
    {DVObj_Cancelled, kCancelled},
    {DVObj_Invalid_DVFile, kInvalidDVFile},
    {DVObj_No_SourceFile, kNoSourceFile},
    {DVObj_SourceFile_Open, kSourceFileOpen},
    {DVObj_TargetFile_Create, kTargetFileCreate},
    {DVObj_TargetFile_Write, kTargetFileWrite},
    {DVObj_No_Columns, kNoColumns},
    {DVObj_No_TargetFile, kNoTargetFile},
    {DVObj_IncludeFile_Open, kIncludeFileOpen},
    {DVObj_No_Delimiter, kNoDelimiter},
    {DVObj_No_ODBCDriver, kNoOdbcDriver},
    {DVObj_No_DSN, kNoDsn},
    {DVObj_No_SQLQuery, kNoSqlQuery},
    {DVObj_No_SQLTable, kNoSqlTable},
    {DVObj_ODBC_Connect, kOdbcConnect},
    {DVObj_ODBC_SQLQuery, kOdbcSqlQuery},
    {DVObj_ODBC_TableQuery, kOdbcTableQuery},
    {DVObj_Invalid_Argument, kInvalidArgument},
    {DVObj_XML_Services_Missing, kXmlServicesMissing},
    {DVObj_Output_Invalid, kOutputInvalid},
    {DVObj_Schema_Load, kSchemaLoad},
    {DVObj_Source_Record, kSourceRecord},
    {DVObj_Regional_Setting, kRegionalSetting},
    {DVObj_Namespace_Prefix, kNamespacePrefix},
    {DVObj_Schema_Generate, kSchemaGenerate},
    {DVObj_Parts, kParts},
};

constexpr bool PublicCodesMatch() {
    for (const auto& pair : kPublicCodes) {
        if (pair[0] != pair[1]) {
            return false;
        }
    }
    return true;
}
static_assert(PublicCodesMatch());

}  // namespace

namespace {

// The text of a failure that reached the component boundary.
std::string FailureText(const Norvik::PlatformError& error) {
    std::string system = Norvik::SystemMessage(error.Code());
    if (system.empty()) {
        char buffer[64];
        const auto code = static_cast<uint32_t>(error.Code());
        if (code >= 0x80040200u && code <= 0x8004FFFFu) {
            std::snprintf(buffer, sizeof buffer, "IDispatch error #%u", code - 0x80040200u);
        } else {
            std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0X", code);
        }
        system = buffer;
    }
    return system + " " + error.Description();
}

}  // namespace

std::atomic<int32_t>& ModuleLockCount() {
    static std::atomic<int32_t> count{0};
    return count;
}

CDatavane::CDatavane() {
    ++ModuleLockCount();
}

CDatavane::~CDatavane() {
    --ModuleLockCount();
}

uint32_t CDatavane::AddRef() noexcept {
    return references_.fetch_add(1) + 1;
}

uint32_t CDatavane::Release() noexcept {
    const uint32_t left = references_.fetch_sub(1) - 1;
    if (left == 0) {
        delete this;
    }
    return left;
}

namespace {

DVRun::ProgressCallback Callback(DvobjProgress progress, void* context) {
    if (!progress) {
        return {};
    }
    return [progress, context](int32_t rows) { return rows < 0 || progress(rows, context) != 0; };
}

}  // namespace

template <typename Body>
bool CDatavane::Outcome(const Body& body) noexcept {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        code_ = kSuccess;
        message_.clear();
    }
    int32_t code = kSuccess;
    std::string message;
    try {
        code = body(message);
    } catch (const Norvik::PlatformError& error) {
        code = kInvalidDVFile;
        message = FailureText(error);
    } catch (const std::bad_alloc&) {
        code = kInvalidDVFile;
        message = Norvik::SystemMessage(Norvik::kEOutOfMemory);
    } catch (const std::exception& error) {
        code = kInvalidDVFile;
        message = error.what();
    } catch (...) {
        code = kInvalidDVFile;
        message = Norvik::SystemMessage(Norvik::kEUnexpected);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    code_ = code;
    message_ = std::move(message);
    return code == kSuccess;
}

template <typename Step>
bool CDatavane::Execute(const char* dvFile, const char* sourceFile, const char* targetFile,
                        const DvobjOptions* options, const Step& step) noexcept {
    return Outcome([&](std::string& message) {
        DVRun run;
        run.SetDefinitionPath(dvFile ? dvFile : "");
        if (!run.LoadDefinition()) {
            message = run.GetResultText(kInvalidDVFile);
            return static_cast<int32_t>(kInvalidDVFile);
        }
        if (sourceFile && *sourceFile) {
            run.SetSourceFileName(sourceFile);
        }
        if (targetFile && *targetFile) {
            run.SetTargetFileName(targetFile);
        }
        // Fields beyond the caller's structure are left at their defaults.
        const size_t given = options ? options->size : 0;
        if (given >= offsetof(DvobjOptions, validateSchema) + sizeof(const char*) &&
            options->validateSchema) {
            run.SetValidateSchema(options->validateSchema);
        }
        if (given >= offsetof(DvobjOptions, gzipStandardOutput) + sizeof(int)) {
            run.SetCompressStandardOutput(options->gzipStandardOutput != 0);
        }
        if (given >= offsetof(DvobjOptions, locale) + sizeof(const char*) && options->locale) {
            run.SetLocale(options->locale);
        }
        if (given >= offsetof(DvobjOptions, threads) + sizeof(int) && options->threads > 0) {
            run.SetThreads(static_cast<size_t>(options->threads));
        }
        return static_cast<int32_t>(step(run, message));
    });
}

bool CDatavane::WriteSchema(const char* dvFile, const char* schemaFile,
                            bool setValidation) noexcept {
    return Outcome([&](std::string& message) {
        const std::string path = dvFile ? dvFile : "";
        const std::string schema = schemaFile ? schemaFile : "";
        DVFile definition;
        Status status;
        if (!definition.LoadProjectFile(path)) {
            status = {kInvalidDVFile, definition.GetLastError()};
        } else if (schema.empty()) {
            status = {kInvalidArgument, "no file name for the schema"};
        } else {
            // A run takes the columns (and nodes) of a definition without
            // any from its source; the schema must describe that tree.
            if (definition.Columns().empty()) {
                status = ColumnDiscovery::ReadColumns(definition, 1);
            }
            if (status.IsOk()) {
                status = SchemaGenerator::WriteFiles(definition, schema);
            }
        }
        if (status.IsOk() && setValidation) {
            // Saved as loaded: columns a source gave stay a run's business.
            definition.LoadProjectFile(path);
            definition.SetValidateSchema(schema);
            if (!definition.SaveProjectFile(path)) {
                status = {kInvalidDVFile, definition.GetLastError()};
            }
        }
        if (!status.IsOk()) {
            // The schema is the file a failure to create or write names.
            definition.SetTargetFileName(schema);
            message = StatusMessage(status, definition, path);
        }
        return status.Code();
    });
}

bool CDatavane::Transform(const char* dvFile, const char* sourceFile, const char* targetFile,
                          const DvobjOptions* options, DvobjProgress progress,
                          void* context) noexcept {
    return Execute(dvFile, sourceFile, targetFile, options, [&](DVRun& run, std::string& message) {
        const int32_t code = run.Run(Callback(progress, context));
        message = run.GetResultText(code);
        return code;
    });
}

bool CDatavane::RunInParts(const char* dvFile, const char* sourceFile, const char* targetFile,
                           const DvobjOptions* options, const PartRequest& request,
                           DvobjProgress progress, void* context) noexcept {
    return Execute(dvFile, sourceFile, targetFile, options, [&](DVRun& run, std::string& message) {
        PartitionedRun parts(run, run.GetDefinitionPath());
        const size_t given = options ? options->size : 0;
        if (given >= offsetof(DvobjOptions, gzipStandardOutput) + sizeof(int)) {
            parts.SetCompressStandardOutput(options->gzipStandardOutput != 0);
        }
        int32_t code = kSuccess;
        switch (request.step) {
            case PartStep::kPlan:
                code = parts.Plan(request.parts);
                break;
            case PartStep::kPart:
                code = parts.Part(request.part, request.parts,
                                  request.planFile ? request.planFile : "",
                                  Callback(progress, context));
                break;
            case PartStep::kMerge: {
                std::vector<std::string> files;
                for (int32_t i = 0; request.partFiles && i < request.partCount; ++i) {
                    files.emplace_back(request.partFiles[i] ? request.partFiles[i] : "");
                }
                code = parts.Merge(files, Callback(progress, context));
                break;
            }
        }
        message = parts.GetResultText(code);
        return code;
    });
}

int32_t CDatavane::ErrorCode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return code_;
}

std::string CDatavane::ErrorMessage() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return message_;
}
