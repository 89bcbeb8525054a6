// Rows of the common shape take a one-call path; it must write the bytes the
// general walk of the tree writes.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "RunTestSupport.h"
#include "model/XMLNode.h"
#include "output/NodeTreeWriter.h"

using namespace testsupport;

namespace {

const char kCsv[] =
    "Id,Name,Note\n"
    "1,Ann,plain\n"
    "2,,a & b < c > d\n"
    ",,\n"
    "4,K\xc3\xb6ln,\"quoted, with comma\"\n"
    "5,\xe6\x9d\xb1\xe4\xba\xac,\xf0\x9f\x98\x80 bad \xff byte\n"
    "6,\"\"\"x\"\"\",  spaced  \n";

XMLNode* Leaf(XMLNode& parent, const DVFile& definition, const char* column) {
    XMLNode* node = parent.AddChild(column, XMLNode::kElement);
    node->SetSource(definition.Columns().at(definition.ColumnIndexByName(column)).id);
    return node;
}

std::string Write(const std::function<void(DVFile&)>& shape, bool templates) {
    NodeTreeWriter::SetRowTemplatesForTesting(templates);
    TempDir dir;
    DVFile definition = CsvDefinition(dir, kCsv, true);
    shape(definition);
    const RunOutcome outcome = RunSaved(definition, dir);
    NodeTreeWriter::SetRowTemplatesForTesting(true);
    EXPECT_EQ(outcome.code, 0) << outcome.message << ": " << outcome.detail;
    std::string all;
    for (const std::string& file : outcome.files) {
        all += ReadFile(file);
    }
    return all;
}

}  // namespace

TEST(RowTemplateTest, WritesWhatTheGeneralWalkWrites) {
    struct Case {
        const char* name;
        std::function<void(DVFile&)> shape;
    };
    const Case cases[] = {
        {"columns as they come", [](DVFile&) {}},
        {"no indentation", [](DVFile& d) { d.SetIndentOutput(false); }},
        {"end tags always", [](DVFile& d) { d.SetAlwaysEmitEndTags(true); }},
        {"empty values kept",
         [](DVFile& d) {
             XMLNode& row = *d.Root().Children().front();
             row.SetSkipIfEmpty(false);
             for (const auto& child : row.Children()) {
                 child->SetSkipIfEmpty(false);
                 child->SetIsEmpty(true);
             }
         }},
        {"inside a document element that stays open",
         [](DVFile& d) {
             d.Root().DeleteChildren();
             XMLNode* orders = d.Root().AddChild("orders", XMLNode::kElement);
             orders->SetScope(XMLNode::kDocumentScope);
             Leaf(*orders, d, "Id")->SetScope(XMLNode::kDocumentScope);
             XMLNode* row = orders->AddChild("row", XMLNode::kElement);
             Leaf(*row, d, "Name");
             Leaf(*row, d, "Note");
             XMLNode* footer = d.Root().AddChild("end", XMLNode::kElement);
             footer->SetScope(XMLNode::kFooterScope);
             footer->SetValue("done");
         }},
        {"rows next to other content",
         [](DVFile& d) {
             XMLNode* other = d.Root().AddChild("other", XMLNode::kElement);
             Leaf(*other, d, "Id")->SetSkipIfDuplicate(true);
             XMLNode* second = d.Root().AddChild("again", XMLNode::kElement);
             Leaf(*second, d, "Note");
             Leaf(*second, d, "Name");
         }},
        {"a file per row", [](DVFile& d) { d.SetFilePerRow(true); }},
        {"attributes before and between the elements",
         [](DVFile& d) {
             d.Root().DeleteChildren();
             XMLNode* row = d.Root().AddChild("row", XMLNode::kElement);
             row->SetSkipIfEmpty(true);
             XMLNode* id = row->AddChild("Id", XMLNode::kAttribute);
             id->SetSource(d.Columns().at(d.ColumnIndexByName("Id")).id);
             Leaf(*row, d, "Name");
             XMLNode* note = row->AddChild("Note", XMLNode::kAttribute);
             note->SetSource(d.Columns().at(d.ColumnIndexByName("Note")).id);
             note->SetSkipIfEmpty(false);
         }},
        {"formatted and looked-up columns",
         [](DVFile& d) {
             CSCol& id = d.Column(d.ColumnIndexByName("Id"));
             id.dataType = DataTypeProperties::kNumber;
             id.precision = 2;
             id.thousands = true;
             CSCol& name = d.Column(d.ColumnIndexByName("Name"));
             name.AddLookupEntry("ann = Anna");
             name.defaultValue = "nobody";
         }},
        {"rows of a group",
         [](DVFile& d) {
             d.Root().DeleteChildren();
             XMLNode* group = d.Root().AddChild("group", XMLNode::kElement);
             group->SetGroup(d.Columns().at(d.ColumnIndexByName("Name")).id);
             XMLNode* row = group->AddChild("row", XMLNode::kElement);
             Leaf(*row, d, "Id");
             Leaf(*row, d, "Note");
         }},
        {"rows of a group ordered by it",
         [](DVFile& d) {
             d.Root().DeleteChildren();
             const int32_t name = d.Columns().at(d.ColumnIndexByName("Name")).id;
             XMLNode* group = d.Root().AddChild("group", XMLNode::kElement);
             group->SetGroup(name);
             XMLNode* row = group->AddChild("row", XMLNode::kElement);
             Leaf(*row, d, "Id");
             Leaf(*row, d, "Note");
             d.SortOrders()[0] = SortOrder{name, false};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string general = Write(c.shape, false);
        EXPECT_FALSE(general.empty());
        EXPECT_EQ(Write(c.shape, true), general);
    }
}
