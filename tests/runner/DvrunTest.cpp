#include <fcntl.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "TestSupport.h"

using testsupport::GeneratedCsv;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A runner installed in its own folder (bin/dvrun, lib/libdvobj.so), so its
// default log is its own, with an empty configuration folder.
class Installation {
public:
    Installation() {
        std::filesystem::create_directories(dir.Path() / "bin");
        std::filesystem::create_directories(dir.Path() / "lib");
        std::filesystem::create_directories(dir.Path() / "config");
        std::filesystem::copy_file(DV_DVRUN, dir.Path() / "bin" / "dvrun");
        std::filesystem::create_symlink(DV_DVOBJ, dir.Path() / "lib" / "libdvobj.so");
    }

    std::string Runner() const { return dir.File("bin/dvrun"); }
    std::string DefaultLog() const { return dir.File("bin/dvrun.log"); }

    // Runs the runner in the work folder; returns the exit status.
    int Run(const std::vector<std::string>& arguments, std::string* errors = nullptr,
            testsupport::RunOptions options = {}) const {
        options.environment.emplace_back("XDG_CONFIG_HOME", dir.File("config"));
        return testsupport::RunProgram(Runner(), arguments, work.Path().string(), errors, options);
    }

    // Entry lines of a log (header lines left out), without their time stamps.
    static std::vector<std::string> Entries(const std::string& path) {
        std::vector<std::string> entries;
        std::istringstream in(ReadFile(path));
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] != '#') {
                entries.push_back(line.size() > 20 ? line.substr(20) : line);
            }
        }
        return entries;
    }

    TempDir dir;
    TempDir work;
};

std::string Definition(const std::string& source, const std::string& target) {
    return "<tarnwrightdatavane><version>2.6</version><sourcefilename>" + source +
           "</sourcefilename><targetfilename>" + target +
           "</targetfilename><delimiter>,</delimiter><encoding>utf-8</encoding>"
           "<xmlroot/></tarnwrightdatavane>";
}

std::string User() {
    return "(" + std::string(::getpwuid(::geteuid())->pw_name) + ")";
}

TEST(DvrunTest, SuccessWithTheDefinitionsOwnFilesAndTheDefaultLog) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n");
    WriteFile(install.work.File("my def.dv"), Definition("in.csv", "out.xml"));
    EXPECT_EQ(install.Run({"my def.dv"}), 0);
    EXPECT_NE(ReadFile(install.work.File("out.xml")).find("<A>1</A>"), std::string::npos);
    const std::string log = ReadFile(install.DefaultLog());
    EXPECT_EQ(
        log.rfind("#Software: DVRun - Tarnwright Datavane command line utility\n#Version: ", 0),
        0u);
    EXPECT_NE(log.find("\n#Fields: Date Time Type (User) Code (Message)\n"), std::string::npos);
    EXPECT_EQ(Installation::Entries(install.DefaultLog()),
              (std::vector<std::string>{"Info " + User() + " 0 (Command Line: dvrun \"my def.dv\")",
                                        "Info " + User() + " 0 (Transformation Succeeded)"}));
    // A second run appends entries only.
    EXPECT_EQ(install.Run({"my def.dv"}), 0);
    const std::string again = ReadFile(install.DefaultLog());
    EXPECT_EQ(again.find("#Software"), again.rfind("#Software"));
    EXPECT_EQ(Installation::Entries(install.DefaultLog()).size(), 4u);
}

