#include "xml/CXMLDocument.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

using namespace Norvik;

namespace {

TEST(CXMLDocumentTest, ParseErrorTellsWhereAndWhy) {
    testsupport::TempDir dir;
    const std::string path = dir.File("bad.xml.txt");
    testsupport::WriteFile(path, "<a>\n  <b>text</c>\n</a>\n");
    CXMLDocument document;
    EXPECT_FALSE(document.Load(path));
    EXPECT_EQ(document.ParseError().url, path);
    EXPECT_EQ(document.ParseError().line, 2);
    EXPECT_GT(document.ParseError().linepos, 0);
    EXPECT_FALSE(document.ParseError().reason.empty());
    EXPECT_FALSE(document.DocumentElement());
}

TEST(CXMLDocumentTest, MissingEmptyAndTruncatedFilesFail) {
    testsupport::TempDir dir;
    CXMLDocument document;
    EXPECT_FALSE(document.Load(dir.File("missing.xml")));
    EXPECT_FALSE(document.Load(""));
    testsupport::WriteFile(dir.File("empty.txt"), "");
    EXPECT_FALSE(document.Load(dir.File("empty.txt")));
    EXPECT_FALSE(document.LoadFromMemory("<a><b>", "m"));
    EXPECT_FALSE(document.LoadFromMemory("\x00\x01\x02", "m"));
}

TEST(CXMLDocumentTest, ExternalEntitiesAreNeverLoaded) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("secret.txt"), "SECRET");
    const std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY x SYSTEM \"" +
                            dir.File("secret.txt") + "\">]>\n<a>&x;<b>keep</b></a>";
    CXMLDocument document;
    document.LoadFromMemory(xml, dir.File("in.xml"));
    EXPECT_EQ(document.DocumentElement().Text().find("SECRET"), std::string::npos);

    const std::string dtd = "<!DOCTYPE a SYSTEM \"" + dir.File("secret.txt") + "\"><a>x</a>";
    EXPECT_TRUE(document.LoadFromMemory(dtd, "m"));
    EXPECT_EQ(document.DocumentElement().Text(), "x");
}

TEST(CXMLDocumentTest, EntityExpansionBombDoesNotExplode) {
    std::string xml = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">";
    const char* previous = "a";
    const char* names[] = {"b", "c", "d", "e", "f", "g", "h", "i", "j"};
    for (const char* name : names) {
        xml += std::string("<!ENTITY ") + name + " \"";
        for (int i = 0; i < 10; ++i) {
            xml += std::string("&") + previous + ";";
        }
        xml += "\">";
        previous = name;
    }
    xml += "]><l>&j;</l>";
    CXMLDocument document;
    if (document.LoadFromMemory(xml, "bomb")) {
        EXPECT_LT(document.DocumentElement().Text().size(), 100u * 1000 * 1000);
    }
}

TEST(CXMLDocumentTest, LookupsFollowDocumentOrderAndKeepWhiteSpace) {
    CXMLDocument document;
    ASSERT_TRUE(document.LoadFromMemory(
        "<r><x>1</x><g><x>2<i>a</i>b</x></g><d>\t</d><x>3</x><e a=\" v \"/></r>", "m"));
    const auto& xs = document.ElementsByTagName("x");
    ASSERT_EQ(xs.size(), 3u);
    EXPECT_EQ(xs[0].Text(), "1");
    EXPECT_EQ(xs[1].Text(), "2ab");
    EXPECT_EQ(xs[2].Text(), "3");
    EXPECT_EQ(document.FirstElementByTagName("d").Text(), "\t");
    EXPECT_FALSE(document.FirstElementByTagName("none"));
    EXPECT_TRUE(document.ElementsByTagName("none").empty());
    const XmlElement e = document.FirstElementByTagName("e");
    EXPECT_EQ(*e.Attribute("a"), " v ");
    EXPECT_FALSE(e.Attribute("b"));
    EXPECT_EQ(document.DocumentElement().Children().size(), 5u);
    EXPECT_EQ(document.DocumentElement().Children("x").size(), 2u);
    EXPECT_EQ(document.DocumentElement().FirstChild("g").FirstChild("x").Text(), "2ab");
}

}  // namespace
