#pragma once

#include <cstdint>
#include <string_view>

class XMLNode;

// Writes the group elements of some grouped nodes elsewhere (on other
// threads), joined into the document in the order they were asked for.
class GroupsApart {
public:
    virtual ~GroupsApart() = default;
    virtual bool Writes(const XMLNode& node) const = 0;
    // node's group element for the source's current row, whose group column
    // shows groupValue: its start tag (attributes from that row), text, the
    // rows of its group, its end tag; rowNumber for {ROW}.
    virtual void Write(const XMLNode& node, std::string_view text, std::string_view groupValue,
                       int32_t rowNumber) = 0;
};
