#pragma once

#include <cstdint>
#include <vector>

#include "dataaccess/CSAXWriter.h"

class ColumnMap;
class DVDataSourceRow;
class XMLNode;

// The shape most rows have: an element without a value of its own whose
// children are plain elements, each holding one text column. Such a row is
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
    // The children to write, after Read.
    const std::vector<Norvik::CSAXWriter::TextField>& Fields() const noexcept { return fields_; }

private:
    struct Child {
        const XMLNode* node;
        int32_t column;
        bool skipIfEmpty;
    };

    const XMLNode* node_;
    std::vector<Child> children_;
    std::vector<Norvik::CSAXWriter::TextField> fields_;
};
