// Red-black tree after the textbook algorithm with a shared black sentinel.
//
// Invariants: every node is red or black; the root and the sentinel are black; a red node
// has black children; every path from a node down to the sentinel has the same number of
// black nodes. So the height stays below 2 log2(n + 1).
//
// The sentinel is the tree header itself. Its `left` is the root and the root's parent is the
// sentinel, so "replace the child of my parent" works unchanged at the root. During removal
// the sentinel's `parent` is written temporarily (the fix-up may start from a sentinel leaf);
// nothing else reads it.

#include "physics/dynamics/me_rbtree.h"

int MeCompareIntegers(int a, int b) { return a < b ? -1 : (a > b ? 1 : 0); }

void MeRBTreeInit(MeRBTree* tree, int capacity, MeRBTreeCompare compare)
{
    tree->nil.left = tree->nil.right = tree->nil.parent = &tree->nil;
    tree->nil.colour = MeRBTreeBlack;
    tree->nil.key = 0;
    tree->nil.data = nullptr;
    tree->count = 0;
    tree->capacity = capacity;
    tree->compare = compare ? compare : MeCompareIntegers;
    tree->allocateNode = nullptr;
    tree->freeNode = nullptr;
    tree->intrusive = 0;
}

void MeRBTreeSetIntrusive(MeRBTree* tree) { tree->intrusive = 1; }

void MeRBTreeNodeInit(MeRBTreeNode* node, int key)
{
    node->key = key;
    node->left = node->right = node->parent = nullptr;
    node->colour = MeRBTreeRed;
}

namespace {

MeRBTreeNode* Nil(MeRBTree* tree) { return &tree->nil; }

MeRBTreeNode*& Root(MeRBTree* tree) { return tree->nil.left; }

void ReplaceChild(MeRBTree* tree, MeRBTreeNode* parent, MeRBTreeNode* old, MeRBTreeNode* with)
{
    if (parent == Nil(tree))
        Root(tree) = with;
    else if (parent->left == old)
        parent->left = with;
    else
        parent->right = with;
}

MeRBTreeNode* Minimum(const MeRBTree* tree, MeRBTreeNode* n)
{
    while (n->left != &tree->nil)
        n = n->left;
    return n;
}

}  // namespace

void MeRBTreeRotateLeft(MeRBTree* tree, MeRBTreeNode* x)
{
    MeRBTreeNode* y = x->right;
    x->right = y->left;
    if (y->left != Nil(tree))
        y->left->parent = x;
    y->parent = x->parent;
    ReplaceChild(tree, x->parent, x, y);
    y->left = x;
    x->parent = y;
}

void MeRBTreeRotateRight(MeRBTree* tree, MeRBTreeNode* x)
{
    MeRBTreeNode* y = x->left;
    x->left = y->right;
    if (y->right != Nil(tree))
        y->right->parent = x;
    y->parent = x->parent;
    ReplaceChild(tree, x->parent, x, y);
    y->right = x;
    x->parent = y;
}

void MeRBTreeInsert(MeRBTree* tree, MeRBTreeNode* z, int key)
{
    MeRBTreeNode* nil = Nil(tree);
    z->key = key;
    MeRBTreeNode* parent = nil;
    MeRBTreeNode* x = Root(tree);
    bool goLeft = false;
    while (x != nil) {
        parent = x;
        goLeft = tree->compare(key, x->key) < 0;
        x = goLeft ? x->left : x->right;
    }
    z->parent = parent;
    if (parent == nil)
        Root(tree) = z;
    else if (goLeft)
        parent->left = z;
    else
        parent->right = z;
    z->left = z->right = nil;
    z->colour = MeRBTreeRed;
    ++tree->count;

    while (z->parent->colour == MeRBTreeRed) {
        MeRBTreeNode* gp = z->parent->parent;
        if (z->parent == gp->left) {
            MeRBTreeNode* uncle = gp->right;
            if (uncle->colour == MeRBTreeRed) {
                z->parent->colour = MeRBTreeBlack;
                uncle->colour = MeRBTreeBlack;
                gp->colour = MeRBTreeRed;
                z = gp;
            } else {
                if (z == z->parent->right) {
                    z = z->parent;
                    MeRBTreeRotateLeft(tree, z);
                }
                z->parent->colour = MeRBTreeBlack;
                z->parent->parent->colour = MeRBTreeRed;
                MeRBTreeRotateRight(tree, z->parent->parent);
            }
        } else {
            MeRBTreeNode* uncle = gp->left;
            if (uncle->colour == MeRBTreeRed) {
                z->parent->colour = MeRBTreeBlack;
                uncle->colour = MeRBTreeBlack;
                gp->colour = MeRBTreeRed;
                z = gp;
            } else {
                if (z == z->parent->left) {
                    z = z->parent;
                    MeRBTreeRotateRight(tree, z);
                }
                z->parent->colour = MeRBTreeBlack;
                z->parent->parent->colour = MeRBTreeRed;
                MeRBTreeRotateLeft(tree, z->parent->parent);
            }
        }
    }
    Root(tree)->colour = MeRBTreeBlack;
}

