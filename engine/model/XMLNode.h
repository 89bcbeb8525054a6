#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DataTypeProperties.h"

// One node of the output tree: an element or attribute (or a value node, or a
// placeholder left by a schema import) with its value source, formatting, skip
// rules, scope and grouping. A node owns its children; the parent pointer does
// not own.
//
// Invariants kept by every operation:
// - names are always in sanitised form (SanitizeName);
// - children are ordered attributes first, then value nodes, then the rest,
//   each run in insertion order (MoveUp/MoveDown may break this on purpose);
// - a grouped node has Row scope; an EMPTY element has no value, source, skip
//   rules, output type or children; only elements and the root have children.
class XMLNode : public DataTypeProperties {
public:
    enum Kind : int32_t {
        kElement = 0,
        kAttribute = 1,
        kValue = 2,
        kDocumentRoot = 3,
        kReference = 4,  // stands for a schema element reference until resolved
    };
    enum Scope : int32_t { kRowScope = 0, kDocumentScope = 1, kHeaderScope = 2, kFooterScope = 3 };
    enum OutputType : int32_t {
        kNormalText = 0,
        kCDataSection = 1,
        kDisableOutputEscaping = 2,
    };

    explicit XMLNode(std::string_view name = {}, int32_t kind = kElement);
    virtual ~XMLNode();
    XMLNode(const XMLNode&) = delete;
    XMLNode& operator=(const XMLNode&) = delete;

    // The name rule: drops the characters <>&,'"CR LF TAB@;=. /\|%$£!*+#~?}{()^
    // and any other character an XML name cannot hold, trims white space, puts
    // "_" in front unless the name starts with a letter or "_", and keeps at
    // most 128 characters (UTF-16 code units, never splitting a character).
    static std::string SanitizeName(std::string_view text);

    // Whether an element or value below this node is written in every row
    // or in the footer pass, so that a Document element holding it stays
    // open over rows.
    bool HasRepeatingContent() const;
    // The name of a node made for a column (a header of the source, say):
    // the name rule after dropping every character that is not a name
    // character under both XML 1.0 editions and the namespaces rules (':'
    // among them), so every parser accepts it. SanitizeName keeps it as it is.
    static std::string ColumnNodeName(std::string_view columnName);

    // Copies every field but id, parent and children, then replaces the
    // children with deep copies of source's children when deep is set (and
    // with none otherwise).
    virtual void CopyFrom(const XMLNode& source, bool deep);
    // Back to the defaults and no children. The node keeps its place in its
    // parent; use Detach to take it out.
    virtual void Reset();
    virtual int32_t GetNodeType() const { return nodeType_; }
    virtual bool SetNodeType(int32_t kind);
    virtual int32_t GetScope() const { return scope_; }
    virtual bool SetScope(int32_t scope);

    // Fields. Every setter reports whether something changed.
    int32_t GetId() const noexcept { return id_; }
    void SetId(int32_t id) noexcept { id_ = id; }
    const std::string& GetName() const noexcept { return name_; }
    bool SetName(std::string_view text);
    const std::string& GetValue() const noexcept { return value_; }
    bool SetValue(std::string_view text);
    int32_t GetSource() const noexcept { return source_; }
    bool SetSource(int32_t columnId);
    int32_t GetGroup() const noexcept { return group_; }
    bool SetGroup(int32_t columnId);
    bool GetSkipIfEmpty() const noexcept { return skipIfEmpty_; }
    bool SetSkipIfEmpty(bool on);
    bool GetSkipIfZero() const noexcept { return skipIfZero_; }
    bool SetSkipIfZero(bool on);
    bool GetSkipIfDuplicate() const noexcept { return skipIfDuplicate_; }
    bool SetSkipIfDuplicate(bool on);
    int32_t GetOutputType() const noexcept { return outputType_; }
    // Refused (false) for an attribute when type is not normal text.
    bool SetOutputType(int32_t type);
    bool GetIsEmpty() const noexcept { return isEmpty_; }
    bool SetIsEmpty(bool on);
    bool GetExpanded() const noexcept { return expanded_; }
    bool SetExpanded(bool on);
    DataTypeProperties& DataType() noexcept { return *this; }
    const DataTypeProperties& DataType() const noexcept { return *this; }

    // Tree structure.
    XMLNode* GetParent() const noexcept { return parent_; }
    size_t ChildCount() const noexcept { return children_.size(); }
    XMLNode* GetChild(size_t index) const;
    const std::vector<std::unique_ptr<XMLNode>>& Children() const noexcept { return children_; }
    XMLNode* PreviousSibling() const;
    XMLNode* NextSibling() const;
    bool IsAncestorOf(const XMLNode* node) const;
    // True when the first child is an attribute / the last child is not one.
    bool HasAttributes() const;
    bool HasChildElements() const;

    // Creates a node and inserts it with InsertNode(node, this, after).
    XMLNode* AddChild(std::string_view name, int32_t kind, XMLNode* after = nullptr);
    // Finds parent in this subtree (null = this node), then inserts node after
    // the child `after` (or appends it) and re-sorts the children. Returns
    // node, or null without any change when parent is not in the subtree,
    // `after` is not one of its children, or parent lies inside node. The
    // unique_ptr form takes ownership only on success; the pointer form moves
    // a node that is part of a tree.
    XMLNode* InsertNode(std::unique_ptr<XMLNode>&& node, XMLNode* parent, XMLNode* after);
    XMLNode* InsertNode(XMLNode* node, XMLNode* parent, XMLNode* after);
    // Takes a child out of the list; the caller owns it. Null if not a child.
    std::unique_ptr<XMLNode> RemoveChild(XMLNode* child);
    // Takes this node out of its parent; null when it has none.
    std::unique_ptr<XMLNode> Detach();
    void DeleteChildren();
    // Swap a child with its neighbour; false at the ends. No re-sorting.
    bool MoveUp(XMLNode* child);
    bool MoveDown(XMLNode* child);
    // Leave the parent for the grandparent, right after the old parent; false
    // when the parent is the root (or there is none).
    bool MoveLeft();
    // Become the last child of the previous sibling, which must be an element
    // or the root.
    bool MoveRight();

    // Depth-first pre-order search of this subtree; null when nothing matches.
    XMLNode* FindById(int32_t id);
    XMLNode* FindBySource(int32_t columnId);
    XMLNode* FindByName(std::string_view name);  // exact match

    std::unique_ptr<XMLNode> Duplicate(bool deep) const;
    // This node takes over other's fields and subtree (its own place in the
    // tree stays) and other is deleted. False when other is this node or one of
    // its ancestors.
    bool AssignFrom(std::unique_ptr<XMLNode> other);
    bool AssignFrom(XMLNode* other);

protected:
    // Fields shared with XMLRootNode, which fixes its kind and scope.
    void ResetFields();
    void SortChildren();

    int32_t id_ = 0;
    int32_t source_ = 0;
    int32_t group_ = 0;
    int32_t nodeType_ = kElement;
    int32_t scope_ = kRowScope;
    std::string name_;
    std::string value_;
    bool skipIfEmpty_ = true;
    bool skipIfZero_ = false;
    bool skipIfDuplicate_ = false;
    bool isEmpty_ = false;
    int32_t outputType_ = kNormalText;
    bool expanded_ = true;
    XMLNode* parent_ = nullptr;
    std::vector<std::unique_ptr<XMLNode>> children_;

private:
    size_t IndexOf(const XMLNode* child) const;
    XMLNode* FindNode(const XMLNode* node);
};
