#include "engine/resource/qndisk.h"

#include "platform/system.h"
#include "resource_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string S(const QNSTRING& s) { return s.Text(); }
QNSTRING Q(const char* s) { return QNSTRING(s); }

} // namespace

TEST(QnDisk, NumberedName)
{
    const QNSTRING flame = Q("media\\effects\\meshes\\flame.gbm");
    EXPECT_EQ(S(QNDISK::NumberedName(flame, -1)), "media\\effects\\meshes\\flame.gbm");
    EXPECT_EQ(S(QNDISK::NumberedName(flame, 0)), "media\\effects\\meshes\\flame.gbm");
    EXPECT_EQ(S(QNDISK::NumberedName(flame, 1)), "media\\effects\\meshes\\flame2.gbm");
    EXPECT_EQ(S(QNDISK::NumberedName(flame, 2)), "media\\effects\\meshes\\flame3.gbm");
    EXPECT_EQ(S(QNDISK::NumberedName(Q("media/rock12.dds"), 0)), "media/rock.dds");
    EXPECT_EQ(S(QNDISK::NumberedName(Q("media/rock12.dds"), 9)), "media/rock10.dds");
    EXPECT_EQ(S(QNDISK::NumberedName(Q("media\\7up.wav"), 3)), "media\\7up.wav");
    EXPECT_EQ(S(QNDISK::NumberedName(Q("media\\.wav"), 3)), "media\\.wav");
    EXPECT_EQ(S(QNDISK::NumberedName(Q("C:beam"), 1)), "C:beam2");
}

TEST(QnDisk, PathParts)
{
    const QNSTRING p = Q("C:\\media/station\\beam.part.gbm");
    EXPECT_EQ(S(QNDISK::Drive(p)), "C:");
    EXPECT_EQ(S(QNDISK::Folder(p)), "\\media/station\\");
    EXPECT_EQ(S(QNDISK::FileTitle(p)), "beam.part");
    EXPECT_EQ(S(QNDISK::Extension(p)), ".gbm");
    EXPECT_EQ(S(QNDISK::Extension(Q("media.d\\readme"))), "");
    EXPECT_EQ(S(QNDISK::Folder(Q("beam.gbm"))), "");
    EXPECT_TRUE(QNDISK::Drive(Q("")).IsEmpty());

    EXPECT_EQ(S(QNDISK::AddBackslash(Q("a/b"))), "a/b/");
    EXPECT_EQ(S(QNDISK::AddBackslash(Q("a\\b\\"))), "a\\b\\");
    EXPECT_TRUE(QNDISK::AddBackslash(Q("")).IsEmpty());
    EXPECT_EQ(S(QNDISK::Join(Q("/tmp/x"), Q("y.gbm"))), "/tmp/x/y.gbm");
    EXPECT_EQ(S(QNDISK::DefaultExtension(Q("a/beam"), Q(".gbm"))), "a/beam.gbm");
    EXPECT_EQ(S(QNDISK::DefaultExtension(Q("a/beam"), Q("gbm"))), "a/beam.gbm");
    EXPECT_EQ(S(QNDISK::DefaultExtension(Q("a/beam.obj"), Q(".gbm"))), "a/beam.obj");
    EXPECT_EQ(S(QNDISK::DiskPath(Q("media\\a\\b.dds"))), "media/a/b.dds");

    EXPECT_EQ(S(QNDISK::FullPath(Q("/a/./b\\..\\c//d"))), "/a/c/d");
    EXPECT_EQ(S(QNDISK::FullPath(Q("/a/b/"))), "/a/b/");
    EXPECT_EQ(S(QNDISK::FullPath(Q("/.."))), "/");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(S(QNDISK::FullPath(Q("x\\y"))), std::string(cwd) + "/x/y");
    EXPECT_TRUE(QNDISK::TempPath().Text()[0] == '/');
}

