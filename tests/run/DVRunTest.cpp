#include "run/DVRun.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "FixedEnvironment.h"
#include "LocalHttpServer.h"
#include "RunTestSupport.h"
#include "ScopedCatalog.h"
#include "base/ResultCode.h"
#include "io/XmlCatalogs.h"

using namespace testsupport;

namespace {

DVFile Csv(const TempDir& dir, const std::string& content, bool autoNodes = true) {
    return testsupport::CsvDefinition(dir, content, autoNodes);
}

std::string Output(const TempDir& dir, const RunOutcome& outcome) {
    EXPECT_EQ(outcome.code, 0) << outcome.message << ": " << outcome.detail;
    return CanonicalFile(dir.File("out.xml"));
}

TEST(DVRunTest, ColumnsBecomeRowElements) {
    TempDir dir;
    const DVFile definition = Csv(dir, "Id,Name\n1,Ann\n2,\"Bob, Jr.\"\n");
    const RunOutcome outcome = RunSaved(definition, dir);
    EXPECT_EQ(outcome.message, "Success");
    EXPECT_EQ(Output(dir, outcome),
              "document(row(Id('1') Name('Ann')) row(Id('2') Name('Bob, Jr.')))");
    EXPECT_EQ(ReadFile(dir.File("out.xml")),
              "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<document>\n"
              "\t<row>\n\t\t<Id>1</Id>\n\t\t<Name>Ann</Name>\n\t</row>\n"
              "\t<row>\n\t\t<Id>2</Id>\n\t\t<Name>Bob, Jr.</Name>\n\t</row>\n</document>\n");
}

TEST(DVRunTest, DefinitionWithoutColumnsTakesThemFromTheSource) {
    TempDir dir;
    DVFile definition = Csv(dir, "A,B\n1,2\n3,4\n");
    definition.RemoveAllColumns();
    definition.Root().DeleteChildren();
    ASSERT_TRUE(definition.Columns().empty());
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row(A('1') B('2')) row(A('3') B('4')))");
}

TEST(DVRunTest, ARunLeavesItsDefinitionAsItWas) {
    TempDir dir;
    DVFile definition = Csv(dir, "A,B\n1,2\n");
    definition.RemoveAllColumns();
    definition.Root().DeleteChildren();
    DVRun run(definition);
    ASSERT_EQ(run.Run(), kSuccess) << run.GetDetailText();
    EXPECT_EQ(ReadFile(dir.File("out.xml")).find("<A>1</A>") != std::string::npos, true);
    // The columns and nodes the source brought belong to that run alone.
    EXPECT_TRUE(run.Columns().empty());
    EXPECT_EQ(run.Root().ChildCount(), 0u);
    ASSERT_EQ(run.Run(), kSuccess);
    EXPECT_TRUE(run.Columns().empty());
}

TEST(DVRunTest, ScopesPlaceNodesInTheirPass) {
    TempDir dir;
    DVFile definition = Csv(dir, "Name\na\nb\nc\n", false);
    XMLRootNode& root = definition.Root();
    root.SetName("report");
    Add(root, "header")->SetValue("H");
    root.GetChild(0)->SetScope(XMLNode::kHeaderScope);
    XMLNode* created = Add(root, "created");
    created->SetValue("once");
    created->SetScope(XMLNode::kDocumentScope);
    XMLNode* items = Add(root, "items");
    items->SetScope(XMLNode::kDocumentScope);
    Add(*Add(*items, "item"), "name", XMLNode::kElement, Id(definition, "Name"));
    XMLNode* total = Add(*items, "total");
    total->SetValue("{ROW}");
    total->SetScope(XMLNode::kFooterScope);
    XMLNode* summary = Add(root, "summary");
    summary->SetValue("end");
    summary->SetScope(XMLNode::kFooterScope);
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "report(header('H') created('once') items(item(name('a')) item(name('b')) "
              "item(name('c')) total('3')) summary('end'))");
}

