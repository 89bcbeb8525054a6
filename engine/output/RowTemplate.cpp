#include "RowTemplate.h"

#include "model/ColumnMap.h"
#include "model/XMLNode.h"
#include "sources/DVDataSourceRow.h"

namespace {

// Written as its text and nothing else: no formatting, no skip rule that
// depends on other rows or on numbers, no markup around the text.
bool IsPlainText(const XMLNode& node) {
    return node.dataType == DataTypeProperties::kText && node.caseType == 0 &&
           node.GetOutputType() == XMLNode::kNormalText && !node.insertParagraphTags &&
           !node.insertBrTags && node.GetScope() == XMLNode::kRowScope && node.GetGroup() == 0 &&
           !node.GetSkipIfDuplicate() && !node.GetSkipIfZero();
}

}  // namespace

bool RowTemplate::Fits(const XMLNode& node, const ColumnMap& columns) {
    if (node.GetNodeType() != XMLNode::kElement || !IsPlainText(node) || node.GetSource() != 0 ||
        !node.GetValue().empty() || node.Children().empty()) {
        return false;
    }
    for (const auto& child : node.Children()) {
        const int32_t kind = child->GetNodeType();
        if ((kind != XMLNode::kElement && kind != XMLNode::kAttribute) || !IsPlainText(*child) ||
            !child->Children().empty() || child->GetSource() == 0 ||
            columns.IndexOf(child->GetSource()) < 0) {
            return false;
        }
    }
    return true;
}

RowTemplate::RowTemplate(const XMLNode& node, const ColumnMap& columns) : node_(&node) {
    for (const auto& child : node.Children()) {
        children_.push_back({child->GetName(), Norvik::CSAXWriter::MakeTags(child->GetName()),
                             columns.IndexOf(child->GetSource()), child->GetSkipIfEmpty(),
                             child->GetNodeType() == XMLNode::kAttribute, child->GetIsEmpty()});
    }
    attributes_.resize(children_.size());
    fields_.resize(children_.size());
}

bool RowTemplate::Read(DVDataSourceRow& row) {
    size_t attributes = 0;
    size_t fields = 0;
    bool any = false;
    size_t count = 0;
    const std::string_view* values = row.DisplayFields(count);
    for (const Child& child : children_) {
        const auto column = static_cast<size_t>(child.column);
        const std::string_view text = !values          ? row.ColumnDisplayView(child.column)
                                      : column < count ? values[column]
                                                       : std::string_view();
        any = any || !text.empty();
        if (text.empty() && child.skipIfEmpty) {
            continue;
        }
        const Norvik::CSAXWriter::TextField field{child.name, text, child.emptyElementTag,
                                                  child.tags.empty() ? nullptr : child.tags.data()};
        if (child.attribute) {
            attributes_[attributes++] = field;
        } else {
            fields_[fields++] = field;
        }
    }
    attributeCount_ = attributes;
    fieldCount_ = fields;
    return any;
}
