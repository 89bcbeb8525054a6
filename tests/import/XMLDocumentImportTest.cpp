#include "import/XMLDocumentImport.h"

#include <gtest/gtest.h>

#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "TreeDump.h"
#include "import/FetchText.h"
#include "import/SchemaImport.h"
#include "model/DVFile.h"

using testsupport::DataFile;
using testsupport::Dump;

TEST(XMLDocumentImportTest, MergesRepeatedElements) {
    DVFile definition;
    ASSERT_TRUE(ImportSchema(definition, DataFile("schema/sample.xml"), kImportXml))
        << definition.GetLastError();
    // Two b elements give one node with the second one's attribute; the b
    // inside c:d is looked for below c:d only.
    EXPECT_EQ(Dump(definition.Root()),
              "a[@xmlns:xs?=http://www.w3.org/2001/XMLSchema @version? b?[@x? i?] "
              "c:d?[@xmlns:c?=urn:c @c:flag? b?[@y?]] e?]");
    const XMLNode* xs = definition.Root().GetChild(0);
    EXPECT_EQ(xs->GetValue(), "http://www.w3.org/2001/XMLSchema");
    EXPECT_EQ(definition.Root().GetChild(1)->GetValue(), "");
}

TEST(XMLDocumentImportTest, BadDocumentsFailWithoutHarm) {
    testsupport::TempDir dir;
    const std::string broken = dir.File("broken.txt");
    testsupport::WriteFile(broken, "<a><b></a>");
    struct FailureCase {
        std::string path;
        const char* says;
    };
    const FailureCase cases[] = {
        {broken, "XML Parser Error\r\nURL: "},
        {DataFile("schema/laughs.xml"), "XML Parser Error"},  // entity expansion bomb
        {dir.File("missing.xml"), "missing.xml"},
    };
    for (const FailureCase& c : cases) {
        DVFile definition;
        definition.Root().AddChild("kept", XMLNode::kElement);
        EXPECT_FALSE(ImportSchema(definition, c.path, kImportXml)) << c.path;
        EXPECT_NE(definition.GetLastError().find(c.says), std::string::npos)
            << definition.GetLastError();
        EXPECT_EQ(Dump(definition.Root()), "document[kept?]");
    }
}

TEST(FetchTextTest, TriesPathsFileUrlsAndHttp) {
    testsupport::LocalHttpServer server(DataFile("schema"));
    ASSERT_NE(server.Port(), 0);
    testsupport::TempDir dir;
    const std::string utf16 = dir.File("utf16.dtd");
    testsupport::WriteFile(utf16, std::string("\xFF\xFE<\0!\0-\0-\0 \0\xE9\0-\0-\0>\0", 20));
    struct FetchCase {
        std::string location;
        bool ok;
        std::string starts;
    };
    const FetchCase cases[] = {
        {DataFile("schema/note.dtd"), true, "<!ELEMENT note"},
        {"file://" + DataFile("schema/note.dtd"), true, "<!ELEMENT note"},
        {server.Url("/note.dtd"), true, "<!ELEMENT note"},
        {server.HostAndPort() + "/note.dtd", true, "<!ELEMENT note"},
        {utf16, true, "<!-- \xC3\xA9-->"},
        {server.Url("/missing.dtd"), false, "404"},
        {dir.File("missing.dtd"), false, "No such file"},
        {"", false, "No path or URL"},
    };
    for (const FetchCase& c : cases) {
        std::string text;
        EXPECT_EQ(FetchText(c.location, text), c.ok) << c.location << ": " << text;
        EXPECT_NE(text.find(c.starts), std::string::npos) << c.location << ": " << text;
    }
}

TEST(XMLDocumentImportTest, SampleOverHttpWithoutScheme) {
    testsupport::LocalHttpServer server(DataFile("schema"));
    DVFile definition;
    ASSERT_TRUE(ImportSchema(definition, server.HostAndPort() + "/sample.xml", kImportXml))
        << definition.GetLastError();
    EXPECT_EQ(definition.Root().GetName(), "a");
}
