#include "model/NamespaceCheck.h"

#include <gtest/gtest.h>

#include "model/XMLRootNode.h"

namespace {

XMLNode* Declare(XMLNode& element, const std::string& prefix, const std::string& uri) {
    XMLNode* declaration = element.AddChild("xmlns:" + prefix, XMLNode::kAttribute);
    declaration->SetValue(uri);
    return declaration;
}

std::string Found(const XMLNode& root) {
    const auto problem = NamespaceCheck::Find(root);
    return problem ? NamespaceCheck::Describe(*problem) : "";
}

TEST(NamespaceCheckTest, PrefixesNeedADeclarationOnTheNodeOrAbove) {
    XMLRootNode root;
    root.SetName("p:Document");
    XMLNode* record = root.AddChild("p:Payment", XMLNode::kElement);
    XMLNode* amount = record->AddChild("c:Amount", XMLNode::kElement);
    XMLNode* currency = amount->AddChild("c:currency", XMLNode::kAttribute);
    record->AddChild("xml:lang", XMLNode::kAttribute);  // never declared
    EXPECT_EQ(Found(root), "/p:Document (prefix p)");

    Declare(root, "p", "urn:example:pay");
    EXPECT_EQ(Found(root), "/p:Document/p:Payment/c:Amount (prefix c)");

    // A declaration on the node itself counts for its own name and
    // attributes; one on a sibling does not.
    XMLNode* sibling = record->AddChild("p:Other", XMLNode::kElement);
    Declare(*sibling, "c", "urn:example:common");
    EXPECT_EQ(Found(root), "/p:Document/p:Payment/c:Amount (prefix c)");
    XMLNode* declaration = Declare(*amount, "c", "urn:example:common");
    EXPECT_EQ(Found(root), "");

    // An empty declaration would unbind the prefix; one from a column binds.
    declaration->SetValue("");
    EXPECT_EQ(Found(root), "/p:Document/p:Payment/c:Amount (prefix c)");
    declaration->SetSource(3);
    EXPECT_EQ(Found(root), "");

    currency->SetName("d:currency");
    EXPECT_EQ(Found(root), "/p:Document/p:Payment/c:Amount/@d:currency (prefix d)");
}

TEST(NamespaceCheckTest, NamesThatAreNoQualifiedNamesAreFound) {
    for (const char* name : {"a:b:c", "a:"}) {
        XMLRootNode root;
        root.SetName("Document");
        Declare(root, "a", "urn:a");
        root.AddChild(name, XMLNode::kElement);
        EXPECT_EQ(Found(root), std::string("/Document/") + name + " (not a qualified name)");
    }
    // Without prefixes there is nothing to find.
    XMLRootNode plain;
    plain.SetName("document");
    plain.AddChild("row", XMLNode::kElement)->AddChild("id", XMLNode::kAttribute);
    EXPECT_EQ(Found(plain), "");
}

}  // namespace
