#include "NodeTreeWriter.h"

#include <atomic>
#include <charconv>

#include "AutoTextResolver.h"
#include "CGroupSourceRow.h"
#include "GroupRegistry.h"
#include "GroupsApart.h"
#include "OutputDocument.h"
#include "RowTemplate.h"
#include "base/TextUtil.h"
#include "model/ColumnMap.h"
#include "model/XMLNode.h"
#include "sources/DVDataSourceRow.h"

NodeTreeWriter::NodeTreeWriter(OutputDocument& output, AutoTextResolver& resolver,
                               const ColumnMap& columns, const GroupRegistry* groups)
    : output_(output), resolver_(resolver), columns_(columns), groups_(groups) {}

NodeTreeWriter::~NodeTreeWriter() = default;

namespace {

std::atomic<bool> rowTemplatesEnabled{true};

}  // namespace

void NodeTreeWriter::SetRowTemplatesForTesting(bool enabled) {
    rowTemplatesEnabled = enabled;
}

const std::vector<std::unique_ptr<RowTemplate>>& NodeTreeWriter::TemplatesOf(
    const XMLNode& parent) {
    for (const ChildTemplates& entry : templates_) {
        if (entry.parent == &parent) {
            return entry.templates;
        }
    }
    ChildTemplates& entry = templates_.emplace_back();
    entry.parent = &parent;
    for (const auto& child : parent.Children()) {
        entry.templates.push_back(rowTemplatesEnabled && RowTemplate::Fits(*child, columns_)
                                      ? std::make_unique<RowTemplate>(*child, columns_)
                                      : nullptr);
    }
    return entry.templates;
}

bool NodeTreeWriter::WriteFromTemplate(RowTemplate& rowTemplate, DVDataSourceRow& row) {
    const XMLNode& node = rowTemplate.Node();
    if (!IsOwnPass(node)) {
        return true;
    }
    if (!rowTemplate.Read(row) && node.GetSkipIfEmpty()) {
        return true;
    }
    if (const XMLNode* parent = node.GetParent()) {
        CloseContainers(*parent);
    }
    return output_.WriteRow(node, rowTemplate.Attributes(), rowTemplate.Fields());
}

bool NodeTreeWriter::ReadsAsZero(std::string_view value) {
    if (value.empty()) {
        return false;
    }
    size_t i = 0;
    while (i < value.size() && Norvik::IsSpace(value[i])) {
        ++i;
    }
    if (i < value.size() && value[i] == '+') {
        ++i;
    }
    double number = 0.0;
    const auto result = std::from_chars(value.data() + i, value.data() + value.size(), number);
    if (result.ec == std::errc::result_out_of_range) {
        return false;  // too large or too small to hold, but not zero as written
    }
    return result.ec != std::errc() || number == 0.0;
}

std::string NodeTreeWriter::GetNodeValue(const XMLNode& node, DVDataSourceRow& row, bool peek) {
    std::string buffer;
    return std::string(NodeValue(node, row, peek, buffer));
}

std::string_view NodeTreeWriter::NodeValue(const XMLNode& node, DVDataSourceRow& row, bool peek,
                                           std::string& buffer) {
    std::string_view value;
    if (node.GetSource() != 0) {
        const int32_t index = columns_.IndexOf(node.GetSource());
        if (index >= 0) {
            if (node.dataType == DataTypeProperties::kDateTime) {
                // Date nodes read the sortable form and re-format it themselves.
                row.ColumnValueInto(index, true, buffer);
                value = buffer;
            } else {
                value = row.ColumnDisplayView(index);
            }
        }
    } else {
        value = node.GetValue();
        if (value.find('{') != std::string_view::npos) {
            buffer = resolver_.Resolve(value, rowCount_, peek);
            value = buffer;
        }
    }
    if (node.dataType == DataTypeProperties::kText && node.caseType == 0) {
        return value;
    }
    buffer = node.DataType().Format(value);
    return buffer;
}

void NodeTreeWriter::WriteDocumentStart(const XMLNode& root, DVDataSourceRow& row) {
    StartElementWithAttributes(root, row);
}

void NodeTreeWriter::WriteRow(const XMLNode& root, DVDataSourceRow& row, bool firstOfDocument) {
    pass_ = firstOfDocument ? Pass::kFirstRow : Pass::kRow;
    WriteChildren(root, row);
}

void NodeTreeWriter::WriteFooter(const XMLNode& root, DVDataSourceRow& row) {
    last_.ForgetBelow(root);
    pass_ = Pass::kFooter;
    WriteChildren(root, row);
    CloseContainers(root);
    last_.ForgetBelow(root);
}

bool NodeTreeWriter::IsOwnPass(const XMLNode& node) const {
    switch (node.GetScope()) {
        case XMLNode::kRowScope:
            return pass_ != Pass::kFooter;
        case XMLNode::kDocumentScope:
        case XMLNode::kHeaderScope:
            return pass_ == Pass::kFirstRow;
        case XMLNode::kFooterScope:
            return pass_ == Pass::kFooter;
        default:
            return true;
    }
}

