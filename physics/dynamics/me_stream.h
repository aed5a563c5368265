#pragma once
/// Thin file and stream wrappers over the C runtime.

#include <cstddef>
#include <cstdio>

/// Opens `path`: mode 0 read only; 1 write-only, created and truncated, owner read/write;
/// 2 read-write; 3 binary read (read only on this platform). Any other mode is a fatal error
/// and gives -1. Returns the descriptor or -1.
int MeOpen(const char* path, int mode);
int MeClose(int fd);
long MeWrite(int fd, const void* buffer, std::size_t bytes);

struct MeStream {
    char* name = nullptr;
    std::FILE* file = nullptr;
};

/// Opens a stream: mode 0 "r", 1 "w", 2 "a+", 3 "rb". Null on failure or an invalid mode.
MeStream* MeStreamOpen(const char* name, int mode);
/// Closes and frees the stream; null is ignored.
void MeStreamClose(MeStream* stream);
/// Reads one line (at most size - 1 characters, newline kept); null at the end of the file.
char* MeStreamReadLine(char* buffer, int size, MeStream* stream);
