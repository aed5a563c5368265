#include "engine/resource/qnstorage.h"
#include "engine/resource/qntempfile.h"
#include "engine/resource/storage_format.h"
#include "engine/resource/storage_writer.h"

#include "physics/dynamics/me_random.h"
#include "resource_test_util.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

using restest::ReadAll;
using restest::ReadText;
using restest::Scratch;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes Noise(std::size_t n, std::uint32_t seed)
{
    MeRandomGenerator gen;
    gen.state = seed;
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>(gen.Next() & 0xFF);
    return b;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Assembles an archive by hand so tests can build records the writer refuses to write.
struct RawRecord {
    std::string name;
    std::uint32_t flags;
    std::uint32_t unpacked;
    Bytes stored;
};

Bytes Assemble(const std::vector<RawRecord>& records)
{
    using namespace storage_format;
    Bytes out;
    std::uint32_t link = 0;
    for (const RawRecord& r : records) {
        unsigned char h[kHeaderSize] = {};
        Put32(h, link);
        Put32(h + 4, r.unpacked);
        Put32(h + 8, static_cast<std::uint32_t>(r.stored.size()));
        Put32(h + 12, r.flags);
        Put32(h + 16, 0x20);
        Put32(h + 44, static_cast<std::uint32_t>(r.name.size()));
        out.insert(out.end(), h, h + kHeaderSize);
        out.insert(out.end(), r.name.begin(), r.name.end());
        out.insert(out.end(), r.stored.begin(), r.stored.end());
        link = static_cast<std::uint32_t>(kHeaderSize + r.name.size() + r.stored.size() + 4);
    }
    unsigned char t[4];
    Put32(t, link);
    out.insert(out.end(), t, t + 4);
    return out;
}

class Storage : public Scratch {
protected:
    void TearDown() override
    {
        QNSTORAGE::SetArchive(nullptr);
        QNDISK::RemoveTempFolder();
        Scratch::TearDown();
    }

    std::vector<std::string> Names(const std::string& archive)
    {
        std::vector<std::string> names;
        QNSTORAGE s;
        s.Open(archive.c_str());
        for (bool more = s.FirstEntry(); more; more = s.NextEntry())
            names.push_back(s.EntryName().Text());
        return names;
    }

    // Exporting `name` flattened into out/ must raise the storage error and leave no file.
    void ExpectDamagedExport(const std::string& archive, const char* name)
    {
        QNSTORAGE s;
        s.Open(archive.c_str());
        ASSERT_TRUE(s.Find(QNSTRING(name)));
        EXPECT_THROW(s.Export(true, QNSTRING(Path("out").c_str()), true, QNSTRING("copy.bin")),
                     QNSTORAGE::EXC);
        EXPECT_FALSE(restest::FileExists(Path("out/copy.bin")));
        s.Close();
    }
};

} // namespace