TEST(DVRunTest, QuotedLineBreaksMakeOneRowPerRecord) {
    TempDir dir;
    DVFile definition = Csv(dir, "Id,Note\n1,\"two\nlines\"\n2,b\n3,\"c\r\nd\"\n4,e\n", false);
    definition.SetQuotedLineBreaks(true);
    XMLNode* row = Add(definition.Root(), "row");
    Add(*row, "n")->SetValue("{ROW}");
    Add(*row, "note", XMLNode::kElement, Id(definition, "Note"));
    // First and last row count records, not lines.
    definition.SetFirstRow(2);
    definition.SetLastRow(3);
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, kSuccess) << outcome.detail;
    EXPECT_EQ(ReadFile(dir.File("out.xml")),
              "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<document>\n"
              "\t<row>\n\t\t<n>1</n>\n\t\t<note>b</note>\n\t</row>\n"
              "\t<row>\n\t\t<n>2</n>\n\t\t<note>c\r\nd</note>\n\t</row>\n</document>\n");

    // A quoted field never closed fails the run and leaves no document.
    WriteFile(definition.Settings().sourcefilename, "Id,Note\n1,a\n2,\"open\n");
    definition.SetFirstRow(0);
    definition.SetLastRow(0);
    const RunOutcome broken = RunSaved(definition, dir);
    EXPECT_EQ(broken.code, kSourceRecord);
    EXPECT_EQ(broken.message, "The source file holds a record that cannot be read: " +
                                  definition.Settings().sourcefilename);
    EXPECT_EQ(broken.detail, "The quoted field that opens on line 3 is never closed");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));
}

TEST(DVRunTest, PrefixedNamesAreWrittenAsTheyAreOnceDeclared) {
    TempDir dir;
    DVFile definition = Csv(dir, "Id,Lang\n1,en\n", false);
    XMLRootNode& root = definition.Root();
    root.SetName("p:Document");
    Add(root, "xmlns:p", XMLNode::kAttribute)->SetValue("urn:example:pay");
    XMLNode* row = Add(root, "p:Payment");
    Add(*row, "xml:lang", XMLNode::kAttribute, Id(definition, "Lang"));
    XMLNode* id = Add(*row, "c:Id", XMLNode::kElement, Id(definition, "Id"));

    // Nothing declares c: the run ends before it writes anything.
    const RunOutcome unbound = RunSaved(definition, dir);
    EXPECT_EQ(unbound.code, kNamespacePrefix);
    EXPECT_EQ(unbound.message, "A node's name uses a namespace prefix that is not declared");
    EXPECT_EQ(unbound.detail, "/p:Document/p:Payment/c:Id (prefix c)");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));

    Add(*id, "xmlns:c", XMLNode::kAttribute)->SetValue("urn:example:common");
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, kSuccess) << outcome.detail;
    EXPECT_EQ(ReadFile(dir.File("out.xml")),
              "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
              "<p:Document xmlns:p=\"urn:example:pay\">\n"
              "\t<p:Payment xml:lang=\"en\">\n"
              "\t\t<c:Id xmlns:c=\"urn:example:common\">1</c:Id>\n"
              "\t</p:Payment>\n</p:Document>\n");
}

