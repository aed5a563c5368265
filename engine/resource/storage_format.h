#pragma once
/// The storage archive's byte layout, shared by the reader (QNSTORAGE) and the writer
/// (QNSTORAGEWRITER). All integers are little-endian and unaligned.
///
///   record  := back-link u32 | unpacked u32 | stored u32 | flags u32 | attributes u32 |
///              creation u64 | last access u64 | last write u64 | name length u32 |
///              name (no terminator) | stored bytes
///   archive := record* trailer u32
///
/// A record is 48 + L + stored bytes long. Its back-link is the previous record's length + 4
/// (0 in the oldest record); the trailer is the newest record's length + 4 (0: empty archive)
/// and is the last 4 bytes of the host file, which may hold any bytes before the first record.
/// Flags: bit 0 the stored bytes are one gzip member, bit 1 the record is a folder.

#include <cstdint>

namespace storage_format {

constexpr std::uint32_t kHeaderSize = 48;     // bytes before the name
constexpr std::uint32_t kFieldsSize = 44;     // header bytes after the back-link
constexpr std::uint32_t kMaxName = 259;
constexpr std::uint32_t kFlagGzip = 1;
constexpr std::uint32_t kFlagFolder = 2;

inline std::uint32_t Get32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t Get64(const unsigned char* p)
{
    return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

inline void Put32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

inline void Put64(unsigned char* p, std::uint64_t v)
{
    Put32(p, static_cast<std::uint32_t>(v));
    Put32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

} // namespace storage_format