TEST_F(Storage, RoundTripStoredGzipFolderAndEmptyRecords)
{
    const Bytes mesh = Noise(250000, 5), sound = Noise(777, 6);
    const std::string archive = Path("media.arc");
    QNSTORAGERECORD dated;
    dated.attributes = 0x21;
    dated.lastWriteTime = 116444736000000000ull + 15000000000000000ull;
    dated.lastAccessTime = dated.lastWriteTime;
    {
        QNSTORAGEWRITER w;
        w.Open(archive.c_str(), QNSTORAGEWRITER::Mode::Create);
        w.AddBytes("media\\effects\\meshes\\flame.gbm", mesh.data(), mesh.size(), true);
        w.AddBytes("media/sounds/hum.wav", sound.data(), sound.size(), false, dated);
        w.AddFolder("media\\empty\\folder");
        w.AddBytes("media\\zero.txt", nullptr, 0, true);
        EXPECT_EQ(w.Count(), 4u);
        w.Close();
    }
    EXPECT_EQ(Names(archive), (std::vector<std::string>{"media\\zero.txt", "media\\empty\\folder",
                                                          "media\\sounds\\hum.wav",
                                                          "media\\effects\\meshes\\flame.gbm"}));

    QNSTORAGE s;
    s.Open(archive.c_str());
    const QNSTRING out(Path("out").c_str());
    ASSERT_TRUE(s.Find(QNSTRING("media\\effects\\meshes\\flame.gbm")));
    EXPECT_EQ(s.Flags(), 1u);
    EXPECT_EQ(s.UnpackedSize(), mesh.size());
    EXPECT_LT(s.StoredSize(), mesh.size() + 200);
    EXPECT_EQ(std::string(s.Export(false, out, false).Text()), Path("out/media/effects/meshes/flame.gbm"));
    EXPECT_EQ(ReadAll(Path("out/media/effects/meshes/flame.gbm")), mesh);

    ASSERT_TRUE(s.Find(QNSTRING("media\\sounds\\hum.wav")));
    EXPECT_EQ(s.Flags(), 0u);
    EXPECT_EQ(s.StoredSize(), sound.size());
    s.Export(false, out, false);
    const std::string hum = Path("out/media/sounds/hum.wav");
    EXPECT_EQ(ReadAll(hum), sound);
    struct stat info;
    ASSERT_EQ(stat(hum.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(info.st_mode & 0222, 0u);   // read-only restored on a plain export
    chmod(hum.c_str(), 0644);

    ASSERT_TRUE(s.Find(QNSTRING("media\\empty\\folder")));
    EXPECT_TRUE(s.Export(false, out, false).IsEmpty());
    EXPECT_TRUE(restest::FileExists(Path("out/media/empty/folder")));
    EXPECT_TRUE(s.Export(false, QNSTRING(Path("flat").c_str()), true).IsEmpty());
    EXPECT_FALSE(restest::FileExists(Path("flat")));

    ASSERT_TRUE(s.Find(QNSTRING("media\\zero.txt")));
    s.Export(false, out, true);
    EXPECT_TRUE(restest::FileExists(Path("out/zero.txt")));
    EXPECT_TRUE(ReadAll(Path("out/zero.txt")).empty());

    // Export leaves the archive positioned on its record.
    ASSERT_TRUE(s.Find(QNSTRING("media\\sounds\\hum.wav")));
    s.Export(true, out, true, QNSTRING("again.wav"));
    s.Export(true, out, true, QNSTRING("again2.wav"));
    EXPECT_EQ(ReadAll(Path("out/again2.wav")), sound);
}

TEST_F(Storage, NewestWinsCaseInsensitivelyAndMissesFindNothing)
{
    const std::string archive = Path("dup.arc");
    QNSTORAGEWRITER w;
    w.Open(archive.c_str(), QNSTORAGEWRITER::Mode::Create);
    w.AddBytes("media\\hud\\font.dds", "old", 3, true);
    w.AddBytes("media\\other.dds", "other", 5, false);
    w.AddBytes("Media\\HUD\\Font.dds", "new", 3, false);
    w.Close();

    QNSTORAGE s;
    s.Open(archive.c_str());
    ASSERT_TRUE(s.Find(QNSTRING("MEDIA\\hud\\FONT.DDS")));
    EXPECT_STREQ(s.EntryName().Text(), "Media\\HUD\\Font.dds");
    s.Export(true, QNSTRING(dir.c_str()), true, QNSTRING("f.dds"));
    EXPECT_EQ(ReadText(Path("f.dds")), "new");

    EXPECT_FALSE(s.Find(QNSTRING("media\\hud\\font.dd")));
    EXPECT_FALSE(s.HasEntry());
    EXPECT_FALSE(s.Find(QNSTRING()));
    EXPECT_THROW(s.Export(true, QNSTRING(dir.c_str()), true), QNSTORAGE::EXC);

    // The writer keeps wildcards out of stored names.
    QNSTORAGEWRITER bad;
    bad.Open(Path("bad.arc").c_str(), QNSTORAGEWRITER::Mode::Create);
    EXPECT_THROW(bad.AddBytes("media\\*.dds", "x", 1, false), QNSTORAGE::EXC);
    EXPECT_THROW(bad.AddBytes("", "x", 1, false), QNSTORAGE::EXC);
    EXPECT_THROW(bad.AddBytes(std::string(260, 'n').c_str(), "x", 1, false), QNSTORAGE::EXC);
}

TEST_F(Storage, EmptyArchives)
{
    QNSTORAGEWRITER w;
    w.Open(Path("empty.arc").c_str(), QNSTORAGEWRITER::Mode::Create);
    w.Close();
    EXPECT_EQ(ReadAll(Path("empty.arc")), Bytes(4, 0));

    restest::WriteText(Path("host.bin"), "some program bytes");
    w.Open(Path("host.bin").c_str(), QNSTORAGEWRITER::Mode::Append);
    w.Close();

    for (const char* name : {"empty.arc", "host.bin"}) {
        QNSTORAGE s;
        s.Open(Path(name).c_str());
        EXPECT_FALSE(s.FirstEntry());
        EXPECT_FALSE(s.Find(QNSTRING("anything")));
        EXPECT_FALSE(s.HasEntry());
    }

    // Extending an empty archive drops its zero trailer and starts the chain.
    w.Open(Path("host.bin").c_str(), QNSTORAGEWRITER::Mode::Extend);
    w.AddBytes("a.txt", "A", 1, true);
    w.Close();
    EXPECT_EQ(Names(Path("host.bin")), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(ReadText(Path("host.bin")).substr(0, 18), "some program bytes");
}

TEST_F(Storage, AppendedAfterArbitraryBytesAndExtended)
{
    const std::string host = Path("host.bin");
    const Bytes junk = Noise(4099, 77);
    restest::WriteAll(host, junk.data(), junk.size());
    QNSTORAGEWRITER w;
    w.Open(host.c_str(), QNSTORAGEWRITER::Mode::Append);
    w.AddBytes("one.txt", "first", 5, true);
    w.AddBytes("two.txt", "second", 6, false);
    w.Close();
    w.Open(host.c_str(), QNSTORAGEWRITER::Mode::Extend);
    w.AddBytes("one.txt", "replaced", 8, true);
    w.AddBytes("three.txt", "third", 5, true);
    w.Close();

    EXPECT_EQ(Names(host), (std::vector<std::string>{"three.txt", "one.txt", "two.txt", "one.txt"}));
    const Bytes all = ReadAll(host);
    EXPECT_TRUE(std::equal(junk.begin(), junk.end(), all.begin()));

    QNSTORAGE s;
    s.Open(host.c_str());
    ASSERT_TRUE(s.Find(QNSTRING("ONE.TXT")));
    s.Export(true, QNSTRING(dir.c_str()), true, QNSTRING("one.out"));
    EXPECT_EQ(ReadText(Path("one.out")), "replaced");
    ASSERT_TRUE(s.Find(QNSTRING("two.txt")));
    s.Export(true, QNSTRING(dir.c_str()), true, QNSTRING("two.out"));
    EXPECT_EQ(ReadText(Path("two.out")), "second");
}

TEST_F(Storage, FoundThroughTheProgramsOwnFile)
{
    // A copy of this test program with an archive appended after its last byte, run as a child:
    // it opens "*" and exports a record into out/.
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    const Bytes program = ReadAll(self);
    ASSERT_FALSE(program.empty());
    const std::string copy = Path("carrier");
    restest::WriteAll(copy, program.data(), program.size());
    QNSTORAGEWRITER w;
    w.Open(copy.c_str(), QNSTORAGEWRITER::Mode::Append);
    w.AddBytes("media\\self\\hello.txt", "hello from inside", 17, true);
    w.Close();
    ASSERT_EQ(chmod(copy.c_str(), 0755), 0);

    QNDISK::CreateFolders(QNSTRING(Path("out").c_str()));
    EXPECT_EQ(restest::RunChild(copy, "self:" + Path("out")), 0);
    EXPECT_EQ(ReadText(Path("out/hello.txt")), "hello from inside");

    QNSTORAGE::SetArchive("*");
    EXPECT_STREQ(QNSTORAGE::Archive().Text(), self);
    QNSTORAGE::SetArchive("media.arc");
    EXPECT_STREQ(QNSTORAGE::Archive().Text(), "media.arc");
    QNSTORAGE::SetArchive(nullptr);
    EXPECT_TRUE(QNSTORAGE::Archive().IsEmpty());
}

TEST_F(Storage, ExportFlattenNewNameAndOverwrite)
{
    const std::string archive = Path("m.arc");
    QNSTORAGEWRITER w;
    w.Open(archive.c_str(), QNSTORAGEWRITER::Mode::Create);
    w.AddBytes("media\\effects\\meshes\\flame.gbm", "FLAME", 5, true);
    w.Close();

    QNSTORAGE s;
    s.Open(archive.c_str());
    ASSERT_TRUE(s.Find(QNSTRING("media\\effects\\meshes\\flame.gbm")));
    const QNSTRING target(Path("dest").c_str());
    QNDISK::CreateFolders(target);
    EXPECT_STREQ(s.Export(false, target, true, QNSTRING("~temp0~.tmp")).Text(),
                 Path("dest/~temp0~.tmp").c_str());
    EXPECT_EQ(ReadText(Path("dest/~temp0~.tmp")), "FLAME");
    EXPECT_FALSE(restest::FileExists(Path("dest/media")));

    s.Export(false, target, true);
    EXPECT_EQ(ReadText(Path("dest/flame.gbm")), "FLAME");

    s.Export(false, target, false, QNSTRING("renamed.gbm"));
    EXPECT_EQ(ReadText(Path("dest/media/effects/meshes/renamed.gbm")), "FLAME");

    restest::WriteText(Path("dest/flame.gbm"), "mine");
    try {
        s.Export(false, target, true);
        FAIL() << "overwrote without leave";
    } catch (const QNDISK::EXC&) {
        const std::string want = "File already exists exporting '" + Path("dest/flame.gbm") +
                                 "' from storage file '" + archive + "'.";
        EXPECT_EQ(QNEXCEPTION::Message(), want);
        EXPECT_EQ(QNEXCEPTION::ResultCode(), 0u);
    }
    EXPECT_EQ(ReadText(Path("dest/flame.gbm")), "mine");
}

TEST_F(Storage, DamagedRecordsRaiseAndLeaveNoFile)
{
    const Bytes payload = Noise(60000, 9);
    const Bytes member = QNSTORAGEWRITER::Gzip(payload.data(), payload.size());
    const std::uint32_t size = static_cast<std::uint32_t>(payload.size());
    QNDISK::CreateFolders(QNSTRING(Path("out").c_str()));

    {   // Truncated gzip member in an otherwise sound chain.
        Bytes cut(member.begin(), member.begin() + member.size() / 2);
        const Bytes arc = Assemble({{"ok.bin", 0, 2, Text("ok")}, {"cut.bin", 1, size, cut}});
        restest::WriteAll(Path("cut.arc"), arc.data(), arc.size());
        ExpectDamagedExport(Path("cut.arc"), "cut.bin");
    }
    {   // CRC-32 of the member wrong: all bytes inflate, the trailer check fails.
        Bytes bad = member;
        bad[bad.size() - 7] ^= 0x01;
        const Bytes arc = Assemble({{"crc.bin", 1, size, bad}});
        restest::WriteAll(Path("crc.arc"), arc.data(), arc.size());
        ExpectDamagedExport(Path("crc.arc"), "crc.bin");
    }
    {   // The record says fewer bytes than the member holds.
        const Bytes arc = Assemble({{"long.bin", 1, size - 10, member}});
        restest::WriteAll(Path("long.arc"), arc.data(), arc.size());
        ExpectDamagedExport(Path("long.arc"), "long.bin");
    }
    {   // Junk after the member, a second member, and an empty record holding bytes that are not gzip.
        Bytes junk = member;
        junk.insert(junk.end(), {'j', 'u', 'n', 'k'});
        Bytes twice = member;
        twice.insert(twice.end(), member.begin(), member.end());
        const Bytes arc = Assemble({{"junk.bin", 1, size, junk}, {"twice.bin", 1, size, twice},
                                    {"empty.bin", 1, 0, Text("not gzip at all")}});
        restest::WriteAll(Path("extra.arc"), arc.data(), arc.size());
        for (const char* name : {"junk.bin", "twice.bin", "empty.bin"})
            ExpectDamagedExport(Path("extra.arc"), name);
    }

    const Bytes good = Assemble({{"a.bin", 0, 3, Text("AAA")}, {"b.bin", 1, size, member}});
    const std::size_t bStart = 48 + 5 + 3;   // a.bin's record length
    auto expectChainDamage = [&](const Bytes& arc, const char* name) {
        restest::WriteAll(Path("bad.arc"), arc.data(), arc.size());
        QNSTORAGE s;
        s.Open(Path("bad.arc").c_str());
        EXPECT_THROW(s.Find(QNSTRING(name)), QNSTORAGE::EXC) << name;
    };
    {   // Name length beyond 259.
        Bytes arc = good;
        storage_format::Put32(arc.data() + bStart + 44, 300);
        expectChainDamage(arc, "b.bin");
    }
    {   // Name length that runs past the record.
        Bytes arc = good;
        storage_format::Put32(arc.data() + bStart + 44, 6);
        expectChainDamage(arc, "b.bin");
    }
    {   // Trailer larger than the file, and one pointing into the middle of a record.
        Bytes arc = good;
        storage_format::Put32(arc.data() + arc.size() - 4, static_cast<std::uint32_t>(arc.size() + 10));
        expectChainDamage(arc, "b.bin");
        storage_format::Put32(arc.data() + arc.size() - 4, 70);
        expectChainDamage(arc, "b.bin");
    }
    {   // Back-link of the newest record off by one, and pointing before the file.
        Bytes arc = good;
        storage_format::Put32(arc.data() + bStart, static_cast<std::uint32_t>(bStart + 4 + 1));
        expectChainDamage(arc, "a.bin");
        storage_format::Put32(arc.data() + bStart, 100000);
        expectChainDamage(arc, "a.bin");
    }
    {   // Stored size beyond the file.
        Bytes arc = good;
        storage_format::Put32(arc.data() + bStart + 8, 0x7FFFFFF0u);
        expectChainDamage(arc, "b.bin");
    }
    {   // A plain record whose unpacked size exceeds what it stores.
        const Bytes arc = Assemble({{"p.bin", 0, 500, Text("short")}});
        expectChainDamage(arc, "p.bin");
    }
    {   // A folder record with data, and a record with flag bits the format does not know.
        expectChainDamage(Assemble({{"dir", 2, 0, Text("data")}}), "dir");
        expectChainDamage(Assemble({{"odd.bin", 4, 1, Text("x")}}), "odd.bin");
        expectChainDamage(Assemble({{"gz.bin", 1, 10, Bytes()}}), "gz.bin");
    }
    {   // A name that climbs out of the destination is refused on a full export.
        const Bytes arc = Assemble({{"media\\..\\..\\evil.txt", 0, 1, Text("x")}});
        restest::WriteAll(Path("evil.arc"), arc.data(), arc.size());
        QNSTORAGE s;
        s.Open(Path("evil.arc").c_str());
        ASSERT_TRUE(s.FirstEntry());
        EXPECT_THROW(s.Export(true, QNSTRING(Path("out/deep").c_str()), false), QNSTORAGE::EXC);
        EXPECT_FALSE(restest::FileExists(Path("evil.txt")));
        EXPECT_FALSE(restest::FileExists(Path("out/evil.txt")));
        QNSTORAGEWRITER w;
        w.Open(Path("w.arc").c_str(), QNSTORAGEWRITER::Mode::Create);
        EXPECT_THROW(w.AddBytes("..\\x", "x", 1, false), QNSTORAGE::EXC);
        EXPECT_THROW(w.AddBytes("/abs", "x", 1, false), QNSTORAGE::EXC);
        EXPECT_THROW(w.AddBytes("C:x", "x", 1, false), QNSTORAGE::EXC);
        EXPECT_NO_THROW(w.AddBytes("a..b\\.x", "x", 1, false));
    }
    {   // Too short to hold a trailer.
        restest::WriteText(Path("tiny.arc"), "ab");
        QNSTORAGE s;
        s.Open(Path("tiny.arc").c_str());
        EXPECT_THROW(s.FirstEntry(), QNSTORAGE::EXC);
    }
}

TEST_F(Storage, TempFileCopiesComeFromTheArchive)
{
    const std::string archive = Path("media.arc");
    QNSTORAGEWRITER w;
    w.Open(archive.c_str(), QNSTORAGEWRITER::Mode::Create);
    QNSTORAGERECORD readOnly;
    readOnly.attributes = 0x21;
    w.AddBytes("media\\a.gbm", "mesh A", 6, true, readOnly);
    w.Close();

    QNTEMPFILE temp;
    // No archive: the name itself, nothing copied.
    EXPECT_STREQ(QNDISK::MakeTempFile(temp, QNSTRING("media\\a.gbm"), true).Text(), "media\\a.gbm");
    QNSTORAGE::SetArchive(archive.c_str());
    EXPECT_STREQ(QNDISK::MakeTempFile(temp, QNSTRING("media\\a.gbm"), false).Text(), "media\\a.gbm");

    const std::uint32_t before = QNDISK::TempFileCount();
    const std::string first = QNDISK::MakeTempFile(temp, QNSTRING("MEDIA\\A.GBM"), true).Text();
    EXPECT_EQ(QNDISK::TempFileCount(), before + 1);
    EXPECT_NE(first.find("~temp" + std::to_string(before) + "~.tmp"), std::string::npos);
    EXPECT_EQ(first.rfind(QNDISK::TempFolder().Text(), 0), 0u);
    EXPECT_EQ(ReadText(first), "mesh A");
    EXPECT_TRUE(temp.FromArchive());
    struct stat info;
    ASSERT_EQ(stat(first.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);   // copies never become read-only

    QNTEMPFILE other;
    const std::string second = QNDISK::MakeTempFile(other, QNSTRING("media\\a.gbm"), true).Text();
    EXPECT_NE(first, second);
    EXPECT_TRUE(restest::FileExists(first));

    // The next copy on the same temp file deletes the earlier one.
    const std::string third = QNDISK::MakeTempFile(temp, QNSTRING("media\\a.gbm"), true).Text();
    EXPECT_FALSE(restest::FileExists(first));
    temp.Close();
    EXPECT_FALSE(restest::FileExists(third));
    EXPECT_TRUE(temp.Path().IsEmpty());

    // A missing medium exports nothing: the path comes back, no file behind it.
    const std::string missing = QNDISK::MakeTempFile(temp, QNSTRING("media\\b.gbm"), true).Text();
    EXPECT_FALSE(missing.empty());
    EXPECT_FALSE(restest::FileExists(missing));
    temp.Close();
    other.Close();
    EXPECT_FALSE(restest::FileExists(second));
}

TEST_F(Storage, TempFileSwallowsADamagedRecordButNotADamagedChain)
{
    const Bytes member = QNSTORAGEWRITER::Gzip("some medium bytes", 17);
    Bytes cut(member.begin(), member.end() - 6);
    const Bytes arc = Assemble({{"media\\bad.dds", 1, 17, cut}});
    restest::WriteAll(Path("bad.arc"), arc.data(), arc.size());
    QNSTORAGE::SetArchive(Path("bad.arc").c_str());
    QNTEMPFILE temp;
    std::string path;
    EXPECT_NO_THROW(path = QNDISK::MakeTempFile(temp, QNSTRING("media\\bad.dds"), true).Text());
    EXPECT_FALSE(path.empty());
    EXPECT_FALSE(restest::FileExists(path));
    // The archive's reason is kept for the loader's message.
    EXPECT_TRUE(temp.Missing());
    EXPECT_EQ(std::string(temp.Failure().Text()),
              "Storage file '" + Path("bad.arc") + "' is damaged (gzip record: gzip data ends early).");
    EXPECT_STREQ(temp.Shown(QNSTRING(path.c_str())).Text(), "media\\bad.dds");

    Bytes broken = arc;
    storage_format::Put32(broken.data() + broken.size() - 4, 9999);
    restest::WriteAll(Path("bad.arc"), broken.data(), broken.size());
    try {
        QNDISK::MakeTempFile(temp, QNSTRING("media\\bad.dds"), true);
        ADD_FAILURE() << "a damaged chain raises";
    } catch (const QNSTORAGE::EXC& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to read 'media\\bad.dds' from the archive. Storage file '" +
                                             Path("bad.arc") + "' is damaged (bad trailer).");
    }
    EXPECT_TRUE(temp.Path().IsEmpty());
}
