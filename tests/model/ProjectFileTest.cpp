#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/PlatformError.h"
#include "model/ColumnIdCounter.h"
#include "model/DVFile.h"
#include "xml/CXMLDocument.h"

namespace {

using testsupport::TempDir;

void ExpectSameTree(const XMLNode& a, const XMLNode& b, const std::string& path = "") {
    const std::string here = path + "/" + a.GetName();
    EXPECT_EQ(a.GetName(), b.GetName()) << here;
    EXPECT_EQ(a.GetNodeType(), b.GetNodeType()) << here;
    if (a.GetNodeType() == XMLNode::kDocumentRoot) {
        // The file keeps only the root's name; its other fields play no part.
        ASSERT_EQ(a.ChildCount(), b.ChildCount());
        for (size_t i = 0; i < a.ChildCount(); ++i) {
            ExpectSameTree(*a.GetChild(i), *b.GetChild(i), here);
        }
        return;
    }
    EXPECT_EQ(a.GetValue(), b.GetValue()) << here;
    EXPECT_EQ(a.GetSource(), b.GetSource()) << here;
    EXPECT_EQ(a.GetGroup(), b.GetGroup()) << here;
    EXPECT_EQ(a.GetScope(), b.GetScope()) << here;
    EXPECT_EQ(a.GetSkipIfEmpty(), b.GetSkipIfEmpty()) << here;
    EXPECT_EQ(a.GetSkipIfZero(), b.GetSkipIfZero()) << here;
    EXPECT_EQ(a.GetSkipIfDuplicate(), b.GetSkipIfDuplicate()) << here;
    EXPECT_EQ(a.GetOutputType(), b.GetOutputType()) << here;
    EXPECT_EQ(a.GetIsEmpty(), b.GetIsEmpty()) << here;
    EXPECT_EQ(a.GetExpanded(), b.GetExpanded()) << here;
    EXPECT_EQ(a.DataType(), b.DataType()) << here;
    ASSERT_EQ(a.ChildCount(), b.ChildCount()) << here;
    for (size_t i = 0; i < a.ChildCount(); ++i) {
        ExpectSameTree(*a.GetChild(i), *b.GetChild(i), here);
    }
}

// Every member away from its default, columns of each data type with lookups,
// three filters, four sort keys and a tree with every kind of node.
DVFile FullDefinition() {
    DVFile d;
    d.SetSourceType(DVFileSettings::kDelimitedText);
    d.SetSourceFileName("/data/in put.csv");
    d.SetTargetFileName("/out/<C=Region>_<NNN>.xml");
    d.SetDelimiter("\t");
    d.SetFirstRowHasColNames(false);
    d.SetRemoveQuotes(false);
    d.SetFirstRow(2);
    d.SetLastRow(90);
    d.SetTreatConsecutiveDelimsAsOne(true);
    d.SetTrimSpace(false);
    d.SetOdbcDriver("");  // stays empty: the driver would clear the columns
    d.SetDsnType(2);
    d.SetUserSysDsn("dsn");
    d.SetFileDsn("/etc/x.dsn");
    d.SetUserName("user");
    d.SetPassword("p<a>ss&");
    d.SetAdditionalConnectionParameters("Timeout=5;");
    d.SetSqlType(1);
    d.SetSqlQuery("SELECT *\r\nFROM t\r\nWHERE a < 3");
    d.SetIncludeDoctype(true);
    d.SetDoctypePublicId("-//X//DTD Y//EN");
    d.SetDoctypeDtd("y.dtd");
    d.SetIncludeStylesheet(true);
    d.SetIsStylesheetXsl(false);
    d.SetStylesheetHref("s.css");
    d.SetStylesheetTitle("Title \"quoted\"");
    d.SetCustomText("<!-- one -->\r\n<!-- two -->");
    d.SetIncludeFile("/inc/head.xml");
    d.SetEncoding("iso-8859-1");
    d.SetFilePerRow(true);
    d.SetXslTransform("t.xsl");
    d.SetAlwaysEmitEndTags(true);
    d.SetFirstOutputId(100);
    d.SetIncludeXmlDeclaration(false);
    d.SetIncludeStandaloneProperty(false);
    d.SetIndentOutput(false);
    d.SetAutoAddNodes(false);
    d.SetAutoRemoveNodes(true);
    d.SetAutoLinkNodes(false);

    // References into the column list only after the list stops growing.
    d.AddColumn(CSCol("Name"));
    d.AddColumn(CSCol("Qty"));
    d.AddColumn(CSCol("When"));
    CSCol& text = d.Column(0);
    text.width = 20;
    text.skipIfEmpty = true;
    text.useLastIfEmpty = true;
    text.defaultValue = "n/a";
    text.caseType = DataTypeProperties::kCaseProper;
    text.insertParagraphTags = true;
    text.insertBrTags = true;
    text.ignoreCase = false;
    text.skipIfNoMatch = true;
    text.allowPartialMatch = true;
    text.onlyReplaceMatchingPart = true;
    text.AddLookupEntry("NY = New York");
    text.AddLookupEntry("LA");
    CSCol& number = d.Column(1);
    number.dataType = DataTypeProperties::kNumber;
    number.precision = 2;
    number.thousands = true;
    number.currency = true;
    number.skipIfZero = true;
    number.AddLookupEntry("0 = none");
    CSCol& date = d.Column(2);
    date.dataType = DataTypeProperties::kDateTime;
    date.dateSequence = DataTypeProperties::kDMY;
    date.format = "WWW MMMM DDD, YYYY";
    date.skipIfDuplicate = true;
    d.SetFilePerColValueId(number.id);

    std::vector<DVFilter>& filters = d.Filters();
    filters[0].SetColumnId(number.id);
    filters[0].SetOperator(DVFilter::kGreater);
    filters[0].SetValue("10");
    filters[1].SetJoin(false);
    filters[1].SetColumnId(text.id);
    filters[1].SetOperator(DVFilter::kContains);
    filters[1].SetValue("a&b <c>");
    filters[2].SetColumnId(date.id);
    filters[2].SetOperator(DVFilter::kEquals);
    filters[2].SetValue("2004-05");
    d.SortOrders() = {SortOrder{number.id, true}, SortOrder{text.id, false},
                      SortOrder{date.id, true}, SortOrder{3, false}};

    XMLRootNode& root = d.Root();
    root.SetName("items");
    root.AddChild("version", XMLNode::kAttribute)->SetValue("1.0");
    XMLNode* header = root.AddChild("header", XMLNode::kElement);
    header->SetScope(XMLNode::kHeaderScope);
    header->SetValue("{SOURCEFILE}\r\nline two\tand tab");
    header->SetExpanded(false);
    XMLNode* row = root.AddChild("row", XMLNode::kElement);
    row->SetGroup(text.id);
    row->SetSkipIfDuplicate(true);
    XMLNode* id = row->AddChild("id", XMLNode::kAttribute);
    id->SetValue("{ID}");
    id->SetSkipIfEmpty(false);
    XMLNode* qty = row->AddChild("qty", XMLNode::kElement);
    qty->SetSource(number.id);
    qty->SetSkipIfZero(true);
    qty->SetOutputType(XMLNode::kCDataSection);
    qty->dataType = DataTypeProperties::kNumber;
    qty->precision = 1;
    XMLNode* when = row->AddChild("when", XMLNode::kElement);
    when->SetSource(date.id);
    when->dataType = DataTypeProperties::kDateTime;
    when->format = "YYYY";
    row->AddChild("note", XMLNode::kValue)->SetValue("v");
    row->AddChild("marker", XMLNode::kElement)->SetIsEmpty(true);
    row->AddChild("ref", XMLNode::kReference);
    XMLNode* footer = root.AddChild("footer", XMLNode::kElement);
    footer->SetScope(XMLNode::kFooterScope);
    footer->SetOutputType(XMLNode::kDisableOutputEscaping);
    footer->AddChild("deep", XMLNode::kElement)->AddChild("deeper", XMLNode::kElement);
    return d;
}

TEST(ProjectFileTest, EveryPartSurvivesSaveAndLoad) {
    TempDir dir;
    const std::string path = dir.File("full.dv");
    const DVFile saved = FullDefinition();
    ASSERT_TRUE(saved.SaveProjectFile(path));

    DVFile loaded;
    ASSERT_TRUE(loaded.LoadProjectFile(path));
    EXPECT_EQ(loaded.Settings(), saved.Settings());
    EXPECT_EQ(loaded.Columns(), saved.Columns());
    ASSERT_EQ(loaded.Filters().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(loaded.Filters()[i].SameSettings(saved.Filters()[i])) << i;
    }
    EXPECT_EQ(loaded.SortOrders(), saved.SortOrders());
    ExpectSameTree(loaded.Root(), saved.Root());
    EXPECT_GT(ColumnIdCounter::Peek(), saved.Columns().back().id);

    // Saving the loaded definition gives the same bytes.
    const std::string again = dir.File("again.dv");
    ASSERT_TRUE(loaded.SaveProjectFile(again));
    EXPECT_EQ(testsupport::ReadFile(again), testsupport::ReadFile(path));
}

TEST(ProjectFileTest, FileNamesEveryMemberInOrder) {
    TempDir dir;
    const std::string path = dir.File("default.dv");
    ASSERT_TRUE(DVFile().SaveProjectFile(path));
    const std::string bytes = testsupport::ReadFile(path);
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>", 0), 0u);

    Norvik::CXMLDocument document;
    ASSERT_TRUE(document.Load(path));
    EXPECT_EQ(document.DocumentElement().Name(), "tarnwrightdatavane");
    std::vector<std::string> names;
    for (const Norvik::XmlElement& child : document.DocumentElement().Children()) {
        names.emplace_back(child.Name());
    }
    std::vector<std::string> expected = {"version"};
    for (const ProjectMember& member : kProjectMembers) {
        expected.emplace_back(member.element);
    }
    for (const char* tail : {"columns", "filters", "orders", "xmlroot"}) {
        expected.emplace_back(tail);
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(document.FirstElementByTagName("version").Text(), "2.6");
    EXPECT_EQ(document.FirstElementByTagName("firstrowhascolnames").Text(), "-1");
    EXPECT_EQ(document.FirstElementByTagName("fileperrow").Text(), "0");
    EXPECT_EQ(document.FirstElementByTagName("delimiter").Text(), ",");
    EXPECT_EQ(document.ElementsByTagName("filter").size(), 3u);
    EXPECT_EQ(*document.FirstElementByTagName("xmlroot").Attribute("name"), "document");
}

TEST(ProjectFileTest, OptionalMembersComeLastAndOnlyWhenSet) {
    TempDir dir;
    DVFile definition;
    definition.SetQuotedLineBreaks(true);
    definition.SetValidateSchema("orders.xsd");
    const std::string path = dir.File("optional.dv");
    ASSERT_TRUE(definition.SaveProjectFile(path));
    const std::string bytes = testsupport::ReadFile(path);
    const size_t last = bytes.find("<indent-output>");
    const size_t schema = bytes.find("<validateschema>orders.xsd</validateschema>");
    const size_t breaks = bytes.find("<quotedlinebreaks>-1</quotedlinebreaks>");
    ASSERT_NE(schema, std::string::npos);
    ASSERT_NE(breaks, std::string::npos);
    EXPECT_LT(last, schema);
    EXPECT_LT(schema, breaks);
    EXPECT_LT(breaks, bytes.find("<columns"));

    DVFile loaded;
    ASSERT_TRUE(loaded.LoadProjectFile(path)) << loaded.GetLastError();
    EXPECT_TRUE(loaded.Settings().quotedlinebreaks);
    EXPECT_EQ(loaded.Settings().validateschema, "orders.xsd");
    // Switched off again, the member is not written at all.
    loaded.SetQuotedLineBreaks(false);
    ASSERT_TRUE(loaded.SaveProjectFile(path));
    EXPECT_EQ(testsupport::ReadFile(path).find("quotedlinebreaks"), std::string::npos);
}

TEST(ProjectFileTest, OrderOfColumnAndNodeAttributes) {
    TempDir dir;
    const std::string path = dir.File("attrs.dv");
    ASSERT_TRUE(FullDefinition().SaveProjectFile(path));
    const std::string bytes = testsupport::ReadFile(path);
    EXPECT_NE(bytes.find("<column name=\"Qty\" id=\""), std::string::npos);
    EXPECT_NE(bytes.find("width=\"4\" skipifempty=\"0\" skipifzero=\"-1\" skipifduplicate=\"0\" "
                         "uselastifempty=\"0\" defaultvalue=\"\" datatype=\"1\" precision=\"2\" "
                         "thousands=\"-1\" currency=\"-1\">"),
              std::string::npos);
    EXPECT_NE(bytes.find("<lookuptable skipifnomatch=\"-1\" ignore-case=\"0\" "
                         "allow-partial-match=\"-1\" only-replace-matching-part=\"-1\">"),
              std::string::npos);
    EXPECT_NE(bytes.find("<lookup>LA</lookup>"), std::string::npos);
    EXPECT_NE(bytes.find("<lookup>NY = New York</lookup>"), std::string::npos);
    EXPECT_NE(bytes.find("<xmlnode name=\"qty\" nodetype=\"0\" value=\"\" source=\""),
              std::string::npos);
    EXPECT_NE(bytes.find("scope=\"0\" node-output-type=\"1\" isempty=\"0\" expanded=\"-1\" "
                         "datatype=\"1\" precision=\"1\" thousands=\"0\" currency=\"0\""),
              std::string::npos);
    EXPECT_NE(bytes.find("datatype=\"2\" datesequence=\"2\" format=\"WWW MMMM DDD, YYYY\""),
              std::string::npos);
    // A column without entries has no lookup table element.
    const size_t when = bytes.find("<column name=\"When\"");
    ASSERT_NE(when, std::string::npos);
    EXPECT_EQ(bytes.find("lookuptable", when), std::string::npos);
}

const char* kMinimal =
    "<?xml version=\"1.0\"?><tarnwrightdatavane><version>2.6</version><xmlroot/>"
    "</tarnwrightdatavane>";

TEST(ProjectFileTest, MinimalFileTakesReadingDefaults) {
    TempDir dir;
    const std::string path = dir.File("min.dv");
    testsupport::WriteFile(path, kMinimal);
    DVFile definition;
    definition.SortOrders()[2] = SortOrder{1, true};  // from an earlier definition
    ASSERT_TRUE(definition.LoadProjectFile(path));
    DVFileSettings expected;
    expected.delimiter = "";  // an absent delimiter reads empty
    EXPECT_EQ(definition.Settings(), expected);
    EXPECT_TRUE(definition.Columns().empty());
    EXPECT_TRUE(definition.Filters().empty());
    EXPECT_FALSE(definition.SortOrders()[2]);
    EXPECT_EQ(definition.Root().GetName(), "document");
}

std::string WithMembers(const std::string& members, const std::string& rest = "<xmlroot/>") {
    return "<tarnwrightdatavane><version>2.6</version>" + members + rest + "</tarnwrightdatavane>";
}

DVFile LoadText(const TempDir& dir, const std::string& xml, bool* outcome = nullptr) {
    const std::string path = dir.File("t.dv");
    testsupport::WriteFile(path, xml);
    DVFile definition;
    const bool loaded = definition.LoadProjectFile(path);
    if (outcome) {
        *outcome = loaded;
    } else {
        EXPECT_TRUE(loaded) << xml;
    }
    return definition;
}

TEST(ProjectFileTest, ValuesConvertLikeStoredFilesExpect) {
    TempDir dir;
    struct Case {
        const char* xml;
        bool header;
    };
    const Case cases[] = {
        {"<firstrowhascolnames>0</firstrowhascolnames>", false},
        {"<firstrowhascolnames>1</firstrowhascolnames>", true},
        {"<firstrowhascolnames>True</firstrowhascolnames>", true},
        {"<firstrowhascolnames>false</firstrowhascolnames>", false},
        {"<firstrowhascolnames>-1</firstrowhascolnames>", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadText(dir, WithMembers(c.xml)).Settings().firstrowhascolnames, c.header)
            << c.xml;
    }
    // The first element of that name anywhere in the document decides.
    const DVFile nested =
        LoadText(dir, WithMembers("<x><firstrow>7</firstrow></x><firstrow>8</firstrow>"));
    EXPECT_EQ(nested.Settings().firstrow, 7);
    // White space is a value of its own.
    EXPECT_EQ(LoadText(dir, WithMembers("<delimiter>\t</delimiter>")).Settings().delimiter, "\t");
    EXPECT_EQ(LoadText(dir, WithMembers("<delimiter> </delimiter>")).Settings().delimiter, " ");
}

TEST(ProjectFileTest, UnconvertibleTopLevelValueRaisesAndLeavesDefaults) {
    TempDir dir;
    const std::string path = dir.File("bad.dv");
    testsupport::WriteFile(path, WithMembers("<encoding>utf-8</encoding><firstrow>abc</firstrow>"));
    DVFile definition;
    try {
        definition.LoadProjectFile(path);
        FAIL() << "no conversion failure";
    } catch (const Norvik::PlatformError& error) {
        EXPECT_EQ(error.Code(), Norvik::kDispTypeMismatch);
        EXPECT_NE(error.Description().find("firstrow"), std::string::npos);
    }
    EXPECT_EQ(definition.Settings(), DVFileSettings());
    testsupport::WriteFile(path, WithMembers("<trimspace></trimspace>"));
    EXPECT_THROW(definition.LoadProjectFile(path), Norvik::PlatformError);
}

TEST(ProjectFileTest, LineBreaksOfQueryAndCustomTextAreCrLf) {
    TempDir dir;
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
        const std::string xml =
            WithMembers(std::string("<sqlquery>SELECT a") + lineEnd +
                        "FROM t</sqlquery><customtext>x" + lineEnd + "</customtext>");
        const DVFile definition = LoadText(dir, xml);
        EXPECT_EQ(definition.Settings().sqlquery, "SELECT a\r\nFROM t");
        EXPECT_EQ(definition.Settings().customtext, "x\r\n");
    }
}

TEST(ProjectFileTest, UnreadableFilesGiveFalseAndDefaults) {
    TempDir dir;
    DVFile definition;
    definition.SetEncoding("x");
    EXPECT_FALSE(definition.LoadProjectFile(""));
    EXPECT_EQ(definition.Settings().encoding, "utf-16");
    EXPECT_FALSE(definition.LoadProjectFile(dir.File("missing.dv")));
    for (const char* bytes : {"", "<tarnwrightdatavane>", "not xml at all", "\xFF\xFE\x00"}) {
        testsupport::WriteFile(dir.File("bad.dv"), bytes);
        definition.SetEncoding("x");
        EXPECT_FALSE(definition.LoadProjectFile(dir.File("bad.dv"))) << bytes;
        EXPECT_EQ(definition.Settings(), DVFileSettings());
    }
    EXPECT_FALSE(definition.SaveProjectFile(""));
    EXPECT_FALSE(definition.SaveProjectFile(dir.File("no/such/dir/x.dv")));
}

TEST(ProjectFileTest, ExternalEntitiesInProjectFilesAreNotRead) {
    TempDir dir;
    testsupport::WriteFile(dir.File("secret"), "SECRET");
    const std::string xml = "<!DOCTYPE t [<!ENTITY s SYSTEM \"" + dir.File("secret") +
                            "\">]><tarnwrightdatavane><version>2.6</version>"
                            "<sourcefilename>&s;</sourcefilename><xmlroot/></tarnwrightdatavane>";
    bool loaded = false;
    const DVFile definition = LoadText(dir, xml, &loaded);
    EXPECT_EQ(definition.Settings().sourcefilename.find("SECRET"), std::string::npos);
}

TEST(ProjectFileTest, LastFilterElementDecidesTheLoad) {
    TempDir dir;
    const std::string good =
        "<filter><and>0</and><column>4</column><operator>3</operator>"
        "<value>10</value></filter>";
    const std::string noAnd = "<filter><column>4</column><operator>3</operator></filter>";
    const std::string badOperator =
        "<filter><and>-1</and><column>5</column><operator>x</operator><value>v</value></filter>";

    bool outcome = false;
    DVFile definition =
        LoadText(dir, WithMembers("<filters>" + noAnd + good + "</filters>"), &outcome);
    EXPECT_TRUE(outcome);
    ASSERT_EQ(definition.Filters().size(), 2u);
    EXPECT_EQ(definition.Filters()[0].ColumnId(), 0);  // nothing read after the failure
    EXPECT_FALSE(definition.Filters()[1].IsAnd());
    EXPECT_EQ(definition.Filters()[1].OperatorCode(), 3);
    EXPECT_EQ(definition.Filters()[1].Value(), "10");

    definition = LoadText(
        dir, WithMembers("<encoding>x</encoding><filters>" + good + badOperator + "</filters>"),
        &outcome);
    EXPECT_FALSE(outcome);
    EXPECT_EQ(definition.Settings(), DVFileSettings());
    ASSERT_EQ(definition.Filters().size(), 3u);

    definition = LoadText(dir, WithMembers("<filters><filter><and>1</and><column>2</column>"
                                           "<operator>1</operator></filter></filters>"));
    EXPECT_EQ(definition.Filters()[0].Value(), "");
}

TEST(ProjectFileTest, SortKeysBeyondFourAreIgnoredAndBadOnesKeepWhatWasRead) {
    TempDir dir;
    std::string orders = "<orders>";
    for (int i = 1; i <= 6; ++i) {
        orders += "<order><columnid>" + std::to_string(i) + "</columnid><descending>" +
                  (i % 2 ? "-1" : "0") + "</descending></order>";
    }
    orders += "</orders>";
    const DVFile six = LoadText(dir, WithMembers(orders));
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(six.SortOrders()[i]);
        EXPECT_EQ(six.SortOrders()[i]->columnId, i + 1);
        EXPECT_EQ(six.SortOrders()[i]->descending, i % 2 == 0);
    }
    const DVFile bad =
        LoadText(dir, WithMembers("<orders><order><columnid>9</columnid>"
                                  "<descending>maybe</descending></order></orders>"));
    ASSERT_TRUE(bad.SortOrders()[0]);
    EXPECT_EQ(bad.SortOrders()[0]->columnId, 9);
    EXPECT_FALSE(bad.SortOrders()[0]->descending);
}

