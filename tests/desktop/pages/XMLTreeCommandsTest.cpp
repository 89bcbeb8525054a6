#include "pages/XMLTreeCommands.h"

#include <gtest/gtest.h>

namespace {

using namespace XMLTreeCommands;

// "name(child,child)" with attributes marked by "@".
std::string Shape(const XMLNode& node) {
    std::string text = (node.GetNodeType() == XMLNode::kAttribute ? "@" : "") + node.GetName();
    if (node.ChildCount() > 0) {
        text += '(';
        for (size_t i = 0; i < node.ChildCount(); ++i) {
            text += (i ? "," : "") + Shape(*node.GetChild(i));
        }
        text += ')';
    }
    return text;
}

// document(a(x,y(z)),b)
struct Tree {
    Tree() {
        root.SetName("document");
        a = root.AddChild("a", XMLNode::kElement);
        b = root.AddChild("b", XMLNode::kElement);
        x = a->AddChild("x", XMLNode::kElement);
        y = a->AddChild("y", XMLNode::kElement);
        z = y->AddChild("z", XMLNode::kElement);
    }
    XMLRootNode root;
    XMLNode* a;
    XMLNode* b;
    XMLNode* x;
    XMLNode* y;
    XMLNode* z;
};

}  // namespace

TEST(XMLTreeCommandsTest, AddNamesWithAGrowingCounterAndPlacesByKind) {
    XMLRootNode root;
    int counter = 0;
    XMLNode* e1 = Add(root, nullptr, XMLNode::kElement, counter);
    XMLNode* e2 = Add(root, nullptr, XMLNode::kElement, counter);
    EXPECT_EQ(e1->GetName(), "element1");
    EXPECT_EQ(e2->GetName(), "element2");
    Delete(root, e1);
    EXPECT_EQ(Add(root, nullptr, XMLNode::kElement, counter)->GetName(), "element3");
    root.AddChild("element4", XMLNode::kElement);
    EXPECT_EQ(Add(root, nullptr, XMLNode::kElement, counter)->GetName(), "element5");

    // Under a selected element; after a selected attribute, in its parent,
    // and attributes always ahead of elements.
    int attributes = 0;
    XMLNode* attribute = Add(root, e2, XMLNode::kAttribute, attributes);
    XMLNode* child = Add(root, e2, XMLNode::kElement, counter);
    XMLNode* after = Add(root, attribute, XMLNode::kAttribute, attributes);
    EXPECT_EQ(attribute->GetParent(), e2);
    EXPECT_EQ(after->GetParent(), e2);
    EXPECT_EQ(Shape(*e2), "element2(@attribute1,@attribute2," + child->GetName() + ")");
    XMLNode* late = Add(root, e2, XMLNode::kAttribute, attributes);
    EXPECT_EQ(e2->GetChild(2), late);
}

TEST(XMLTreeCommandsTest, DeleteSelectsTheNextSiblingOrTheParent) {
    Tree t;
    EXPECT_EQ(Delete(t.root, t.x), t.y);
    EXPECT_EQ(Delete(t.root, t.z), t.y);
    EXPECT_EQ(Delete(t.root, &t.root), nullptr);
    EXPECT_EQ(Shape(t.root), "document(a(y),b)");
}

TEST(XMLTreeCommandsTest, DuplicateWithAndWithoutChildren) {
    Tree t;
    XMLNode* shallow = Duplicate(t.root, t.y, false);
    XMLNode* deep = Duplicate(t.root, t.a, true);
    EXPECT_EQ(Shape(t.root), "document(a(x,y(z),y),a(x,y(z),y),b)");
    EXPECT_EQ(shallow->ChildCount(), 0u);
    EXPECT_EQ(deep, t.root.GetChild(1));
    EXPECT_EQ(Duplicate(t.root, &t.root, true), nullptr);
}

TEST(XMLTreeCommandsTest, Moves) {
    Tree t;
    EXPECT_EQ(MoveUp(t.x), nullptr);
    EXPECT_EQ(MoveDown(t.x), t.x);
    EXPECT_EQ(Shape(t.root), "document(a(y(z),x),b)");
    EXPECT_EQ(MoveRight(t.x), t.x);  // into y, its previous sibling
    EXPECT_EQ(Shape(t.root), "document(a(y(z,x)),b)");
    EXPECT_EQ(MoveLeft(t.root, t.x, nullptr), t.x);
    EXPECT_EQ(Shape(t.root), "document(a(y(z),x),b)");

    // A child of the document node becomes the document node when agreed.
    std::string asked;
    EXPECT_EQ(MoveLeft(t.root, t.b,
                       [&](const std::string& name) {
                           asked = name;
                           return false;
                       }),
              nullptr);
    EXPECT_EQ(asked, "b");
    EXPECT_EQ(MoveLeft(t.root, t.a, [](const std::string&) { return true; }), &t.root);
    EXPECT_EQ(Shape(t.root), "a(y(z),x)");
}

