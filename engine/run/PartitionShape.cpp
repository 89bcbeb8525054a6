#include "PartitionShape.h"

#include <algorithm>

#include "model/DVFile.h"
#include "model/XMLNode.h"
#include "output/NodeTreeWriter.h"
#include "output/OutputDocument.h"
#include "sort/SortKey.h"
#include "sources/DVDataSource.h"
#include "sources/TextFileDataSource.h"

namespace {

// The first grouped node whose group column is not column (-1: any group).
const XMLNode* GroupedOtherThan(const XMLNode& node, int32_t columnId) {
    if (node.GetGroup() != 0 && (columnId < 0 || node.GetGroup() != columnId)) {
        return &node;
    }
    for (const auto& child : node.Children()) {
        if (const XMLNode* found = GroupedOtherThan(*child, columnId)) {
            return found;
        }
    }
    return nullptr;
}

bool AnyValueHas(const XMLNode& node, std::string_view token) {
    if (node.GetValue().find(token) != std::string::npos) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (AnyValueHas(*child, token)) {
            return true;
        }
    }
    return false;
}

// Whether a Footer node (or one below it) shows the row number.
bool FooterShowsRowNumbers(const XMLNode& node) {
    for (const auto& child : node.Children()) {
        if (child->GetScope() == XMLNode::kFooterScope ? AnyValueHas(*child, "{ROW}")
                                                       : FooterShowsRowNumbers(*child)) {
            return true;
        }
    }
    return false;
}

bool Groups(const XMLNode& node) {
    return GroupedOtherThan(node, -1) != nullptr;
}

void ClearGroups(XMLNode& node) {
    node.SetGroup(0);
    for (const auto& child : node.Children()) {
        ClearGroups(*child);
    }
}

}  // namespace

bool PartitionShape::AcceptanceRemembers(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    return s.firstrow > 1 || s.lastrow != 0 ||
           std::any_of(definition.Columns().begin(), definition.Columns().end(),
                       [](const CSCol& c) { return c.useLastIfEmpty || c.skipIfDuplicate; });
}

PartitionShape PartitionShape::Of(const DVFile& definition) {
    PartitionShape shape;
    const DVFileSettings& s = definition.Settings();
    const XMLNode& root = definition.Root();
    shape.documents = s.fileperrow || s.filepercolvalueid > 0;
    if (DVFileSettings::IsDatabase(s.sourcetype)) {
        shape.cut = Cut::kRows;
    } else {
        for (const auto& order : definition.SortOrders()) {
            if (order && order->columnId != 0) {
                shape.cut = Cut::kKeys;
                shape.keyColumn = definition.ColumnIndexById(order->columnId);
                shape.keyNumber =
                    shape.keyColumn >= 0 &&
                    definition.Columns()[static_cast<size_t>(shape.keyColumn)].dataType ==
                        DataTypeProperties::kNumber;
                shape.keyDescending = order->descending;
                break;
            }
        }
    }
    const bool numbersOrLastRow =
        NodeTreeWriter::ShowsRowNumbers(root) || NodeTreeWriter::FooterReadsRow(root);
    if (shape.documents || AcceptanceRemembers(definition)) {
        shape.before = Before::kReplay;
    } else if (shape.cut == Cut::kKeys) {
        shape.before = Before::kCount;
    } else {
        shape.before = numbersOrLastRow ? Before::kReplay : Before::kFirstRow;
    }
    return shape;
}

std::string PartitionShape::Refusal(const DVFile& definition, const DVDataSource* source) const {
    const DVFileSettings& s = definition.Settings();
    const XMLNode& root = definition.Root();
    switch (cut) {
        case Cut::kRows:
            if (s.sourcetype != DVFileSettings::kOdbc) {
                return "its source is a workbook or an Access database, read by one process";
            }
            if (Groups(root)) {
                return "it groups the rows of a database query";
            }
            break;
        case Cut::kBytes: {
            const auto* text = dynamic_cast<const TextFileDataSource*>(source);
            if (source && (!text || !text->CanReadRanges())) {
                return "its source is UTF-16 or cannot be read from a position";
            }
            if (Groups(root)) {
                return "it groups rows of an unsorted source (sort it by the group column first)";
            }
            break;
        }
        case Cut::kKeys: {
            if (keyColumn < 0 || static_cast<size_t>(keyColumn) >= definition.Columns().size()) {
                return "its first sort key names no column";
            }
            const CSCol& key = definition.Columns()[static_cast<size_t>(keyColumn)];
            const int32_t keyId = key.id;
            if (GroupedOtherThan(root, keyId)) {
                return "it groups by a column other than its first sort key";
            }
            if (Groups(root) && !key.ShowsRawValue()) {
                return "its group column (the first sort key) is formatted, so that values of "
                       "different keys may show as one group";
            }
            if (s.filepercolvalueid > 0 && (s.filepercolvalueid != keyId || !key.ShowsRawValue())) {
                return "it writes a document per value of a column other than its first sort "
                       "key, or of a formatted one";
            }
            // A document ends when the next row begins its own, which may
            // lie in a later part: its footer pass reads that row.
            if (documents &&
                (NodeTreeWriter::FooterReadsRow(root) || FooterShowsRowNumbers(root))) {
                return "the footers of its documents read the row after them, or its number";
            }
            break;
        }
    }
    // What the writer itself remembers from row to row; groups on the
    // first sort key never span parts and are checked above.
    DVFile ungrouped(definition);
    ClearGroups(ungrouped.Root());
    if (!NodeTreeWriter::WritesRowsApart(ungrouped.Root())) {
        return "its rows depend on the rows before them ({ID}, nodes that skip duplicates, "
               "elements open over rows, or text directly in the document element)";
    }
    if (!documents && AnyValueHas(root, "{TARGETFILE}")) {
        // The merge's target is named only after the parts have written.
        return "it writes the target's name ({TARGETFILE}), which its parts do not know";
    }
    if (!documents && !OutputDocument::JoinsPieces(definition)) {
        return "its output encoding carries state from row to row, or a node's name cannot be "
               "written in it";
    }
    return {};
}

std::string_view PartitionShape::FirstKeyPart(std::string_view key) const {
    if (keyNumber) {
        return key.substr(0, std::min<size_t>(key.size(), 8));
    }
    return key.substr(0, SortKey::TextPartLength(key, keyDescending));
}
