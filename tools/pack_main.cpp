// corvane_pack: builds, appends and lists storage archives.
//
//   corvane_pack write  <archive> <folder> [<list>]   new file holding only the archive
//   corvane_pack append <file> <folder> [<list>]      new archive after the bytes of <file>
//   corvane_pack attach <archive> <file>              copies an archive file onto the end of <file>
//   corvane_pack list   <file>                        the records of the archive ending <file>
//
// Records are the files of <list> (archive names, one per line, '\' or '/' separated, relative
// to <folder>) or, without a list, every file below <folder> in name order. Every record is
// gzip-compressed and stamped with one fixed time, so the same inputs give the same bytes.

#include "engine/resource/qnstorage.h"
#include "engine/resource/storage_writer.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// 2026-01-01 00:00 UTC as a FILETIME (100 ns ticks since 1601-01-01).
constexpr std::uint64_t kStamp = (11644473600ull + 1767225600ull) * 10000000ull;

int Usage() {
    std::fprintf(stderr,
                 "usage: corvane_pack write <archive> <folder> [<list>]\n"
                 "       corvane_pack append <file> <folder> [<list>]\n"
                 "       corvane_pack attach <archive> <file>\n"
                 "       corvane_pack list <file>\n");
    return 2;
}

std::vector<char> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Names(const fs::path& folder, const char* list) {
    std::vector<std::string> names;
    if (list) {
        std::ifstream in(list);
        if (!in) throw std::runtime_error(std::string("cannot read list ") + list);
        std::string line;
        while (std::getline(in, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
            if (!line.empty()) names.push_back(line);
        }
    } else {
        for (const auto& e : fs::recursive_directory_iterator(folder))
            if (e.is_regular_file()) names.push_back(fs::relative(e.path(), folder).generic_string());
        std::sort(names.begin(), names.end());
    }
    for (std::string& n : names)
        std::replace(n.begin(), n.end(), '/', '\\');
    return names;
}

int Write(const char* target, QNSTORAGEWRITER::Mode mode, const fs::path& folder, const char* list) {
    std::vector<std::string> names = Names(folder, list);
    // A new archive is written beside the target and renamed over it: a program reading the
    // old archive meanwhile keeps the whole old file, and a failed run leaves it untouched.
    const bool fresh = mode == QNSTORAGEWRITER::Mode::Create;
    const std::string out = fresh ? std::string(target) + ".part" + std::to_string(::getpid()) : std::string(target);
    QNSTORAGEWRITER writer;
    try {
        writer.Open(out.c_str(), mode);
        QNSTORAGERECORD stamp;
        stamp.attributes = 0x20;
        stamp.creationTime = stamp.lastAccessTime = stamp.lastWriteTime = kStamp;
        for (const std::string& name : names) {
            std::string rel = name;
            std::replace(rel.begin(), rel.end(), '\\', '/');
            std::vector<char> bytes = ReadAll(folder / rel);
            writer.AddBytes(name.c_str(), bytes.data(), bytes.size(), true, stamp);
        }
        writer.Close();
        if (fresh) fs::rename(out, target);
    } catch (...) {
        if (fresh) {
            std::error_code ignored;
            fs::remove(out, ignored);
        }
        throw;
    }
    std::printf("%u records written to %s\n", writer.Count(), target);
    return 0;
}

// Walks every record of the archive ending `file`; the reader raises on a damaged chain.
std::size_t CountRecords(const char* file) {
    QNSTORAGE storage;
    storage.Open(file);
    std::size_t n = 0;
    for (bool more = storage.FirstEntry(); more; more = storage.NextEntry()) ++n;
    storage.Close();
    return n;
}

int Attach(const char* archive, const char* target) {
    std::vector<char> bytes = ReadAll(archive);
    if (bytes.size() < 4) throw std::runtime_error(std::string(archive) + " holds no archive");
    CountRecords(archive);  // never append a damaged archive
    std::ofstream out(target, std::ios::binary | std::ios::app);
    if (!out) throw std::runtime_error(std::string("cannot append to ") + target);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error(std::string("cannot append to ") + target);
    return 0;
}

int List(const char* file) {
    QNSTORAGE storage;
    storage.Open(file);
    struct Row {
        std::string name;
        std::uint32_t unpacked, stored, flags;
    };
    std::vector<Row> rows;
    for (bool more = storage.FirstEntry(); more; more = storage.NextEntry())
        rows.push_back({storage.EntryName().Text(), storage.UnpackedSize(), storage.StoredSize(), storage.Flags()});
    storage.Close();
    std::reverse(rows.begin(), rows.end());  // oldest first, the order they were written
    for (const Row& r : rows) std::printf("%10u %10u %u %s\n", r.unpacked, r.stored, r.flags, r.name.c_str());
    std::printf("%zu records\n", rows.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string cmd = argv[1];
    try {
        if ((cmd == "write" || cmd == "append") && (argc == 4 || argc == 5))
            return Write(argv[2], cmd == "write" ? QNSTORAGEWRITER::Mode::Create : QNSTORAGEWRITER::Mode::Append, argv[3],
                         argc == 5 ? argv[4] : nullptr);
        if (cmd == "attach" && argc == 4) return Attach(argv[2], argv[3]);
        if (cmd == "list" && argc == 3) return List(argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corvane_pack: %s\n", e.what());
        return 1;
    }
    return Usage();
}