bool NodeTreeWriter::IsDuplicate(const XMLNode& node, std::string_view value) {
    // The last value matters only to the duplicate rule: kept only for it.
    return node.GetSkipIfDuplicate() && !last_.ValueChanged(node, value) &&
           pass_ != Pass::kFirstRow;
}

bool NodeTreeWriter::IsSubtreeEmpty(const XMLNode& node, DVDataSourceRow& row) {
    std::string buffer;
    if (!NodeValue(node, row, true, buffer).empty()) {
        return false;
    }
    for (const auto& child : node.Children()) {
        if (!IsSubtreeEmpty(*child, row)) {
            return false;
        }
    }
    return true;
}

namespace {

bool RemembersRows(const XMLNode& node) {
    if (node.GetSkipIfDuplicate() || node.GetGroup() != 0 ||
        node.GetValue().find("{ID}") != std::string::npos) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (RemembersRows(*child)) {
            return true;
        }
    }
    return false;
}

bool ReadsColumns(const XMLNode& node) {
    if (node.GetSource() != 0 || node.GetGroup() != 0) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (ReadsColumns(*child)) {
            return true;
        }
    }
    return false;
}

bool HasRowToken(const XMLNode& node) {
    if (node.GetValue().find("{ROW}") != std::string::npos) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (HasRowToken(*child)) {
            return true;
        }
    }
    return false;
}

