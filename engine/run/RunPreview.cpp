#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "DVRun.h"
#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "io/CTextFile.h"

// Previews live apart from the run so that programs which only run
// definitions do not carry them.

namespace {

void RemoveRegularFile(const std::string& path) {
    struct stat st {};
    if (!path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::unlink(path.c_str());
    }
}

}  // namespace

std::string DVRun::RunPreview(const DVFile& definition, size_t maxChars, int32_t maxRows,
                              const ProgressCallback& progress) {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/dvXXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    const std::string temporary = pattern;

    std::string text;
    {
        DVRun run(definition);
        run.SetTargetFileName(temporary);
        // A preview shows the XML; validating its first rows says little.
        run.SetValidateSchema("");
        const int32_t first = run.Settings().firstrow;
        const int32_t last = run.Settings().lastrow;
        if (last == 0 || static_cast<int64_t>(last) - first > maxRows) {
            run.SetLastRow(first + maxRows);
        }
        const int32_t code = run.Run(progress);
        if (code != kSuccess) {
            text = run.GetDetailText();
        } else if (!run.OutputFileNames().empty()) {
            std::ifstream in(run.OutputFileNames().front(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            text = Norvik::CTextFile::DecodeText(bytes);
            Norvik::KeepFirstCharacters(text, maxChars);
        }
        for (const std::string& name : run.OutputFileNames()) {
            RemoveRegularFile(name);
        }
    }
    RemoveRegularFile(temporary);
    return text;
}
