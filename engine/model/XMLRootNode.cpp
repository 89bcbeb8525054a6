#include "XMLRootNode.h"

XMLRootNode::XMLRootNode() {
    XMLRootNode::Reset();
}

void XMLRootNode::Reset() {
    ResetFields();
    nodeType_ = kDocumentRoot;
    scope_ = kDocumentScope;
    name_ = kDefaultName;
    id_ = 0;
}

void XMLRootNode::CopyFrom(const XMLNode& source, bool deep) {
    XMLNode::CopyFrom(source, deep);
    nodeType_ = kDocumentRoot;
    scope_ = kDocumentScope;
}
