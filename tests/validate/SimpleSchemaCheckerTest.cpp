#include "validate/SimpleSchema.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ValidatorVerdict.h"
#include "validate/CSchemaValidator.h"

using Norvik::CSchemaValidator;
using Norvik::SimpleSchema;

namespace {

std::string Schema(const std::string& body, const std::string& attributes = "") {
    return "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"" + attributes + ">" + body +
           "</xs:schema>";
}

bool Compiles(const std::string& schema) {
    xmlDocPtr document = xmlReadMemory(schema.data(), static_cast<int>(schema.size()), "s.xsd",
                                       nullptr, XML_PARSE_NONET);
    const bool compiled = document && SimpleSchema::Compile(document) != nullptr;
    xmlFreeDoc(document);
    return compiled;
}

// Every value type's awkward cases: forms libxml2 takes and forms it refuses.
const char* const kRecordSchema = R"(
  <xs:element name="document">
    <xs:complexType><xs:sequence>
      <xs:element name="row" minOccurs="0" maxOccurs="unbounded">
        <xs:complexType><xs:sequence>
          <xs:element name="id" type="xs:integer"/>
          <xs:element name="a" type="xs:string" minOccurs="0"/>
          <xs:element name="b" type="xs:token" minOccurs="0" maxOccurs="unbounded"/>
          <xs:element name="c" type="xs:date" minOccurs="0"/>
          <xs:element name="d" type="xs:decimal" maxOccurs="unbounded"/>
          <xs:element name="e" type="xs:boolean" minOccurs="0" maxOccurs="unbounded"/>
          <xs:element name="f" type="xs:int" minOccurs="0"/>
          <xs:element name="g" type="xs:byte" minOccurs="0"/>
          <xs:element name="h" type="xs:positiveInteger" minOccurs="0"/>
          <xs:element name="i" type="xs:unsignedByte" minOccurs="0"/>
          <xs:element name="j" type="xs:short" minOccurs="0"/>
          <xs:element name="k" type="xs:nonPositiveInteger" minOccurs="0"/>
          <xs:element name="l" type="xs:normalizedString" minOccurs="0"/>
          <xs:element name="part" type="Part" minOccurs="0"/>
          <xs:element name="w1" type="xs:string" minOccurs="0"/>
          <xs:element name="w2" type="xs:string" minOccurs="0"/>
          <xs:element name="w3" type="xs:string" minOccurs="0"/>
          <xs:element name="w4" type="xs:string" minOccurs="0"/>
          <xs:element name="w5" type="xs:string" minOccurs="0"/>
          <xs:element name="w6" type="xs:string" minOccurs="0"/>
          <xs:element name="w7" type="xs:string" minOccurs="0"/>
          <xs:element name="w8" type="xs:string" minOccurs="0"/>
          <xs:element name="w9" type="xs:string" minOccurs="0"/>
          <xs:element name="w10" type="xs:string" minOccurs="0"/>
          <xs:element name="w11" type="xs:string" minOccurs="0"/>
          <xs:element name="w12" type="xs:string" minOccurs="0"/>
          <xs:element name="end" type="xs:string"/>
        </xs:sequence></xs:complexType>
      </xs:element>
    </xs:sequence></xs:complexType>
  </xs:element>
  <xs:complexType name="Part"><xs:sequence>
    <xs:element name="n" type="xs:unsignedByte" maxOccurs="unbounded"/>
    <xs:element name="part" type="Part" minOccurs="0"/>
  </xs:sequence></xs:complexType>)";

struct Field {
    const char* name;
    int min;
    int max;  // -1: unbounded
    std::vector<const char*> values;
};

