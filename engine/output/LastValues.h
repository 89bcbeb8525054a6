#pragma once

#include <string>
#include <string_view>
#include <vector>

class XMLNode;

// What one run remembers of the rows before, per node: the last value of a
// node that skips duplicates, and the last group value of a grouped node.
// Few nodes use either, so a short list serves them.
class LastValues {
public:
    // Whether text differs from the node's last value (empty at first); text
    // becomes the last value.
    bool ValueChanged(const XMLNode& node, std::string_view text);
    // Whether text differs from the node's last group value, or nothing was
    // remembered since the node was last forgotten (so an empty first group
    // value still opens its group); text is remembered.
    bool GroupChanged(const XMLNode& node, std::string_view text);
    // The node's last group value; null when none is remembered.
    const std::string* GroupValue(const XMLNode& node) const;
    // Forgets what the nodes below node remember (node itself keeps its own).
    void ForgetBelow(const XMLNode& node);

private:
    struct Entry {
        const XMLNode* node;
        std::string value;
        std::string groupValue;
        bool hasGroupValue = false;
    };
    Entry& At(const XMLNode& node);

    std::vector<Entry> entries_;
};
