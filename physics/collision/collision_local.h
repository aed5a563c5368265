#pragma once
// Internals shared by the collision component's files.

#include <new>
#include <utility>

#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_types.h"

/// Allocates a T through the toolkit's memory table and constructs it; null on failure.
template <class T, class... Args>
T* McdNew(Args&&... args)
{
    void* block = MeMemoryAPI.create(sizeof(T));
    if (!block)
        return nullptr;
    return new (block) T(std::forward<Args>(args)...);
}

/// Destroys and frees an object made by `McdNew`; null is ignored.
template <class T>
void McdDelete(T* object)
{
    if (!object)
        return;
    object->~T();
    MeMemoryAPI.destroy(object);
}

/// Allocates `count` value-initialised Ts through the memory table; null on failure.
template <class T>
T* McdNewArray(std::size_t count)
{
    if (count == 0)
        count = 1;
    void* block = MeMemoryAPI.create(sizeof(T) * count);
    if (!block)
        return nullptr;
    T* items = static_cast<T*>(block);
    for (std::size_t i = 0; i < count; ++i)
        new (items + i) T();
    return items;
}

/// Frees an array of trivially destructible Ts made by `McdNewArray`.
template <class T>
void McdDeleteArray(T* items)
{
    if (items)
        MeMemoryAPI.destroy(items);
}

/// Identity 4x4 transform written into 16 floats.
inline void McdSetIdentity(MeReal m[16])
{
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}