const std::vector<Field>& RowFields() {
    static const std::vector<Field> fields = {
        {"id",
         1,
         1,
         {"1", " 12 ", "-5", "+5", "007", "1x", "", "123456789012345678901234", "-0", "1.0",
          "1 2"}},
        {"a", 0, 1, {"", "a &lt; b", "x\ny", "' \" %s", "\xC3\xBCn\xC3\xAF"}},
        {"b", 0, -1, {"  a  b  ", "", "t"}},
        {"c",
         0,
         1,
         {"2019-02-28", "2019-02-29", "2020-02-29", "0000-01-01", "2019-13-01", "2019-1-01",
          "2019-02-28Z", " 2019-02-28 ", "-0001-01-01", "12019-01-01"}},
        {"d",
         1,
         -1,
         {"1.5", "-.5", ".5", "5.", "1e3", "+1.50", " 3.25 ", "1234567890123456789.5", "-", ".",
          "12"}},
        {"e", 0, -1, {"true", "false", "1", "0", "TRUE", " true ", "yes"}},
        {"f", 0, 1, {"2147483647", "2147483648", "-2147483648", "-2147483649"}},
        {"g", 0, 1, {"127", "128", "-128", "-129"}},
        {"h", 0, 1, {"0", "1", "-0", "+1"}},
        {"i", 0, 1, {"255", "256", "-0", "-1"}},
        {"j", 0, 1, {"-32768", "32768", " +0 "}},
        {"k", 0, 1, {"0", "-0", "1", "-99999999999999999999"}},
        {"l", 0, 1, {"a\tb", " x "}},
        {"part", 0, 1, {}},
        {"w1", 0, 1, {"w"}},
        {"w2", 0, 1, {"w"}},
        {"w3", 0, 1, {"w"}},
        {"w4", 0, 1, {"w"}},
        {"w5", 0, 1, {"w"}},
        {"w6", 0, 1, {"w"}},
        {"w7", 0, 1, {"w"}},
        {"w8", 0, 1, {"w"}},
        {"w9", 0, 1, {"w"}},
        {"w10", 0, 1, {"w"}},
        {"w11", 0, 1, {"w"}},
        {"w12", 0, 1, {"w"}},
        {"end", 1, 1, {"z"}},
    };
    return fields;
}

// How a document writes its names: the declarations on the root, the
// prefix of the root (a global element) and of the elements below it.
struct NameStyle {
    std::string declarations;
    std::string globalPrefix;
    std::string localPrefix;
};

// Documents near the valid ones, each with a chance of every kind of fault
// (names in the wrong namespace among them).
class Generator {
public:
    explicit Generator(unsigned seed, NameStyle style = {}) : random_(seed), style_(style) {}

    std::string Document() {
        std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
        const std::string root = Prefix(style_.globalPrefix) + (Chance(30) ? "doc" : "document");
        text += "<" + root + style_.declarations + ">";
        const int rows = Pick(0, 3);
        for (int r = 0; r < rows; ++r) {
            const std::string row = Local("row");
            text += "\n\t<" + row + std::string(Chance(40) ? " x=\"1\"" : "") + ">";
            for (const Field& field : RowFields()) {
                int count = Pick(field.min, field.max < 0 ? field.min + 2 : field.max);
                if (Chance(40)) {
                    count += Chance(2) ? 1 : -1;
                }
                for (int n = 0; n < count; ++n) {
                    text += "\n\t\t";
                    if (std::string(field.name) == "part") {
                        text += Part(2);
                    } else {
                        Leaf(text, field);
                    }
                }
                if (Chance(150)) {
                    text += "\n\t\t<" + Local("stray") + "/>";
                }
            }
            text += Chance(80) ? "\n\ttext" : "";
            text += "\n\t</" + row + ">";
        }
        return text + "\n</" + root + ">\n";
    }

private:
    bool Chance(int inverse) { return Pick(1, inverse) == 1; }
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    // Now and then the other namespace: no prefix for a prefixed name, the
    // declared "w" prefix of a namespace the schema does not know for the
    // rest.
    std::string Prefix(const std::string& prefix) {
        if (style_.declarations.empty() || !Chance(60)) {
            return prefix;
        }
        return prefix.empty() ? "w:" : "";
    }
    std::string Local(const std::string& name) { return Prefix(style_.localPrefix) + name; }

    void Leaf(std::string& text, const Field& field) {
        const std::string name = Local(field.name);
        text += "<" + name + ">";
        // Valid forms mostly: the first value of each list is one.
        text += Chance(3) ? field.values[static_cast<size_t>(
                                Pick(0, static_cast<int>(field.values.size()) - 1))]
                          : field.values[0];
        if (Chance(200)) {
            text += "<" + Local("inner") + "/>";
        }
        text += "</" + name + ">";
    }

