// The archive the build makes, and the copy appended to the program, hold exactly the manifest:
// every member once, oldest record first in manifest order, each passing its format check and
// equal to what the generator makes.

#include "engine/resource/qnstorage.h"
#include "tests/tools/media_checks.h"
#include "tools/stand_in.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

fs::path ScratchFolder(const char* tag) {
    fs::path dir = fs::temp_directory_path() / ("corvane_tools_" + std::string(tag) + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::vector<std::string> ManifestNames() {
    std::vector<std::string> names;
    for (const QNMEDIAENTRY& e : MediaManifest())
        for (int m = 0; m < e.Count; ++m) names.push_back(MediaMemberPath(e.Path, m));
    return names;
}

// Walks the archive at the end of `file` once, newest record first, exporting each record, and
// checks the walk against the manifest.
void CheckArchiveHoldsManifest(const std::string& file) {
    std::map<std::string, std::pair<const QNMEDIAENTRY*, int>> members;
    for (const QNMEDIAENTRY& e : MediaManifest())
        for (int m = 0; m < e.Count; ++m) members[MediaMemberPath(e.Path, m)] = {&e, m};

    fs::path scratch = ScratchFolder("export");
    QNSTORAGE storage;
    storage.Open(file.c_str());
    std::vector<std::string> names;
    for (bool more = storage.FirstEntry(); more; more = storage.NextEntry()) {
        std::string name = storage.EntryName().Text();
        names.insert(names.begin(), name);
        SCOPED_TRACE(name);
        EXPECT_EQ(storage.Flags(), 1u) << "every record is one gzip stream";
        auto it = members.find(name);
        ASSERT_NE(it, members.end()) << "record not in the manifest";
        QNSTRING out = storage.Export(true, QNSTRING(scratch.string().c_str()), true, QNSTRING("medium.bin"));
        Bytes bytes = ReadFile(out.Text());
        EXPECT_EQ(bytes.size(), storage.UnpackedSize());
        EXPECT_EQ(CheckMedium(name, bytes), "");
        EXPECT_EQ(bytes, MakeStandIn(*it->second.first, it->second.second));
    }
    storage.Close();
    EXPECT_EQ(names, ManifestNames()) << "exactly the manifest, oldest record first in manifest order";
    fs::remove_all(scratch);
}

TEST(MediaArchive, BuiltArchiveHoldsExactlyTheManifest) {
    CheckArchiveHoldsManifest(CORVANE_MEDIA_ARCHIVE);
}

TEST(MediaArchive, AttachedAfterOtherBytesIsFoundFromTheEnd) {
    fs::path scratch = ScratchFolder("attach");
    fs::path host = scratch / "host.bin";
    {
        std::ofstream out(host, std::ios::binary);
        for (int i = 0; i < 5000; ++i) out.put(static_cast<char>(i * 37));
    }
    std::string cmd = std::string("\"") + CORVANE_PACK + "\" attach \"" + CORVANE_MEDIA_ARCHIVE + "\" \"" + host.string() + "\" > /dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Bytes all = ReadFile(host);
    ASSERT_EQ(all.size(), 5000 + fs::file_size(CORVANE_MEDIA_ARCHIVE));
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(all[static_cast<std::size_t>(i)], static_cast<std::uint8_t>(i * 37));

    QNSTORAGE storage;
    storage.Open(host.string().c_str());
    ASSERT_TRUE(storage.Find(QNSTRING("MEDIA\\EFFECTS\\MESHES\\FLAME.GBM")));
    EXPECT_EQ(std::string(storage.EntryName().Text()), "media\\effects\\meshes\\flame.gbm");
    EXPECT_FALSE(storage.Find(QNSTRING("media\\effects\\meshes\\missing.gbm")));
    storage.Close();

    std::string list = std::string("\"") + CORVANE_PACK + "\" list \"" + host.string() + "\" > \"" + (scratch / "list.txt").string() + "\"";
    ASSERT_EQ(std::system(list.c_str()), 0);
    std::ifstream in(scratch / "list.txt");
    std::string line, last;
    int lines = 0;
    while (std::getline(in, line)) {
        last = line;
        ++lines;
    }
    EXPECT_EQ(static_cast<std::size_t>(lines), MediaRecordCount() + 1);
    EXPECT_EQ(last, std::to_string(MediaRecordCount()) + " records");
    fs::remove_all(scratch);
}

TEST(MediaArchive, AttachRefusesADamagedArchive) {
    fs::path scratch = ScratchFolder("damaged");
    fs::path bad = scratch / "bad.qns", host = scratch / "host.bin";
    Bytes archive = ReadFile(CORVANE_MEDIA_ARCHIVE);
    archive.resize(archive.size() / 2);  // cut in the middle of a record: the trailer is wrong
    std::ofstream(bad, std::ios::binary).write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));
    std::ofstream(host, std::ios::binary) << "program";
    std::string cmd = std::string("\"") + CORVANE_PACK + "\" attach \"" + bad.string() + "\" \"" + host.string() + "\" 2> /dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_EQ(fs::file_size(host), 7u) << "nothing appended";
    fs::remove_all(scratch);
}

