#include "validate/BackgroundValidator.h"
#include "validate/CSchemaValidator.h"

#include <gtest/gtest.h>

#include <string>

#include "LocalHttpServer.h"
#include "ScopedCatalog.h"
#include "TestSupport.h"
#include "ValidatorVerdict.h"
#include "io/XmlCatalogs.h"

using Norvik::CSchemaValidator;

namespace {

const char* const kSchema = R"(<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema"
    targetNamespace="urn:orders" xmlns="urn:orders" elementFormDefault="qualified">
  <xs:element name="orders">
    <xs:complexType><xs:sequence>
      <xs:element name="order" maxOccurs="unbounded">
        <xs:complexType>
          <xs:sequence>
            <xs:element name="id" type="xs:integer"/>
            <xs:element name="when" type="xs:date"/>
            <xs:element name="code"><xs:simpleType><xs:restriction base="xs:string">
              <xs:pattern value="[A-Z]{2}-\d+"/></xs:restriction></xs:simpleType></xs:element>
            <xs:element name="note" type="xs:string" minOccurs="0" nillable="true"/>
          </xs:sequence>
          <xs:attribute name="kind" use="required"><xs:simpleType>
            <xs:restriction base="xs:string"><xs:enumeration value="a&amp;b"/>
            <xs:enumeration value="plain"/></xs:restriction></xs:simpleType></xs:attribute>
        </xs:complexType>
      </xs:element>
    </xs:sequence></xs:complexType>
    <xs:unique name="ids"><xs:selector xpath="order"/><xs:field xpath="id"/></xs:unique>
  </xs:element>
</xs:schema>)";

std::string Order(const std::string& kind, const std::string& body) {
    return "\n\t<order kind=\"" + kind + "\">\n" + body + "\n\t</order>";
}

std::string Document(const std::string& orders) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<orders xmlns=\"urn:orders\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" +
           orders + "\n</orders>\n";
}

const std::string kGood = "\t\t<id>1</id>\n\t\t<when>2024-02-29</when>\n\t\t<code>AB-7</code>";

}  // namespace

TEST(CSchemaValidatorTest, WriterMarkupGetsTheParsersVerdictWordForWord) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("orders.xsd"), kSchema);
    CSchemaValidator validator;
    ASSERT_TRUE(validator.Load(dir.File("orders.xsd"))) << validator.LoadError();
    const std::string documents[] = {
        Document(Order("plain", kGood) +
                 Order("a&amp;b", kGood.substr(0, 13) + "2" + kGood.substr(14))),
        Document(Order("plain", kGood + "\n\t\t<note>x &lt; y</note>")),
        Document(Order("plain", kGood + "\n\t\t<note xsi:nil=\"true\"/>")),
        Document(Order("plain", "\t\t<id>x1</id>" + kGood.substr(13))),             // type
        Document(Order("plain", kGood.substr(0, 13) + "\n\t\t<code>AB-7</code>")),  // missing
        Document(Order("plain", kGood + "\n\t\t<extra/>")),                         // extra
        Document(Order("other", kGood)),                                            // enum
        Document("\n\t<order>\n" + kGood + "\n\t</order>"),                         // required
        Document(Order("plain", kGood) + Order("plain", kGood)),                    // unique
        Document(
            Order("plain", "\t\t<id>1</id>\n\t\t<when>2023-02-29</when>\n\t\t<code>ab</code>")),
        "<orders xmlns=\"urn:other\"/>",  // namespace
        Document(Order("plain", kGood + "\n\t\t<note>line\r\nbreak</note>")),
        // Reported where the text ends, however it was fed.
        Document(Order("plain", kGood + "\n\t\tstray text across the pieces")),
    };
    int invalid = 0;
    for (const std::string& document : documents) {
        SCOPED_TRACE(document);
        const testsupport::Verdict parsed = testsupport::CheckDocument(validator, document, false);
        const testsupport::Verdict read = testsupport::CheckDocument(validator, document, true);
        EXPECT_EQ(read.valid, parsed.valid);
        EXPECT_EQ(read.text, parsed.text);
        invalid += parsed.valid ? 0 : 1;
    }
    EXPECT_EQ(invalid, 9);
}

