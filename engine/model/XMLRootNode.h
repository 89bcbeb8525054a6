#pragma once

#include "XMLNode.h"

// The document element of the output tree. Its kind (document root) and scope
// (Document) are fixed; its name names the document element and the DOCTYPE.
class XMLRootNode : public XMLNode {
public:
    XMLRootNode();

    void CopyFrom(const XMLNode& source, bool deep) override;
    void Reset() override;
    int32_t GetNodeType() const override { return kDocumentRoot; }
    bool SetNodeType(int32_t) override { return false; }
    int32_t GetScope() const override { return kDocumentScope; }
    bool SetScope(int32_t) override { return false; }

    static constexpr const char* kDefaultName = "document";
};
