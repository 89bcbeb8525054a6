#include "output/LastValues.h"

#include <gtest/gtest.h>

#include "model/XMLRootNode.h"

namespace {

TEST(LastValuesTest, RemembersPerNodeAndForgetsBelowANode) {
    XMLRootNode root;
    XMLNode* a = root.AddChild("a", XMLNode::kElement);
    XMLNode* b = a->AddChild("b", XMLNode::kElement);
    LastValues last;
    EXPECT_FALSE(last.ValueChanged(*a, ""));  // nothing remembered reads as empty
    EXPECT_TRUE(last.ValueChanged(*a, "1"));
    EXPECT_FALSE(last.ValueChanged(*a, "1"));
    EXPECT_TRUE(last.ValueChanged(*b, "1"));  // each node its own
    // A group opens on its first value, even an empty one.
    EXPECT_TRUE(last.GroupChanged(*b, ""));
    EXPECT_FALSE(last.GroupChanged(*b, ""));
    EXPECT_TRUE(last.GroupChanged(*b, "g"));
    EXPECT_TRUE(last.ValueChanged(root, "root"));

    last.ForgetBelow(root);
    EXPECT_TRUE(last.GroupChanged(*b, "g"));
    EXPECT_TRUE(last.ValueChanged(*a, "1"));
    EXPECT_FALSE(last.ValueChanged(root, "root"));  // the node itself keeps its own
    last.ForgetBelow(*a);
    EXPECT_FALSE(last.ValueChanged(*a, "1"));
    EXPECT_TRUE(last.GroupChanged(*b, "g"));
}

}  // namespace
