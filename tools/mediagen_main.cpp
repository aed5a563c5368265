// corvane_mediagen <output folder>
// Writes every member of every manifest entry below the folder (archive names with '/' for '\')
// and a list "media.lst" of the archive names, one per line, in archive order.

#include "tools/stand_in.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

static bool WriteIfChanged(const fs::path& path, const Bytes& bytes) {
    std::error_code ec;
    if (fs::exists(path, ec) && fs::file_size(path, ec) == bytes.size()) {
        std::ifstream in(path, std::ios::binary);
        Bytes old(bytes.size());
        in.read(reinterpret_cast<char*>(old.data()), static_cast<std::streamsize>(old.size()));
        if (in && old == bytes) return true;
    }
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    fs::path root = argv[1];
    std::string list;
    try {
        for (const QNMEDIAENTRY& e : MediaManifest())
            for (int m = 0; m < e.Count; ++m) {
                std::string name = MediaMemberPath(e.Path, m);
                std::string rel = name;
                for (char& c : rel)
                    if (c == '\\') c = '/';
                if (!WriteIfChanged(root / rel, MakeStandIn(e, m))) {
                    std::fprintf(stderr, "cannot write %s\n", (root / rel).string().c_str());
                    return 1;
                }
                list += name;
                list += '\n';
            }
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "media generation failed: %s\n", ex.what());
        return 1;
    }
    Bytes bytes(list.begin(), list.end());
    if (!WriteIfChanged(root / "media.lst", bytes)) return 1;
    std::printf("%zu media records (%zu meshes, %zu textures, %zu sounds)\n", MediaRecordCount(),
                MediaRecordCount(QNMEDIAKIND::MESH), MediaRecordCount(QNMEDIAKIND::TEXTURE),
                MediaRecordCount(QNMEDIAKIND::SOUND));
    return 0;
}
