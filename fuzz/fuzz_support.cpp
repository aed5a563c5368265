#include "fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace fuzz {

const std::string& ScratchFolder()
{
    // Never destroyed: the exit handler that removes the folder still reads it.
    static const std::string* folder = [] {
        auto* made = new std::string(std::filesystem::temp_directory_path().string() + "/corvane-fuzz-XXXXXX");
        if (!mkdtemp(made->data()))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ScratchFolder(), ec);
        });
        return made;
    }();
    return *folder;
}

const std::string& WriteScratch(const std::uint8_t* data, std::size_t size, const char* extension)
{
    static auto* paths = new std::map<std::string, std::string>;
    std::string& path = (*paths)[extension];
    if (path.empty())
        path = ScratchFolder() + "/input" + extension;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    if (size && std::fwrite(data, 1, size, f) != size)
        std::abort();
    std::fclose(f);
    return path;
}

std::vector<std::uint8_t> ReadFile(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    std::uint8_t chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

void Require(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "fuzz: property broken: %s\n", what);
    std::abort();
}

}  // namespace fuzz
