#include "game/world/id_set.h"

#include <algorithm>

void IDSET::Create(std::uint32_t capacity)
{
    values_.clear();
    values_.reserve(capacity);
    capacity_ = capacity;
    cursor_ = 0;
    created_ = true;
}

void IDSET::Destroy()
{
    values_.clear();
    values_.shrink_to_fit();
    capacity_ = 0;
    cursor_ = 0;
    created_ = false;
}

const std::uint64_t* IDSET::Find(std::uint64_t value) const
{
    const auto it = std::lower_bound(values_.begin(), values_.end(), value);
    return it != values_.end() && *it == value ? &*it : nullptr;
}

bool IDSET::Insert(std::uint64_t value)
{
    if (!created_ || values_.size() >= capacity_)
        return false;
    const auto it = std::lower_bound(values_.begin(), values_.end(), value);
    if (it != values_.end() && *it == value)
        return false;
    values_.insert(it, value);
    return true;
}

bool IDSET::Remove(std::uint64_t value)
{
    const auto it = std::lower_bound(values_.begin(), values_.end(), value);
    if (it == values_.end() || *it != value)
        return false;
    values_.erase(it);
    if (cursor_ >= values_.size())
        cursor_ = 0;
    return true;
}

void IDSET::Advance()
{
    if (values_.size() > 1)
        cursor_ = static_cast<std::uint32_t>((cursor_ + 1) % values_.size());
}

std::uint64_t IDSET::NewSerial()
{
    static std::uint64_t next = 0;
    return ++next;
}
