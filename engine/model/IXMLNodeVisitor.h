#pragma once

class XMLNode;

// Visits nodes of a tree.
class IXMLNodeVisitor {
public:
    virtual ~IXMLNodeVisitor() = default;
    virtual void Visit(XMLNode& node) = 0;
};
