#include "physics/dynamics/me_stream.h"

#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int MeOpen(const char* path, int mode)
{
    int flags;
    switch (mode) {
    case 0: flags = O_RDONLY; break;
    case 1: flags = O_WRONLY | O_CREAT | O_TRUNC; break;
    case 2: flags = O_RDWR; break;
    case 3: flags = O_RDONLY; break;  // the binary flag alone; POSIX has no text mode
    default:
        MeFatalError(3, "Invalid mode parameter passed to MeOpen().\n");
        return -1;
    }
    return ::open(path, flags, S_IRUSR | S_IWUSR);
}

int MeClose(int fd) { return ::close(fd); }

long MeWrite(int fd, const void* buffer, std::size_t bytes) { return static_cast<long>(::write(fd, buffer, bytes)); }

MeStream* MeStreamOpen(const char* name, int mode)
{
    static const char* const modes[] = {"r", "w", "a+", "rb"};
    if (!name || mode < 0 || mode > 3)
        return nullptr;
    MeStream* stream = static_cast<MeStream*>(MeMemoryAPI.create(sizeof(MeStream)));
    if (!stream)
        return nullptr;
    std::size_t length = std::strlen(name) + 1;
    stream->name = static_cast<char*>(MeMemoryAPI.create(length));
    stream->file = stream->name ? std::fopen(name, modes[mode]) : nullptr;
    if (!stream->file) {
        MeMemoryAPI.destroy(stream->name);
        MeMemoryAPI.destroy(stream);
        return nullptr;
    }
    std::memcpy(stream->name, name, length);
    return stream;
}

void MeStreamClose(MeStream* stream)
{
    if (!stream)
        return;
    std::fclose(stream->file);
    MeMemoryAPI.destroy(stream->name);
    MeMemoryAPI.destroy(stream);
}

char* MeStreamReadLine(char* buffer, int size, MeStream* stream)
{
    if (!stream || !buffer || size <= 0)
        return nullptr;
    return std::fgets(buffer, size, stream->file);
}
