#include "XMLNode.h"

#include <algorithm>

#include "base/Assign.h"
#include "base/TextUtil.h"
#include "xml/XmlChars.h"

namespace {

constexpr size_t kMaxNameUnits = 128;

bool IsRemovedFromNames(char32_t c) {
    static constexpr std::u32string_view kRemoved = U"<>&,'\"\r\n\t@;=. /\\|%$\u00A3!*+#~?}{()^";
    return kRemoved.find(c) != std::u32string_view::npos;
}

int SortRank(int32_t kind) {
    switch (kind) {
        case XMLNode::kAttribute:
            return 0;
        case XMLNode::kValue:
            return 1;
        default:
            return 2;
    }
}

}  // namespace

XMLNode::XMLNode(std::string_view name, int32_t kind) : nodeType_(kind) {
    name_ = SanitizeName(name);
}

XMLNode::~XMLNode() = default;

std::string XMLNode::SanitizeName(std::string_view text) {
    // The listed characters go first; any other character an XML name cannot
    // hold (white space and controls among them) goes too, so every sanitised
    // name can be written. Nothing is left to trim after that.
    std::string kept;
    kept.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        char32_t c;
        const size_t length = Norvik::DecodeUtf8(text.data() + pos, text.data() + text.size(), c);
        if (length == 0) {
            ++pos;  // malformed byte
            continue;
        }
        if (!IsRemovedFromNames(c) && Norvik::IsXmlNameChar(c)) {
            kept.append(text.substr(pos, length));
        }
        pos += length;
    }
    std::string result;
    size_t first = 0;
    const char32_t head = kept.empty() ? 0 : Norvik::NextCodePoint(kept, first);
    // IsLetter follows the locale; a name must start the same way in all.
    if (kept.empty() ||
        (head != '_' && !(Norvik::IsLetter(head) && Norvik::IsXmlNameStartChar(head)))) {
        result = "_";
    }
    size_t units = result.size();
    pos = 0;
    while (pos < kept.size()) {
        const size_t start = pos;
        const char32_t c = Norvik::NextCodePoint(kept, pos);
        const size_t cost = c >= 0x10000 ? 2 : 1;
        if (units + cost > kMaxNameUnits) {
            break;
        }
        units += cost;
        result.append(kept, start, pos - start);
    }
    return result;
}

std::string XMLNode::ColumnNodeName(std::string_view columnName) {
    std::string portable;
    portable.reserve(columnName.size());
    size_t pos = 0;
    while (pos < columnName.size()) {
        char32_t c;
        const size_t length =
            Norvik::DecodeUtf8(columnName.data() + pos, columnName.data() + columnName.size(), c);
        if (length == 0) {
            ++pos;  // malformed byte
            continue;
        }
        const bool first = portable.empty();
        if (first ? Norvik::IsPortableNameStartChar(c) : Norvik::IsPortableNameChar(c)) {
            portable.append(columnName.substr(pos, length));
        } else if (first && Norvik::IsPortableNameChar(c)) {
            portable += '_';  // a digit, say, cannot start a name
            portable.append(columnName.substr(pos, length));
        }
        pos += length;
    }
    return SanitizeName(portable);
}

void XMLNode::ResetFields() {
    ResetDataType();
    id_ = 0;
    source_ = 0;
    group_ = 0;
    nodeType_ = kElement;
    scope_ = kRowScope;
    name_.clear();
    value_.clear();
    skipIfEmpty_ = true;
    skipIfZero_ = false;
    skipIfDuplicate_ = false;
    isEmpty_ = false;
    outputType_ = kNormalText;
    expanded_ = true;
    DeleteChildren();
}

void XMLNode::Reset() {
    ResetFields();
}

void XMLNode::CopyFrom(const XMLNode& source, bool deep) {
    if (&source == this) {
        return;
    }
    static_cast<DataTypeProperties&>(*this) = source.DataType();
    source_ = source.source_;
    nodeType_ = source.GetNodeType();
    expanded_ = source.expanded_;
    group_ = source.group_;
    name_ = source.name_;
    value_ = source.value_;
    skipIfEmpty_ = source.skipIfEmpty_;
    skipIfZero_ = source.skipIfZero_;
    skipIfDuplicate_ = source.skipIfDuplicate_;
    scope_ = source.GetScope();
    isEmpty_ = source.isEmpty_;
    outputType_ = source.outputType_;
    // Copy first: source may lie inside this node's subtree.
    std::vector<std::unique_ptr<XMLNode>> copies;
    if (deep) {
        for (const auto& child : source.children_) {
            copies.push_back(child->Duplicate(true));
        }
    }
    DeleteChildren();
    for (auto& copy : copies) {
        copy->parent_ = this;
        children_.push_back(std::move(copy));
    }
}

bool XMLNode::HasRepeatingContent() const {
    for (const auto& child : children_) {
        const int32_t kind = child->GetNodeType();
        if (kind != kElement && kind != kValue) {
            continue;
        }
        const int32_t scope = child->GetScope();
        if (scope == kRowScope || scope == kFooterScope || child->HasRepeatingContent()) {
            return true;
        }
    }
    return false;
}