TEST(XMLTreeCommandsTest, DropRules) {
    {
        Tree t;  // onto an element: last child
        EXPECT_EQ(Drop(t.root, t.b, t.y), t.b);
        EXPECT_EQ(Shape(t.root), "document(a(x,y(z,b)))");
    }
    {
        Tree t;  // onto an attribute: after it in its parent
        XMLNode* id = t.a->AddChild("id", XMLNode::kAttribute);
        EXPECT_EQ(Drop(t.root, t.b, id), t.b);
        EXPECT_EQ(Shape(t.root), "document(a(@id,b,x,y(z)))");
    }
    {
        Tree t;  // into its own subtree: the child on the way moves out
        EXPECT_EQ(Drop(t.root, t.a, t.z), t.a);
        EXPECT_EQ(Shape(t.root), "document(a(x),y(z),b)");
    }
    {
        Tree t;  // onto itself, or a name clash outside the subtree: nothing
        EXPECT_EQ(Drop(t.root, t.a, t.a), nullptr);
        t.b->AddChild("x", XMLNode::kElement);
        EXPECT_EQ(Drop(t.root, t.b, t.x), nullptr);
        EXPECT_EQ(Drop(t.root, &t.root, t.b), nullptr);
        EXPECT_EQ(Shape(t.root), "document(a(x,y(z)),b(x))");
    }
}

TEST(XMLTreeCommandsTest, MappedColumnsBecomeBoundNodesOrBindALeaf) {
    const std::vector<Column> two = {{7, "Order Id"}, {8, "ship:to"}};
    const struct {
        const char* name;
        const char* target;  // a node's name, "" for the document node
        std::vector<Column> columns;
        bool attributes;
        const char* shape;
        int32_t boundTo;  // the returned node's column
    } cases[] = {
        {"elements under an element", "a", two, false, "document(a(x,y(z),OrderId,shipto),b)", 8},
        {"attributes go first", "a", two, true, "document(a(@OrderId,@shipto,x,y(z)),b)", 8},
        {"under the document node", "", {{7, "b"}}, false, "document(a(x,y(z)),b,b)", 7},
        {"one column binds a free leaf", "x", {{7, "c"}}, false, "document(a(x,y(z)),b)", 7},
        {"an attribute is added, not bound", "x", {{7, "c"}}, true, "document(a(x(@c),y(z)),b)", 7},
        {"a parent is not bound", "y", {{7, "c"}}, false, "document(a(x,y(z,c)),b)", 7},
        {"two columns onto a leaf", "b", two, false, "document(a(x,y(z)),b(OrderId,shipto))", 8},
    };
    for (const auto& c : cases) {
        Tree t;
        XMLNode* target = *c.target ? t.root.FindByName(c.target) : &t.root;
        XMLNode* last = MapColumns(t.root, target, c.columns, c.attributes);
        ASSERT_NE(last, nullptr) << c.name;
        EXPECT_EQ(Shape(t.root), c.shape) << c.name;
        EXPECT_EQ(last->GetSource(), c.boundTo) << c.name;
    }
    {
        Tree t;  // an attribute's name is numbered when its element has it
        t.a->AddChild("OrderId", XMLNode::kAttribute);
        MapColumns(t.root, t.x, {{7, "Order Id"}, {8, "Order Id"}}, true);
        EXPECT_EQ(Shape(t.root), "document(a(@OrderId,x(@OrderId,@OrderId2),y(z)),b)");
        // Onto an attribute: next to it in its element.
        XMLNode* id = t.a->GetChild(0);
        MapColumns(t.root, id, {{9, "Order Id"}}, true);
        EXPECT_EQ(Shape(t.root), "document(a(@OrderId,@OrderId2,x(@OrderId,@OrderId2),y(z)),b)");
    }
    {
        Tree t;  // nothing to map, nowhere to map it, or a bound leaf stays bound
        EXPECT_EQ(MapColumns(t.root, t.x, {}, false), nullptr);
        EXPECT_EQ(MapColumns(t.root, nullptr, two, false), nullptr);
        t.x->SetSource(3);
        EXPECT_NE(MapColumns(t.root, t.x, {{7, "c"}}, false), nullptr);
        EXPECT_EQ(t.x->GetSource(), 3);
        EXPECT_EQ(Shape(t.root), "document(a(x(c),y(z)),b)");
    }
}

TEST(XMLTreeCommandsTest, PathsLeadBackToTheirNodes) {
    Tree t;
    EXPECT_EQ(PathOf(t.z), "0/1/0");
    EXPECT_EQ(PathOf(&t.root), "");
    EXPECT_EQ(NodeAt(t.root, "0/1/0"), t.z);
    EXPECT_EQ(NodeAt(t.root, ""), &t.root);
    for (const char* bad : {"0/9", "x", "0//1", "5"}) {
        EXPECT_EQ(NodeAt(t.root, bad), nullptr) << bad;
    }
}
