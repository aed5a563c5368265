#pragma once
// Archives of media for the loaders' tests, written by the packer's own writer, and the ways a
// record goes bad on the way to a loader: flipped compressed bytes, an unpacked size the data
// cannot fill, and a full disk under the temporary copy.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "engine/resource/storage_format.h"
#include "engine/resource/storage_writer.h"

namespace archivetest {

using Files = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;

/// Packs name -> bytes as gzip records into `path` and makes it the archive media come from.
inline void Pack(const std::string& path, const Files& files)
{
    QNSTORAGEWRITER writer;
    writer.Open(path.c_str(), QNSTORAGEWRITER::Mode::Create);
    for (const auto& [name, bytes] : files)
        writer.AddBytes(name.c_str(), bytes.data(), bytes.size(), true);
    writer.Close();
    QNSTORAGE::SetArchive(path.c_str());
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

enum class Damage {
    kFlip,   ///< one byte in the middle of the compressed data inverted
    kShort,  ///< the header's unpacked size one more than the data gives
};

/// Spoils record `name` of `archive` in place; the chain of records stays intact.
inline void Spoil(const std::string& archive, const char* name, Damage damage)
{
    std::int64_t at = 0;
    std::uint32_t value = 0;
    {
        QNSTORAGE storage;
        storage.Open(archive.c_str());
        ASSERT_TRUE(storage.Find(QNSTRING(name))) << name;
        const std::int64_t contents = storage.ContentsPosition();
        if (damage == Damage::kFlip) {
            at = contents + storage.StoredSize() / 2;
        } else {
            // The unpacked size is the first field after the back-link.
            at = contents - std::int64_t(storage.EntryName().Length()) - storage_format::kFieldsSize;
            value = storage.UnpackedSize() + 1;
        }
    }
    std::FILE* f = std::fopen(archive.c_str(), "r+b");
    ASSERT_NE(f, nullptr) << archive;
    unsigned char field[4];
    ASSERT_EQ(std::fseek(f, long(at), SEEK_SET), 0);
    ASSERT_EQ(std::fread(field, 1, 4, f), 4u);
    if (damage == Damage::kFlip)
        field[0] = static_cast<unsigned char>(~field[0]);
    else
        storage_format::Put32(field, value);
    ASSERT_EQ(std::fseek(f, long(at), SEEK_SET), 0);
    ASSERT_EQ(std::fwrite(field, 1, 4, f), 4u);
    std::fclose(f);
}

/// Puts a link to /dev/full where the next temporary copy of a medium will be written, so its
/// export runs into a full disk. The export removes the link when it fails.
inline void FullDiskForNextCopy()
{
    char name[32];
    std::snprintf(name, sizeof name, "~temp%u~.tmp", QNDISK::TempFileCount());
    const std::string link = std::string(QNDISK::TempFolder().Text()) + name;
    ASSERT_EQ(::symlink("/dev/full", link.c_str()), 0) << link;
}

/// The message of what `load` raises ("" when it raises nothing).
template <class F>
std::string FailureOf(F load)
{
    try {
        load();
    } catch (const QNEXCEPTION& e) {
        return e.what();
    }
    return "";
}

/// What a loader says, '%' standing for the medium's name.
struct LoaderTexts {
    std::string failed;   ///< before the archive's reason when the export failed
    std::string missing;  ///< for a medium the archive does not hold
    std::string junk;     ///< for a record that exports but holds no medium of its kind
};

inline std::string Said(std::string text, const std::string& medium)
{
    const std::size_t at = text.find('%');
    return at == std::string::npos ? text : text.replace(at, 1, medium);
}

/// Packs `medium` as media\flip, media\cut and media\disk and `junk` as media\junk (each
/// with `extension`) into `archive`; spoils the first two, runs the third into a full disk,
/// and loads each through `load` (the medium's name to the loader's message, "" when it
/// loaded). Each refusal must name the medium and give the archive's own reason; the disk
/// copy loads once the disk has room.
inline void ExpectArchiveFailuresNamed(const std::string& archive, const std::string& extension,
                                       const std::vector<std::uint8_t>& medium, const std::vector<std::uint8_t>& junk,
                                       const std::function<std::string(const char*)>& load, const LoaderTexts& texts)
{
    const std::string flip = "media\\flip" + extension, cut = "media\\cut" + extension;
    const std::string disk = "media\\disk" + extension, bad = "media\\junk" + extension;
    Pack(archive, {{flip, medium}, {cut, medium}, {disk, medium}, {bad, junk}});
    Spoil(archive, flip.c_str(), Damage::kFlip);
    Spoil(archive, cut.c_str(), Damage::kShort);
    const std::string storage = "Storage file '" + archive + "' is damaged (gzip record";

    std::string said = load(flip.c_str());
    EXPECT_EQ(said.rfind(Said(texts.failed, flip) + storage + ": ", 0), 0u) << said;
    EXPECT_EQ(load(cut.c_str()), Said(texts.failed, cut) + storage + " shorter than its unpacked size).");
    FullDiskForNextCopy();
    said = load(disk.c_str());
    EXPECT_EQ(said.rfind(Said(texts.failed, disk) + "Could not write data", 0), 0u) << said;
    EXPECT_NE(said.find("(No space left on device)"), std::string::npos) << said;
    const std::string gone = "media\\gone" + extension;
    EXPECT_EQ(load(gone.c_str()), Said(texts.missing, gone));
    EXPECT_EQ(load(bad.c_str()), Said(texts.junk, bad));
    EXPECT_EQ(load(disk.c_str()), "");
}

}  // namespace archivetest
