#include "import/CDTDLoader.h"

#include <gtest/gtest.h>

#include "LocalHttpServer.h"
#include "ScopedCatalog.h"
#include "TestSupport.h"
#include "TreeDump.h"
#include "import/SchemaImport.h"
#include "io/XmlCatalogs.h"
#include "model/DVFile.h"

using testsupport::DataFile;
using testsupport::Dump;

namespace {

// Imports a DTD text (written to a file) into a definition whose root has
// the given name; the tree, or "failed: <error>".
std::string FromText(const std::string& rootName, const std::string& dtd) {
    testsupport::TempDir dir;
    const std::string path = dir.File("t.dtd");
    testsupport::WriteFile(path, dtd);
    DVFile definition;
    definition.Root().SetName(rootName);
    if (!ImportSchema(definition, path, kImportDtd)) {
        return "failed: " + definition.GetLastError();
    }
    return Dump(definition.Root());
}

}  // namespace

TEST(CDTDLoaderTest, AttachesDeclarationsByName) {
    struct DtdCase {
        const char* what;
        const char* root;
        const char* dtd;
        const char* tree;
    };
    const DtdCase cases[] = {
        {"sequence with marks", "note",
         "<!ELEMENT note (to,from,body?)>\n<!ATTLIST note id CDATA #IMPLIED>",
         "note[@id? to from body?]"},
        {"repeating and optional-repeating", "list", "<!ELEMENT list (item+, extra*)>",
         "list[item extra?]"},
        {"mixed content", "p", "<!ELEMENT p (#PCDATA | b)*>", "p[b]"},
        {"EMPTY", "doc", "<!ELEMENT doc (br)>\n<!ELEMENT br EMPTY>", "doc[br!]"},
        {"parameter entity as the whole model", "deal",
         "<!ENTITY % parties \"buyer | seller\">\n<!ELEMENT deal (%parties;)>",
         "deal[buyer seller]"},
        {"comment between declarations", "a",
         "<!ELEMENT a (b)>\n<!-- b is next -->\n<!ATTLIST b x CDATA #REQUIRED>", "a[b[@x]]"},
        {"undeclared in any content: under the row level", "root", "<!ELEMENT orphan (#PCDATA)>",
         "root[row?[orphan?]]"},
        {"names go through the name rule", "a", "<!ELEMENT a (b.c)>", "a[bc]"},
        {"one attribute per line", "a", "<!ATTLIST a x CDATA #IMPLIED y CDATA #REQUIRED>",
         "a[@x?]"},
        {"nested groups flatten, group marks are lost", "a", "<!ELEMENT a ((b | c)*, (d, e?)+)>",
         "a[b c d e?]"},
        {"ANY adds nothing", "a", "<!ELEMENT a ANY>", "a"},
        {"entity names are case-sensitive, unknown ones expand to nothing", "a",
         "<!ENTITY % X \"x\">\n<!ELEMENT a (%x;, y)>", "a[y]"},
        {"#PCDATA entities are not stored", "a", "<!ENTITY % t \"#PCDATA\">\n<!ELEMENT a (%t;)>",
         "a"},
    };
    for (const DtdCase& c : cases) {
        EXPECT_EQ(FromText(c.root, c.dtd), c.tree) << c.what;
    }
}

TEST(CDTDLoaderTest, ReadsFilesWithEntitiesAndAttributeLists) {
    DVFile definition;
    definition.Root().SetName("deal");
    ASSERT_TRUE(ImportSchema(definition, DataFile("schema/entities.dtd"), kImportDtd));
    EXPECT_EQ(Dump(definition.Root()), "deal[buyer[@code? @note?] seller[name phone fax]]");

    definition.Root().SetName("note");
    ASSERT_TRUE(ImportSchema(definition, DataFile("schema/note.dtd"), kImportDtd));
    // br and signature belong to no content model: they go to the first
    // element of the root.
    EXPECT_EQ(Dump(definition.Root()),
              "note[@id? to[@kind @lang? br! signature?] from heading? body?[b]]");
}

TEST(CDTDLoaderTest, FailuresLeaveTheTreeAndSayWhy) {
    DVFile definition;
    definition.Root().SetName("kept");
    definition.Root().AddChild("child", XMLNode::kElement);
    EXPECT_FALSE(ImportSchema(definition, DataFile("schema/none.dtd"), kImportDtd));
    EXPECT_NE(definition.GetLastError().find("Failed to load DTD from"), std::string::npos);
    EXPECT_EQ(Dump(definition.Root()), "kept[child?]");

    // Entities that grow exponentially are stopped.
    definition.Root().SetName("boom");
    EXPECT_FALSE(ImportSchema(definition, DataFile("schema/entity-bomb.dtd"), kImportDtd));
    EXPECT_NE(definition.GetLastError().find("expand to more than"), std::string::npos);

    std::string many;
    for (int i = 0; i < 300; ++i) {
        many += "<!ELEMENT e" + std::to_string(i) + " (";
        for (int j = 0; j < 1000; ++j) {
            many += (j ? ",x" : "x") + std::to_string(j);
        }
        many += ")>\n";
    }
    EXPECT_NE(FromText("root", many).find("more than 200000 nodes"), std::string::npos);
}

TEST(CDTDLoaderTest, FetchesOverHttpAndTriesTheSchemeItself) {
    testsupport::LocalHttpServer server(DataFile("schema"));
    ASSERT_NE(server.Port(), 0);
    DVFile definition;
    definition.Root().SetName("deal");
    // No scheme: the file and file:// tries fail, http:// finds it.
    ASSERT_TRUE(ImportSchema(definition, server.HostAndPort() + "/entities.dtd", kImportDtd))
        << definition.GetLastError();
    EXPECT_EQ(Dump(definition.Root()), "deal[buyer[@code? @note?] seller[name phone fax]]");
}

TEST(CDTDLoaderTest, ADtdUrlTheCatalogsMapIsReadFromItsCopy) {
    testsupport::TempDir dir;
    testsupport::LocalHttpServer server(DataFile("schema"));
    const testsupport::ScopedCatalog catalog(
        dir.File("catalog.xml"),
        testsupport::SystemEntry(server.Url("/entities.dtd"),
                                 "file://" + DataFile("schema/entities.dtd")),
        Norvik::XmlCatalogs::Reload);
    DVFile definition;
    definition.Root().SetName("deal");
    EXPECT_TRUE(ImportSchema(definition, server.Url("/entities.dtd"), kImportDtd))
        << definition.GetLastError();
    EXPECT_EQ(server.Requests(), 0) << server.RequestedPaths();
}