TEST(DvrunTest, SwitchesAreWholeArguments) {
    Installation install;
    const std::filesystem::path folder = install.work.Path() / "my-stuff" / "srv";
    std::filesystem::create_directories(folder);
    WriteFile((folder / "in.csv").string(), "A\n1\n");
    WriteFile((folder / "other.csv").string(), "A\n2\n");
    WriteFile((folder / "p.dv").string(), Definition("my-stuff/srv/in.csv", "out.xml"));
    // Paths holding "-s" or "/s" are not switches; -s equals /s; /S is ignored.
    EXPECT_EQ(install.Run({"my-stuff/srv/p.dv", "-s", "my-stuff/srv/other.csv", "/S", "x.csv", "~t",
                           "t.xml", "/l", "my.log"}),
              0);
    EXPECT_NE(ReadFile(install.work.File("t.xml")).find("<A>2</A>"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(install.DefaultLog()));
    EXPECT_EQ(Installation::Entries(install.work.File("my.log")).front(),
              "Info " + User() +
                  " 0 (Command Line: dvrun my-stuff/srv/p.dv -s my-stuff/srv/other.csv /S x.csv "
                  "~t t.xml /l my.log)");
}

TEST(DvrunTest, FailuresAreLoggedAndExitWith255) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n");
    WriteFile(install.work.File("p.dv"), Definition("in.csv", "out.xml"));
    struct Case {
        std::vector<std::string> arguments;
        std::string entry;
    };
    const Case cases[] = {
        {{"missing.dv"}, "Error " + User() + " -1 (Cannot open/read DVFile: missing.dv)"},
        {{"p.dv", "/s", "gone.csv"},
         "Error " + User() +
             " 103 (Failed to open the source file: gone.csv: No such file or directory)"},
        {{"p.dv", "/t", "no/folder/x.xml"},
         "Error " + User() +
             " 104 (Failed to create the target file: no/folder/x.xml: No such file or "
             "directory)"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(install.DefaultLog());
        std::string errors;
        EXPECT_EQ(install.Run(c.arguments, &errors), 255) << c.entry;
        const std::vector<std::string> entries = Installation::Entries(install.DefaultLog());
        ASSERT_EQ(entries.size(), 3u) << c.entry;
        EXPECT_EQ(entries[1], c.entry);
        EXPECT_EQ(entries[2], "Info " + User() + " 0 (Transformation Failed)");
        EXPECT_NE(errors.find(c.entry.substr(c.entry.find('(', 10) + 1, 20)), std::string::npos)
            << errors;
    }
}

TEST(DvrunTest, LineBreaksInMessagesStayOnOneLine) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n");
    WriteFile(install.work.File("p.dv"), Definition("in.csv", "out.xml"));
    // A full disk: the detail text holds CR LF pairs.
    EXPECT_EQ(install.Run({"p.dv", "/t", "/dev/full"}), 255);
    EXPECT_EQ(ReadFile(install.DefaultLog()).find('\r'), std::string::npos);
    const std::vector<std::string> entries = Installation::Entries(install.DefaultLog());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1], "Error " + User() +
                              " 105 (Failed to write to the target file: /dev/full: Transforming. "
                              "Error: No space left on device. Description: Writing /dev/full: "
                              "No space left on device)");
}

TEST(DvrunTest, BrokenStylesheetFailsTheRunInTheLog) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n");
    WriteFile(install.work.File("bad.xsl"), "<xsl:stylesheet>\n<unclosed>\n</xsl:stylesheet>\n");
    WriteFile(install.work.File("p.dv"),
              "<tarnwrightdatavane><version>2.6</version><sourcefilename>in.csv</sourcefilename>"
              "<targetfilename>out.xml</targetfilename><delimiter>,</delimiter>"
              "<xsltransform>bad.xsl</xsltransform><xmlroot/></tarnwrightdatavane>");
    EXPECT_EQ(install.Run({"p.dv"}), 255);
    const std::vector<std::string> entries = Installation::Entries(install.DefaultLog());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].rfind("Error " + User() +
                                   " 105 (Failed to write to the target file: out.xml: XML Parser "
                                   "Error. URL: bad.xsl. Line 3, Position ",
                               0),
              0u)
        << entries[1];
    EXPECT_FALSE(std::filesystem::exists(install.work.File("out.xml")));
}

TEST(DvrunTest, UnwritableLogFallsBackToTheDefault) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n");
    WriteFile(install.work.File("p.dv"), Definition("in.csv", "out.xml"));
    EXPECT_EQ(install.Run({"p.dv", "/l", "no/such/dir/run.log"}), 0);
    EXPECT_EQ(Installation::Entries(install.DefaultLog()),
              (std::vector<std::string>{
                  "Error " + User() + " -2 (Cannot open/create log file: no/such/dir/run.log)",
                  "Info " + User() + " 0 (Command Line: dvrun p.dv /l no/such/dir/run.log)",
                  "Info " + User() + " 0 (Transformation Succeeded)"}));
}

