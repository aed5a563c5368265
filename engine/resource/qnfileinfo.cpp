#include "engine/resource/qnfileinfo.h"

#include "engine/resource/qndisk.h"
#include "engine/util/qnsystem.h"
#include "platform/system.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kEpochOffset = 116444736000000000ull;
} // namespace

std::uint64_t QNFILEINFO::FileTimeFromUnix(const struct timespec& time)
{
    const std::int64_t ticks = static_cast<std::int64_t>(time.tv_sec) * 10000000 + time.tv_nsec / 100;
    const std::int64_t total = ticks + static_cast<std::int64_t>(kEpochOffset);
    return total < 0 ? 0 : static_cast<std::uint64_t>(total);
}

struct timespec QNFILEINFO::UnixFromFileTime(std::uint64_t fileTime)
{
    const std::int64_t ticks = static_cast<std::int64_t>(fileTime - kEpochOffset);
    struct timespec t;
    std::int64_t seconds = ticks / 10000000;
    std::int64_t rest = ticks % 10000000;
    if (rest < 0) {
        rest += 10000000;
        --seconds;
    }
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>(rest * 100);
    return t;
}

void QNFILEINFO::SetDates(const QNSTRING& path, std::uint64_t, std::uint64_t lastAccess,
                          std::uint64_t lastWrite)
{
    struct timespec times[2] = {UnixFromFileTime(lastAccess), UnixFromFileTime(lastWrite)};
    if (::utimensat(AT_FDCWD, QNDISK::DiskPath(path).Text(), times, 0) != 0) {
        PlatformSetLastError(errno);
        Throw(path, "Unable to set file dates.");
    }
    PlatformSetLastError(0);
}

void QNFILEINFO::SetAttributes(const QNSTRING& path, std::uint32_t attributes)
{
    const QNSTRING disk = QNDISK::DiskPath(path);
    struct stat info;
    if (::stat(disk.Text(), &info) != 0) {
        PlatformSetLastError(errno);
        Throw(path, "Unable to set file attributes.");
    }
    mode_t mode = info.st_mode & 07777;
    if (attributes & kReadOnly)
        mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
        mode |= S_IWUSR;
    if (::chmod(disk.Text(), mode) != 0) {
        PlatformSetLastError(errno);
        Throw(path, "Unable to set file attributes.");
    }
    PlatformSetLastError(0);
}

std::uint32_t QNFILEINFO::Attributes(const QNSTRING& path)
{
    struct stat info;
    if (::stat(QNDISK::DiskPath(path).Text(), &info) != 0)
        return 0;
    std::uint32_t attributes = S_ISDIR(info.st_mode) ? kDirectory : kArchive;
    if (!(info.st_mode & S_IWUSR))
        attributes |= kReadOnly;
    return attributes;
}

void QNFILEINFO::Throw(const QNSTRING& path, const char* message)
{
    char error[QNSYSTEM::kErrorTextSize];
    const std::uint32_t code = QNSYSTEM::LastErrorText(error);
    throw EXC(code, "%s. File '%s'. (%s)", message, path.Text(), error);
}
