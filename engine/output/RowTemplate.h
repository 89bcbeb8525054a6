#pragma once

#include <cstdint>
#include <span>
#include <string_view>
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
    std::span<const Norvik::CSAXWriter::TextField> Attributes() const noexcept {
        return {attributes_.data(), attributeCount_};
    }
    std::span<const Norvik::CSAXWriter::TextField> Fields() const noexcept {
        return {fields_.data(), fieldCount_};
    }

private:
    // What a row's read needs of a child node, at hand (the tree does not
    // change while rows are written).
    struct Child {
        std::string_view name;
        std::string tags;  // the writer's prebuilt tags, or empty
        int32_t column;
        bool skipIfEmpty;
        bool attribute;
        bool emptyElementTag;
    };

    const XMLNode* node_;
    std::vector<Child> children_;
    // As many entries as children; the first counts hold the row's.
    std::vector<Norvik::CSAXWriter::TextField> attributes_;
    std::vector<Norvik::CSAXWriter::TextField> fields_;
    size_t attributeCount_ = 0;
    size_t fieldCount_ = 0;
};
