#include "model/XMLNode.h"

#include <gtest/gtest.h>

#include "model/XMLRootNode.h"

namespace {

// Names of the children in order.
std::vector<std::string> ChildNames(const XMLNode& node) {
    std::vector<std::string> names;
    for (const auto& child : node.Children()) {
        names.push_back(child->GetName());
    }
    return names;
}

TEST(XMLNodeTest, NameRule) {
    const std::pair<std::string, std::string> cases[] = {
        {"Unit Price", "UnitPrice"},
        {"Order Date", "OrderDate"},
        {"2nd", "_2nd"},
        {"", "_"},
        {"<3>", "_3"},
        {"_ok", "_ok"},
        {"a.b/c\\d|e%f$g\xC2\xA3h!i*j+k#l~m?n}o{p(q)r^s", "abcdefghijklmnopqrs"},
        {"x@y;z=w,v'u\"t&s", "xyzwvuts"},
        {"tab\there\r\n", "tabhere"},
        {"xs:element", "xs:element"},
        {"a-b", "a-b"},
        {"-lead", "_-lead"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {"a[1]`", "a1"},  // characters no name can hold go too
        {"bell\x07", "bell"},
        {"caf\xE9", "caf"},  // a malformed byte
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(XMLNode::SanitizeName(in), out) << in;
    }
    EXPECT_EQ(XMLNode::SanitizeName(std::string(200, 'a')), std::string(128, 'a'));
    // 128 UTF-16 units: a supplementary character counts twice and is never split.
    std::string emoji;
    for (int i = 0; i < 64; ++i) {
        emoji += "\xF0\x90\x80\x80";  // U+10000, a name character
    }
    EXPECT_EQ(XMLNode::SanitizeName("a" + emoji), "a" + emoji.substr(0, 63 * 4));
    XMLNode node("Unit Price", XMLNode::kElement);
    EXPECT_EQ(node.GetName(), "UnitPrice");
    EXPECT_FALSE(node.SetName("Unit.Price"));  // same sanitised name
    EXPECT_TRUE(node.SetName("Price"));
}

TEST(XMLNodeTest, ColumnNodeNamesHoldOnlyCharactersBothEditionsAndNamespacesAllow) {
    const std::pair<std::string, std::string> cases[] = {
        {"Unit Price", "UnitPrice"},
        {"xs:element", "xselement"},
        {"2nd", "_2nd"},
        {"-lead", "_-lead"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
        {"\xE2\xB0\x80", "_"},              // U+2C00: a letter in the fifth edition only
        {"a\xE2\x80\xBF", "a"},             // U+203F: a name character in the fifth only
        {"\xE3\x80\x85", "_\xE3\x80\x85"},  // U+3005 may follow, never start
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(XMLNode::ColumnNodeName(in), out) << in;
        EXPECT_EQ(XMLNode::SanitizeName(out), out) << in;
    }
    // The general rule keeps prefixes, but never starts with a mark that some
    // locales count as a letter.
    EXPECT_EQ(XMLNode::SanitizeName("\xCD\x85"
                                    "a"),
              "_\xCD\x85"
              "a");
}

TEST(XMLNodeTest, ChildrenStaySortedByKind) {
    XMLRootNode root;
    XMLNode* e1 = root.AddChild("e1", XMLNode::kElement);
    root.AddChild("e2", XMLNode::kElement);
    root.AddChild("a1", XMLNode::kAttribute);
    root.AddChild("v1", XMLNode::kValue, e1);  // "after e1" still lands before elements
    root.AddChild("a2", XMLNode::kAttribute);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"a1", "a2", "v1", "e1", "e2"}));
    EXPECT_TRUE(root.HasAttributes());
    EXPECT_TRUE(root.HasChildElements());

    XMLNode* e3 = root.AddChild("e3", XMLNode::kElement, e1);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"a1", "a2", "v1", "e1", "e3", "e2"}));
    EXPECT_EQ(e3->GetParent(), &root);

    XMLNode only;
    only.AddChild("a", XMLNode::kAttribute);
    EXPECT_TRUE(only.HasAttributes());
    EXPECT_FALSE(only.HasChildElements());
    EXPECT_FALSE(XMLNode().HasAttributes());
    EXPECT_FALSE(XMLNode().HasChildElements());
}

TEST(XMLNodeTest, InsertNodeRefusesWithoutChanges) {
    XMLRootNode root;
    XMLNode* row = root.AddChild("row", XMLNode::kElement);
    XMLNode* cell = row->AddChild("cell", XMLNode::kElement);
    XMLNode stranger;
    auto node = std::make_unique<XMLNode>("n", XMLNode::kElement);
    EXPECT_EQ(root.InsertNode(std::move(node), &stranger, nullptr), nullptr);  // parent elsewhere
    ASSERT_TRUE(node);                                                         // still ours
    EXPECT_EQ(root.InsertNode(std::move(node), row, &root), nullptr);          // after is no child
    ASSERT_TRUE(node);
    // A node cannot move below itself.
    EXPECT_EQ(root.InsertNode(row, cell, nullptr), nullptr);
    EXPECT_EQ(root.InsertNode(row, row, nullptr), nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"row"}));
    // Moving an attached node detaches it from its old parent.
    XMLNode* other = root.AddChild("other", XMLNode::kElement);
    EXPECT_EQ(root.InsertNode(cell, other, nullptr), cell);
    EXPECT_EQ(row->ChildCount(), 0u);
    EXPECT_EQ(cell->GetParent(), other);
    EXPECT_EQ(root.InsertNode(std::move(node), nullptr, nullptr)->GetName(), "n");
    EXPECT_FALSE(node);
}