TEST(DVRunTest, GroupsRepeatTheirChildrenForEveryRowOfTheirValue) {
    struct Case {
        const char* csv;
        const char* expected;
    };
    const Case cases[] = {
        {"Region,Name\nA,a1\nA,a2\nB,b1\n",
         "document(region('A' name('a1') name('a2')) region('B' name('b1')))"},
        {"Region,Name\nA,a1\nB,b1\nA,a2\n",
         "document(region('A' name('a1') name('a2')) region('B' name('b1')) "
         "region('A' name('a1') name('a2')))"},
        {"Region,Name\n,x1\n,x2\nB,b1\n",  // an empty first value still opens a group
         "document(region(name('x1') name('x2')) region('B' name('b1')))"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        DVFile definition = Csv(dir, c.csv, false);
        XMLNode* region =
            Add(definition.Root(), "region", XMLNode::kElement, Id(definition, "Region"));
        region->SetGroup(Id(definition, "Region"));
        Add(*region, "name", XMLNode::kElement, Id(definition, "Name"));
        EXPECT_EQ(Output(dir, RunSaved(definition, dir)), c.expected) << c.csv;
    }
}

TEST(DVRunTest, NestedGroupsListRowsOfTheWholeSource) {
    TempDir dir;
    DVFile definition = Csv(dir, "Region,City,Name\nN,X,n1\nN,Y,n2\nS,X,s1\nN,X,n3\n", false);
    XMLNode* region = Add(definition.Root(), "region", XMLNode::kElement, Id(definition, "Region"));
    region->SetGroup(Id(definition, "Region"));
    XMLNode* city = Add(*region, "city", XMLNode::kElement, Id(definition, "City"));
    city->SetGroup(Id(definition, "City"));
    Add(*city, "name", XMLNode::kElement, Id(definition, "Name"));
    // The inner group takes its value from the outer group's rows and lists
    // every row of the source with that city; each outer group starts its
    // inner groups afresh.
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(region('N' city('X' name('n1') name('s1') name('n3')) "
              "city('Y' name('n2')) city('X' name('n1') name('s1') name('n3'))) "
              "region('S' city('X' name('n1') name('s1') name('n3'))) "
              "region('N' city('X' name('n1') name('s1') name('n3')) city('Y' name('n2')) "
              "city('X' name('n1') name('s1') name('n3'))))");
}

TEST(DVRunTest, SkipRules) {
    TempDir dir;
    DVFile definition = Csv(dir, "V,W\n0,x\n0.000,\n -0,y\n0 kg,\nabc,z\n0.5,\n-1,w\n", false);
    XMLNode* row = Add(definition.Root(), "row");
    XMLNode* zero = Add(*row, "v", XMLNode::kElement, Id(definition, "V"));
    zero->SetSkipIfZero(true);
    // Empty own value: written only when something below has a value.
    XMLNode* wrap = Add(*row, "wrap");
    wrap->SetSkipIfEmpty(true);
    Add(*wrap, "w", XMLNode::kElement, Id(definition, "W"));
    XMLNode* attr = Add(*row, "a", XMLNode::kAttribute, Id(definition, "W"));
    attr->SetSkipIfEmpty(true);
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row[a=x](wrap(w('x'))) row row[a=y](wrap(w('y'))) row "
              "row[a=z](wrap(w('z'))) row(v('0.5')) row[a=w](v('-1') wrap(w('w'))))");
}

TEST(DVRunTest, DuplicatesAreSkippedExceptOnADocumentsFirstRow) {
    TempDir dir;
    DVFile definition = Csv(dir, "K,N\nA,1\nA,2\nB,3\nB,4\n", false);
    XMLNode* row = Add(definition.Root(), "row");
    Add(*row, "k", XMLNode::kElement, Id(definition, "K"))->SetSkipIfDuplicate(true);
    Add(*row, "n", XMLNode::kElement, Id(definition, "N"));
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row(k('A') n('1')) row(n('2')) row(k('B') n('3')) row(n('4')))");
    // One document per row: each is a first row.
    definition.SetFilePerRow(true);
    const RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.files.size(), 4u);
    EXPECT_EQ(CanonicalFile(outcome.files[1]), "document(row(k('A') n('2')))");
}

