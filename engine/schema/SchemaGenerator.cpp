#include "SchemaGenerator.h"

#include <filesystem>

#include "SchemaTreeBuilder.h"
#include "base/PlatformError.h"
#include "io/FileSink.h"

Status SchemaGenerator::Generate(const DVFile& definition, const std::string& mainFileName,
                                 std::vector<SchemaDocument>& out) {
    SchemaSet set;
    Status built = SchemaTreeBuilder(definition).Build(set);
    if (!built.IsOk()) {
        return built;
    }
    out = WriteXsd(set, mainFileName);
    return kSuccess;
}

Status SchemaGenerator::WriteFiles(const DVFile& definition, const std::string& path,
                                   std::vector<std::string>* written) {
    if (path.empty()) {
        return {kInvalidArgument, "no file name for the schema"};
    }
    const std::filesystem::path target(path);
    std::vector<SchemaDocument> documents;
    Status generated = Generate(definition, target.filename().string(), documents);
    if (!generated.IsOk()) {
        return generated;
    }
    for (const SchemaDocument& document : documents) {
        const std::string file = (target.parent_path() / document.fileName).string();
        // Messages name the main file already; the others are named here.
        const std::string where = file == path ? std::string() : file + ": ";
        int error = 0;
        std::unique_ptr<Norvik::FileSink> sink =
            Norvik::FileSink::Open(file, Norvik::FileSink::Mode::kReplace, error);
        if (!sink) {
            return {kTargetFileCreate, where + Norvik::ErrnoText(error)};
        }
        if (!sink->Write(document.text) || !sink->Commit()) {
            const int failure = sink->Error();
            sink->Discard();
            return {kTargetFileWrite, where + Norvik::ErrnoText(failure)};
        }
        if (written) {
            written->push_back(file);
        }
    }
    return kSuccess;
}
