#include "DVRun.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <new>

#include "ResultMessages.h"
#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "io/SpillSettings.h"
#include "model/ColumnMap.h"
#include "output/AutoTextResolver.h"
#include "output/GroupRegistry.h"
#include "output/NodeTreeWriter.h"
#include "output/OutputDocument.h"
#include "output/XSLPostProcessor.h"
#include "sources/DVDataSource.h"
#include "validate/CSchemaValidator.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kProgressInterval = std::chrono::milliseconds(500);
constexpr int32_t kCheckStep = 10;

// "<system text>. <description>" without a doubled full stop, and without
// the system text when there is none.
std::string JoinFailureText(std::string system, const std::string& description) {
    if (system.empty()) {
        return description;
    }
    if (description.empty()) {
        return system;
    }
    if (system.back() == '.') {
        system.pop_back();
    }
    return system + ". " + description;
}

// Creates, validates and opens the run's data source.
int32_t PrepareSource(DVFile& definition, std::unique_ptr<DVDataSource>& source,
                      std::string& detail) {
    source = CreateDataSource(definition.Settings().sourcetype, 0, 1);
    if (!source) {
        return kInvalidArgument;
    }
    int32_t code = source->Validate(definition);
    if (code == kSuccess) {
        code = source->Open(definition, 0);
    }
    detail = source->ErrorText();
    if (code != kSuccess) {
        source->Close();
    }
    return code;
}

std::string TransformingFailure(const Norvik::PlatformError& error) {
    return "Transforming\r\nError: " + Norvik::SystemMessage(error.Code()) +
           "\r\nDescription: " + error.Description();
}

}  // namespace

DVRun::DVRun() = default;

DVRun::DVRun(const DVFile& definition) : DVFile(definition) {}

DVRun::~DVRun() = default;

bool DVRun::LoadDefinition() {
    const bool loaded = LoadProjectFile(definitionPath_);
    detail_ = GetLastError();
    return loaded;
}

std::string DVRun::GetResultMessage(int32_t code) const {
    return ResultMessage(code, *this, definitionPath_);
}

void DVRun::SetSpillFolder() const {
    // Beside the output there is room for it; a name with tokens in its
    // folder, or none, leaves temporary files in the system's folder.
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::path(Settings().targetfilename).parent_path();
    const bool usable = !folder.empty() && std::filesystem::is_directory(folder, error);
    Norvik::SpillSettings::SetRunFolder(usable ? folder.string() : std::string());
}