TEST(CSchemaValidatorTest, BackgroundCheckingReportsABadBlockAtTheNextCall) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("orders.xsd"), kSchema);
    CSchemaValidator validator;
    ASSERT_TRUE(validator.Load(dir.File("orders.xsd"))) << validator.LoadError();
    Norvik::BackgroundValidator background(validator);
    const std::string good = Order("plain", kGood);
    std::string bad = Order("plain", "\t\t<id>x</id>" + kGood.substr(12));
    const std::string head = Document("").substr(0, Document("").size() - 11);

    for (const bool trusted : {true, false}) {
        SCOPED_TRACE(trusted);
        // Valid documents, one block and several.
        background.Begin("one.xml", trusted);
        EXPECT_TRUE(background.Feed(Document(good)));
        EXPECT_TRUE(background.End());
        background.Begin("many.xml", trusted);
        EXPECT_TRUE(background.Feed(head));
        for (int i = 0; i < 20; ++i) {
            EXPECT_TRUE(background.Feed(good));
        }
        EXPECT_TRUE(background.Feed("\n</orders>\n"));
        EXPECT_TRUE(background.End());

        // A bad second block: seen by the third call at the latest.
        background.Begin("bad.xml", trusted);
        ASSERT_TRUE(background.Feed(head + good));
        const int64_t badAt = static_cast<int64_t>(head.size() + good.size());
        background.Feed(bad);
        EXPECT_FALSE(background.Feed(good) && background.End());
        EXPECT_NE(background.FailureText().find("'x'"), std::string::npos)
            << background.FailureText();
        EXPECT_GT(background.FirstError().offset, badAt);
        EXPECT_LE(background.FirstError().offset, badAt + static_cast<int64_t>(bad.size()));
    }
}

// The schema and its import come from the copies the catalogs name, the
// entity the import declares is never fetched, and a copy that is missing
// says so.
TEST(CSchemaValidatorTest, SchemasAndTheirImportsResolveThroughTheXmlCatalogs) {
    testsupport::TempDir dir;
    testsupport::LocalHttpServer server(dir.Path().string());
    const std::string xs = "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" ";
    const auto importing = [&](const std::string& path) {
        return xs + "xmlns:p=\"urn:p\"><xs:import namespace=\"urn:p\" schemaLocation=\"" +
               server.Url(path) + "\"/><xs:element name=\"order\" type=\"p:T\"/></xs:schema>";
    };
    testsupport::WriteFile(dir.File("order.xsd"), importing("/party.xsd"));
    testsupport::WriteFile(dir.File("gone.xsd"), importing("/gone"));
    testsupport::WriteFile(dir.File("party.xsd"),
                           "<!DOCTYPE xs:schema [<!ENTITY x SYSTEM \"" + server.Url("/x") +
                               "\">]>" + xs +
                               "targetNamespace=\"urn:p\"><xs:simpleType name=\"T\">"
                               "<xs:annotation><xs:documentation>&x;</xs:documentation>"
                               "</xs:annotation><xs:restriction base=\"xs:int\">"
                               "<xs:maxInclusive value=\"1\"/></xs:restriction>"
                               "</xs:simpleType></xs:schema>");
    const testsupport::ScopedCatalog catalog(
        dir.File("catalog.xml"),
        testsupport::UriEntry(server.Url("/order.xsd"), "order.xsd") +
            testsupport::SystemEntry(server.Url("/party.xsd"), "file://" + dir.File("party.xsd")) +
            testsupport::UriEntry(server.Url("/gone"), "gone"),
        Norvik::XmlCatalogs::Reload);
    CSchemaValidator validator;
    ASSERT_TRUE(validator.Load(server.Url("/order.xsd"))) << validator.LoadError();
    EXPECT_TRUE(testsupport::CheckDocument(validator, "<order>1</order>", false).valid);
    EXPECT_FALSE(testsupport::CheckDocument(validator, "<order>2</order>", false).valid);
    CSchemaValidator missing;
    EXPECT_FALSE(missing.Load(dir.File("gone.xsd")));
    EXPECT_NE(missing.LoadError().find(server.Url("/gone") + ": the XML catalogs map it to " +
                                       dir.File("gone")),
              std::string::npos)
        << missing.LoadError();
    EXPECT_EQ(server.Requests(), 0) << server.RequestedPaths();
}