    std::string Part(int depth) {
        const std::string part = Local("part");
        std::string text = "<" + part + ">";
        const int numbers = Pick(Chance(20) ? 0 : 1, 3);
        for (int n = 0; n < numbers; ++n) {
            const std::string number = Local("n");
            text +=
                "<" + number + ">" + std::string(Chance(10) ? "300" : "7") + "</" + number + ">";
        }
        if (depth > 0 && Chance(2)) {
            text += Part(depth - 1);
        }
        return text + "</" + part + ">";
    }

    std::mt19937 random_;
    NameStyle style_;
};

// The quick and the general verdict of each document, which must agree word
// for word; the number of invalid documents.
int CompareVerdicts(CSchemaValidator& validator, const std::vector<std::string>& documents) {
    int invalid = 0;
    for (const std::string& document : documents) {
        const testsupport::Verdict general =
            testsupport::CheckDocument(validator, document, false, true);
        const testsupport::Verdict quick =
            testsupport::CheckDocument(validator, document, true, false);
        EXPECT_EQ(quick.valid, general.valid) << document;
        EXPECT_EQ(quick.text, general.text) << document;
        invalid += general.valid ? 0 : 1;
    }
    return invalid;
}

}  // namespace

TEST(SimpleSchemaTest, CompilesOnlyTheShapeItChecksInFull) {
    const std::string element = "<xs:element name=\"r\"><xs:complexType><xs:sequence>";
    const std::string end = "</xs:sequence></xs:complexType></xs:element>";
    const struct {
        std::string schema;
        bool compiles;
    } cases[] = {
        {Schema(element + "<xs:element name=\"v\" type=\"xs:integer\"/>" + end), true},
        {Schema(kRecordSchema), true},
        {Schema("<xs:element name=\"v\" type=\"xs:string\"/>"), true},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:integer\"/>" + end,
                " targetNamespace=\"urn:x\" elementFormDefault=\"qualified\""),
         true},
        // Types of the target namespace need their binding; no other forms,
        // includes or imports.
        {Schema("<xs:element name=\"r\" type=\"T\"/><xs:complexType name=\"T\"><xs:sequence>"
                "<xs:element name=\"v\" type=\"xs:string\"/></xs:sequence></xs:complexType>",
                " targetNamespace=\"urn:x\""),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:integer\" form=\"bound\"/>" + end,
                " targetNamespace=\"urn:x\""),
         false},
        {Schema("<xs:import namespace=\"urn:y\"/><xs:element name=\"v\" type=\"xs:string\"/>",
                " targetNamespace=\"urn:x\""),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:ID\"/>" + end), false},
        {Schema(element + "<xs:element name=\"v\"/>" + end), false},  // anyType
        {Schema(element + "<xs:element name=\"v\" type=\"xs:string\" nillable=\"true\"/>" + end),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:string\" default=\"x\"/>" + end),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:string\"/>" +
                "<xs:element name=\"v\" type=\"xs:string\"/>" + end),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:string\" maxOccurs=\"0\"/>" + end),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:string\" maxOccurs=\"3\"/>" + end),
         false},
        {Schema(element +
                "<xs:element name=\"v\" type=\"xs:string\" minOccurs=\"2\" "
                "maxOccurs=\"unbounded\"/>" +
                end),
         false},
        {Schema(element + "<xs:element name=\"v\" type=\"xs:float\"/>" + end), false},
        {Schema("<xs:element name=\"r\"><xs:complexType><xs:choice>"
                "<xs:element name=\"v\" type=\"xs:string\"/></xs:choice></xs:complexType>"
                "</xs:element>"),
         false},
        {Schema("<xs:element name=\"r\"><xs:complexType><xs:sequence>"
                "<xs:element name=\"v\" type=\"xs:string\"/></xs:sequence>"
                "<xs:attribute name=\"a\"/></xs:complexType></xs:element>"),
         false},
        {Schema("<xs:element name=\"r\"><xs:complexType mixed=\"true\"><xs:sequence>"
                "<xs:element name=\"v\" type=\"xs:string\"/></xs:sequence></xs:complexType>"
                "</xs:element>"),
         false},
        {Schema("<xs:element name=\"r\" type=\"xs:string\"><xs:unique name=\"u\">"
                "<xs:selector xpath=\".\"/><xs:field xpath=\".\"/></xs:unique></xs:element>"),
         false},
        {Schema("<xs:include schemaLocation=\"other.xsd\"/>"
                "<xs:element name=\"v\" type=\"xs:string\"/>"),
         false},
        {Schema("<xs:simpleType name=\"S\"><xs:restriction base=\"xs:string\"/></xs:simpleType>"
                "<xs:element name=\"v\" type=\"S\"/>"),
         false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Compiles(c.schema), c.compiles) << c.schema;
    }
}