int32_t DVRun::Run(const ProgressCallback& progress) {
    detail_.clear();
    outputNames_.clear();
    rowCount_ = 0;
    if (progress) {
        progress(-1);
    }
    AutoTextResolver resolver(*this, definitionPath_);
    SetSpillFolder();

    std::unique_ptr<DVDataSource> source;
    int32_t result = PrepareSource(*this, source, detail_);
    if (result != kSuccess) {
        return result;
    }
    if (Columns().empty()) {
        // Take the columns from the source, then reopen the run's source so
        // that it reads with them.
        std::unique_ptr<DVDataSource> discovery = CreateDataSource(Settings().sourcetype, 0, 0);
        int32_t code = discovery->Validate(*this);
        if (code == kSuccess || code == kNoColumns) {
            code = discovery->Open(*this, 1);
        }
        if (code != kSuccess) {
            detail_ = discovery->ErrorText();
            return code;
        }
        discovery.reset();
        result = PrepareSource(*this, source, detail_);
        if (result != kSuccess) {
            return result;
        }
    }

    // A schema that cannot be used fails the run before any output exists.
    std::unique_ptr<Norvik::CSchemaValidator> validator;
    if (!Settings().validateschema.empty()) {
        validator = std::make_unique<Norvik::CSchemaValidator>();
        if (!validator->Load(Settings().validateschema)) {
            detail_ = validator->LoadError();
            return kSchemaLoad;
        }
    }

    ColumnMap columns;
    columns.Rebuild(Columns());
    OutputDocument output(*this);
    output.SetValidator(validator.get());
    output.SetCompressStandardOutput(compressStandardOutput_);
    std::unique_ptr<XSLPostProcessor> postProcessor;
    if (!Settings().xsltransform.empty()) {
        postProcessor = std::make_unique<XSLPostProcessor>();
        output.SetPostProcessor(postProcessor.get());
    }
    GroupRegistry groups;
    NodeTreeWriter nodes(output, resolver, columns, &groups);
    if (progress && !progress(0)) {
        result = kCancelled;
    }

    try {
        if (result == kSuccess) {
            CGroupFinder(groups).Visit(Root());
            if (groups.Count() > 0) {
                // Sorting the text source takes the other half of the budget.
                const size_t budget = Norvik::SpillSettings::BudgetBytes() / 2;
                auto due = Clock::now();
                const auto keepGoing = [&progress, &due] {
                    if (!progress || Clock::now() < due) {
                        return true;
                    }
                    due = Clock::now() + kProgressInterval;
                    return progress(0);
                };
                if (!groups.Collect(*source, columns, budget, keepGoing)) {
                    result = kCancelled;
                } else if (!groups.ServedBySource() && !source->Rewind(*this)) {
                    std::string ignored;
                    PrepareSource(*this, source, ignored);
                }
            }
        }

        const int32_t valueColumn =
            Settings().filepercolvalueid > 0 ? columns.IndexOf(Settings().filepercolvalueid) : -1;
        std::string rememberedValue;
        int32_t checkInterval = kCheckStep;
        int32_t sinceCheck = 0;
        auto deadline = Clock::now() + kProgressInterval;
        output.firstRow = true;

        while (result == kSuccess) {
            if (!source->NextRow()) {
                if (source->HasError()) {
                    // A source that fails part way is a failed run, not a short one.
                    result = source->ReadFailureCode();
                    detail_ = source->ErrorText();
                }
                break;
            }
            ++rowCount_;
            ++sinceCheck;
            nodes.SetRowCount(rowCount_);
            if (sinceCheck > checkInterval) {
                const auto now = Clock::now();
                if (now < deadline) {
                    checkInterval += kCheckStep;
                } else {
                    output.Flush();
                    if (progress && !progress(rowCount_)) {
                        result = kCancelled;
                        break;
                    }
                    deadline = now + kProgressInterval;
                }
                sinceCheck = 0;
            }
            if (Settings().fileperrow) {
                output.FinishOutput(*source, nodes);
            } else if (Settings().filepercolvalueid > 0) {
                const std::string_view value =
                    valueColumn >= 0 ? source->DisplayValue(valueColumn) : std::string_view();
                if (!Norvik::EqualsIgnoreCase(value, rememberedValue)) {
                    output.FinishOutput(*source, nodes);
                    rememberedValue.assign(value);
                }
            }
            if (!output.IsOpen()) {
                try {
                    result = output.StartOutput(*source, nodes, detail_);
                } catch (const Norvik::PlatformError& error) {
                    detail_ =
                        JoinFailureText(Norvik::SystemMessage(error.Code()), error.Description());
                    result = kTargetFileCreate;
                }
            }
            if (result == kSuccess) {
                output.MarkRow(rowCount_);
                nodes.WriteChildren(Root(), *source);
                output.FlushIfLarge();
            }
            output.firstRow = false;
        }
        if (result == kSuccess) {
            output.FinishOutput(*source, nodes);
        }
    } catch (const OutputDocument::ValidationFailure& failure) {
        const int32_t row = failure.Row() > 0 ? failure.Row() : rowCount_;
        detail_ = std::string(failure.what()) + " (source row " + std::to_string(row) + ")";
        result = kOutputInvalid;
    } catch (const XSLPostProcessor::Failure& failure) {
        // A broken stylesheet fails the run: the file holds no document.
        detail_ = failure.what();
        result = kTargetFileWrite;
    } catch (const Norvik::PlatformError& error) {
        detail_ = TransformingFailure(error);
        result = kTargetFileWrite;
    } catch (const std::bad_alloc&) {
        detail_ = "Transforming\r\nError: " + Norvik::SystemMessage(Norvik::kEOutOfMemory);
        result = kTargetFileWrite;
    }

    outputNames_ = output.OutputFileNames();
    if (result != kSuccess) {
        output.DeleteLastStarted();
    } else if (progress) {
        progress(rowCount_);
    }
    return result;
}