TEST(ProjectFileTest, ColumnReadingRules) {
    TempDir dir;
    const int32_t high = ColumnIdCounter::Peek() + 100;
    const std::string columns =
        "<columns>"
        "<column name=\"bad\" id=\"x\"/>"  // own attribute fails
        "<column name=\"fresh1\"/>"        // no id: a new one
        "<column name=\"fresh2\"/>"
        "<column name=\"high\" id=\"" +
        std::to_string(high) +
        "\"/>"                                                    // raises the counter
        "<column name=\"num\" datatype=\"1\" thousands=\"-1\"/>"  // precision -1
        "<column name=\"typefail\" datatype=\"1\" precision=\"p\" currency=\"-1\"/>"
        "<column name=\"nocase\"><lookuptable ignore-case=\"0\"><lookup>A = B</lookup>"
        "<lookup>C</lookup></lookuptable></column>"
        "<column name=\"badflag\"><lookuptable skipifnomatch=\"?\"/></column>"
        "</columns>";
    const DVFile definition = LoadText(dir, WithMembers(columns));
    const std::vector<CSCol>& cols = definition.Columns();
    ASSERT_EQ(cols.size(), 6u);
    EXPECT_EQ(cols[0].name, "fresh1");
    EXPECT_EQ(cols[1].name, "fresh2");
    EXPECT_NE(cols[0].id, cols[1].id);
    EXPECT_GT(cols[0].id, 0);
    EXPECT_EQ(cols[2].id, high);
    EXPECT_EQ(cols[3].id, high + 1);  // later new identifiers start above it
    EXPECT_EQ(cols[3].precision, -1);
    EXPECT_TRUE(cols[3].thousands);
    EXPECT_EQ(cols[4].name, "typefail");  // the data type failure keeps the column
    EXPECT_EQ(cols[4].dataType, DataTypeProperties::kNumber);
    EXPECT_FALSE(cols[4].currency);  // not read after the failure
    EXPECT_FALSE(cols[5].ignoreCase);
    EXPECT_EQ(cols[5].lookupTable.at("A"), "B");
    EXPECT_EQ(cols[5].lookupTable.at("C"), "C");
    EXPECT_TRUE(cols[0].ignoreCase);  // no lookup table: default flags
}

