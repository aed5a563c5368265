#include "engine/util/qnbytebuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

QNBYTEBUFFER::~QNBYTEBUFFER()
{
    Clear();
}

void QNBYTEBUFFER::Append(const void* bytes, std::size_t n)
{
    const std::uint64_t need = static_cast<std::uint64_t>(size_) + n;
    if (need > UINT32_MAX)
        throw std::bad_alloc();
    if (need > capacity_) {
        std::uint64_t grown = need;
        if (step_ != 0) {
            const std::uint64_t steps = (need - capacity_ + step_ - 1) / step_;
            grown = capacity_ + steps * step_;
        }
        if (grown > UINT32_MAX)
            grown = need;
        auto* block = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(grown)));
        if (!block)
            throw std::bad_alloc();
        if (size_)
            std::memcpy(block, data_, size_);
        std::free(data_);
        data_ = block;
        capacity_ = static_cast<std::uint32_t>(grown);
    }
    if (n)
        std::memcpy(data_ + size_, bytes, n);
    size_ = static_cast<std::uint32_t>(need);
    ++count_;
}

void QNBYTEBUFFER::AppendString(const char* text)
{
    if (!text)
        text = "";
    Append(text, std::strlen(text) + 1);
}

void QNBYTEBUFFER::Clear()
{
    std::free(data_);
    data_ = nullptr;
    capacity_ = size_ = count_ = 0;
}
