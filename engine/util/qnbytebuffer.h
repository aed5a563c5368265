#pragma once
/// QNBYTEBUFFER: a growable byte buffer that grows by whole growth steps.

#include <cstddef>
#include <cstdint>

class QNBYTEBUFFER {
public:
    /// `step` is the growth step in bytes (0 grows to exactly the size needed).
    explicit QNBYTEBUFFER(std::uint32_t step = 512) : step_(step) {}
    ~QNBYTEBUFFER();
    QNBYTEBUFFER(const QNBYTEBUFFER&) = delete;
    QNBYTEBUFFER& operator=(const QNBYTEBUFFER&) = delete;

    /// Appends n bytes. When they do not fit, the capacity grows by as many steps as needed and
    /// the earlier bytes are kept. Counts one append.
    void Append(const void* bytes, std::size_t n);
    /// Appends the text with its terminating NUL (a null text appends just the NUL).
    void AppendString(const char* text);
    /// Frees the data; capacity, size and count become 0.
    void Clear();

    const std::uint8_t* Data() const { return data_; }
    std::uint32_t Size() const { return size_; }
    std::uint32_t Capacity() const { return capacity_; }
    std::uint32_t Count() const { return count_; }
    std::uint32_t Step() const { return step_; }

private:
    std::uint32_t step_;
    std::uint32_t capacity_ = 0;
    std::uint32_t size_ = 0;
    std::uint32_t count_ = 0;
    std::uint8_t* data_ = nullptr;
};
