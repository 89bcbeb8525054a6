// The schema room alone: the types column and node formats give, date
// patterns against what FormatDate writes, and the rules of the tree as they
// show in the generated text.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "base/DateTimeParts.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "model/DateFormat.h"
#include "model/XMLNode.h"
#include "schema/DatePatternType.h"
#include "schema/SchemaGenerator.h"
#include "schema/ValueType.h"

namespace {

using testsupport::TempDir;

// A definition with one column set up by configure, written by one element.
struct OneColumn {
    DVFile definition;
    XMLNode* node = nullptr;

    explicit OneColumn(const std::function<void(CSCol&)>& configure, const char* locale = "C") {
        CSCol column("Value");
        configure(column);
        const int32_t id = definition.AddColumn(column).id;
        node = definition.Root().AddChild("value", XMLNode::kElement);
        node->SetSource(id);
        definition.SetLocale(locale);
    }
};

std::string Describe(const ValueType& type) {
    std::string text = type.base;
    if (type.fractionDigits >= 0) {
        text += " fractionDigits=" + std::to_string(type.fractionDigits);
    }
    if (!type.pattern.empty()) {
        text += " pattern=" + type.pattern;
    }
    for (const std::string& value : type.enumeration) {
        text += " |" + value;
    }
    return text;
}

TEST(ValueTypeTest, ColumnsGiveTheStrictTypeOnlyWhenEveryValueFitsIt) {
    struct Case {
        const char* name;
        std::function<void(CSCol&)> configure;
        const char* locale;
        const char* expected;
    };
    auto number = [](int precision, bool thousands = false, const char* fallback = "") {
        return [=](CSCol& c) {
            c.dataType = DataTypeProperties::kNumber;
            c.precision = precision;
            c.thousands = thousands;
            c.defaultValue = fallback;
        };
    };
    auto date = [](const char* pattern) {
        return [=](CSCol& c) {
            c.dataType = DataTypeProperties::kDateTime;
            c.format = pattern;
        };
    };
    auto lookup = [](bool skipIfNoMatch, bool partial) {
        return [=](CSCol& c) {
            c.AddLookupEntry("a = Alpha");
            c.AddLookupEntry("b = Beta");
            c.AddLookupEntry("c = Alpha");
            c.skipIfNoMatch = skipIfNoMatch;
            c.allowPartialMatch = partial;
        };
    };
    const Case cases[] = {
        {"whole numbers in any locale", number(0), "", "xs:integer"},
        {"decimals, invariant settings", number(2), "C", "xs:decimal fractionDigits=2"},
        {"decimals as typed, invariant settings", number(-1), "C", "xs:decimal"},
        {"decimals, the user's separator", number(2), "", "xs:string"},
        {"thousands separators", number(0, true), "C", "xs:string"},
        {"a default of text", number(0, false, "n/a"), "C", "xs:string"},
        {"a default that is a number", number(0, false, "-5"), "C", "xs:integer"},
        {"a default with too many decimals", number(2, false, "1.234"), "C", "xs:string"},
        {"last value when empty",
         [](CSCol& c) {
             c.dataType = DataTypeProperties::kNumber;
             c.precision = 0;
             c.useLastIfEmpty = true;
         },
         "C", "xs:string"},
        {"ISO date", date("YYYY-MM-DD"), "", "xs:date"},
        {"ISO date and time", date("YYYY-MM-DDThh:mm:ss"), "", "xs:dateTime"},
        {"ISO time", date("hh:mm:ss"), "", "xs:time"},
        {"the locale's short date", date(""), "", "xs:string"},
        {"other date patterns", date("DD.MM.YY"), "",
         "xs:string pattern=[0-9]{2}\\.[0-9]{2}\\.[0-9]{2}"},
        {"dates in upper case",
         [](CSCol& c) {
             c.dataType = DataTypeProperties::kDateTime;
             c.format = "DD MMM YYYY";
             c.caseType = DataTypeProperties::kCaseUpper;
         },
         "", "xs:string"},
        {"lookups that drop what they miss", lookup(true, false), "", "xs:string |Alpha |Beta"},
        {"lookups that pass misses through", lookup(false, false), "", "xs:string"},
        {"partial lookups", lookup(true, true), "", "xs:string"},
        {"text", [](CSCol&) {}, "C", "xs:string"},
    };
    for (const Case& c : cases) {
        OneColumn one(c.configure, c.locale);
        EXPECT_EQ(Describe(ValueType::Of(*one.node, one.definition)), c.expected) << c.name;
    }
}

TEST(ValueTypeTest, NodeFormatsAndConstantsDecideOverTheColumn) {
    OneColumn one([](CSCol& c) { c.dataType = DataTypeProperties::kNumber; });
    one.node->dataType = DataTypeProperties::kDateTime;
    one.node->format = "YYYY-MM-DD";
    EXPECT_EQ(Describe(ValueType::Of(*one.node, one.definition)), "xs:date");
    one.node->ResetDataType();
    one.node->caseType = DataTypeProperties::kCaseLower;
    EXPECT_EQ(Describe(ValueType::Of(*one.node, one.definition)), "xs:string");

    XMLNode* constant = one.definition.Root().AddChild("constant", XMLNode::kElement);
    constant->SetValue("x");
    EXPECT_FALSE(ValueType::Of(*constant, one.definition).mayBeEmpty);
    constant->SetValue("{ROW}");
    EXPECT_TRUE(ValueType::Of(*constant, one.definition).mayBeEmpty);  // tokens may be empty
}

// The facet must match whatever FormatDate writes, for every date read.
TEST(DatePatternTypeTest, PatternsMatchWhatTheDateFormatWrites) {
    const char* patterns[] = {"DD MMM YYYY",     "D/M/YY h:m:s",      "DDD of MMMM, YYYY (WWW)",
                              "YYYYMMDD-hhmmss", "[Y] (M)+{D}? *|^.", "hh:mm DD"};
    const char* dates[] = {"2024-01-05 03:04:05", "1999-12-31 23:59:59", "100-02-29 00:00:00",
                           "2024-02-30 24:00:00", "3-7-1 9:5:1",         "20240811"};
    for (const char* pattern : patterns) {
        const ValueType type = DatePatternType(pattern);
        ASSERT_FALSE(type.pattern.empty()) << pattern;
        // XML Schema expressions are anchored; these use only what ECMAScript reads alike.
        const std::regex expression("^(" + type.pattern + ")$");
        for (const char* text : dates) {
            DateTimeParts parts;
            if (!ParseDate(text, DataTypeProperties::kYMD, parts)) {
                continue;
            }
            const std::string written = FormatDate(parts, pattern);
            EXPECT_TRUE(std::regex_match(written, expression))
                << pattern << " wrote " << written << ", not matched by " << type.pattern;
        }
    }
}

// The line of the generated text that declares name.
std::string Declaration(const std::string& text, const std::string& name) {
    const size_t at = text.find("name=\"" + name + "\"");
    if (at == std::string::npos) {
        return {};
    }
    const size_t start = text.rfind('<', at);
    return text.substr(start, text.find('>', at) - start + 1);
}

std::string Generate(const DVFile& definition, Status* status = nullptr) {
    std::vector<SchemaDocument> documents;
    const Status generated = SchemaGenerator::Generate(definition, "out.xsd", documents);
    if (status) {
        *status = generated;
    }
    std::string text;
    for (const SchemaDocument& document : documents) {
        text += document.text;
    }
    return text;
}

TEST(SchemaGeneratorTest, SkipRulesScopesAndEmptyElementsShowInTheDeclarations) {
    DVFile definition;
    const int32_t text = definition.AddColumn(CSCol("Text")).id;
    XMLNode& root = definition.Root();
    root.SetName("list");
    XMLNode* title = root.AddChild("title", XMLNode::kElement);
    title->SetScope(XMLNode::kHeaderScope);
    title->SetValue("Items");
    XMLNode* item = root.AddChild("item", XMLNode::kElement);
    XMLNode* note = item->AddChild("note", XMLNode::kElement);
    note->SetSource(text);  // skipped when empty, as nodes are by default
    XMLNode* fixed = item->AddChild("fixed", XMLNode::kElement);
    fixed->SetValue("yes");
    XMLNode* mark = item->AddChild("mark", XMLNode::kElement);
    mark->SetIsEmpty(true);
    XMLNode* code = item->AddChild("code", XMLNode::kAttribute);
    code->SetSource(text);
    XMLNode* kind = item->AddChild("kind", XMLNode::kAttribute);
    kind->SetValue("row");
    XMLNode* once = item->AddChild("once", XMLNode::kElement);
    once->SetScope(XMLNode::kDocumentScope);
    once->SetValue("first");
    XMLNode* total = root.AddChild("total", XMLNode::kElement);
    total->SetScope(XMLNode::kFooterScope);
    total->SetValue("{ROW}");
    total->SetSkipIfEmpty(false);

    const std::string schema = Generate(definition);
    EXPECT_EQ(Declaration(schema, "title"), "<xs:element name=\"title\" type=\"xs:string\"/>");
    EXPECT_EQ(Declaration(schema, "item"),
              "<xs:element name=\"item\" minOccurs=\"0\" maxOccurs=\"unbounded\">");
    EXPECT_EQ(Declaration(schema, "note"),
              "<xs:element name=\"note\" minOccurs=\"0\" type=\"xs:string\"/>");
    EXPECT_EQ(Declaration(schema, "fixed"), "<xs:element name=\"fixed\" type=\"xs:string\"/>");
    EXPECT_EQ(Declaration(schema, "mark"), "<xs:element name=\"mark\">");
    EXPECT_NE(schema.find("<xs:element name=\"mark\">\n\t\t\t\t\t\t\t\t<xs:complexType>\n"
                          "\t\t\t\t\t\t\t\t</xs:complexType>"),
              std::string::npos)
        << schema;
    EXPECT_EQ(Declaration(schema, "code"),
              "<xs:attribute name=\"code\" type=\"xs:string\" use=\"optional\"/>");
    EXPECT_EQ(Declaration(schema, "kind"),
              "<xs:attribute name=\"kind\" type=\"xs:string\" use=\"required\"/>");
    // A Document element below a row is written with the first row only.
    EXPECT_EQ(Declaration(schema, "once"),
              "<xs:element name=\"once\" minOccurs=\"0\" type=\"xs:string\"/>");
    EXPECT_EQ(Declaration(schema, "total"), "<xs:element name=\"total\" type=\"xs:string\"/>");
    EXPECT_LT(schema.find("name=\"title\""), schema.find("name=\"item\""));
    EXPECT_LT(schema.find("name=\"item\""), schema.find("name=\"total\""));

    // One document per row or per value shares the schema of one document.
    definition.SetFilePerRow(true);
    EXPECT_EQ(Generate(definition), schema);
}

TEST(SchemaGeneratorTest, StrictTypesStayOnlyWhereNoEmptyValueIsWritten) {
    DVFile definition;
    CSCol number("Number");
    number.dataType = DataTypeProperties::kNumber;
    number.precision = 0;
    const int32_t id = definition.AddColumn(number).id;
    CSCol fallback("Fallback");
    fallback.dataType = DataTypeProperties::kNumber;
    fallback.precision = 0;
    fallback.defaultValue = "unknown";
    const int32_t fallbackId = definition.AddColumn(fallback).id;
    XMLNode& root = definition.Root();
    root.AddChild("skipped", XMLNode::kElement)->SetSource(id);
    XMLNode* kept = root.AddChild("kept", XMLNode::kElement);
    kept->SetSource(id);
    kept->SetSkipIfEmpty(false);
    root.AddChild("fallback", XMLNode::kElement)->SetSource(fallbackId);
    XMLNode* withText = root.AddChild("mixed", XMLNode::kElement);
    withText->SetValue("Total: ");
    withText->AddChild("inner", XMLNode::kElement)->SetSource(id);

    const std::string schema = Generate(definition);
    EXPECT_EQ(Declaration(schema, "skipped"),
              "<xs:element name=\"skipped\" minOccurs=\"0\" type=\"xs:integer\"/>");
    // Written empty too: the number type or the empty text.
    EXPECT_EQ(Declaration(schema, "kept"), "<xs:element name=\"kept\" type=\"value1\"/>");
    EXPECT_NE(schema.find("<xs:simpleType name=\"value1\">\n\t\t<xs:union "
                          "memberTypes=\"xs:integer\">"),
              std::string::npos)
        << schema;
    // The default is written as typed: text, so no number type holds.
    EXPECT_EQ(Declaration(schema, "fallback"),
              "<xs:element name=\"fallback\" minOccurs=\"0\" type=\"xs:string\"/>");
    EXPECT_NE(schema.find("<xs:complexType mixed=\"true\">"), std::string::npos) << schema;
}

TEST(SchemaGeneratorTest, NamespacesGetOneDocumentEachThatImportTheOthers) {
    DVFile definition;
    XMLNode& root = definition.Root();
    root.SetName("Document");
    root.AddChild("xmlns", XMLNode::kAttribute)->SetValue("urn:main");
    root.AddChild("xmlns:c", XMLNode::kAttribute)->SetValue("urn:common");
    XMLNode* amount = root.AddChild("c:Amount", XMLNode::kElement);
    amount->SetValue("1");
    amount->AddChild("c:currency", XMLNode::kAttribute)->SetValue("EUR");
    root.AddChild("xml:lang", XMLNode::kAttribute)->SetValue("en");

    std::vector<SchemaDocument> documents;
    ASSERT_TRUE(SchemaGenerator::Generate(definition, "pay.xsd", documents).IsOk());
    ASSERT_EQ(documents.size(), 2u);
    EXPECT_EQ(documents[0].fileName, "pay.xsd");
    EXPECT_EQ(documents[0].targetNamespace, "urn:main");
    EXPECT_EQ(documents[1].fileName, "pay-2.xsd");
    EXPECT_EQ(documents[1].targetNamespace, "urn:common");
    EXPECT_NE(documents[0].text.find("<xs:import namespace=\"urn:common\" "
                                     "schemaLocation=\"pay-2.xsd\"/>"),
              std::string::npos)
        << documents[0].text;
    EXPECT_NE(documents[0].text.find(
                  "<xs:element ref=\"n2:Amount\" minOccurs=\"0\" maxOccurs=\"unbounded\"/>"),
              std::string::npos)
        << documents[0].text;
    EXPECT_NE(documents[0].text.find("xs:anyAttribute namespace=\"http://www.w3.org/XML/1998/"
                                     "namespace\""),
              std::string::npos);
    EXPECT_NE(documents[1].text.find("<xs:attribute ref=\"n2:currency\" use=\"required\"/>"),
              std::string::npos)
        << documents[1].text;
}

TEST(SchemaGeneratorTest, WhatNoSchemaCanDescribeIsRefusedWithItsReason) {
    struct Case {
        const char* name;
        std::function<void(DVFile&)> setUp;
        int32_t code;
    };
    const Case cases[] = {
        {"an XSL step", [](DVFile& d) { d.SetXslTransform("style.xsl"); }, kSchemaGenerate},
        {"a namespace from a column",
         [](DVFile& d) {
             const int32_t id = d.AddColumn(CSCol("Uri")).id;
             d.Root().AddChild("xmlns:x", XMLNode::kAttribute)->SetSource(id);
         },
         kSchemaGenerate},
        {"an undeclared prefix", [](DVFile& d) { d.Root().AddChild("y:item", XMLNode::kElement); },
         kNamespacePrefix},
    };
    for (const Case& c : cases) {
        DVFile definition;
        c.setUp(definition);
        Status status;
        Generate(definition, &status);
        EXPECT_EQ(status.Code(), c.code) << c.name;
        EXPECT_FALSE(status.Detail().empty()) << c.name;
    }
}

TEST(SchemaGeneratorTest, FilesThatCannotBeWrittenFailWithTheReason) {
    TempDir dir;
    DVFile definition;
    const Status missing = SchemaGenerator::WriteFiles(definition, dir.File("missing/out.xsd"));
    EXPECT_EQ(missing.Code(), kTargetFileCreate);
    EXPECT_EQ(missing.Detail(), "No such file or directory");

    // The file of a further namespace is named, as messages name only the main one.
    definition.Root().AddChild("xmlns:x", XMLNode::kAttribute)->SetValue("urn:x");
    definition.Root().AddChild("x:item", XMLNode::kElement);
    std::filesystem::create_directory(dir.File("out-2.xsd"));
    const Status blocked = SchemaGenerator::WriteFiles(definition, dir.File("out.xsd"));
    EXPECT_NE(blocked.Code(), kSuccess);
    EXPECT_EQ(blocked.Detail().rfind(dir.File("out-2.xsd") + ": ", 0), 0u) << blocked.Detail();
    EXPECT_FALSE(std::filesystem::exists(dir.File("out-2.xsd.tmp")));
}

}  // namespace
