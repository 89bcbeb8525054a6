#include "CXSDReferenceResolver.h"

#include "model/XMLNode.h"

namespace {

XMLNode* DocumentNodeAbove(XMLNode& node) {
    XMLNode* top = &node;
    while (top->GetParent()) {
        top = top->GetParent();
    }
    return top;
}

bool InsideElementNamed(const XMLNode& node, const std::string& name) {
    for (const XMLNode* up = node.GetParent(); up; up = up->GetParent()) {
        if (up->GetParent() && up->GetName() == name) {  // the document node does not count
            return true;
        }
    }
    return false;
}

size_t CountNodes(const XMLNode& node) {
    size_t count = 1;
    for (const auto& child : node.Children()) {
        count += CountNodes(*child);
    }
    return count;
}

}  // namespace

void CXSDReferenceResolver::Visit(XMLNode& node) {
    XMLNode* current = &node;
    while (current) {
        if (current->GetNodeType() == XMLNode::kReference) {
            XMLNode* document = DocumentNodeAbove(*current);
            const XMLNode* target = nullptr;
            for (const auto& top : document->Children()) {
                if (top.get() != current && top->GetName() == current->GetName()) {
                    target = top.get();
                    break;
                }
            }
            if (target && InsideElementNamed(*current, current->GetName())) {
                current->SetNodeType(XMLNode::kElement);  // a cycle: stop here
            } else if (target && CountNodes(*target) > budget_) {
                exhausted_ = true;
            } else if (target) {
                budget_ -= CountNodes(*target);
                XMLNode* parent = current->GetParent();
                XMLNode* copy = parent->InsertNode(target->Duplicate(true), parent, current);
                parent->RemoveChild(current);  // deletes the placeholder
                current = copy;
                continue;  // the copy may hold placeholders of its own
            }
        } else if (current->ChildCount() > 0) {
            Visit(*current->GetChild(0));
        }
        current = current->NextSibling();
    }
}
