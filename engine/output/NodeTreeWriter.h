#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LastValues.h"

class AutoTextResolver;
class ColumnMap;
class DVDataSourceRow;
class GroupRegistry;
class GroupsApart;
class OutputDocument;
class RowTemplate;
class XMLNode;

// Writes the node tree of a document row by row: values from columns or from
// constant text with tokens, skip rules, scopes and grouping. What it
// remembers between rows (last values, open elements) belongs to one run.
//
// A document is written in passes over the tree: the first row, every later
// row, then the footer. A Row node is written in every row pass and never in
// the footer pass; Header and Document nodes in the first row's pass only;
// Footer nodes in the footer pass only. A Document element whose subtree
// holds Row or Footer content (and whose ancestors are all Document elements
// or the root) stays open after the first row: later rows write their Row
// content inside it and the footer pass writes its Footer content and closes
// it. Writing any other sibling content first closes such an element, so the
// output always nests as the tree does.
//
// Value nodes add their value (with their skip rules and output type) to the
// text of their parent element, in child order.
class NodeTreeWriter {
public:
    NodeTreeWriter(OutputDocument& output, AutoTextResolver& resolver, const ColumnMap& columns,
                   const GroupRegistry* groups);
    ~NodeTreeWriter();

    // {ROW} of the values written next.
    void SetRowCount(int32_t rowCount) noexcept { rowCount_ = rowCount; }

    // The root's start tag with its attributes, for the row that starts a
    // document.
    void WriteDocumentStart(const XMLNode& root, DVDataSourceRow& row);
    // One row's pass over the children of root; the first row of a document
    // also writes its Header and Document nodes.
    void WriteRow(const XMLNode& root, DVDataSourceRow& row, bool firstOfDocument);
    // The footer pass, which closes every element left open; duplicates and
    // groups start afresh in the next document.
    void WriteFooter(const XMLNode& root, DVDataSourceRow& row);

    // From now on the group elements of nodes apart Writes go there, in
    // the passes of rows after a document's first (null: none).
    void SetGroupsApart(GroupsApart* apart) noexcept { apart_ = apart; }
    // A group element in parts, for a writer of groups apart (in a row
    // pass): its start tag with attributes from row and its text; one row
    // of its group; its end tag.
    void WriteGroupStart(const XMLNode& node, DVDataSourceRow& row, std::string_view text);
    void WriteGroupRow(const XMLNode& node, DVDataSourceRow& row);
    void WriteGroupEnd(const XMLNode& node);
    // The group value node's element was last written for; null when none.
    const std::string* LastGroupValue(const XMLNode& node) const { return last_.GroupValue(node); }

    std::string GetNodeValue(const XMLNode& node, DVDataSourceRow& row, bool peek);
    // The same as a view: into the row's own values, the node's constant, or
    // buffer (so it lives as long as buffer and the current row).
    std::string_view NodeValue(const XMLNode& node, DVDataSourceRow& row, bool peek,
                               std::string& buffer);

    // Whether each row's pass depends on nothing kept from the rows before
    // it, so that rows after a document's first can be written apart (by
    // other writers) and joined in order: no element stays open over rows,
    // no node skips duplicates, groups or counts with {ID}, and the
    // document element holds elements only.
    static bool WritesRowsApart(const XMLNode& root);
    // Whether, after a document's first row, a row's pass writes nothing
    // but the group elements of grouped children of root, each of whose
    // rows depends on nothing kept from the rows before it: those can be
    // written apart.
    static bool WritesGroupsApart(const XMLNode& root);
    // Whether a value shows the row number ({ROW}).
    static bool ShowsRowNumbers(const XMLNode& root);
    // Whether the footer pass reads the row it is given (the last one read).
    static bool FooterReadsRow(const XMLNode& root);

    // A non-empty value whose leading part reads as zero, or that does not
    // begin with a number.
    static bool ReadsAsZero(std::string_view value);

    // Tests: whether rows of the common shape take their one-call path (on
    // by default), to compare it with the general walk.
    static void SetRowTemplatesForTesting(bool enabled);

private:
    enum class Pass { kFirstRow, kRow, kFooter };

    void WriteNode(const XMLNode& node, DVDataSourceRow& row);
    // A node that passed its skip rules: an element and its subtree, or a
    // group element with its subtree for every row of its group.
    void WriteElement(const XMLNode& node, DVDataSourceRow& row, std::string_view value);
    void WriteGroup(const XMLNode& node, DVDataSourceRow& row, std::string_view value);
    void WriteChildren(const XMLNode& node, DVDataSourceRow& row);
    void StartElementWithAttributes(const XMLNode& node, DVDataSourceRow& row);
    // Closes every open Document element below node.
    void CloseContainers(const XMLNode& node);
    bool IsOwnPass(const XMLNode& node) const;
    bool IsSubtreeEmpty(const XMLNode& node, DVDataSourceRow& row);
    bool StaysOpen(const XMLNode& node) const;
    bool IsOpen(const XMLNode& node) const;
    // Whether a node that skips duplicates repeats its last value now (the
    // first row of a document never does); remembers value.
    bool IsDuplicate(const XMLNode& node, std::string_view value);
    void WriteValueNode(const XMLNode& node, const XMLNode& parent, DVDataSourceRow& row);
    void EndNode(const XMLNode& node);
    // Per child of parent: its row template, or null when it has none.
    const std::vector<std::unique_ptr<RowTemplate>>& TemplatesOf(const XMLNode& parent);
    // False when the row needs the general walk after all.
    bool WriteFromTemplate(RowTemplate& rowTemplate, DVDataSourceRow& row);

    OutputDocument& output_;
    AutoTextResolver& resolver_;
    const ColumnMap& columns_;
    const GroupRegistry* groups_;
    GroupsApart* apart_ = nullptr;
    int32_t rowCount_ = 0;
    Pass pass_ = Pass::kFirstRow;
    LastValues last_;
    std::vector<const XMLNode*> open_;  // open Document elements, outermost first
    struct ChildTemplates {
        const XMLNode* parent;
        std::vector<std::unique_ptr<RowTemplate>> templates;
    };
    // Per parent written so far; a deque, so entries stay where they are
    // while nested parents add theirs.
    std::deque<ChildTemplates> templates_;
};