TEST(DVRunTest, OutputTypesValueNodesAndEmptyElements) {
    TempDir dir;
    DVFile definition = Csv(dir, "T\na<b>&c]]>d\n", false);
    const int32_t t = Id(definition, "T");
    XMLNode* row = Add(definition.Root(), "row");
    Add(*row, "plain", XMLNode::kElement, t);
    Add(*row, "cdata", XMLNode::kElement, t)->SetOutputType(XMLNode::kCDataSection);
    XMLNode* raw = Add(*row, "raw");
    raw->SetValue("<b>bold</b>");
    raw->SetOutputType(XMLNode::kDisableOutputEscaping);
    XMLNode* mixed = Add(*row, "mixed");
    mixed->SetValue("start ");
    Add(*mixed, "v", XMLNode::kValue)->SetValue("[value]");
    Add(*mixed, "e");
    Add(*row, "marker")->SetIsEmpty(true);
    Add(*row, "blank");
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row(plain('a<b>&c]]>d') cdata('a<b>&c]]>d') raw(b('bold')) "
              "mixed('start [value]' e) marker blank))");
    std::string bytes = ReadFile(dir.File("out.xml"));
    EXPECT_NE(bytes.find("<marker/>"), std::string::npos);
    EXPECT_NE(bytes.find("<blank/>"), std::string::npos);

    definition.SetAlwaysEmitEndTags(true);
    Output(dir, RunSaved(definition, dir));
    bytes = ReadFile(dir.File("out.xml"));
    EXPECT_NE(bytes.find("<marker/>"), std::string::npos);  // EMPTY stays an empty tag
    EXPECT_NE(bytes.find("<blank></blank>"), std::string::npos);
}

TEST(DVRunTest, LineTagsSplitText) {
    TempDir dir;
    DVFile definition = Csv(dir, "T\nx\n", false);
    XMLNode* row = Add(definition.Root(), "row");
    XMLNode* p = Add(*row, "p");
    p->SetValue("a\r\n\r\nb");
    p->insertParagraphTags = true;
    XMLNode* br = Add(*row, "br");
    br->SetValue("a\r\nb");
    br->insertBrTags = true;
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row(p(p('a') p('b') p) br('a' br 'b' br br)))");
}

TEST(DVRunTest, TokensAndFormatting) {
    FixedEnvironment environment;
    TempDir dir;
    DVFile definition = Csv(dir, "D,N\n2004-05-06,1234.5\n2004-05,7\n", false);
    definition.SetLocale("C.UTF-8");
    definition.SetFirstOutputId(100);
    XMLNode* row = Add(definition.Root(), "row");
    Add(*row, "id", XMLNode::kAttribute)->SetValue("{ID}-{ID}");
    Add(*row, "n")->SetValue("Row {ROW} by {USERNAME}");
    XMLNode* date = Add(*row, "d", XMLNode::kElement, Id(definition, "D"));
    date->dataType = DataTypeProperties::kDateTime;
    date->format = "DD.MM.YYYY";
    XMLNode* number = Add(*row, "x", XMLNode::kElement, Id(definition, "N"));
    number->dataType = DataTypeProperties::kNumber;
    number->precision = 2;
    number->thousands = true;
    XMLNode* upper = Add(*row, "u");
    upper->SetValue("abc");
    upper->caseType = DataTypeProperties::kCaseUpper;
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row[id=100-100](n('Row 1 by tester') d('06.05.2004') x('1,234.50') "
              "u('ABC')) row[id=101-101](n('Row 2 by tester') d('31.05.2004') x('7.00') "
              "u('ABC')))");
}

