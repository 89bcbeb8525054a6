#include <gtest/gtest.h>

#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "output/XSLPostProcessor.h"

using namespace testsupport;

namespace {

const char* kCopyRows =
    R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="xml" encoding="utf-8" indent="no"/>
  <xsl:template match="/document">
    <items><xsl:for-each select="row"><item n="{N}"/></xsl:for-each></items>
  </xsl:template>
</xsl:stylesheet>)";

DVFile Rows(const TempDir& dir, const std::string& stylesheet, int rows = 3) {
    std::string csv = "N\n";
    for (int i = 1; i <= rows; ++i) {
        csv += std::to_string(i) + "\n";
    }
    WriteFile(dir.File("in.csv"), csv);
    WriteFile(dir.File("t.xsl"), stylesheet);
    DVFile definition;
    definition.SetSourceFileName(dir.File("in.csv"));
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetXslTransform(dir.File("t.xsl"));
    return definition;
}

TEST(XslRunTest, EachFileIsTransformedAndTheStylesheetCompiledOnce) {
    TempDir dir;
    DVFile definition = Rows(dir, kCopyRows);
    definition.SetFilePerRow(true);
    const int64_t before = XSLPostProcessor::Compilations();
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, 0) << outcome.detail;
    EXPECT_EQ(XSLPostProcessor::Compilations() - before, 1);
    ASSERT_EQ(outcome.files.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Canonical(ReadFile(outcome.files[i])),
                  "items(item[n=" + std::to_string(i + 1) + "])");
    }
}

TEST(XslRunTest, ResultBytesAreTheStylesheetsOwn) {
    struct Case {
        const char* what;
        std::string stylesheet;
        std::string expected;  // exact file bytes; empty: check below
    };
    const std::string head =
        R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">)";
    const Case cases[] = {
        {"text",
         head + R"(<xsl:output method="text"/><xsl:template match="/">)"
                R"(<xsl:for-each select="//N"><xsl:value-of select="."/>)"
                R"(<xsl:text>&#10;</xsl:text></xsl:for-each></xsl:template></xsl:stylesheet>)",
         "1\n2\n3\n"},
        {"empty", head + R"(<xsl:output method="text"/><xsl:template match="/"/></xsl:stylesheet>)",
         ""},
        {"utf-16",
         head + R"(<xsl:output method="xml" encoding="UTF-16"/><xsl:template match="/">)"
                R"x(<n><xsl:value-of select="count(//row)"/></n></xsl:template></xsl:stylesheet>)x",
         ""},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const RunOutcome outcome = RunSaved(Rows(dir, c.stylesheet), dir);
        ASSERT_EQ(outcome.code, 0) << c.what << ": " << outcome.detail;
        const std::string bytes = ReadFile(dir.File("out.xml"));
        if (std::string(c.what) == "utf-16") {
            ASSERT_GE(bytes.size(), 4u);
            EXPECT_TRUE(bytes.rfind("\xFF\xFE", 0) == 0 ||
                        bytes.rfind(std::string("<\0", 2), 0) == 0)
                << "not UTF-16";
            EXPECT_EQ(Canonical(bytes), "n('3')");
        } else {
            EXPECT_EQ(bytes, c.expected) << c.what;
            std::filesystem::remove(dir.File("out.xml"));  // text, not XML
        }
    }
}

TEST(XslRunTest, BrokenStylesheetsFailTheRun) {
    TempDir dir;
    DVFile definition = Rows(dir,
                             "<xsl:stylesheet version=\"1.0\"\n"
                             "  xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
                             "  <xsl:template match=\"/\"><a></b></xsl:template>\n"
                             "</xsl:stylesheet>\n");
    RunOutcome outcome = RunSaved(definition, dir);
    EXPECT_EQ(outcome.code, kTargetFileWrite);
    EXPECT_EQ(outcome.message, "Failed to write to the target file: " + dir.File("out.xml"));
    EXPECT_EQ(outcome.detail.rfind(
                  "XML Parser Error\r\nURL: " + dir.File("t.xsl") + "\r\nLine 3, Position ", 0),
              0u)
        << outcome.detail;
    EXPECT_NE(outcome.detail.find("\r\nDescription: "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));

    // A stylesheet that parses but does not compile.
    WriteFile(dir.File("t.xsl"),
              R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
      <xsl:template match="row[[["><x/></xsl:template></xsl:stylesheet>)");
    outcome = RunSaved(definition, dir);
    EXPECT_EQ(outcome.code, kTargetFileWrite);
    EXPECT_EQ(outcome.detail.rfind("XSL Error\r\nError: ", 0), 0u) << outcome.detail;

    // A transformation that stops itself; files finished before stay.
    definition.SetFilePerRow(true);
    WriteFile(dir.File("t.xsl"),
              R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
      <xsl:template match="/">
        <xsl:if test="//N = 2"><xsl:message terminate="yes">row two is bad</xsl:message></xsl:if>
        <ok/>
      </xsl:template></xsl:stylesheet>)");
    outcome = RunSaved(definition, dir);
    EXPECT_EQ(outcome.code, kTargetFileWrite);
    EXPECT_EQ(outcome.detail.rfind("XSL Error\r\nError: ", 0), 0u) << outcome.detail;
    EXPECT_NE(outcome.detail.find("row two is bad"), std::string::npos) << outcome.detail;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out001.xml")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out002.xml")));
}

TEST(XslRunTest, StylesheetsReadButNeverWrite) {
    TempDir dir;
    WriteFile(dir.File("names.xml"), "<names><n id=\"1\">one</n><n id=\"2\">two</n></names>");
    DVFile reading =
        Rows(dir, R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
      <xsl:output method="text"/>
      <xsl:template match="/"><xsl:for-each select="//N">
        <xsl:variable name="n" select="."/>
        <xsl:value-of select="document('names.xml')//n[@id=$n]"/>
      </xsl:for-each></xsl:template></xsl:stylesheet>)",
             2);
    RunOutcome outcome = RunSaved(reading, dir);
    ASSERT_EQ(outcome.code, 0) << outcome.detail;
    EXPECT_EQ(ReadFile(dir.File("out.xml")), "onetwo");

    DVFile writing =
        Rows(dir, R"(<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
        xmlns:exsl="http://exslt.org/common" extension-element-prefixes="exsl">
      <xsl:template match="/"><exsl:document href="stolen.txt" method="text">x</exsl:document><ok/></xsl:template>
      </xsl:stylesheet>)");
    outcome = RunSaved(writing, dir);
    EXPECT_EQ(outcome.code, kTargetFileWrite) << outcome.detail;
    EXPECT_FALSE(std::filesystem::exists(dir.File("stolen.txt")));
    EXPECT_FALSE(std::filesystem::exists("stolen.txt"));
}

TEST(XslRunTest, FileUrlsWork) {
    TempDir dir;
    DVFile definition = Rows(dir, kCopyRows, 1);
    definition.SetXslTransform("file://" + dir.File("t.xsl"));
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, 0) << outcome.detail;
    EXPECT_EQ(CanonicalFile(dir.File("out.xml")), "items(item[n=1])");
}

}  // namespace
