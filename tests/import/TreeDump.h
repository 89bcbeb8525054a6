#pragma once

#include <string>

#include "model/XMLNode.h"

namespace testsupport {

// A node tree in one line: name, "@" before attributes, "&" before reference
// placeholders, "?" when skip-if-empty (not shown for the root), "!" when EMPTY, ":N<places>" for
// numbers, ":D<pattern>" for dates, "*" when grouped, "=" and the value when
// it has one, children in brackets.
inline std::string Dump(const XMLNode& node) {
    std::string text;
    if (node.GetNodeType() == XMLNode::kAttribute) {
        text += '@';
    } else if (node.GetNodeType() == XMLNode::kReference) {
        text += '&';
    }
    text += node.GetName();
    if (node.GetSkipIfEmpty() && node.GetNodeType() != XMLNode::kDocumentRoot) {
        text += '?';
    }
    if (node.GetIsEmpty()) {
        text += '!';
    }
    const DataTypeProperties& data = node.DataType();
    if (data.dataType == DataTypeProperties::kNumber) {
        text += ":N" + std::to_string(data.precision);
    } else if (data.dataType == DataTypeProperties::kDateTime) {
        text += ":D" + data.format;
    }
    if (node.GetGroup() != 0) {
        text += '*';
    }
    if (!node.GetValue().empty()) {
        text += "=" + node.GetValue();
    }
    if (node.ChildCount() > 0) {
        text += '[';
        for (size_t i = 0; i < node.ChildCount(); ++i) {
            text += (i ? " " : "") + Dump(*node.GetChild(i));
        }
        text += ']';
    }
    return text;
}

}  // namespace testsupport
