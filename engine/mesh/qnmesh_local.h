#pragma once
// Internals shared by the mesh loaders and generators.

#include "engine/render/qnvertex_buffer.h"

/// Finishes filling a mesh's buffers: uploads both, or (when the caller uploads later) marks
/// every reserved element as used.
inline void QnMeshMarkUsed(QNMESHBUFFERS& b, bool upload)
{
    if (upload) {
        b.UploadVertices();
        b.UploadIndices();
        return;
    }
    if (b.VertexRange)
        b.VertexRange->Used = b.VertexRange->Count;
    if (b.IndexRange)
        b.IndexRange->Used = b.IndexRange->Count;
}
