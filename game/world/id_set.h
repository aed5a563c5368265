#pragma once
/// IDSET: a small sorted set of identities with a turn cursor, used to ration per-frame work
/// (one object of the set acts per frame: the one the cursor points at).
///
/// Values are 64-bit serial ids (IDSET::NewSerial), never addresses: the order of the set, and
/// so the order of turns, is the same from run to run.

#include <cstdint>
#include <vector>

class IDSET {
public:
    IDSET() = default;
    IDSET(const IDSET&) = delete;
    IDSET& operator=(const IDSET&) = delete;

    /// Room for `capacity` values; count and cursor 0; earlier values dropped.
    void Create(std::uint32_t capacity);
    /// No room and no values; Insert fails until the next Create.
    void Destroy();

    /// The slot holding `value`, or null.
    const std::uint64_t* Find(std::uint64_t value) const;
    bool Contains(std::uint64_t value) const { return Find(value) != nullptr; }
    /// False without room, when full or when the value is present; else inserted in order.
    bool Insert(std::uint64_t value);
    /// False when absent. Otherwise removed; the cursor returns to 0 when it is no longer
    /// below the count.
    bool Remove(std::uint64_t value);
    /// With more than one value, the cursor moves to the next, wrapping.
    void Advance();
    /// The value whose turn it is; 0 when the set is empty.
    std::uint64_t Current() const { return values_.empty() ? 0 : values_[cursor_]; }
    /// True when `value` is in the set and it is its turn.
    bool HasTurn(std::uint64_t value) const { return !values_.empty() && values_[cursor_] == value; }

    std::uint32_t Count() const { return static_cast<std::uint32_t>(values_.size()); }
    std::uint32_t Capacity() const { return capacity_; }
    std::uint32_t Cursor() const { return cursor_; }
    bool IsCreated() const { return created_; }

    /// A new serial id (process-wide, increasing, never 0).
    static std::uint64_t NewSerial();

private:
    std::vector<std::uint64_t> values_;
    std::uint32_t cursor_ = 0;
    std::uint32_t capacity_ = 0;
    bool created_ = false;
};
