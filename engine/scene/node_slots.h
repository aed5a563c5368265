#pragma once
/// Placement entries that the node slots need from areas not built into the scene layer yet:
/// the node's world matrix (transform code) and the collision model made
/// from a mesh (collision layer). An entry left null gives the identity matrix, or no model.

#include "engine/util/qnmatrix.h"

class QNNODE;
class QNMESHNODE;
class QNMESH;

struct QNSLOTHOOKS {
    void (*WorldMatrix)(const QNNODE* node, QNMATRIX& out) = nullptr;
    /// Sets the node's transform (relative to its parent as its body mode says).
    void (*SetTransform)(QNNODE* node, const QNMATRIX& m) = nullptr;
    /// Stores the node's collision model from `mesh` (null: none); sets it on the body in
    /// states 2 and 3.
    void (*SetCollisionMesh)(QNMESHNODE* node, QNMESH* mesh) = nullptr;
    /// Whether the node itself has a dynamic rigid body (the physics layer's answer).
    bool (*HasRigidBody)(const QNNODE* node) = nullptr;
};

namespace QNHOOKS {
extern QNSLOTHOOKS Slots;
}

/// The node's world matrix (identity without the transform entry).
QNMATRIX NodeWorldMatrix(const QNNODE* node);
/// Sets the node's transform through the transform entry (nothing without it).
void NodeSetTransform(QNNODE* node, const QNMATRIX& m);
/// Whether the node or an ancestor has a dynamic rigid body (class flag 8 when the physics
/// layer is not there to ask). A fixed placement body, as every body-level node has, does not
/// count: lights and sounds of nodes that cannot move are placed once.
bool NodeCanMove(const QNNODE* node);
