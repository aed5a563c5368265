#pragma once
/// QNFILEINFO: file times and attributes in the archive's terms. Times are FILETIMEs (100 ns
/// units since 1601-01-01 UTC); attributes are the archive's attribute bits, of which read-only
/// (0x01) maps onto the write permission bits.

#include "engine/util/qnexception.h"
#include "engine/util/qnstring.h"

#include <cstdint>
#include <ctime>

class QNFILEINFO {
public:
    using EXC = QNFILEINFO_EXC;

    static constexpr std::uint32_t kReadOnly = 0x01;
    static constexpr std::uint32_t kDirectory = 0x10;
    static constexpr std::uint32_t kArchive = 0x20;

    /// Sets the last access and last write times of an existing file (the creation time has no
    /// place on this file system and is ignored). Raises "Unable to set file dates.".
    static void SetDates(const QNSTRING& path, std::uint64_t creation, std::uint64_t lastAccess,
                         std::uint64_t lastWrite);
    /// Read-only clears every write permission bit; otherwise the owner may write. Raises
    /// "Unable to set file attributes.".
    static void SetAttributes(const QNSTRING& path, std::uint32_t attributes);
    /// The attributes of a file (read-only when the owner may not write; directory; archive).
    static std::uint32_t Attributes(const QNSTRING& path);

    /// Raises QNFILEINFO::EXC "<message>. File '<path>'. (<last error text>)".
    [[noreturn]] static void Throw(const QNSTRING& path, const char* message);

    /// FILETIME <-> time since the Unix epoch.
    static std::uint64_t FileTimeFromUnix(const struct timespec& time);
    static struct timespec UnixFromFileTime(std::uint64_t fileTime);
};
