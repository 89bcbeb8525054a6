#include "workbench/PreviewValidation.h"

#include <gtest/gtest.h>

#include <fstream>

#include "TestSupport.h"

namespace {

// <list> of <n> integers.
std::string WriteSchema(const testsupport::TempDir& dir) {
    const std::string path = dir.File("list.xsd");
    std::ofstream(path) << "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
                           "<xs:element name=\"list\"><xs:complexType><xs:sequence>"
                           "<xs:element name=\"n\" type=\"xs:int\" maxOccurs=\"unbounded\"/>"
                           "</xs:sequence></xs:complexType></xs:element></xs:schema>";
    return path;
}

}  // namespace

TEST(PreviewValidationTest, ChecksWhatIsShown) {
    testsupport::TempDir dir;
    const std::string schema = WriteSchema(dir);
    const std::string head = "<?xml version=\"1.0\" encoding=\"utf-16\"?>\n<list>\n  <n>1</n>\n";
    const struct {
        const char* name;
        std::string schema;
        std::string text;
        bool truncated;
        bool checked, valid;
        int line;
    } cases[] = {
        {"no schema", "", head + "  <n>x</n>\n</list>\n", false, false, true, 0},
        {"not XML: a run's error", schema, "The source file cannot be opened.", false, false, true,
         0},
        {"valid, declared UTF-16", schema, head + "</list>\n", false, true, true, 0},
        {"invalid value", schema, head + "  <n>x</n>\n  <n>2</n>\n</list>\n", false, true, false,
         4},
        {"cut: no complaint about the end", schema, head + "  <n>2</n>\n  <n>3", true, true, true,
         0},
        {"cut after an error: the error", schema, head + "  <n>y</n>\n  <n>3</n>\n  <n", true, true,
         false, 4},
        {"not cut, unfinished: an error", schema, head + "  <n>2</n>\n", false, true, false, 0},
    };
    for (const auto& c : cases) {
        const PreviewValidation::Outcome outcome =
            PreviewValidation::Check(c.schema, c.text, c.truncated);
        EXPECT_EQ(outcome.checked, c.checked) << c.name;
        EXPECT_EQ(outcome.valid, c.valid) << c.name << ": " << outcome.message;
        if (c.line > 0) {
            EXPECT_EQ(outcome.line, c.line) << c.name;
            EXPECT_FALSE(outcome.message.empty()) << c.name;
        }
    }
    const PreviewValidation::Outcome missing =
        PreviewValidation::Check(dir.File("none.xsd"), "<list/>", false);
    EXPECT_TRUE(missing.checked);
    EXPECT_FALSE(missing.valid);
    EXPECT_EQ(missing.line, 0);
    EXPECT_FALSE(missing.message.empty());
}
