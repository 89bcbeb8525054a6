#pragma once

// Source text and trees that try the writer, shared by the tests that
// compare runs on several threads or in parts with a single run.
#include <random>
#include <string>
#include <vector>

#include "RunTestSupport.h"

namespace testsupport {

// Text that tries the writer: markup characters, a control character,
// non-ASCII letters, line breaks inside quotes, empty and zero values.
inline std::string AwkwardCsv(size_t rows) {
    std::string csv = "Id,Name,Amount,When,Note\n";
    const char* names[] = {"Smith & Sons",     "<tag>",       "K\xc3\xb6ln",       "",
                           "\"two\r\nlines\"", "ctl\x01here", "\"quoted, comma\"", "plain"};
    for (size_t i = 0; i < rows; ++i) {
        csv += std::to_string(i) + "," + names[i % 8] + "," +
               (i % 5 == 0 ? "0" : std::to_string(i * 37 % 1000) + "." + std::to_string(i % 10)) +
               ",2024-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10) + "," +
               (i % 3 == 0 ? "\"a\nb\"" : "note " + std::to_string(i)) + "\n";
    }
    return csv;
}

// A tree with most of what rows are written with: attributes, text
// elements, a value node with tokens, CDATA, line-break tags, skip rules,
// nested elements, header and footer content.
inline void AddEverything(DVFile& definition, bool rowNumbers = true) {
    XMLNode& root = definition.Root();
    Add(root, "generated", XMLNode::kAttribute)->SetValue("{SOURCEFILE}");
    XMLNode* header = Add(root, "header");
    header->SetScope(XMLNode::kHeaderScope);
    Add(*header, "first", XMLNode::kElement, Id(definition, "Name"));
    XMLNode* row = Add(root, "row");
    Add(*row, "id", XMLNode::kAttribute, Id(definition, "Id"));
    Add(*row, "at", XMLNode::kAttribute)->SetValue(rowNumbers ? "row {ROW}" : "row");
    Add(*row, "name", XMLNode::kElement, Id(definition, "Name"))->SetSkipIfEmpty(true);
    Add(*row, "amount", XMLNode::kElement, Id(definition, "Amount"))->SetSkipIfZero(true);
    XMLNode* detail = Add(*row, "detail");
    Add(*detail, "when", XMLNode::kElement, Id(definition, "When"));
    XMLNode* note = Add(*detail, "note", XMLNode::kElement, Id(definition, "Note"));
    note->insertBrTags = true;
    Add(*detail, "raw", XMLNode::kElement, Id(definition, "Name"))
        ->SetOutputType(XMLNode::kCDataSection);
    XMLNode* mixed = Add(*row, "mixed");
    Add(*mixed, "v", XMLNode::kValue)->SetValue(rowNumbers ? "#{ROW}: " : "# ");
    Add(*mixed, "w", XMLNode::kValue, Id(definition, "Id"));
    Add(*mixed, "empty")->SetIsEmpty(true);
    XMLNode* footer = Add(root, "footer");
    footer->SetScope(XMLNode::kFooterScope);
    Add(*footer, "rows")->SetValue(rowNumbers ? "{ROW}" : "{SOURCEFILE}");
}

// Number, date, case and lookup formatting on the columns.
inline void FormatColumns(DVFile& definition) {
    CSCol& amount = definition.Column(definition.ColumnIndexByName("Amount"));
    amount.dataType = DataTypeProperties::kNumber;
    amount.thousands = true;
    amount.precision = 2;
    CSCol& when = definition.Column(definition.ColumnIndexByName("When"));
    when.dataType = DataTypeProperties::kDateTime;
    when.format = "dd MMM yyyy";
    CSCol& name = definition.Column(definition.ColumnIndexByName("Name"));
    name.caseType = DataTypeProperties::kCaseUpper;
    name.AddLookupEntry("SMITH & SONS = Smith Ltd");
    name.defaultValue = "(none)";
}

// The shipped example reading its own source and writing into dir, saved
// there; the project's path. (It shows when it ran: fix the clock.)
inline std::string SaveExample(const TempDir& dir) {
    const std::string examples = DV_EXAMPLES_DIR;
    DVFile definition;
    EXPECT_TRUE(definition.LoadProjectFile(examples + "/orders.dv"));
    definition.SetSourceFileName(examples + "/orders.csv");
    definition.SetTargetFileName(dir.File("orders.xml"));
    return SaveDefinition(definition, dir);
}

// A change to an awkward definition, and what it tries.
struct AwkwardCase {
    const char* what;
    void (*change)(DVFile&);
};

// The changes every way of cutting the work must survive.
inline std::vector<AwkwardCase> AwkwardCases() {
    return {
        {"every kind of node", [](DVFile&) {}},
        {"formatted, indented, UTF-16",
         [](DVFile& d) {
             FormatColumns(d);
             d.SetIndentOutput(true);
             d.SetEncoding("UTF-16");
         }},
        {"German numbers and dates",
         [](DVFile& d) {
             d.SetLocale("de_DE.UTF-8");
             FormatColumns(d);
         }},
        {"skip rules that reject rows",
         [](DVFile& d) {
             d.Column(d.ColumnIndexByName("Amount")).skipIfZero = true;
             d.Column(d.ColumnIndexByName("Name")).skipIfEmpty = true;
         }},
    };
}

// Random definitions over the awkward source, the same ones for a seed.
class RandomAwkward {
public:
    explicit RandomAwkward(unsigned seed) : random_(seed) {}

