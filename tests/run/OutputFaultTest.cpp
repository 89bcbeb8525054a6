#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <thread>

#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "io/FileSink.h"

using namespace testsupport;

namespace {

std::vector<std::string> FilesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FaultGuard {
public:
    FaultGuard(int64_t bytes, int error) {
        Norvik::FileSink::FailWritesAfterForTesting(bytes, error);
    }
    ~FaultGuard() { Norvik::FileSink::FailWritesAfterForTesting(0, 0); }
};

}  // namespace

TEST(OutputFaultTest, WriteFailuresEndTheRunWithTheSystemsReasonAndNoFile) {
    struct FaultCase {
        int64_t after;  // bytes written before the fault
        int error;
        const char* says;
    };
    const FaultCase cases[] = {
        {0, ENOSPC, "No space left on device"},
        {100000, ENOSPC, "No space left on device"},  // mid-document
        {3 << 20, EFBIG, "File too large"},           // after several flushes
        {50000, EIO, "Input/output error"},
    };
    for (const FaultCase& c : cases) {
        TempDir dir;
        const DVFile definition = CsvDefinition(dir, GeneratedCsv(60000));
        // An older document under the name must not pass for this run's.
        WriteFile(dir.File("out.xml"), "<old/>");
        const std::string project = SaveDefinition(definition, dir);
        RunOutcome outcome;
        {
            FaultGuard fault(c.after, c.error);
            outcome = RunProject(project);
        }
        EXPECT_EQ(outcome.code, kTargetFileWrite) << c.says;
        EXPECT_NE(outcome.detail.find(c.says), std::string::npos) << outcome.detail;
        EXPECT_EQ(FilesIn(dir), (std::vector<std::string>{"definition.dv", "in.csv"}))
            << "a partial or temporary file was left (" << c.says << ")";
    }
    // The same run without a fault succeeds.
    TempDir dir;
    EXPECT_EQ(RunSaved(CsvDefinition(dir, GeneratedCsv(100)), dir).code, kSuccess);
}

TEST(OutputFaultTest, TargetsThatAreNotRegularFilesAreWrittenInPlaceAndKept) {
    TempDir dir;
    const std::string fifo = dir.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    DVFile definition = CsvDefinition(dir, GeneratedCsv(10));
    definition.SetTargetFileName(fifo);
    EXPECT_EQ(RunSaved(definition, dir).code, kSuccess);
    reader.join();
    EXPECT_NE(received.find("<Name>name 9</Name>"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";

    // A failing run leaves the FIFO where it was.
    const std::string project = SaveDefinition(definition, dir);
    std::thread drain([&] { ReadFile(fifo); });
    {
        FaultGuard fault(10, ENOSPC);
        EXPECT_EQ(RunProject(project).code, kTargetFileWrite);
    }
    drain.join();
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
