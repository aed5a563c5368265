#include "engine/resource/qnfile.h"

#include "engine/resource/qndisk.h"
#include "engine/util/qnsystem.h"
#include "platform/system.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

QNFILE::~QNFILE()
{
    Close();
}

void QNFILE::Open(const char* name, std::uint32_t flags, int textMode)
{
    Close();
    char mode[4];
    int m = 0;
    mode[m++] = (flags & kWrite) ? 'w' : 'r';
    if (flags & kUpdate)
        mode[m++] = '+';
    // Binary and text streams are the same here; 't' is left out of the runtime mode.
    if (textMode == 0)
        mode[m++] = 'b';
    mode[m] = '\0';

    if (!name) {
        std::string pattern = PlatformTempPath() + "qnfileXXXXXX";
        const int fd = mkstemp(pattern.data());
        name_ = QNSTRING(pattern);
        name_.SetNoCase(true);
        stream_ = fd >= 0 ? fdopen(fd, (flags & kWrite) || (flags & kUpdate) ? "w+b" : "r+b") : nullptr;
        if (!stream_) {
            PlatformSetLastError(errno);
            if (fd >= 0)
                ::close(fd);
            Throw("Could not create file.");
        }
        PlatformSetLastError(0);
        return;
    }

    name_ = QNSTRING(name);
    name_.SetNoCase(true);
    const QNSTRING disk = QNDISK::DiskPath(name_);
    stream_ = std::fopen(disk.Text(), mode);
    int error = stream_ ? 0 : errno;
    // Only a missing file is created; any other failure (permissions, a folder) stands.
    if (!stream_ && (flags & kCreate) && mode[0] == 'r' && error == ENOENT) {
        mode[0] = 'w';
        stream_ = std::fopen(disk.Text(), mode);
        error = stream_ ? 0 : errno;
    }
    PlatformSetLastError(error);
    if (!stream_)
        Throw((flags & kCreate) ? "Could not create file." : "Could not open file.");
}

std::size_t QNFILE::Read(void* buffer, std::size_t n)
{
    if (!stream_) {
        PlatformSetLastError(EBADF);
        Throw("Could not read data from file.");
    }
    const std::size_t got = n ? std::fread(buffer, 1, n, stream_) : 0;
    if (std::ferror(stream_)) {
        PlatformSetLastError(errno ? errno : EIO);
        std::clearerr(stream_);
        Throw("Could not read data from file.");
    }
    PlatformSetLastError(0);
    return got;
}

void QNFILE::Write(const void* buffer, std::size_t n)
{
    if (!stream_) {
        PlatformSetLastError(EBADF);
        Throw("Could not write data to file.");
    }
    const std::size_t put = n ? std::fwrite(buffer, 1, n, stream_) : 0;
    if (put != n || std::ferror(stream_)) {
        PlatformSetLastError(errno ? errno : EIO);
        std::clearerr(stream_);
        Throw("Could not write data to file.");
    }
    PlatformSetLastError(0);
}

void QNFILE::Seek(std::int64_t offset, int origin)
{
    const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    if (!stream_ || fseeko(stream_, static_cast<off_t>(offset), whence) != 0) {
        PlatformSetLastError(stream_ ? errno : EBADF);
        Throw("Could not set file position.");
    }
    PlatformSetLastError(0);
}

std::int64_t QNFILE::Tell()
{
    const off_t at = stream_ ? ftello(stream_) : -1;
    if (at < 0) {
        PlatformSetLastError(stream_ ? errno : EBADF);
        Throw("Could not get file position.");
    }
    PlatformSetLastError(0);
    return static_cast<std::int64_t>(at);
}

std::int64_t QNFILE::Size()
{
    const std::int64_t at = Tell();
    Seek(0, 2);
    const std::int64_t size = Tell();
    Seek(at, 0);
    return size;
}

int QNFILE::ReadChar()
{
    if (!stream_) {
        PlatformSetLastError(EBADF);
        Throw("Could not read character from file.");
    }
    const int c = std::fgetc(stream_);
    if (c == EOF) {
        if (std::ferror(stream_)) {
            PlatformSetLastError(errno ? errno : EIO);
            std::clearerr(stream_);
            Throw("Could not read character from file.");
        }
        return 0;
    }
    return c;
}

bool QNFILE::ReadString(char* text)
{
    text[0] = '\0';
    unsigned char raw[4];
    const std::size_t got = Read(raw, 4);
    if (got == 0)
        return false;
    const std::uint32_t length = raw[0] | (raw[1] << 8) | (raw[2] << 16) |
                                 (static_cast<std::uint32_t>(raw[3]) << 24);
    if (got != 4 || length > kMaxString) {
        PlatformSetLastError(EILSEQ);
        Throw("Could not read data from file.");
    }
    if (length == 0)
        return false;
    if (Read(text, length) != length) {
        text[0] = '\0';
        PlatformSetLastError(EILSEQ);
        Throw("Could not read data from file.");
    }
    text[length] = '\0';
    return true;
}

void QNFILE::Close()
{
    name_.Clear();
    if (stream_)
        std::fclose(stream_);
    stream_ = nullptr;
}

void QNFILE::Throw(const char* message) const
{
    char error[QNSYSTEM::kErrorTextSize];
    const std::uint32_t code = QNSYSTEM::LastErrorText(error);
    throw EXC(code, "%s File='%s'. (%s)", message, name_.Text(), error);
}
