#include "LastValues.h"

#include "model/XMLNode.h"

LastValues::Entry& LastValues::At(const XMLNode& node) {
    for (Entry& entry : entries_) {
        if (entry.node == &node) {
            return entry;
        }
    }
    return entries_.emplace_back(Entry{&node, {}, {}, false});
}

bool LastValues::ValueChanged(const XMLNode& node, std::string_view text) {
    std::string& value = At(node).value;
    if (value == text) {
        return false;
    }
    value.assign(text);
    return true;
}

bool LastValues::GroupChanged(const XMLNode& node, std::string_view text) {
    Entry& entry = At(node);
    const bool changed = !entry.hasGroupValue || entry.groupValue != text;
    entry.hasGroupValue = true;
    entry.groupValue.assign(text);
    return changed;
}

const std::string* LastValues::GroupValue(const XMLNode& node) const {
    for (const Entry& entry : entries_) {
        if (entry.node == &node) {
            return entry.hasGroupValue ? &entry.groupValue : nullptr;
        }
    }
    return nullptr;
}

void LastValues::ForgetBelow(const XMLNode& node) {
    for (Entry& entry : entries_) {
        if (node.IsAncestorOf(entry.node)) {
            entry.value.clear();
            entry.groupValue.clear();
            entry.hasGroupValue = false;
        }
    }
}