bool XMLNode::SetNodeType(int32_t kind) {
    if (!AssignIfChanged(nodeType_, kind)) {
        return false;
    }
    if (kind == kAttribute) {
        group_ = 0;
        skipIfDuplicate_ = false;
        scope_ = kRowScope;
        outputType_ = kNormalText;
    }
    if (kind != kElement) {
        isEmpty_ = false;
        DeleteChildren();
    }
    if (parent_) {
        parent_->SortChildren();
    }
    return true;
}

bool XMLNode::SetScope(int32_t scope) {
    bool changed = AssignIfChanged(scope_, scope);
    if (scope != kRowScope) {
        changed = AssignIfChanged(group_, 0) || changed;
    }
    return changed;
}

bool XMLNode::SetName(std::string_view text) {
    return AssignIfChanged(name_, SanitizeName(text));
}

bool XMLNode::SetValue(std::string_view text) {
    if (!AssignIfChanged(value_, text)) {
        return false;
    }
    if (!value_.empty()) {
        isEmpty_ = false;
    }
    return true;
}

bool XMLNode::SetSource(int32_t columnId) {
    if (!AssignIfChanged(source_, columnId)) {
        return false;
    }
    if (columnId > 0) {
        isEmpty_ = false;
    }
    return true;
}

bool XMLNode::SetGroup(int32_t columnId) {
    if (!AssignIfChanged(group_, columnId)) {
        return false;
    }
    if (columnId > 0) {
        SetScope(kRowScope);
    }
    return true;
}

bool XMLNode::SetSkipIfEmpty(bool on) {
    if (!AssignIfChanged(skipIfEmpty_, on)) {
        return false;
    }
    isEmpty_ = isEmpty_ && !on;
    return true;
}

bool XMLNode::SetSkipIfZero(bool on) {
    if (!AssignIfChanged(skipIfZero_, on)) {
        return false;
    }
    isEmpty_ = isEmpty_ && !on;
    return true;
}

bool XMLNode::SetSkipIfDuplicate(bool on) {
    if (!AssignIfChanged(skipIfDuplicate_, on)) {
        return false;
    }
    isEmpty_ = isEmpty_ && !on;
    return true;
}

bool XMLNode::SetOutputType(int32_t type) {
    if (GetNodeType() == kAttribute && type != kNormalText) {
        return false;
    }
    if (!AssignIfChanged(outputType_, type)) {
        return false;
    }
    if (type != kNormalText) {
        isEmpty_ = false;
    }
    return true;
}

bool XMLNode::SetIsEmpty(bool on) {
    if (!AssignIfChanged(isEmpty_, on)) {
        return false;
    }
    if (on) {
        source_ = 0;
        value_.clear();
        skipIfEmpty_ = false;
        skipIfZero_ = false;
        skipIfDuplicate_ = false;
        outputType_ = kNormalText;
        ResetDataType();
        DeleteChildren();
    }
    return true;
}

bool XMLNode::SetExpanded(bool on) {
    return AssignIfChanged(expanded_, on);
}

XMLNode* XMLNode::GetChild(size_t index) const {
    return index < children_.size() ? children_[index].get() : nullptr;
}

size_t XMLNode::IndexOf(const XMLNode* child) const {
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].get() == child) {
            return i;
        }
    }
    return children_.size();
}

XMLNode* XMLNode::PreviousSibling() const {
    if (!parent_) {
        return nullptr;
    }
    const size_t index = parent_->IndexOf(this);
    return index > 0 ? parent_->children_[index - 1].get() : nullptr;
}

XMLNode* XMLNode::NextSibling() const {
    if (!parent_) {
        return nullptr;
    }
    return parent_->GetChild(parent_->IndexOf(this) + 1);
}

bool XMLNode::IsAncestorOf(const XMLNode* node) const {
    for (const XMLNode* up = node ? node->parent_ : nullptr; up; up = up->parent_) {
        if (up == this) {
            return true;
        }
    }
    return false;
}

bool XMLNode::HasAttributes() const {
    return !children_.empty() && children_.front()->GetNodeType() == kAttribute;
}

bool XMLNode::HasChildElements() const {
    return !children_.empty() && children_.back()->GetNodeType() != kAttribute;
}

void XMLNode::SortChildren() {
    const auto byRank = [](const std::unique_ptr<XMLNode>& a, const std::unique_ptr<XMLNode>& b) {
        return SortRank(a->GetNodeType()) < SortRank(b->GetNodeType());
    };
    // Imports append thousands of children one by one: most inserts keep
    // the order, and checking is much cheaper than sorting.
    if (!std::is_sorted(children_.begin(), children_.end(), byRank)) {
        std::stable_sort(children_.begin(), children_.end(), byRank);
    }
}

XMLNode* XMLNode::FindNode(const XMLNode* node) {
    if (node == this) {
        return this;
    }
    for (const auto& child : children_) {
        if (XMLNode* found = child->FindNode(node)) {
            return found;
        }
    }
    return nullptr;
}

