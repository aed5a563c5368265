#include "physics/dynamics/me_random.h"
#include "physics/dynamics/me_rbtree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Checks the red-black properties below `n` and returns its black height (-1 on a violation).
int BlackHeight(const MeRBTree& tree, const MeRBTreeNode* n, const MeRBTreeNode* parent, int& nodes)
{
    if (n == &tree.nil)
        return 1;
    ++nodes;
    if (n->parent != parent)
        return -1;
    if (n->colour == MeRBTreeRed && (n->left->colour == MeRBTreeRed || n->right->colour == MeRBTreeRed))
        return -1;
    if (n->left != &tree.nil && n->left->key > n->key)
        return -1;
    if (n->right != &tree.nil && n->right->key < n->key)
        return -1;
    int l = BlackHeight(tree, n->left, n, nodes), r = BlackHeight(tree, n->right, n, nodes);
    if (l < 0 || r < 0 || l != r)
        return -1;
    return l + (n->colour == MeRBTreeBlack ? 1 : 0);
}

void ExpectValid(const MeRBTree& tree)
{
    int nodes = 0;
    const MeRBTreeNode* root = tree.nil.left;
    if (root != &tree.nil) {
        EXPECT_EQ(root->colour, MeRBTreeBlack);
    }
    EXPECT_GT(BlackHeight(tree, root, &tree.nil, nodes), 0);
    EXPECT_EQ(nodes, tree.count);
    EXPECT_EQ(tree.nil.colour, MeRBTreeBlack);
}

std::vector<int> Walk(const MeRBTree& tree)
{
    std::vector<int> keys;
    for (MeRBTreeNode* n = MeRBTreeFirst(&tree); n; n = MeRBTreeNext(&tree, n))
        keys.push_back(n->key);
    return keys;
}

}  // namespace

TEST(MeRBTree, DuplicateKeysWalkInOrder)
{
    MeRBTree tree;
    MeRBTreeInit(&tree, 1000000, MeCompareIntegers);
    MeRBTreeSetIntrusive(&tree);
    EXPECT_EQ(MeRBTreeFirst(&tree), nullptr);
    MeRBTreeNode a, b, c;
    for (MeRBTreeNode* n : {&a, &b, &c})
        MeRBTreeNodeInit(n, 0);
    MeRBTreeInsert(&tree, &a, 5);
    MeRBTreeInsert(&tree, &b, 3);
    MeRBTreeInsert(&tree, &c, 5);
    EXPECT_EQ(Walk(tree), (std::vector<int>{3, 5, 5}));
    EXPECT_EQ(MeRBTreeNext(&tree, &b), &a);  // equal keys keep insertion order
    EXPECT_EQ(MeRBTreeNext(&tree, &a), &c);
    EXPECT_EQ(MeRBTreeRemove(&tree, &a), &a);
    EXPECT_EQ(a.parent, nullptr);
    EXPECT_EQ(a.left, nullptr);
    EXPECT_EQ(Walk(tree), (std::vector<int>{3, 5}));
    ExpectValid(tree);
}

TEST(MeRBTree, InvariantsHoldUnderRandomInsertsAndRemovals)
{
    MeRandomSeed(99);
    MeRBTree tree;
    MeRBTreeInit(&tree, 1000000, MeCompareIntegers);
    std::vector<MeRBTreeNode> nodes(400);
    std::vector<int> inTree;  // indices
    std::vector<int> keys;
    for (int round = 0; round < 4000; ++round) {
        bool insert = inTree.size() < nodes.size() && (inTree.empty() || MeRandom() % 3 != 0);
        if (insert) {
            int idx = 0;
            while (MeRBTreeNodeIsLinked(&nodes[idx]))
                ++idx;
            MeRBTreeNodeInit(&nodes[idx], 0);
            int key = MeRandom() % 50 - 25;
            MeRBTreeInsert(&tree, &nodes[idx], key);
            inTree.push_back(idx);
            keys.push_back(key);
        } else {
            int which = MeRandom() % static_cast<int>(inTree.size());
            MeRBTreeRemove(&tree, &nodes[inTree[which]]);
            keys.erase(std::find(keys.begin(), keys.end(), nodes[inTree[which]].key));
            inTree.erase(inTree.begin() + which);
        }
        if (round % 97 == 0 || round > 3900) {
            ExpectValid(tree);
            std::vector<int> sorted = keys;
            std::sort(sorted.begin(), sorted.end());
            ASSERT_EQ(Walk(tree), sorted);
        }
    }
    // Remove everything while walking, fetching the next node first.
    for (MeRBTreeNode* n = MeRBTreeFirst(&tree); n;) {
        MeRBTreeNode* next = MeRBTreeNext(&tree, n);
        MeRBTreeRemove(&tree, n);
        n = next;
    }
    EXPECT_EQ(tree.count, 0);
    EXPECT_EQ(MeRBTreeFirst(&tree), nullptr);
}