TEST(XMLNodeTest, FieldInterlocks) {
    XMLNode node("n", XMLNode::kElement);
    ASSERT_TRUE(node.SetIsEmpty(true));
    EXPECT_TRUE(node.SetSource(5));
    EXPECT_FALSE(node.GetIsEmpty());

    node.SetIsEmpty(true);
    EXPECT_TRUE(node.SetValue("v"));
    EXPECT_FALSE(node.GetIsEmpty());
    node.SetIsEmpty(true);
    EXPECT_TRUE(node.SetOutputType(XMLNode::kCDataSection));
    EXPECT_FALSE(node.GetIsEmpty());
    node.SetIsEmpty(true);
    EXPECT_TRUE(node.SetSkipIfZero(true));
    EXPECT_FALSE(node.GetIsEmpty());

    // EMPTY wipes everything that would give the element content.
    node.AddChild("c", XMLNode::kElement);
    node.SetValue("x");
    node.SetSource(3);
    node.SetSkipIfEmpty(true);
    node.SetSkipIfDuplicate(true);
    node.dataType = DataTypeProperties::kNumber;
    ASSERT_FALSE(node.GetIsEmpty());
    ASSERT_TRUE(node.SetIsEmpty(true));
    EXPECT_EQ(node.GetSource(), 0);
    EXPECT_EQ(node.GetValue(), "");
    EXPECT_FALSE(node.GetSkipIfEmpty() || node.GetSkipIfZero() || node.GetSkipIfDuplicate());
    EXPECT_EQ(node.GetOutputType(), XMLNode::kNormalText);
    EXPECT_EQ(node.dataType, DataTypeProperties::kText);
    EXPECT_EQ(node.ChildCount(), 0u);

    // Grouping forces Row scope; any other scope drops the group.
    XMLNode grouped("g", XMLNode::kElement);
    grouped.SetScope(XMLNode::kHeaderScope);
    EXPECT_TRUE(grouped.SetGroup(7));
    EXPECT_EQ(grouped.GetScope(), XMLNode::kRowScope);
    EXPECT_TRUE(grouped.SetScope(XMLNode::kDocumentScope));
    EXPECT_EQ(grouped.GetGroup(), 0);
    EXPECT_FALSE(grouped.SetScope(XMLNode::kDocumentScope));
}

TEST(XMLNodeTest, BecomingAnAttributeDropsElementOnlyState) {
    XMLRootNode root;
    XMLNode* node = root.AddChild("e", XMLNode::kElement);
    root.AddChild("first", XMLNode::kElement);
    node->AddChild("child", XMLNode::kElement);
    node->SetGroup(4);
    node->SetSkipIfDuplicate(true);
    node->SetOutputType(XMLNode::kDisableOutputEscaping);
    ASSERT_TRUE(node->SetNodeType(XMLNode::kAttribute));
    EXPECT_EQ(node->ChildCount(), 0u);
    EXPECT_EQ(node->GetGroup(), 0);
    EXPECT_FALSE(node->GetSkipIfDuplicate());
    EXPECT_EQ(node->GetScope(), XMLNode::kRowScope);
    EXPECT_EQ(node->GetOutputType(), XMLNode::kNormalText);
    EXPECT_EQ(root.GetChild(0), node);  // re-sorted in front of the elements
    EXPECT_FALSE(node->SetOutputType(XMLNode::kCDataSection));
    EXPECT_EQ(node->GetOutputType(), XMLNode::kNormalText);
}

TEST(XMLNodeTest, RootKindAndScopeAreFixed) {
    XMLRootNode root;
    EXPECT_EQ(root.GetName(), "document");
    EXPECT_EQ(root.GetNodeType(), XMLNode::kDocumentRoot);
    EXPECT_FALSE(root.SetNodeType(XMLNode::kAttribute));
    EXPECT_FALSE(root.SetScope(XMLNode::kRowScope));
    EXPECT_EQ(root.GetScope(), XMLNode::kDocumentScope);
    XMLNode element("x", XMLNode::kElement);
    root.CopyFrom(element, true);
    EXPECT_EQ(root.GetName(), "x");
    EXPECT_EQ(root.GetNodeType(), XMLNode::kDocumentRoot);
    EXPECT_EQ(root.GetScope(), XMLNode::kDocumentScope);
    root.Reset();
    EXPECT_EQ(root.GetName(), "document");
}

