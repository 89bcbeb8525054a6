#include "XMLTreeCommands.h"

#include <algorithm>

namespace XMLTreeCommands {

namespace {

bool TakesChildren(const XMLNode* node) {
    const int32_t kind = node->GetNodeType();
    return kind == XMLNode::kElement || kind == XMLNode::kDocumentRoot;
}

size_t IndexIn(const XMLNode* parent, const XMLNode* child) {
    const auto& children = parent->Children();
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].get() == child) {
            return i;
        }
    }
    return children.size();
}

}  // namespace

std::string NextName(XMLRootNode& root, const char* stem, int& counter) {
    std::string name;
    do {
        ++counter;
        name = stem + std::to_string(counter);
    } while (root.FindByName(name) != nullptr);
    return name;
}

XMLNode* Add(XMLRootNode& root, XMLNode* selected, int32_t kind, int& counter) {
    const std::string name =
        NextName(root, kind == XMLNode::kAttribute ? "attribute" : "element", counter);
    if (!selected) {
        return root.AddChild(name, kind);
    }
    if (TakesChildren(selected)) {
        return selected->AddChild(name, kind);
    }
    XMLNode* parent = selected->GetParent();
    return parent ? parent->AddChild(name, kind, selected) : root.AddChild(name, kind);
}

XMLNode* MapColumns(XMLRootNode& root, XMLNode* target, const std::vector<Column>& columns,
                    bool asAttributes) {
    if (!target || columns.empty() || (target != &root && !target->GetParent())) {
        return nullptr;
    }
    const bool leaf = target != &root && target->GetSource() == 0 && target->GetValue().empty() &&
                      target->ChildCount() == 0;
    if (leaf && !asAttributes && columns.size() == 1) {
        return target->SetSource(columns.front().id) ? target : nullptr;
    }
    XMLNode* parent = TakesChildren(target) ? target : target->GetParent();
    XMLNode* after = parent == target ? nullptr : target;
    XMLNode* last = nullptr;
    for (const Column& column : columns) {
        std::string name = XMLNode::ColumnNodeName(column.name);
        if (name.empty()) {
            name = "column";
        }
        const int32_t kind = asAttributes ? XMLNode::kAttribute : XMLNode::kElement;
        if (asAttributes) {
            // An element holds an attribute name once.
            const std::string stem = name;
            auto taken = [parent](const std::string& candidate) {
                return std::any_of(parent->Children().begin(), parent->Children().end(),
                                   [&candidate](const auto& child) {
                                       return child->GetNodeType() == XMLNode::kAttribute &&
                                              child->GetName() == candidate;
                                   });
            };
            for (int n = 2; taken(name); ++n) {
                name = stem + std::to_string(n);
            }
        }
        XMLNode* node = parent->AddChild(name, kind, after);
        if (!node) {
            continue;
        }
        node->SetSource(column.id);
        last = node;
        if (after) {
            after = node;  // dropped columns keep their order
        }
    }
    return last;
}

XMLNode* Delete(XMLRootNode& root, XMLNode* node) {
    if (!node || node == &root || !node->GetParent()) {
        return nullptr;
    }
    XMLNode* next = node->NextSibling();
    XMLNode* parent = node->GetParent();
    node->Detach();
    return next ? next : parent;
}

XMLNode* Duplicate(XMLRootNode& root, XMLNode* node, bool withChildren) {
    if (!node || node == &root || !node->GetParent()) {
        return nullptr;
    }
    XMLNode* parent = node->GetParent();
    return parent->InsertNode(node->Duplicate(withChildren), parent, node);
}

XMLNode* MoveUp(XMLNode* node) {
    XMLNode* parent = node ? node->GetParent() : nullptr;
    return parent && parent->MoveUp(node) ? node : nullptr;
}

XMLNode* MoveDown(XMLNode* node) {
    XMLNode* parent = node ? node->GetParent() : nullptr;
    return parent && parent->MoveDown(node) ? node : nullptr;
}

XMLNode* MoveRight(XMLNode* node) {
    return node && node->GetParent() && node->MoveRight() ? node : nullptr;
}

XMLNode* MoveLeft(XMLRootNode& root, XMLNode* node,
                  const std::function<bool(const std::string&)>& makeRoot) {
    if (!node || node == &root || !node->GetParent()) {
        return nullptr;
    }
    if (node->GetParent() == &root) {
        if (!makeRoot || !makeRoot(node->GetName())) {
            return nullptr;
        }
        return root.AssignFrom(node) ? &root : nullptr;
    }
    return node->MoveLeft() ? node : nullptr;
}

XMLNode* Drop(XMLRootNode& root, XMLNode* dragged, XMLNode* target) {
    if (!dragged || !target || dragged == target || dragged == &root || !dragged->GetParent()) {
        return nullptr;
    }
    if (dragged->FindByName(target->GetName()) == nullptr) {
        if (TakesChildren(target)) {
            return target->InsertNode(dragged, target, nullptr) ? dragged : nullptr;
        }
        XMLNode* parent = target->GetParent();
        return parent && parent->InsertNode(dragged, parent, target) ? dragged : nullptr;
    }
    if (!dragged->IsAncestorOf(target)) {
        return nullptr;
    }
    XMLNode* child = target;
    while (child->GetParent() != dragged) {
        child = child->GetParent();
    }
    XMLNode* parent = dragged->GetParent();
    return parent->InsertNode(child, parent, dragged) ? dragged : nullptr;
}

std::string PathOf(const XMLNode* node) {
    std::vector<size_t> steps;
    while (node && node->GetParent()) {
        steps.push_back(IndexIn(node->GetParent(), node));
        node = node->GetParent();
    }
    std::string path;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (!path.empty()) {
            path += '/';
        }
        path += std::to_string(*it);
    }
    return path;
}

XMLNode* NodeAt(XMLRootNode& root, const std::string& path) {
    XMLNode* node = &root;
    size_t pos = 0;
    while (pos < path.size()) {
        const size_t slash = std::min(path.find('/', pos), path.size());
        size_t index = 0;
        try {
            index = std::stoul(path.substr(pos, slash - pos));
        } catch (...) {
            return nullptr;
        }
        if (index >= node->ChildCount()) {
            return nullptr;
        }
        node = node->GetChild(index);
        pos = slash + 1;
    }
    return node;
}

}  // namespace XMLTreeCommands
