#pragma once

#include <functional>
#include <string>
#include <vector>

#include "model/XMLRootNode.h"

// The editing commands of the XML tree view on the definition's node tree,
// free of the user interface. Each returns the node to select afterwards, or
// null when nothing changed.
namespace XMLTreeCommands {

// "element<n>" / "attribute<n>": the counter only grows and skips names that
// are already in the tree.
std::string NextName(XMLRootNode& root, const char* stem, int& counter);

// A new element or attribute: under the selected element (or the document
// node), or after a selected attribute or value node in its parent; under
// the document node when nothing is selected.
XMLNode* Add(XMLRootNode& root, XMLNode* selected, int32_t kind, int& counter);

// Removes the node and its children (never the document node); selects its
// next sibling, else its parent.
XMLNode* Delete(XMLRootNode& root, XMLNode* node);

// A copy with the same name directly after the node, with or without its
// children.
XMLNode* Duplicate(XMLRootNode& root, XMLNode* node, bool withChildren);

XMLNode* MoveUp(XMLNode* node);
XMLNode* MoveDown(XMLNode* node);
XMLNode* MoveRight(XMLNode* node);
// Out of the parent to directly after it. A child of the document node can
// instead become the document node itself (its name and content; the other
// children go) when makeRoot(name) agrees.
XMLNode* MoveLeft(XMLRootNode& root, XMLNode* node,
                  const std::function<bool(const std::string& name)>& makeRoot);

// Drag and drop of dragged onto target: when dragged's subtree holds no node
// named like target, dragged becomes target's last child (or, for an
// attribute or value target, follows it in its parent); otherwise, when
// target lies below dragged, the child of dragged on the way to target moves
// out to directly after dragged.
XMLNode* Drop(XMLRootNode& root, XMLNode* dragged, XMLNode* target);

// Source columns dropped onto target. One column onto a leaf bound to
// nothing (no source, no value, no children; never the document node) binds
// that node. Otherwise each column becomes a node of its own, named by the
// rule for column names and bound to it: an element, or an attribute when
// asAttributes is set (numbered when its element already has that name),
// under target when it is an element or the document node, else after it in
// its parent. Returns the last node bound.
struct Column {
    int32_t id = 0;
    std::string name;
};
XMLNode* MapColumns(XMLRootNode& root, XMLNode* target, const std::vector<Column>& columns,
                    bool asAttributes);

// A node's place as child positions from the document node ("" for the
// document node itself), and back; null when the path leads nowhere.
std::string PathOf(const XMLNode* node);
XMLNode* NodeAt(XMLRootNode& root, const std::string& path);

}  // namespace XMLTreeCommands