// The quick checker must agree with libxml2 on every document: the same
// verdict, the same first message, at the same line and column.
TEST(SimpleSchemaCheckerTest, AgreesWithLibxml2WordForWordOnNearlyValidDocuments) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("records.xsd"), Schema(kRecordSchema));
    CSchemaValidator validator;
    ASSERT_TRUE(validator.Load(dir.File("records.xsd"))) << validator.LoadError();

    std::vector<std::string> documents = {
        "<document/>",
        "<document>\n\t<row>\n\t\t<id>1</id>\n\t\t<d>1</d><d>2</d><end>z</end>\n\t</row>\n"
        "</document>",
        "<document><row><id>1</id><d>1</d><d>2</d><end/></row><row/></document>",
        "<document><row><id>1</id><d>1</d><d>2</d><stray/></row></document>",
        "<document><row><stray/></row></document>",
        "<document><row><id>1</id><d>1</d><d>2</d><end>z</end><end>z</end></row></document>",
        "<document><row><id>1<x/></id></row></document>",
        "<document><row><id>1</id><!-- c --><d>1</d><d>2<!-- split -->3</d><end/></row>"
        "</document>",
        "<document><row><id><![CDATA[ 4 ]]></id><d>1</d><d>2</d><end/></row></document>",
        "<document>text</document>",
        "<other/>",
    };
    Generator generator(20261208);
    for (int n = 0; n < 1500; ++n) {
        documents.push_back(generator.Document());
    }
    const int invalid = CompareVerdicts(validator, documents);
    // Both kinds are well represented.
    EXPECT_GT(invalid, 300);
    EXPECT_LT(invalid, 1200);
}

// The same with a target namespace: qualified local elements under a
// default or a prefixed binding, and unqualified ones below a qualified
// root.
TEST(SimpleSchemaCheckerTest, AgreesWithLibxml2OnNamespacedDocuments) {
    const std::string wrong = " xmlns:w=\"urn:example:other\"";
    const struct {
        const char* what;
        std::string attributes;  // of the schema
        std::string partType;
        NameStyle style;
    } cases[] = {
        {"qualified, the default namespace",
         " xmlns=\"urn:example:records\" targetNamespace=\"urn:example:records\" "
         "elementFormDefault=\"qualified\"",
         "Part",
         {" xmlns=\"urn:example:records\"" + wrong, "", ""}},
        {"qualified, a prefix",
         " xmlns:r=\"urn:example:records\" targetNamespace=\"urn:example:records\" "
         "elementFormDefault=\"qualified\"",
         "r:Part",
         {" xmlns:p=\"urn:example:records\"" + wrong, "p:", "p:"}},
        {"unqualified locals",
         " xmlns:r=\"urn:example:records\" targetNamespace=\"urn:example:records\"",
         "r:Part",
         {" xmlns:p=\"urn:example:records\"" + wrong, "p:", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string body = kRecordSchema;
        for (size_t at = body.find("type=\"Part\""); at != std::string::npos;
             at = body.find("type=\"Part\"", at + 1)) {
            body.replace(at, 11, "type=\"" + c.partType + "\"");
        }
        testsupport::TempDir dir;
        testsupport::WriteFile(dir.File("records.xsd"), Schema(body, c.attributes));
        CSchemaValidator validator;
        ASSERT_TRUE(validator.Load(dir.File("records.xsd"))) << validator.LoadError();
        ASSERT_TRUE(Compiles(Schema(body, c.attributes)));
        Generator generator(20261209, c.style);
        std::vector<std::string> documents;
        for (int n = 0; n < 600; ++n) {
            documents.push_back(generator.Document());
        }
        const int invalid = CompareVerdicts(validator, documents);
        EXPECT_GT(invalid, 100);
        EXPECT_LT(invalid, 550);
    }
}
