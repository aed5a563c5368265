#pragma once
/// Intrusive red-black tree with integer keys. The tree header doubles as the nil sentinel:
/// its `left` is the root, its colour is black, and every leaf link of a node in the tree
/// points at it. Equal keys are kept (a duplicate goes to the right), so First/Next visit
/// keys in ascending order and equal keys in insertion order.

struct MeRBTreeNode {
    MeRBTreeNode* left = nullptr;
    MeRBTreeNode* right = nullptr;
    MeRBTreeNode* parent = nullptr;
    int colour = 0;  ///< 0 red, 1 black
    int key = 0;
    void* data = nullptr;  ///< the record that embeds this node
};

using MeRBTreeCompare = int (*)(int a, int b);

struct MeRBTree {
    MeRBTreeNode nil;  ///< sentinel; nil.left is the root
    int count = 0;
    int capacity = 0;  ///< informational only
    MeRBTreeCompare compare = nullptr;
    MeRBTreeNode* (*allocateNode)() = nullptr;
    void (*freeNode)(MeRBTreeNode*) = nullptr;
    int intrusive = 0;
};

inline constexpr int MeRBTreeRed = 0;
inline constexpr int MeRBTreeBlack = 1;

/// -1, 0 or 1 as a is below, equal to or above b.
int MeCompareIntegers(int a, int b);

void MeRBTreeInit(MeRBTree* tree, int capacity, MeRBTreeCompare compare);
void MeRBTreeSetIntrusive(MeRBTree* tree);
/// Sets the key and clears the links of a node that is in no tree.
void MeRBTreeNodeInit(MeRBTreeNode* node, int key);

/// Links `node` under `key`.
void MeRBTreeInsert(MeRBTree* tree, MeRBTreeNode* node, int key);
/// Unlinks `node` (which must be in this tree), clears its links and returns it.
MeRBTreeNode* MeRBTreeRemove(MeRBTree* tree, MeRBTreeNode* node);

/// Leftmost node, or null when the tree is empty.
MeRBTreeNode* MeRBTreeFirst(const MeRBTree* tree);
/// In-order successor, or null after the last node. Fetch it before removing `node`.
MeRBTreeNode* MeRBTreeNext(const MeRBTree* tree, const MeRBTreeNode* node);

void MeRBTreeRotateLeft(MeRBTree* tree, MeRBTreeNode* x);
void MeRBTreeRotateRight(MeRBTree* tree, MeRBTreeNode* x);

/// True when `node` is linked into some tree.
inline bool MeRBTreeNodeIsLinked(const MeRBTreeNode* node) { return node->parent != nullptr; }