TEST(DVRunTest, HeadOptionsInOrder) {
    TempDir dir;
    WriteFile(dir.File("head.inc"), "a\n\nb\n");
    struct Case {
        const char* what;
        std::function<void(DVFile&)> set;
        std::string head;
    };
    const Case cases[] = {
        {"defaults", [](DVFile&) {},
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<document>"},
        {"no standalone property", [](DVFile& d) { d.SetIncludeStandaloneProperty(false); },
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<document>"},
        {"no declaration", [](DVFile& d) { d.SetIncludeXmlDeclaration(false); }, "<document>"},
        {"stylesheet",
         [](DVFile& d) {
             d.SetIncludeStylesheet(true);
             d.SetStylesheetHref("s.xsl");
             d.SetStylesheetTitle("T");
         },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
         "<?xml-stylesheet href=\"s.xsl\" type=\"text/xsl\" title=\"T\"?>\n<document>"},
        {"css without href",
         [](DVFile& d) {
             d.SetIncludeStylesheet(true);
             d.SetIsStylesheetXsl(false);
         },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
         "<?xml-stylesheet href=\"\" type=\"text/css\"?>\n<document>"},
        {"doctype system",
         [](DVFile& d) {
             d.SetIncludeDoctype(true);
             d.SetDoctypeDtd("d.dtd");
         },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
         "<!DOCTYPE document SYSTEM \"d.dtd\">\r\n<document>"},
        {"doctype public",
         [](DVFile& d) {
             d.SetIncludeDoctype(true);
             d.SetDoctypePublicId("-//X//Y");
             d.SetDoctypeDtd("d.dtd");
         },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\n"
         "<!DOCTYPE document PUBLIC \"-//X//Y\" \"d.dtd\">\r\n<document>"},
        {"public id without dtd",
         [](DVFile& d) {
             d.SetIncludeDoctype(true);
             d.SetDoctypePublicId("-//X//Y");
         },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n"
         "<!DOCTYPE document>\r\n<document>"},
        {"custom text", [](DVFile& d) { d.SetCustomText("<!-- c -->"); },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<!-- c -->\r\n<document>"},
        {"custom text ending in LF", [](DVFile& d) { d.SetCustomText("<!-- c -->\r\n"); },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<!-- c -->\r\n<document>"},
        {"include file", [&dir](DVFile& d) { d.SetIncludeFile(dir.File("head.inc")); },
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\n<!--ab-->"},
    };
    for (const Case& c : cases) {
        DVFile definition = Csv(dir, "N\n1\n");
        c.set(definition);
        if (std::string(c.what) == "include file") {
            WriteFile(dir.File("head.inc"), "<!--a\n\nb-->\n");
        }
        const RunOutcome outcome = RunSaved(definition, dir);
        ASSERT_EQ(outcome.code, 0) << c.what << ": " << outcome.detail;
        const std::string bytes = ReadFile(dir.File("out.xml"));
        EXPECT_EQ(bytes.substr(0, c.head.size()), c.head) << c.what;
        CanonicalFile(dir.File("out.xml"));  // and well-formed
    }
}

TEST(DVRunTest, LongIncludeLinesPassWhole) {
    TempDir dir;
    const std::string comment = "<!--" + std::string(10000, 'x') + "-->";
    WriteFile(dir.File("long.inc"), comment + "\n");
    DVFile definition = Csv(dir, "N\n1\n");
    definition.SetIncludeFile(dir.File("long.inc"));
    ASSERT_EQ(RunSaved(definition, dir).code, 0);
    EXPECT_NE(ReadFile(dir.File("out.xml")).find(comment + "\r\n<document>"), std::string::npos);
}

// Include files are read from files only: a URL the catalogs map reads its copy.
TEST(DVRunTest, AnIncludeFileUrlTheCatalogsMapIsReadFromItsCopy) {
    TempDir dir;
    LocalHttpServer server(dir.Path().string());
    WriteFile(dir.File("head.inc"), "<!--head-->\n");
    const ScopedCatalog catalog(dir.File("catalog.xml"),
                                UriEntry(server.Url("/head.inc"), "head.inc") +
                                    UriEntry(server.Url("/gone.inc"), "gone.inc"),
                                Norvik::XmlCatalogs::Reload);
    DVFile definition = Csv(dir, "N\n1\n");
    definition.SetIncludeFile(server.Url("/head.inc"));
    EXPECT_EQ(RunSaved(definition, dir).code, 0);
    EXPECT_NE(ReadFile(dir.File("out.xml")).find("<!--head-->\r\n<document>"), std::string::npos);
    definition.SetIncludeFile(server.Url("/gone.inc"));
    EXPECT_EQ(RunSaved(definition, dir).detail,
              "the XML catalogs map it to " + dir.File("gone.inc") + ": No such file or directory");
    EXPECT_EQ(server.Requests(), 0) << server.RequestedPaths();
}

TEST(DVRunTest, OneFilePerRowAndPerValue) {
    TempDir dir;
    DVFile definition = Csv(dir, "K,N\na,1\nA,2\nb,3\n");
    definition.SetFilePerRow(true);
    RunOutcome outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.files,
              (std::vector<std::string>{dir.File("out001.xml"), dir.File("out002.xml"),
                                        dir.File("out003.xml")}));
    EXPECT_EQ(CanonicalFile(outcome.files[2]), "document(row(K('b') N('3')))");

    definition.SetFilePerRow(false);
    definition.SetFilePerColValueId(Id(definition, "K"));
    definition.SetTargetFileName(dir.File("by-<C=K>.xml"));
    outcome = RunSaved(definition, dir);
    ASSERT_EQ(outcome.code, 0);
    // a and A are one value: letter case does not start a new file.
    EXPECT_EQ(outcome.files,
              (std::vector<std::string>{dir.File("by-a.xml"), dir.File("by-b.xml")}));
    EXPECT_EQ(CanonicalFile(outcome.files[0]), "document(row(K('a') N('1')) row(K('A') N('2')))");
}

TEST(DVRunTest, ResultCodesAndMessages) {
    TempDir dir;
    struct Case {
        const char* what;
        std::function<void(DVFile&)> set;
        int32_t code;
        std::string message;
    };
    const std::string missingSource = dir.File("missing.csv");
    const Case cases[] = {
        {"no source file", [](DVFile& d) { d.SetSourceFileName(""); }, kNoSourceFile,
         "No Source File has been selected"},
        {"missing source", [&](DVFile& d) { d.SetSourceFileName(missingSource); }, kSourceFileOpen,
         "Failed to open the source file: " + missingSource},
        {"no target", [](DVFile& d) { d.SetTargetFileName(""); }, kNoTargetFile,
         "No Output File has been selected"},
        {"target folder missing", [&](DVFile& d) { d.SetTargetFileName(dir.File("no/x.xml")); },
         kTargetFileCreate, "Failed to create the target file: " + dir.File("no/x.xml")},
        {"disk full", [](DVFile& d) { d.SetTargetFileName("/dev/full"); }, kTargetFileWrite,
         "Failed to write to the target file: /dev/full"},
        {"missing include", [&](DVFile& d) { d.SetIncludeFile(dir.File("none.inc")); },
         kIncludeFileOpen, "Failed to open include file: " + dir.File("none.inc")},
        {"no delimiter", [](DVFile& d) { d.StoreDelimiter(""); }, kNoDelimiter,
         "No column delimiter has been selected"},
        {"unknown encoding", [](DVFile& d) { d.SetEncoding("no-such-code"); }, kTargetFileCreate,
         "Failed to create the target file: "},
    };
    for (const Case& c : cases) {
        DVFile definition = Csv(dir, "N\n1\n");
        c.set(definition);
        const RunOutcome outcome = RunSaved(definition, dir);
        EXPECT_EQ(outcome.code, c.code) << c.what << ": " << outcome.detail;
        EXPECT_EQ(outcome.message.substr(0, c.message.size()), c.message) << c.what;
    }
    // Nothing is left of a failed document.
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));

    DVFile empty = Csv(dir, "N\n1\n");
    WriteFile(dir.File("in.csv"), "");
    EXPECT_EQ(RunSaved(empty, dir).code, kNoColumns);

    testsupport::WriteFile(dir.File("bad.dv"), "<not-closed>");
    DVRun run;
    run.SetDefinitionPath(dir.File("bad.dv"));
    EXPECT_FALSE(run.LoadDefinition());
    EXPECT_EQ(run.GetResultMessage(kInvalidDVFile),
              "The DV File is invalid: " + dir.File("bad.dv"));
    EXPECT_EQ(run.GetResultMessage(kCancelled), "The operation has been cancelled");
    EXPECT_EQ(run.GetResultMessage(9999), "");
}

TEST(DVRunTest, CancellingAndProgress) {
    TempDir dir;
    std::string csv = "N\n";
    for (int i = 0; i < 50; ++i) {
        csv += std::to_string(i) + "\n";
    }
    DVFile definition = Csv(dir, csv);
    std::vector<int32_t> calls;
    RunOutcome outcome = RunSaved(definition, dir, [&](int32_t n) {
        calls.push_back(n);
        return true;
    });
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(calls.front(), -1);
    EXPECT_EQ(calls[1], 0);
    EXPECT_EQ(calls.back(), 50);

    outcome = RunSaved(definition, dir, [](int32_t n) { return n != 0; });
    EXPECT_EQ(outcome.code, kCancelled);
    EXPECT_EQ(outcome.message, "The operation has been cancelled");
    EXPECT_TRUE(outcome.files.empty());  // before any row
}

TEST(DVRunTest, EmptySourceWritesNothing) {
    TempDir dir;
    DVFile definition = Csv(dir, "N\n1\n");
    WriteFile(dir.File("in.csv"), "N\n");
    int32_t final = -5;
    const RunOutcome outcome = RunSaved(definition, dir, [&](int32_t n) {
        final = n;
        return true;
    });
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(final, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));
}

TEST(DVRunTest, EveryEncodingGivesTheSameDocument) {
    TempDir dir;
    const std::string text = "K\xC3\xB6ln \xE2\x82\xAC \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80";
    const std::string expected = "document(row(T('" + text + "')))";
    for (const char* encoding : {"utf-16", "utf-8", "UTF-16BE", "ISO-8859-1", "windows-1252",
                                 "Shift_JIS", "EUC-JP", "GB18030"}) {
        DVFile definition = Csv(dir, "T\n" + text + "\n");
        definition.SetEncoding(encoding);
        EXPECT_EQ(Output(dir, RunSaved(definition, dir)), expected) << encoding;
    }
}

TEST(DVRunTest, CharactersXmlCannotHoldAreReplaced) {
    TempDir dir;
    DVFile definition = Csv(dir, std::string("T\na\x01"
                                             "b\x0C"
                                             "c\n"));
    EXPECT_EQ(Output(dir, RunSaved(definition, dir)),
              "document(row(T('a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD"
              "c')))");
}

TEST(DVRunTest, PreviewShowsTheStartAndLeavesNothingBehind) {
    TempDir dir;
    std::string csv = "N\n";
    for (int i = 0; i < 200; ++i) {
        csv += std::to_string(i) + "\n";
    }
    DVFile definition = Csv(dir, csv);
    definition.SetEncoding("utf-16");
    const std::string tmp = dir.File("tmp");
    std::filesystem::create_directory(tmp);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    const std::string preview = DVRun::RunPreview(definition, 80, 3);
    EXPECT_EQ(preview.rfind("<?xml version=\"1.0\" encoding=\"utf-16\"", 0), 0u) << preview;
    EXPECT_LE(preview.size(), 80u);
    const std::string all = DVRun::RunPreview(definition, 100000, 3);
    EXPECT_NE(all.find("<N>2</N>"), std::string::npos);
    EXPECT_EQ(all.find("<N>3</N>"), std::string::npos);  // at most three rows

    definition.SetSourceFileName(dir.File("gone.csv"));
    EXPECT_EQ(DVRun::RunPreview(definition, 100, 3), "No such file or directory");
    EXPECT_TRUE(std::filesystem::is_empty(tmp));
    ::unsetenv("TMPDIR");
}

}  // namespace