TEST(QnDisk, CreateFoldersAndDelete)
{
    const std::string base = std::string(QNDISK::TempPath().Text()) + "qndisk_test_" +
                             std::to_string(getpid());
    QNDISK::CreateFolders(QNSTRING(base + "\\one/two\\three"));
    struct stat info;
    ASSERT_EQ(stat((base + "/one/two/three").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    std::FILE* f = std::fopen((base + "/one/two/file.bin").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(QNDISK::Exists(QNSTRING(base + "\\one\\two\\file.bin")));

    // A name with a comma is one name, not a list.
    const std::string comma = base + "/keep,me";
    QNDISK::CreateFolders(QNSTRING(comma));
    EXPECT_TRUE(QNDISK::Delete(QNSTRING(base + "/one")));
    EXPECT_FALSE(QNDISK::Exists(QNSTRING(base + "/one")));
    EXPECT_TRUE(QNDISK::Exists(QNSTRING(comma)));
    EXPECT_TRUE(QNDISK::Delete(QNSTRING(base)));
    EXPECT_FALSE(QNDISK::Exists(QNSTRING(base)));
    EXPECT_TRUE(QNDISK::Delete(QNSTRING(base)));   // nothing left is success
}

TEST(QnDisk, TempFoldersArePerProcess)
{
    const std::string mine = QNDISK::TempFolder().Text();
    ASSERT_FALSE(mine.empty());
    EXPECT_NE(mine.find("/quennet/"), std::string::npos);
    EXPECT_TRUE(restest::FileExists(mine));

    // A second process gets a folder of its own while ours exists, and removing its folder
    // leaves ours in place.
    const std::string out = std::string(QNDISK::TempPath().Text()) + "qndisk_child_" +
                            std::to_string(getpid()) + ".txt";
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    EXPECT_EQ(restest::RunChild(self, "tempfolder:" + out + ":" + mine), 0);
    const std::string theirs = restest::ReadText(out);
    std::remove(out.c_str());
    EXPECT_FALSE(theirs.empty());
    EXPECT_NE(theirs, mine);
    EXPECT_FALSE(restest::FileExists(theirs));
    EXPECT_TRUE(restest::FileExists(mine));

    restest::WriteText(mine + "left.tmp", "x");
    QNDISK::RemoveTempFolder();
    EXPECT_FALSE(restest::FileExists(mine));
    // Made again on the next use, under a new name.
    const std::string again = QNDISK::TempFolder().Text();
    EXPECT_TRUE(restest::FileExists(again));
    QNDISK::RemoveTempFolder();
}

TEST(QnDisk, ShellOperationsOverNameLists)
{
    char pattern[] = "/tmp/qndisk-shell-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::string odd = root + "/with, comma.txt";
    restest::WriteText(root + "/a.txt", "A");
    restest::WriteText(root + "/b.txt", "B");
    restest::WriteText(odd, "C");
    ::mkdir((root + "/tree").c_str(), 0777);
    restest::WriteText(root + "/tree/leaf.txt", "L");

    const std::string list = QNDISK::BuildNameList(
        QNSTRING(("  " + root + "/a.txt,\t" + root + "/b.txt\t\"" + odd + "\"").c_str()));
    EXPECT_EQ(list, root + "/a.txt" + '\0' + root + "/b.txt" + '\0' + odd + '\0' + '\0');
    EXPECT_TRUE(QNDISK::BuildNameList(QNSTRING(" \t ")).empty());

    // Several sources copy into one folder, made for them; the sources stay.
    const QNSTRING three((root + "/a.txt," + root + "/b.txt,\"" + odd + "\"").c_str());
    EXPECT_TRUE(QNDISK::ShellOperation(QNDISK::kCopy, three, QNSTRING((root + "/copies").c_str()), 0));
    EXPECT_EQ(restest::ReadText(root + "/copies/b.txt"), "B");
    EXPECT_EQ(restest::ReadText(root + "/copies/with, comma.txt"), "C");
    EXPECT_TRUE(restest::FileExists(root + "/a.txt"));
    // A folder moves with what it holds; one destination per source with the flag.
    EXPECT_TRUE(QNDISK::ShellOperation(QNDISK::kMove, QNSTRING((root + "/tree," + root + "/a.txt").c_str()),
                                       QNSTRING((root + "/moved," + root + "/a2.txt").c_str()),
                                       QNDISK::kMultipleDestinations));
    EXPECT_EQ(restest::ReadText(root + "/moved/leaf.txt"), "L");
    EXPECT_EQ(restest::ReadText(root + "/a2.txt"), "A");
    EXPECT_FALSE(restest::FileExists(root + "/tree"));
    EXPECT_FALSE(restest::FileExists(root + "/a.txt"));
    EXPECT_TRUE(QNDISK::ShellOperation(QNDISK::kRename, QNSTRING((root + "/b.txt").c_str()),
                                       QNSTRING((root + "/b2.txt").c_str()), 0));
    EXPECT_EQ(restest::ReadText(root + "/b2.txt"), "B");
    // Mismatched lists, a missing source and an unknown function fail.
    EXPECT_FALSE(QNDISK::ShellOperation(QNDISK::kRename, three, QNSTRING((root + "/x").c_str()), 0));
    EXPECT_FALSE(QNDISK::ShellOperation(QNDISK::kCopy, QNSTRING((root + "/none.txt").c_str()),
                                        QNSTRING((root + "/y.txt").c_str()), 0));
    EXPECT_FALSE(QNDISK::ShellOperation(9, three, QNSTRING(""), 0));
    EXPECT_TRUE(QNDISK::ShellOperation(QNDISK::kDelete, QNSTRING((root + "/copies,\t" + root + "/moved").c_str()),
                                       QNSTRING(""), 0));
    EXPECT_FALSE(restest::FileExists(root + "/copies"));
    EXPECT_FALSE(restest::FileExists(root + "/moved"));

    EXPECT_TRUE(QNDISK::Delete(QNSTRING(root.c_str())));
}

TEST(QnDisk, AMissingTemporaryPathIsNotCreated)
{
    QNDISK::RemoveTempFolder();
    char pattern[] = "/tmp/qndisk-missing-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const char* saved = getenv("TMPDIR");
    const std::string savedText = saved ? saved : "";
    setenv("TMPDIR", (root + "/gone/deeper").c_str(), 1);

    QNDISK::MakeTempFolder();
    EXPECT_NE(PlatformLastError(), 0);
    EXPECT_FALSE(restest::FileExists(root + "/gone"));
    QNDISK::RemoveTempFolder();

    if (saved)
        setenv("TMPDIR", savedText.c_str(), 1);
    else
        unsetenv("TMPDIR");
    ::rmdir(root.c_str());
}

TEST(QnDisk, TempFolderBesideAForeignQuennet)
{
    // "quennet" that cannot hold our folder (here a plain file): the folder goes beside it.
    QNDISK::RemoveTempFolder();
    char pattern[] = "/tmp/qndisk-tmpdir-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    restest::WriteText(root + "/quennet", "not a folder");
    const char* saved = getenv("TMPDIR");
    const std::string savedText = saved ? saved : "";
    setenv("TMPDIR", root.c_str(), 1);

    const std::string folder = QNDISK::TempFolder().Text();
    EXPECT_EQ(folder.rfind(root + "/quennet-p", 0), 0u) << folder;
    EXPECT_TRUE(restest::FileExists(folder));
    QNDISK::RemoveTempFolder();
    EXPECT_FALSE(restest::FileExists(folder));
    EXPECT_EQ(restest::ReadText(root + "/quennet"), "not a folder");

    if (saved)
        setenv("TMPDIR", savedText.c_str(), 1);
    else
        unsetenv("TMPDIR");
    QNDISK::Delete(QNSTRING(root));
}