TEST(ProjectFileTest, NodeReadingStopsAtABadValue) {
    TempDir dir;
    const std::string tree =
        "<xmlroot name=\"Orders List\">"
        "<xmlnode name=\"row\" value=\"v\" scope=\"bad\" source=\"4\">"
        "<xmlnode name=\"lost\"/></xmlnode>"
        "<xmlnode name=\"typed\" datatype=\"2\" datesequence=\"?\">"
        "<xmlnode name=\"kept\"/></xmlnode>"
        "<xmlnode name=\"attr\" nodetype=\"1\"/>"
        "</xmlroot>";
    const DVFile definition = LoadText(dir, WithMembers("", tree));
    const XMLRootNode& root = definition.Root();
    EXPECT_EQ(root.GetName(), "OrdersList");
    ASSERT_EQ(root.ChildCount(), 3u);
    EXPECT_EQ(root.GetChild(0)->GetName(), "attr");  // attributes sort first
    const XMLNode* row = root.GetChild(1);
    EXPECT_EQ(row->GetName(), "row");
    EXPECT_EQ(row->GetValue(), "v");
    EXPECT_EQ(row->GetSource(), 4);
    EXPECT_EQ(row->ChildCount(), 0u);
    const XMLNode* typed = root.GetChild(2);
    EXPECT_EQ(typed->dataType, DataTypeProperties::kDateTime);
    ASSERT_EQ(typed->ChildCount(), 1u);
    EXPECT_FALSE(typed->GetSkipIfEmpty());  // reading default, not the new-node default
}

TEST(ProjectFileTest, FailedSaveKeepsTheExistingFile) {
    TempDir dir;
    const std::string path = dir.File("keep.dv");
    ASSERT_TRUE(DVFile().SaveProjectFile(path));
    const std::string before = testsupport::ReadFile(path);
    DVFile broken;
    broken.AddColumn(CSCol("bell\x07"));
    EXPECT_FALSE(broken.SaveProjectFile(path));
    EXPECT_NE(broken.GetLastError(), "");
    EXPECT_EQ(testsupport::ReadFile(path), before);
}

}  // namespace