TEST(XMLNodeTest, MovesFollowTheirRules) {
    XMLRootNode root;
    XMLNode* attr = root.AddChild("attr", XMLNode::kAttribute);
    XMLNode* a = root.AddChild("a", XMLNode::kElement);
    XMLNode* b = root.AddChild("b", XMLNode::kElement);
    XMLNode* c = root.AddChild("c", XMLNode::kElement);

    EXPECT_FALSE(attr->MoveRight());  // first child
    EXPECT_FALSE(a->MoveRight());     // previous sibling is an attribute
    EXPECT_TRUE(c->MoveRight());      // becomes b's last child
    EXPECT_EQ(c->GetParent(), b);
    EXPECT_FALSE(b->MoveLeft());  // parent is the root
    EXPECT_TRUE(c->MoveLeft());   // back, right after b
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"attr", "a", "b", "c"}));

    EXPECT_TRUE(root.MoveUp(b));
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"attr", "b", "a", "c"}));
    EXPECT_TRUE(root.MoveUp(b));  // no re-sorting: may pass the attribute
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"b", "attr", "a", "c"}));
    EXPECT_FALSE(root.MoveUp(b));
    EXPECT_FALSE(root.MoveDown(c));
    EXPECT_TRUE(root.MoveDown(a));
    EXPECT_FALSE(root.MoveUp(&root));
    EXPECT_EQ(b->NextSibling(), attr);
    EXPECT_EQ(b->PreviousSibling(), nullptr);
    EXPECT_EQ(root.PreviousSibling(), nullptr);
}

TEST(XMLNodeTest, SearchesArePreOrder) {
    XMLRootNode root;
    XMLNode* row = root.AddChild("row", XMLNode::kElement);
    XMLNode* inner = row->AddChild("name", XMLNode::kElement);
    XMLNode* later = root.AddChild("name", XMLNode::kElement);
    inner->SetSource(9);
    later->SetSource(9);
    inner->SetId(17);
    EXPECT_EQ(root.FindByName("name"), inner);
    EXPECT_EQ(root.FindByName("Name"), nullptr);  // exact
    EXPECT_EQ(root.FindBySource(9), inner);
    EXPECT_EQ(root.FindById(17), inner);
    EXPECT_EQ(root.FindById(0), &root);
    EXPECT_EQ(later->FindBySource(9), later);
}

TEST(XMLNodeTest, DuplicateAndAssignCopyFieldsAndSubtrees) {
    XMLRootNode root;
    XMLNode* row = root.AddChild("row", XMLNode::kElement);
    row->SetValue("{ROW}");
    row->SetSkipIfDuplicate(true);
    row->SetId(5);
    row->precision = 2;
    row->AddChild("k", XMLNode::kAttribute)->SetSource(3);
    row->AddChild("c", XMLNode::kElement)->AddChild("g", XMLNode::kElement);

    std::unique_ptr<XMLNode> shallow = row->Duplicate(false);
    EXPECT_EQ(shallow->GetName(), "row");
    EXPECT_EQ(shallow->GetValue(), "{ROW}");
    EXPECT_EQ(shallow->precision, 2);
    EXPECT_EQ(shallow->GetId(), 0);  // identifiers are not copied
    EXPECT_EQ(shallow->ChildCount(), 0u);
    EXPECT_EQ(shallow->GetParent(), nullptr);

    std::unique_ptr<XMLNode> deep = row->Duplicate(true);
    ASSERT_EQ(deep->ChildCount(), 2u);
    EXPECT_EQ(deep->GetChild(0)->GetSource(), 3);
    EXPECT_EQ(deep->GetChild(1)->GetChild(0)->GetName(), "g");
    EXPECT_EQ(deep->GetChild(1)->GetParent(), deep.get());

    // The placeholder takes over the other node in place; the other goes away.
    XMLNode* placeholder = root.AddChild("ref", XMLNode::kReference);
    XMLNode* source = root.AddChild("target", XMLNode::kElement);
    source->AddChild("inner", XMLNode::kElement);
    EXPECT_TRUE(placeholder->AssignFrom(source));
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"row", "target"}));
    EXPECT_EQ(root.GetChild(1), placeholder);
    EXPECT_EQ(placeholder->GetNodeType(), XMLNode::kElement);
    EXPECT_EQ(placeholder->GetChild(0)->GetName(), "inner");
    EXPECT_FALSE(placeholder->GetChild(0)->AssignFrom(placeholder));  // an ancestor
}

TEST(XMLNodeTest, RemovalHandsOwnershipBack) {
    XMLRootNode root;
    XMLNode* row = root.AddChild("row", XMLNode::kElement);
    row->AddChild("x", XMLNode::kElement);
    std::unique_ptr<XMLNode> removed = root.RemoveChild(row);
    ASSERT_EQ(removed.get(), row);
    EXPECT_EQ(row->GetParent(), nullptr);
    EXPECT_EQ(root.ChildCount(), 0u);
    EXPECT_EQ(root.RemoveChild(row), nullptr);
    EXPECT_EQ(row->Detach(), nullptr);
    EXPECT_EQ(row->ChildCount(), 1u);
    row->DeleteChildren();
    EXPECT_EQ(row->ChildCount(), 0u);
}

}  // namespace