bool FooterReads(const XMLNode& node) {
    for (const auto& child : node.Children()) {
        if (child->GetScope() == XMLNode::kFooterScope ? ReadsColumns(*child)
                                                       : FooterReads(*child)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool NodeTreeWriter::ShowsRowNumbers(const XMLNode& root) {
    return HasRowToken(root);
}

bool NodeTreeWriter::FooterReadsRow(const XMLNode& root) {
    return FooterReads(root);
}

namespace {

// Whether no child of root writes, in a row pass after a document's first,
// anything that depends on the rows before it: no element stays open over
// rows, no text goes into the document element, and the rows of grouped
// children (counted in groups) stand alone. Without rows, row elements
// that are not grouped are refused too.
bool TopLevelApart(const XMLNode& root, bool rows, size_t& groups) {
    for (const auto& child : root.Children()) {
        switch (child->GetNodeType()) {
            case XMLNode::kElement:
                if (child->GetScope() == XMLNode::kDocumentScope && child->HasRepeatingContent()) {
                    return false;
                }
                if (child->GetGroup() != 0) {
                    ++groups;
                    for (const auto& below : child->Children()) {
                        if (RemembersRows(*below)) {
                            return false;
                        }
                    }
                } else if (!rows && child->GetScope() == XMLNode::kRowScope) {
                    return false;
                }
                break;
            case XMLNode::kAttribute:
                break;
            default:
                return false;
        }
    }
    return true;
}

}  // namespace

bool NodeTreeWriter::WritesRowsApart(const XMLNode& root) {
    size_t groups = 0;
    return TopLevelApart(root, true, groups) && !RemembersRows(root);
}

bool NodeTreeWriter::WritesGroupsApart(const XMLNode& root) {
    size_t groups = 0;
    return TopLevelApart(root, false, groups) && groups > 0;
}

bool NodeTreeWriter::StaysOpen(const XMLNode& node) const {
    if (node.GetScope() != XMLNode::kDocumentScope || node.GetGroup() != 0 ||
        node.GetNodeType() != XMLNode::kElement) {
        return false;
    }
    for (const XMLNode* up = node.GetParent(); up; up = up->GetParent()) {
        if (up->GetNodeType() != XMLNode::kDocumentRoot &&
            (up->GetScope() != XMLNode::kDocumentScope || !IsOpen(*up))) {
            return false;
        }
    }
    return node.HasRepeatingContent();
}

bool NodeTreeWriter::IsOpen(const XMLNode& node) const {
    for (const XMLNode* open : open_) {
        if (open == &node) {
            return true;
        }
    }
    return false;
}

void NodeTreeWriter::EndNode(const XMLNode& node) {
    output_.EndElement(node.GetName(), node.GetIsEmpty());
}

void NodeTreeWriter::CloseContainers(const XMLNode& node) {
    // Open elements below node are the tail of the list; innermost last.
    while (!open_.empty() && open_.back() != &node && node.IsAncestorOf(open_.back())) {
        const XMLNode* inner = open_.back();
        open_.pop_back();
        EndNode(*inner);
    }
}

void NodeTreeWriter::StartElementWithAttributes(const XMLNode& node, DVDataSourceRow& row) {
    if (node.HasAttributes()) {
        for (const auto& child : node.Children()) {
            if (child->GetNodeType() != XMLNode::kAttribute) {
                continue;
            }
            std::string buffer;
            const std::string_view value = NodeValue(*child, row, false, buffer);
            if (value.empty() && child->GetSkipIfEmpty()) {
                continue;
            }
            if (!value.empty() && child->GetSkipIfZero() && ReadsAsZero(value)) {
                continue;
            }
            output_.AddAttribute(child->GetName(), value);
        }
    }
    output_.StartElementWithAttributeList(node.GetName());
}

void NodeTreeWriter::WriteValueNode(const XMLNode& node, const XMLNode& parent,
                                    DVDataSourceRow& row) {
    if (!IsOwnPass(node)) {
        return;
    }
    std::string buffer;
    const std::string_view value = NodeValue(node, row, false, buffer);
    if (IsDuplicate(node, value) || value.empty() || (node.GetSkipIfZero() && ReadsAsZero(value))) {
        return;
    }
    CloseContainers(parent);
    output_.WriteText(node, value);
}

void NodeTreeWriter::WriteChildren(const XMLNode& node, DVDataSourceRow& row) {
    const std::vector<std::unique_ptr<RowTemplate>>& templates = TemplatesOf(node);
    size_t at = 0;
    for (const auto& child : node.Children()) {
        RowTemplate* rowTemplate = at < templates.size() ? templates[at].get() : nullptr;
        ++at;
        const int32_t kind = child->GetNodeType();
        if (kind == XMLNode::kElement) {
            if (!rowTemplate || !WriteFromTemplate(*rowTemplate, row)) {
                WriteNode(*child, row);
            }
        } else if (kind == XMLNode::kValue) {
            WriteValueNode(*child, node, row);
        }
    }
}

void NodeTreeWriter::WriteNode(const XMLNode& node, DVDataSourceRow& row) {
    if (IsOpen(node)) {
        // A Document element opened on an earlier row: its content continues.
        WriteChildren(node, row);
        if (pass_ == Pass::kFooter) {
            CloseContainers(node);
            std::erase(open_, &node);
            EndNode(node);
        }
        return;
    }
    if (!IsOwnPass(node)) {
        return;
    }
    std::string buffer;
    const std::string_view value = NodeValue(node, row, false, buffer);
    if (value.empty() && node.GetSkipIfEmpty() && IsSubtreeEmpty(node, row)) {
        return;
    }
    if (IsDuplicate(node, value)) {
        return;
    }
    if (!value.empty() && node.GetSkipIfZero() && ReadsAsZero(value)) {
        return;
    }
    if (const XMLNode* parent = node.GetParent()) {
        CloseContainers(*parent);
    }

    if (node.GetGroup() != 0) {
        WriteGroup(node, row, value);
    } else if (!node.Children().empty() || !output_.WriteTextElement(node, value)) {
        WriteElement(node, row, value);
    }
}

void NodeTreeWriter::WriteElement(const XMLNode& node, DVDataSourceRow& row,
                                  std::string_view value) {
    const bool staysOpen = StaysOpen(node);
    StartElementWithAttributes(node, row);
    output_.WriteText(node, value);
    if (staysOpen) {
        open_.push_back(&node);
    }
    if (node.HasChildElements()) {
        WriteChildren(node, row);
    }
    if (!staysOpen) {
        EndNode(node);
    }
}

void NodeTreeWriter::WriteGroup(const XMLNode& node, DVDataSourceRow& row, std::string_view value) {
    const int32_t groupIndex = columns_.IndexOf(node.GetGroup());
    std::string groupValue;
    if (groupIndex >= 0) {
        row.ColumnValueInto(groupIndex, false, groupValue);
    }
    if (!last_.GroupChanged(node, groupValue)) {
        return;
    }
    if (apart_ && pass_ == Pass::kRow && apart_->Writes(node)) {
        last_.ForgetBelow(node);
        apart_->Write(node, value, groupValue, rowCount_);
        return;
    }
    StartElementWithAttributes(node, row);
    output_.WriteText(node, value);
    // Groups inside a group start afresh in each group element.
    last_.ForgetBelow(node);
    static const GroupRegistry kNoGroups;
    const std::unique_ptr<DVGroupRows> groupRows =
        (groups_ ? *groups_ : kNoGroups).OpenGroup(node, std::move(groupValue));
    while (!groupRows->IsAtEnd()) {
        WriteChildren(node, *groupRows);
        // A group element may list every row of the source.
        output_.FlushIfLarge();
        groupRows->Next();
    }
    EndNode(node);
}

void NodeTreeWriter::WriteGroupStart(const XMLNode& node, DVDataSourceRow& row,
                                     std::string_view text) {
    pass_ = Pass::kRow;
    StartElementWithAttributes(node, row);
    output_.WriteText(node, text);
}

void NodeTreeWriter::WriteGroupRow(const XMLNode& node, DVDataSourceRow& row) {
    pass_ = Pass::kRow;
    WriteChildren(node, row);
}

void NodeTreeWriter::WriteGroupEnd(const XMLNode& node) {
    EndNode(node);
}