XMLNode* XMLNode::AddChild(std::string_view name, int32_t kind, XMLNode* after) {
    return InsertNode(std::make_unique<XMLNode>(name, kind), this, after);
}

XMLNode* XMLNode::InsertNode(std::unique_ptr<XMLNode>&& node, XMLNode* parent, XMLNode* after) {
    if (!node || node->parent_) {
        return nullptr;  // an owned node cannot still sit in a tree
    }
    XMLNode* target = parent ? FindNode(parent) : this;
    if (!target || node.get() == target || node->IsAncestorOf(target)) {
        return nullptr;
    }
    const size_t afterIndex = after ? target->IndexOf(after) : target->children_.size();
    if (after && (afterIndex == target->children_.size() || after == node.get())) {
        return nullptr;
    }
    std::unique_ptr<XMLNode> owned = std::move(node);
    XMLNode* inserted = owned.get();
    const size_t at = after ? target->IndexOf(after) + 1 : target->children_.size();
    owned->parent_ = target;
    target->children_.insert(target->children_.begin() + static_cast<std::ptrdiff_t>(at),
                             std::move(owned));
    target->SortChildren();
    return inserted;
}

XMLNode* XMLNode::InsertNode(XMLNode* node, XMLNode* parent, XMLNode* after) {
    if (!node || !node->parent_) {
        return nullptr;
    }
    XMLNode* target = parent ? FindNode(parent) : this;
    if (!target || node == target || node->IsAncestorOf(target)) {
        return nullptr;
    }
    if (after && (after == node || target->IndexOf(after) == target->children_.size())) {
        return nullptr;
    }
    return InsertNode(node->Detach(), target, after);
}

std::unique_ptr<XMLNode> XMLNode::RemoveChild(XMLNode* child) {
    const size_t index = IndexOf(child);
    if (!child || index == children_.size()) {
        return nullptr;
    }
    std::unique_ptr<XMLNode> owned = std::move(children_[index]);
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(index));
    owned->parent_ = nullptr;
    return owned;
}

std::unique_ptr<XMLNode> XMLNode::Detach() {
    return parent_ ? parent_->RemoveChild(this) : nullptr;
}

void XMLNode::DeleteChildren() {
    // Move the list out first so a destructor never sees a half-cleared list.
    std::vector<std::unique_ptr<XMLNode>> doomed = std::move(children_);
    children_.clear();
    for (auto& child : doomed) {
        child->parent_ = nullptr;
    }
}

bool XMLNode::MoveUp(XMLNode* child) {
    const size_t index = IndexOf(child);
    if (index == children_.size() || index == 0) {
        return false;
    }
    std::swap(children_[index], children_[index - 1]);
    return true;
}

bool XMLNode::MoveDown(XMLNode* child) {
    const size_t index = IndexOf(child);
    if (index + 1 >= children_.size()) {
        return false;
    }
    std::swap(children_[index], children_[index + 1]);
    return true;
}

bool XMLNode::MoveLeft() {
    XMLNode* parent = parent_;
    if (!parent || parent->GetNodeType() == kDocumentRoot || !parent->parent_) {
        return false;
    }
    XMLNode* grandparent = parent->parent_;
    return grandparent->InsertNode(Detach(), grandparent, parent) != nullptr;
}

bool XMLNode::MoveRight() {
    XMLNode* previous = PreviousSibling();
    if (!previous) {
        return false;
    }
    const int32_t kind = previous->GetNodeType();
    if (kind != kElement && kind != kDocumentRoot) {
        return false;
    }
    return previous->InsertNode(Detach(), previous, nullptr) != nullptr;
}

XMLNode* XMLNode::FindById(int32_t id) {
    if (id_ == id) {
        return this;
    }
    for (const auto& child : children_) {
        if (XMLNode* found = child->FindById(id)) {
            return found;
        }
    }
    return nullptr;
}

XMLNode* XMLNode::FindBySource(int32_t columnId) {
    if (source_ == columnId) {
        return this;
    }
    for (const auto& child : children_) {
        if (XMLNode* found = child->FindBySource(columnId)) {
            return found;
        }
    }
    return nullptr;
}

XMLNode* XMLNode::FindByName(std::string_view name) {
    if (name_ == name) {
        return this;
    }
    for (const auto& child : children_) {
        if (XMLNode* found = child->FindByName(name)) {
            return found;
        }
    }
    return nullptr;
}

std::unique_ptr<XMLNode> XMLNode::Duplicate(bool deep) const {
    auto copy = std::make_unique<XMLNode>();
    copy->CopyFrom(*this, deep);
    return copy;
}

bool XMLNode::AssignFrom(std::unique_ptr<XMLNode> other) {
    if (!other || other.get() == this) {
        return false;
    }
    Reset();
    CopyFrom(*other, true);
    return true;
}

bool XMLNode::AssignFrom(XMLNode* other) {
    if (!other || other == this || other->IsAncestorOf(this)) {
        return false;
    }
    std::unique_ptr<XMLNode> owned = other->Detach();
    if (!owned) {
        return false;  // a node outside any tree has no owner we could take over
    }
    return AssignFrom(std::move(owned));
}