    uint32_t Next() { return static_cast<uint32_t>(random_()); }
    bool Chance(int percent) { return static_cast<int>(random_() % 100) < percent; }
    // The id of one of the awkward columns.
    int32_t Column(const DVFile& definition) {
        static const char* const columns[] = {"Id", "Name", "Amount", "When", "Note"};
        return Id(definition, columns[random_() % 5]);
    }

    // The awkward source of rows plus up to rowsSpan more rows, its quoted
    // line breaks read as such; indented, end tags always, UTF-16 and the
    // columns formatted, each by chance.
    DVFile Definition(const TempDir& dir, size_t rows, size_t rowsSpan) {
        DVFile definition = CsvDefinition(dir, AwkwardCsv(rows + random_() % rowsSpan), false);
        definition.SetQuotedLineBreaks(true);
        definition.SetIndentOutput(Chance(30));
        definition.SetAlwaysEmitEndTags(Chance(30));
        if (Chance(20)) {
            definition.SetEncoding("UTF-16");
        }
        if (Chance(40)) {
            FormatColumns(definition);
        }
        return definition;
    }

    // One to three elements below the root, of any scope, each with one to
    // four children (elements, attributes, values) taking a column or a
    // constant (rowPercent of constants showing {ROW}), skip rules and CDATA
    // by chance; groupPercent of the elements grouped by a column.
    void AddElements(DVFile& definition, int rowPercent, int groupPercent) {
        XMLNode& root = definition.Root();
        for (int top = 0; top < 1 + static_cast<int>(random_() % 3); ++top) {
            XMLNode* element = Add(root, ("e" + std::to_string(top)).c_str());
            const int scope = static_cast<int>(random_() % 10);
            element->SetScope(scope < 7 ? XMLNode::kRowScope : scope - 6);
            for (int child = 0; child < 1 + static_cast<int>(random_() % 4); ++child) {
                const int kind = static_cast<int>(random_() % 3);
                XMLNode* node = Add(*element, ("c" + std::to_string(child)).c_str(), kind,
                                    Chance(80) ? Column(definition) : 0);
                if (node->GetSource() == 0) {
                    node->SetValue(Chance(rowPercent) ? "row {ROW}" : "constant");
                }
                node->SetSkipIfEmpty(Chance(30));
                node->SetSkipIfZero(Chance(15));
                node->SetSkipIfDuplicate(Chance(5));
                if (kind == XMLNode::kElement && Chance(15)) {
                    node->SetOutputType(XMLNode::kCDataSection);
                }
            }
            if (groupPercent > 0 && Chance(groupPercent)) {
                element->SetGroup(Column(definition));
            }
        }
    }

private:
    std::mt19937 random_;
};

}  // namespace testsupport