TEST(DvrunTest, HelpVersionAndEmptyCommandLine) {
    Installation install;
    std::string errors;
    EXPECT_EQ(install.Run({}, &errors), 255);
    EXPECT_NE(errors.find("Usage: dvrun"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(install.DefaultLog()));
    EXPECT_EQ(install.Run({"--help"}), 0);
    EXPECT_EQ(install.Run({"--version"}), 0);
    EXPECT_FALSE(std::filesystem::exists(install.DefaultLog()));
}

TEST(DvrunTest, MissingComponentIsReported) {
    Installation install;
    std::filesystem::remove(install.dir.Path() / "lib" / "libdvobj.so");
    WriteFile(install.work.File("p.dv"), Definition("in.csv", "out.xml"));
    EXPECT_EQ(install.Run({"p.dv"}), 255);
    const std::vector<std::string> entries = Installation::Entries(install.DefaultLog());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].rfind("Error " + User() +
                                   " -2147221164 (Could not create Datavane object. Class not "
                                   "registered",
                               0),
              0u)
        << entries[1];
}

}  // namespace

namespace {

// No file of the folder but those named: no partial target, no temporary.
void ExpectOnly(const std::filesystem::path& folder, std::vector<std::string> names) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        found.push_back(entry.path().filename().string());
    }
    std::sort(found.begin(), found.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(found, names);
}

}  // namespace

TEST(DvrunTest, FileSizeLimitFailsTheRunWithoutAPartialFile) {
    Installation install;
    WriteFile(install.work.File("in.csv"), GeneratedCsv(20000));
    WriteFile(install.work.File("d.dv"), Definition("in.csv", "out.xml"));
    testsupport::RunOptions limited;
    limited.beforeStart = [] {
        const rlimit limit{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::signal(SIGXFSZ, SIG_IGN);  // writes then fail with EFBIG
    };
    std::string errors;
    EXPECT_EQ(install.Run({"d.dv"}, &errors, limited), 255);
    EXPECT_NE(errors.find("File too large"), std::string::npos) << errors;
    ExpectOnly(install.work.Path(), {"in.csv", "d.dv"});
}

TEST(DvrunTest, FullDiskFailsTheRunWithoutAPartialFile) {
    Installation install;
    const std::filesystem::path small = install.work.Path() / "small";
    std::filesystem::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=128k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    }
    WriteFile(install.work.File("in.csv"), GeneratedCsv(20000));
    WriteFile(install.work.File("d.dv"), Definition("in.csv", "small/out.xml"));
    std::string errors;
    EXPECT_EQ(install.Run({"d.dv"}, &errors), 255);
    EXPECT_NE(errors.find("No space left on device"), std::string::npos) << errors;
    ExpectOnly(small, {});
    ::umount2(small.c_str(), MNT_DETACH);
}

TEST(DvrunTest, KilledRunsNeverLeaveATruncatedDocument) {
    Installation install;
    WriteFile(install.work.File("in.csv"), GeneratedCsv(400000));
    WriteFile(install.work.File("d.dv"), Definition("in.csv", "out.xml"));
    const std::string target = install.work.File("out.xml");
    for (const int delayMs : {5, 40, 120, 250, 400}) {
        std::filesystem::remove(target);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::chdir(install.work.Path().c_str()) != 0) {
                ::_exit(99);
            }
            ::setenv("XDG_CONFIG_HOME", install.dir.File("config").c_str(), 1);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
            const std::string runner = install.Runner();
            ::execl(runner.c_str(), runner.c_str(), "d.dv", static_cast<char*>(nullptr));
            ::_exit(98);
        }
        ::usleep(static_cast<useconds_t>(delayMs) * 1000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        // Either no document yet, or a whole one (the run may have ended).
        if (std::filesystem::exists(target)) {
            std::string reason;
            EXPECT_TRUE(testsupport::IsWellFormedFile(target, reason))
                << "after " << delayMs << " ms: " << reason;
        }
    }
}