namespace {

void Transplant(MeRBTree* tree, MeRBTreeNode* u, MeRBTreeNode* v)
{
    ReplaceChild(tree, u->parent, u, v);
    v->parent = u->parent;  // may write the sentinel's parent; see the note at the top
}

void RemoveFixup(MeRBTree* tree, MeRBTreeNode* x)
{
    while (x != Root(tree) && x->colour == MeRBTreeBlack) {
        if (x == x->parent->left) {
            MeRBTreeNode* w = x->parent->right;
            if (w->colour == MeRBTreeRed) {
                w->colour = MeRBTreeBlack;
                x->parent->colour = MeRBTreeRed;
                MeRBTreeRotateLeft(tree, x->parent);
                w = x->parent->right;
            }
            if (w->left->colour == MeRBTreeBlack && w->right->colour == MeRBTreeBlack) {
                w->colour = MeRBTreeRed;
                x = x->parent;
            } else {
                if (w->right->colour == MeRBTreeBlack) {
                    w->left->colour = MeRBTreeBlack;
                    w->colour = MeRBTreeRed;
                    MeRBTreeRotateRight(tree, w);
                    w = x->parent->right;
                }
                w->colour = x->parent->colour;
                x->parent->colour = MeRBTreeBlack;
                w->right->colour = MeRBTreeBlack;
                MeRBTreeRotateLeft(tree, x->parent);
                x = Root(tree);
            }
        } else {
            MeRBTreeNode* w = x->parent->left;
            if (w->colour == MeRBTreeRed) {
                w->colour = MeRBTreeBlack;
                x->parent->colour = MeRBTreeRed;
                MeRBTreeRotateRight(tree, x->parent);
                w = x->parent->left;
            }
            if (w->right->colour == MeRBTreeBlack && w->left->colour == MeRBTreeBlack) {
                w->colour = MeRBTreeRed;
                x = x->parent;
            } else {
                if (w->left->colour == MeRBTreeBlack) {
                    w->right->colour = MeRBTreeBlack;
                    w->colour = MeRBTreeRed;
                    MeRBTreeRotateLeft(tree, w);
                    w = x->parent->left;
                }
                w->colour = x->parent->colour;
                x->parent->colour = MeRBTreeBlack;
                w->left->colour = MeRBTreeBlack;
                MeRBTreeRotateRight(tree, x->parent);
                x = Root(tree);
            }
        }
    }
    x->colour = MeRBTreeBlack;
}

}  // namespace

MeRBTreeNode* MeRBTreeRemove(MeRBTree* tree, MeRBTreeNode* z)
{
    MeRBTreeNode* nil = Nil(tree);
    MeRBTreeNode* y = z;
    MeRBTreeNode* x;
    int removedColour = y->colour;
    if (z->left == nil) {
        x = z->right;
        Transplant(tree, z, z->right);
    } else if (z->right == nil) {
        x = z->left;
        Transplant(tree, z, z->left);
    } else {
        // The in-order successor takes z's place and colour.
        y = Minimum(tree, z->right);
        removedColour = y->colour;
        x = y->right;
        if (y->parent == z) {
            x->parent = y;
        } else {
            Transplant(tree, y, y->right);
            y->right = z->right;
            y->right->parent = y;
        }
        Transplant(tree, z, y);
        y->left = z->left;
        y->left->parent = y;
        y->colour = z->colour;
    }
    if (removedColour == MeRBTreeBlack)
        RemoveFixup(tree, x);
    nil->parent = nil;
    nil->colour = MeRBTreeBlack;
    z->left = z->right = z->parent = nullptr;
    --tree->count;
    return z;
}

MeRBTreeNode* MeRBTreeFirst(const MeRBTree* tree)
{
    MeRBTreeNode* root = tree->nil.left;
    if (root == &tree->nil)
        return nullptr;
    return Minimum(tree, root);
}

MeRBTreeNode* MeRBTreeNext(const MeRBTree* tree, const MeRBTreeNode* node)
{
    const MeRBTreeNode* nil = &tree->nil;
    if (node->right != nil)
        return Minimum(tree, node->right);
    const MeRBTreeNode* p = node->parent;
    while (p != nil && node == p->right) {
        node = p;
        p = p->parent;
    }
    return p == nil ? nullptr : const_cast<MeRBTreeNode*>(p);
}
