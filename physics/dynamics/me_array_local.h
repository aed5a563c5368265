#pragma once
// A fixed-length array of plain records from the toolkit's memory table, zero-filled, freed
// with its scope. Used where a toolkit function needs working memory of a size known only at
// run time (the solver dump reader).

#include "physics/dynamics/me_memory.h"

#include <cstring>
#include <type_traits>

template <typename T>
class MeArray {
    static_assert(std::is_trivially_copyable_v<T>, "MeArray holds plain records");

public:
    MeArray() = default;
    explicit MeArray(int count) { Resize(count); }
    ~MeArray() { Release(); }
    MeArray(const MeArray&) = delete;
    MeArray& operator=(const MeArray&) = delete;

    /// Replaces the contents with `count` zeroed records; false when the allocation fails.
    bool Resize(int count)
    {
        Release();
        if (count <= 0)
            return true;
        data_ = static_cast<T*>(MeMemoryAPI.createZeroed(sizeof(T) * static_cast<std::size_t>(count)));
        size_ = data_ ? count : 0;
        return data_ != nullptr;
    }

    T& operator[](int i) { return data_[i]; }
    const T& operator[](int i) const { return data_[i]; }
    T* data() { return data_; }
    const T* data() const { return data_; }
    int size() const { return size_; }

private:
    void Release()
    {
        if (data_)
            MeMemoryAPI.destroy(data_);
        data_ = nullptr;
        size_ = 0;
    }

    T* data_ = nullptr;
    int size_ = 0;
};
