#pragma once

#include <cstdint>
#include <vector>

#include "xml/CSAXWriter.h"

class ColumnMap;
class DVDataSourceRow;
class XMLNode;

// The shape most rows have: an element without a value of its own whose
// children are plain elements or attributes, each holding one text column
// (formatted by its column, not by the node). Such a row is
// written in one go, without the rules the general walk checks per node;
// the bytes are the same.
class RowTemplate {
public:
    // Whether the node has that shape.
    static bool Fits(const XMLNode& node, const ColumnMap& columns);
    RowTemplate(const XMLNode& node, const ColumnMap& columns);

    const XMLNode& Node() const noexcept { return *node_; }
    // The children's values of the row (views into it); false when every
    // one is empty.
    bool Read(DVDataSourceRow& row);
    // The attributes and the child elements to write, after Read.
    const std::vector<Norvik::CSAXWriter::TextField>& Attributes() const noexcept {
        return attributes_;
    }
    const std::vector<Norvik::CSAXWriter::TextField>& Fields() const noexcept { return fields_; }

private:
    struct Child {
        const XMLNode* node;
        int32_t column;
        bool skipIfEmpty;
        bool attribute;
    };

    const XMLNode* node_;
    std::vector<Child> children_;
    std::vector<Norvik::CSAXWriter::TextField> attributes_;
    std::vector<Norvik::CSAXWriter::TextField> fields_;
};