TEST(DvrunTest, ValidateAndGzipSwitches) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n2\n");
    WriteFile(install.work.File("d.dv"), Definition("in.csv", "out.xml"));
    WriteFile(install.work.File("rows.xsd"),
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
              "<xs:element name=\"document\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"row\" maxOccurs=\"unbounded\"><xs:complexType><xs:sequence>"
              "<xs:element name=\"A\"><xs:simpleType><xs:restriction base=\"xs:integer\">"
              "<xs:maxInclusive value=\"1\"/></xs:restriction></xs:simpleType></xs:element>"
              "</xs:sequence></xs:complexType></xs:element>"
              "</xs:sequence></xs:complexType></xs:element></xs:schema>");
    for (const char* flag : {"/v", "--validate"}) {
        std::string errors;
        EXPECT_EQ(install.Run({"d.dv", flag, "rows.xsd"}, &errors), 255) << flag;
        EXPECT_NE(errors.find("The output is not valid against the schema: line 7, column "),
                  std::string::npos)
            << errors;
        EXPECT_NE(errors.find("(source row 2)"), std::string::npos) << errors;
        ExpectOnly(install.work.Path(), {"in.csv", "d.dv", "rows.xsd"});
    }
    const std::vector<std::string> entries = Installation::Entries(install.DefaultLog());
    EXPECT_NE(entries.back().find("Transformation Failed"), std::string::npos);
    EXPECT_NE(entries[entries.size() - 2].find("Error ("), std::string::npos);
    EXPECT_NE(entries[entries.size() - 2].find(") 120 (The output is not valid"), std::string::npos)
        << entries[entries.size() - 2];

    // Compressed standard output.
    std::string output;
    testsupport::RunOptions options;
    options.output = &output;
    ASSERT_EQ(install.Run({"d.dv", "/t", "-", "--gzip"}, nullptr, options), 0);
    ASSERT_GT(output.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(output[0]), 0x1F);  // the gzip magic
    EXPECT_EQ(static_cast<unsigned char>(output[1]), 0x8B);
}

TEST(DvrunTest, LocaleSwitchChoosesTheRegionalSettings) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "Amount\n1234,5\n");
    WriteFile(install.work.File("d.dv"),
              "<tarnwrightdatavane><version>2.6</version><sourcefilename>in.csv</sourcefilename>"
              "<targetfilename>out.xml</targetfilename><delimiter>;</delimiter>"
              "<encoding>utf-8</encoding><locale>C</locale><columns><column name=\"Amount\" "
              "id=\"1\" datatype=\"1\" precision=\"1\" thousands=\"0\" currency=\"0\"/>"
              "</columns><xmlroot name=\"document\"><xmlnode name=\"row\" nodetype=\"0\">"
              "<xmlnode name=\"a\" nodetype=\"0\" source=\"1\"/></xmlnode></xmlroot>"
              "</tarnwrightdatavane>");
    // The definition's invariant settings read the comma as nothing: 12345.
    ASSERT_EQ(install.Run({"d.dv"}), 0);
    EXPECT_NE(ReadFile(install.work.File("out.xml")).find("<a>12345.0</a>"), std::string::npos);
    ASSERT_EQ(install.Run({"d.dv", "--locale", "de_DE.UTF-8"}), 0);
    EXPECT_NE(ReadFile(install.work.File("out.xml")).find("<a>1234,5</a>"), std::string::npos)
        << ReadFile(install.work.File("out.xml"));
    std::string errors;
    EXPECT_EQ(install.Run({"d.dv", "--locale", "xx_YY.UTF-8"}, &errors), 255);
    EXPECT_NE(errors.find("The regional setting is not installed on this machine: xx_YY.UTF-8"),
              std::string::npos)
        << errors;
}

TEST(DvrunTest, DashWritesTheDocumentToStandardOutput) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n2\n");
    WriteFile(install.work.File("d.dv"), Definition("in.csv", "out.xml"));
    std::string output;
    testsupport::RunOptions options;
    options.output = &output;
    EXPECT_EQ(install.Run({"d.dv", "/t", "-"}, nullptr, options), 0);
    EXPECT_NE(output.find("<A>2</A>"), std::string::npos) << output;
    ExpectOnly(install.work.Path(), {"in.csv", "d.dv"});  // no file named "-"
}

