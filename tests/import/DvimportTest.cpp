#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TreeDump.h"
#include "model/DVFile.h"

using testsupport::DataFile;

TEST(DvimportTest, SavesImportedDefinitionsAndReportsFailures) {
    testsupport::TempDir dir;
    struct ImportCase {
        std::vector<std::string> arguments;
        int status;
        const char* tree;  // of the saved file, when the run succeeds
        const char* says;  // on standard error otherwise
    };
    const std::string out = dir.File("out.dv");
    const ImportCase cases[] = {
        {{"xsd", DataFile("schema/one-root.xsd"), out}, 0, "note[to? body?]", ""},
        {{"dtd", DataFile("schema/note.dtd"), out, "--root", "note"},
         0,
         "note[@id? to[@kind @lang? br! signature?] from heading? body?[b]]",
         ""},
        {{"xml", DataFile("schema/sample.xml"), out},
         0,
         "a[@xmlns:xs?=http://www.w3.org/2001/XMLSchema @version? b?[@x? i?] "
         "c:d?[@xmlns:c?=urn:c @c:flag? b?[@y?]] e?]",
         ""},
        {{"xsd", DataFile("schema/no-elements.xsd"), out}, 1, "", "No top level elements"},
        {{"dtd", DataFile("schema/note.dtd"), dir.File("no/such/folder/out.dv")},
         1,
         "",
         "dvimport: "},
        {{"dtd", DataFile("schema/note.dtd"), out, "--root"}, 2, "", "usage"},
        {{"pdf", "x", out}, 2, "", "usage"},
        {{"dtd", DataFile("schema/note.dtd"), out, "--validate"}, 2, "", "usage"},
        {{"xsd", "x"}, 2, "", "usage"},
    };
    for (const ImportCase& c : cases) {
        std::filesystem::remove(out);
        std::string errors;
        EXPECT_EQ(testsupport::RunProgram(DV_DVIMPORT, c.arguments, dir.Path().string(), &errors),
                  c.status)
            << c.arguments[0] << " " << c.arguments[1] << ": " << errors;
        if (c.status == 0) {
            DVFile saved;
            ASSERT_TRUE(saved.LoadProjectFile(out)) << saved.GetLastError();
            EXPECT_EQ(testsupport::Dump(saved.Root()), c.tree);
            EXPECT_TRUE(saved.Settings().quotedlinebreaks);  // a new definition
        } else {
            EXPECT_NE(errors.find(c.says), std::string::npos) << errors;
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
    // --validate records the schema for the runs of the definition.
    ASSERT_EQ(testsupport::RunProgram(DV_DVIMPORT,
                                      {"xsd", DataFile("schema/one-root.xsd"), out, "--validate"},
                                      dir.Path().string()),
              0);
    DVFile saved;
    ASSERT_TRUE(saved.LoadProjectFile(out));
    EXPECT_EQ(saved.Settings().validateschema, DataFile("schema/one-root.xsd"));
}