// A program holding the archive open while the build writes it again keeps reading the whole
// old archive: the new one replaces the file rather than being written into it.
TEST(MediaArchive, RewritingLeavesAnOpenArchiveWhole) {
    fs::path scratch = ScratchFolder("rewrite");
    fs::create_directories(scratch / "one");
    fs::create_directories(scratch / "two");
    std::ofstream(scratch / "one" / "a.txt") << "the first archive";
    std::ofstream(scratch / "two" / "b.txt") << "second";
    const fs::path archive = scratch / "media.qns";
    auto write = [&](const char* folder) {
        std::string cmd = std::string("\"") + CORVANE_PACK + "\" write \"" + archive.string() + "\" \"" +
                          (scratch / folder).string() + "\" > /dev/null";
        return std::system(cmd.c_str());
    };
    ASSERT_EQ(write("one"), 0);
    QNSTORAGE old;
    old.Open(archive.string().c_str());
    ASSERT_EQ(write("two"), 0);
    ASSERT_TRUE(old.FirstEntry());
    EXPECT_STREQ(old.EntryName().Text(), "a.txt");
    QNSTRING out = old.Export(true, QNSTRING(scratch.string().c_str()), true, QNSTRING("old.bin"));
    const std::string text = "the first archive";
    EXPECT_EQ(ReadFile(out.Text()), Bytes(text.begin(), text.end()));
    EXPECT_FALSE(old.NextEntry());
    old.Close();

    QNSTORAGE now;
    now.Open(archive.string().c_str());
    ASSERT_TRUE(now.FirstEntry());
    EXPECT_STREQ(now.EntryName().Text(), "b.txt");
    now.Close();
    int files = 0;
    for (const auto& e : fs::directory_iterator(scratch)) files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2) << "the archive and the export, no partial file left";
    fs::remove_all(scratch);
}

TEST(MediaArchive, PackingIsDeterministic) {
    fs::path scratch = ScratchFolder("pack");
    std::string files = CORVANE_MEDIA_FILES;
    for (const char* out : {"a.qns", "b.qns"}) {
        std::string cmd = std::string("\"") + CORVANE_PACK + "\" write \"" + (scratch / out).string() + "\" \"" + files +
                          "\" \"" + files + "/media.lst\" > /dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    Bytes a = ReadFile(scratch / "a.qns");
    EXPECT_EQ(a, ReadFile(scratch / "b.qns"));
    EXPECT_EQ(a, ReadFile(CORVANE_MEDIA_ARCHIVE)) << "the build's archive is the same bytes";
    fs::remove_all(scratch);
}

#ifdef CORVANE_PROGRAM
TEST(MediaArchive, ProgramCarriesTheManifest) {
    Bytes head(4);
    std::ifstream in(CORVANE_PROGRAM, std::ios::binary);
    in.read(reinterpret_cast<char*>(head.data()), 4);
    EXPECT_EQ(head, (Bytes{0x7F, 'E', 'L', 'F'})) << "the program itself comes first";
    CheckArchiveHoldsManifest(CORVANE_PROGRAM);
}
#endif

}  // namespace
