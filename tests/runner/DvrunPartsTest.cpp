// dvrun --plan, --part and --merge: the single run's bytes from the command
// line (compressed and validated at the merge as in one run), and the
// mistakes a scheduler script can make, each refused with a message.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class Runner {
public:
    Runner() {
        std::filesystem::create_directories(dir.Path() / "bin");
        std::filesystem::create_directories(dir.Path() / "lib");
        std::filesystem::create_directories(dir.Path() / "config");
        std::filesystem::copy_file(DV_DVRUN, dir.Path() / "bin" / "dvrun");
        std::filesystem::create_symlink(DV_DVOBJ, dir.Path() / "lib" / "libdvobj.so");
    }

    int Run(std::vector<std::string> arguments, std::string* errors = nullptr) const {
        testsupport::RunOptions options;
        options.environment.emplace_back("XDG_CONFIG_HOME", dir.File("config"));
        arguments.push_back("/l");
        arguments.push_back(dir.File("dvrun.log"));
        return testsupport::RunProgram(dir.File("bin/dvrun"), arguments, work.Path().string(),
                                       errors, options);
    }
    std::string File(const std::string& name) const { return work.File(name); }

    TempDir dir;
    TempDir work;
};

std::string Definition(const std::string& root) {
    return "<tarnwrightdatavane><version>2.6</version><sourcefilename>in.csv</sourcefilename>"
           "<targetfilename>out.xml</targetfilename><delimiter>,</delimiter>"
           "<quotedlinebreaks>-1</quotedlinebreaks><encoding>utf-8</encoding>" +
           root + "</tarnwrightdatavane>";
}

std::string Rows(int count) {
    std::string csv = "Id,Name\n";
    for (int i = 0; i < count; ++i) {
        csv += std::to_string(i) + ",\"name & <" + std::to_string(i) + ">\nsecond line\"\n";
    }
    return csv;
}

}  // namespace

TEST(DvrunPartsTest, PlanPartsAndMergeGiveTheSingleRun) {
    Runner runner;
    WriteFile(runner.File("in.csv"), Rows(500));
    WriteFile(runner.File("t.dv"), Definition("<xmlroot/>"));
    ASSERT_EQ(runner.Run({"t.dv", "/t", "single.xml"}), 0);
    const std::string single = ReadFile(runner.File("single.xml"));
    for (const int parts : {1, 3, 7}) {
        const std::string n = std::to_string(parts);
        std::string errors;
        ASSERT_EQ(runner.Run({"t.dv", "--plan", n, "/t", "run.plan"}, &errors), 0) << errors;
        std::vector<std::string> merge = {"t.dv", "--merge"};
        for (int k = 0; k < parts; ++k) {
            const std::string part = "p" + std::to_string(k) + ".part";
            // Half the parts read the plan, half cut the source themselves.
            std::vector<std::string> arguments = {"t.dv", "--part", std::to_string(k) + "/" + n,
                                                  "/t", part};
            if (k % 2 == 0) {
                arguments.insert(arguments.end(), {"--plan", "run.plan"});
            }
            ASSERT_EQ(runner.Run(arguments, &errors), 0) << errors;
            merge.push_back(part);
        }
        merge.insert(merge.end(), {"/t", "merged" + n + ".xml"});
        ASSERT_EQ(runner.Run(merge, &errors), 0) << errors;
        EXPECT_EQ(ReadFile(runner.File("merged" + n + ".xml")), single) << parts << " parts";
    }
    // The merge compresses as a run does.
    std::string errors;
    ASSERT_EQ(runner.Run({"t.dv", "--merge", "p0.part", "p1.part", "p2.part", "p3.part", "p4.part",
                          "p5.part", "p6.part", "/t", "merged.xml.gz"},
                         &errors),
              0)
        << errors;
    EXPECT_EQ(ReadFile(runner.File("merged.xml.gz")).substr(0, 2), "\x1f\x8b");
}

TEST(DvrunPartsTest, MistakesAreRefusedWithAMessage) {
    Runner runner;
    WriteFile(runner.File("in.csv"), Rows(40));
    WriteFile(runner.File("t.dv"), Definition("<xmlroot/>"));
    WriteFile(runner.File("id.dv"),
              Definition("<xmlroot name=\"d\"><xmlnode name=\"n\" nodetype=\"0\" "
                         "value=\"{ID}\"/></xmlroot>"));
    ASSERT_EQ(runner.Run({"t.dv", "--part", "0/2", "/t", "p0.part"}), 0);
    ASSERT_EQ(runner.Run({"t.dv", "--part", "1/2", "/t", "p1.part"}), 0);
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{"t.dv", "--part", "2/2", "/t", "x.part"}, "--part takes K/N"},
        {{"t.dv", "--part", "one/2", "/t", "x.part"}, "--part takes K/N"},
        {{"t.dv", "--part", "0/2"}, "need a target file"},
        {{"t.dv", "--plan", "0", "/t", "x.plan"}, "--plan takes the number of parts"},
        {{"t.dv", "--merge", "/t", "x.xml"}, "--merge needs the part files"},
        {{"t.dv", "--merge", "p0.part", "--part", "0/2", "/t", "x.xml"}, "cannot be given"},
        {{"t.dv", "--merge", "p1.part", "p0.part", "/t", "x.xml"}, "give the parts in order"},
        {{"t.dv", "--merge", "p0.part", "/t", "x.xml"}, "part 1 of 2 is missing"},
        {{"id.dv", "--part", "0/2", "/t", "x.part"}, "cannot run in parts"},
        {{"id.dv", "--plan", "2", "/t", "x.plan"}, "{ID}"},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_EQ(runner.Run(c.arguments, &errors), 255) << c.message;
        EXPECT_NE(errors.find(c.message), std::string::npos) << c.message << ": " << errors;
        EXPECT_FALSE(std::filesystem::exists(runner.File("x.xml")));
        EXPECT_FALSE(std::filesystem::exists(runner.File("x.part")));
        EXPECT_FALSE(std::filesystem::exists(runner.File("x.plan")));
    }
    EXPECT_NE(ReadFile(runner.dir.File("dvrun.log")).find("126"), std::string::npos);
}
