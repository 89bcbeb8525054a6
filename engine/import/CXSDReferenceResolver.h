#pragma once

#include <cstddef>

#include "model/IXMLNodeVisitor.h"

class XMLNode;

// Replaces reference placeholders with deep copies of the top-level element
// (a child of the document node) of the same name, depth first; copies are
// resolved in turn. A reference with no such element stays a placeholder; a
// reference to an element it already lies inside becomes a plain element
// without content, so that recursive references end. Copies stop once they
// would exceed a node budget (Exhausted() then tells), so that references
// branching at every level cannot fill memory.
class CXSDReferenceResolver : public IXMLNodeVisitor {
public:
    explicit CXSDReferenceResolver(size_t nodeBudget = 200000) : budget_(nodeBudget) {}
    void Visit(XMLNode& node) override;
    bool Exhausted() const noexcept { return exhausted_; }

private:
    size_t budget_;
    bool exhausted_ = false;
};
