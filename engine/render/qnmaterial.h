#pragma once
/// Materials: the fixed-function render states a node draws with, sent through caches.

/// Marks the render-state, stage, Direct3D-material and texture caches to send every
/// state with the next apply (after every display open).
void MarkCachesSendAll();
