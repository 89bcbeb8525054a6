#pragma once

// Source text and trees that try the writer, shared by the tests that
// compare runs on several threads or in parts with a single run.
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

}  // namespace testsupport
