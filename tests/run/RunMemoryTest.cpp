#include <sys/resource.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "TestSupport.h"
#include "run/ColumnDiscovery.h"
#include "run/DVRun.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasurable = false;  // the sanitizer's own memory would swamp the figure
#else
constexpr bool kMeasurable = true;
#endif

long PeakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A million rows go through a fixed amount of memory, and a fixed amount
// more per thread that writes rows: nothing grows with them.
TEST(RunMemoryTest, MillionRowsInFlatMemory) {
    if (!kMeasurable) {
        GTEST_SKIP() << "not measurable under AddressSanitizer";
    }
    testsupport::TempDir dir;
    const std::string source = dir.File("big.csv");
    {
        std::ofstream out(source);
        out << "id,name,amount\n";
        for (int i = 0; i < 1000000; ++i) {
            out << i << ",\"Name " << i << " \xC3\xA9\"," << (i % 1000) << ".5\n";
        }
    }
    const long before = PeakKilobytes();
    DVRun run;
    run.SetSourceFileName(source);
    const Status discovered = ColumnDiscovery::ReadColumns(run, 100);
    ASSERT_TRUE(discovered.IsOk()) << discovered.Detail();
    run.SetTargetFileName(dir.File("big.xml"));
    run.Column(2).dataType = DataTypeProperties::kNumber;
    run.Column(2).precision = 2;
    const char* threads = std::getenv("DATAVANE_THREADS");
    run.SetThreads(threads ? std::strtoul(threads, nullptr, 10) : 4);
    ASSERT_EQ(run.Run(), 0) << run.GetDetailText();
    EXPECT_EQ(run.RowCount(), 1000000);
    const long grown = PeakKilobytes() - before;
    const long perThread = run.ThreadsUsed() > 1 ? 4 * 1024 : 0;
    EXPECT_LT(grown, 30 * 1024 + perThread * static_cast<long>(run.ThreadsUsed()))
        << "peak memory grew by " << grown << " KiB with " << run.ThreadsUsed() << " threads";
    std::printf("peak memory grew by %ld KiB with %zu threads\n", grown, run.ThreadsUsed());
}

}  // namespace