TEST(DvrunTest, ThreadsChangeNothingInTheOutputAndBadCountsAreRefused) {
    Installation install;
    std::string csv = "A\n";
    for (int i = 0; i < 20000; ++i) {
        csv += "value " + std::to_string(i) + " & more\n";
    }
    WriteFile(install.work.File("in.csv"), csv);
    WriteFile(install.work.File("d.dv"),
              "<tarnwrightdatavane><version>2.6</version><sourcefilename>in.csv</sourcefilename>"
              "<targetfilename>out.xml</targetfilename><delimiter>,</delimiter>"
              "<encoding>utf-8</encoding><columns><column name=\"A\" id=\"1\"/></columns>"
              "<xmlroot name=\"document\"><xmlnode name=\"row\" nodetype=\"0\">"
              "<xmlnode name=\"a\" nodetype=\"0\" source=\"1\"/></xmlnode></xmlroot>"
              "</tarnwrightdatavane>");
    ASSERT_EQ(install.Run({"d.dv", "--threads", "1"}), 0);
    const std::string one = ReadFile(install.work.File("out.xml"));
    EXPECT_NE(one.find("<a>value 19999 &amp; more</a>"), std::string::npos);
    ASSERT_EQ(install.Run({"d.dv", "--threads", "3"}), 0);
    EXPECT_EQ(ReadFile(install.work.File("out.xml")), one);
    testsupport::RunOptions fromEnvironment;
    fromEnvironment.environment.emplace_back("DATAVANE_THREADS", "2");
    ASSERT_EQ(install.Run({"d.dv"}, nullptr, fromEnvironment), 0);
    EXPECT_EQ(ReadFile(install.work.File("out.xml")), one);

    for (const char* bad : {"0", "abc", "257", ""}) {
        std::string errors;
        EXPECT_EQ(install.Run({"d.dv", "--threads", bad}, &errors), 255) << bad;
        EXPECT_NE(errors.find("--threads takes a whole number from 1 to 256"), std::string::npos)
            << errors;
    }
    testsupport::RunOptions badEnvironment;
    badEnvironment.environment.emplace_back("DATAVANE_THREADS", "many");
    std::string errors;
    EXPECT_EQ(install.Run({"d.dv"}, &errors, badEnvironment), 255);
    EXPECT_NE(errors.find("DATAVANE_THREADS takes a whole number from 1 to 256, not \"many\""),
              std::string::npos)
        << errors;
}

namespace {

TEST(DvrunTest, WriteSchemaRunsNothingAndLogsTheOutcome) {
    Installation install;
    WriteFile(install.work.File("in.csv"), "A\n1\n");
    WriteFile(install.work.File("d.dv"), Definition("in.csv", "out.xml"));
    ASSERT_EQ(install.Run({"d.dv", "--write-schema", "d.xsd"}), 0);
    EXPECT_NE(ReadFile(install.work.File("d.xsd")).find("<xs:element name=\"A\""),
              std::string::npos);
    ExpectOnly(install.work.Path(), {"in.csv", "d.dv", "d.xsd"});  // no output, no change
    EXPECT_NE(Installation::Entries(install.DefaultLog()).back().find("Schema Written"),
              std::string::npos);
    ASSERT_EQ(install.Run({"d.dv", "--write-schema", "d.xsd", "--set-validation"}), 0);
    EXPECT_NE(ReadFile(install.work.File("d.dv")).find("<validateschema>d.xsd</validateschema>"),
              std::string::npos)
        << ReadFile(install.work.File("d.dv"));

    // An XSL step leaves the output's shape unknown: 125.
    WriteFile(install.work.File("x.dv"),
              "<tarnwrightdatavane><version>2.6</version><sourcefilename>in.csv</sourcefilename>"
              "<delimiter>,</delimiter><xsltransform>t.xsl</xsltransform><xmlroot/>"
              "</tarnwrightdatavane>");
    std::string errors;
    EXPECT_EQ(install.Run({"x.dv", "--write-schema", "x.xsd"}, &errors), 255);
    EXPECT_NE(errors.find("No XML Schema can describe what the definition writes: "),
              std::string::npos)
        << errors;
    const std::vector<std::string> entries = Installation::Entries(install.DefaultLog());
    EXPECT_NE(entries.back().find("Schema Failed"), std::string::npos);
    EXPECT_NE(entries[entries.size() - 2].find(") 125 ("), std::string::npos)
        << entries[entries.size() - 2];
}

}  // namespace
