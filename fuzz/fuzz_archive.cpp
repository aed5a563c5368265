// The storage archive: walks every record of the input; finds each by its name, as the loaders
// do; exports it flattened and at its own relative path. Checked: Find lands on the newest
// record of the name asked for, an export holds exactly the record's contents (the stored bytes, or what zlib
// inflates them to), and no export lands outside its folder.

#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "engine/resource/storage_format.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::uint32_t kLargest = 4u << 20;  // records unpacking to more are walked, not exported

// What a record holds according to zlib alone: its stored bytes, or their single gzip member
// inflated. False when zlib finds the member damaged, short, or followed by anything.
bool Contents(const std::uint8_t* stored, std::uint32_t size, bool gzip, std::uint32_t unpacked,
              std::vector<std::uint8_t>& out)
{
    if (!gzip) {
        out.assign(stored, stored + size);
        return true;
    }
    out.assign(unpacked, 0);
    if (size == 0)
        return unpacked == 0;
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(stored);
    z.avail_in = size;
    std::uint8_t spare = 0;
    z.next_out = unpacked ? out.data() : &spare;
    z.avail_out = unpacked ? unpacked : 1;
    int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.total_out == unpacked && z.avail_in == 0;
    inflateEnd(&z);
    return whole;
}

bool Inside(const std::filesystem::path& file, const std::filesystem::path& folder)
{
    const std::string f = std::filesystem::weakly_canonical(file).string();
    const std::string d = std::filesystem::weakly_canonical(folder).string() + "/";
    return f.compare(0, d.size(), d) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".qns");
    static const std::string out = fuzz::ScratchFolder() + "/out";
    std::error_code ec;
    std::filesystem::remove_all(out, ec);
    std::filesystem::create_directories(out + "/tree", ec);
    QNSTORAGE storage, finder;
    try {
        storage.Open(path.c_str());
        finder.Open(path.c_str());
        int walked = 0;
        for (bool more = storage.FirstEntry(); more && walked < 64; more = storage.NextEntry(), ++walked) {
            // The newest record of a name answers for it: the walk meets it first.
            const QNSTRING name = storage.EntryName();
            if (finder.Find(name))
                fuzz::Require(finder.EntryName().Matches(name) &&
                                  finder.ContentsPosition() >= storage.ContentsPosition(),
                              "Find lands on the newest record of the name asked for");
            else
                fuzz::Require(name.IsEmpty(), "Find finds every record's own name");
            if (storage.UnpackedSize() > kLargest || (storage.Flags() & storage_format::kFlagFolder))
                continue;

            const std::int64_t at = storage.ContentsPosition();
            std::vector<std::uint8_t> expected;
            const bool gzip = (storage.Flags() & storage_format::kFlagGzip) != 0;
            const bool sound = Contents(data + at, storage.StoredSize(), gzip, storage.UnpackedSize(), expected);
            QNSTRING exported;
            try {
                exported = storage.Export(true, QNSTRING(out.c_str()), true, QNSTRING("flat.bin"), false);
            } catch (const QNSTORAGE::EXC&) {
                fuzz::Require(!sound, "a record zlib reads whole exports");
                continue;
            }
            fuzz::Require(sound, "a record zlib finds damaged does not export");
            fuzz::Require(fuzz::ReadFile(exported.Text()) == expected, "the export holds the record's contents");

            // At its own relative path: the record's folders are made, and nothing lands outside.
            try {
                exported = storage.Export(true, QNSTRING((out + "/tree").c_str()), false, QNSTRING(), false);
                fuzz::Require(Inside(exported.Text(), out + "/tree"), "an export stays inside its folder");
                fuzz::Require(fuzz::ReadFile(exported.Text()) == expected, "the export holds the record's contents");
            } catch (const QNDISK::EXC&) {
                // A name that leaves the folder is refused, as is one the disk cannot hold.
            }
        }
    } catch (const QNEXCEPTION&) {
    }
    return 0;
}
