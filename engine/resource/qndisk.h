#pragma once
/// QNDISK: path helpers and the per-process temporary folder.
///
/// Both '\' and '/' separate path elements. Names inside the storage archive keep '\'; the
/// helpers that touch the disk turn every '\' into '/' first (DiskPath). A drive is the "X:"
/// at the start of a path, if any.
///
/// Temporary media copies live in one folder per process, <temp path>/quennet/<process folder>/,
/// made with a unique name so that two running programs never share one. RemoveTempFolder
/// deletes exactly that folder and what is in it.

#include "engine/util/qnexception.h"
#include "engine/util/qnstring.h"

#include <cstdint>
#include <string>

class QNTEMPFILE;

class QNDISK {
public:
    using EXC = QNDISK_EXC;

    /// Adds a trailing '/' unless the path ends in '\' or '/'; an empty path stays empty.
    static QNSTRING AddBackslash(const QNSTRING& path);
    /// Absolute path with '/' separators, "." and ".." elements resolved.
    static QNSTRING FullPath(const QNSTRING& path);
    /// The "X:" drive, or empty.
    static QNSTRING Drive(const QNSTRING& path);
    /// The folder part after the drive, with its trailing separator ("" when none).
    static QNSTRING Folder(const QNSTRING& path);
    /// The file name without folder and extension.
    static QNSTRING FileTitle(const QNSTRING& path);
    /// The extension with its dot ("" when none).
    static QNSTRING Extension(const QNSTRING& path);
    /// AddBackslash(folder) followed by name.
    static QNSTRING Join(const QNSTRING& folder, const QNSTRING& name);
    /// Adds `extension` (with or without its dot) when the path has none.
    static QNSTRING DefaultExtension(const QNSTRING& path, const QNSTRING& extension);
    /// Member `index` of a numbered media set: trailing digits of the title are removed and,
    /// for index 1 or more, index + 1 is appended ("flame.gbm", "flame2.gbm", "flame3.gbm").
    /// A negative index, an empty title or a title that begins with a digit change nothing.
    static QNSTRING NumberedName(const QNSTRING& path, int index);
    /// The path with every '\' turned into '/'.
    static QNSTRING DiskPath(const QNSTRING& path);

    /// The user's temporary path, ending in '/'.
    static QNSTRING TempPath();
    static bool Exists(const QNSTRING& path);
    /// Creates every element of the path as a folder, the last one included. Stops silently at
    /// the first creation that fails.
    static void CreateFolders(const QNSTRING& path);
    /// Deletes exactly one path: a file, or a folder with everything inside it. The flags are
    /// accepted for the callers' sake and ignored. True when nothing of the path is left.
    static bool Delete(const QNSTRING& path, std::uint32_t flags = 0);

    /// Functions of ShellOperation.
    enum : std::uint32_t { kMove = 1, kCopy = 2, kDelete = 3, kRename = 4 };
    /// Flag of ShellOperation: the destination list names one destination per source.
    static constexpr std::uint32_t kMultipleDestinations = 0x1;
    /// The full paths of a list of names, each ended by a NUL, the whole ended by one more NUL;
    /// empty for a list without names. Names are separated by commas or tabs; leading spaces
    /// and tabs are skipped; a name in double quotes may hold commas and tabs.
    static std::string BuildNameList(const QNSTRING& list);
    /// Copies, moves, deletes or renames the sources (folders with what they hold). Copy and
    /// move put every source into the one destination folder (made when missing) when there are
    /// several sources or the destination is a folder; with kMultipleDestinations, and for a
    /// rename, source i goes to destination i. The destination list is ignored by delete. True
    /// when every name was handled; false for an unknown function or mismatched lists.
    static bool ShellOperation(std::uint32_t function, const QNSTRING& sources, const QNSTRING& destinations,
                               std::uint32_t flags);

    /// Makes this process's temporary folder (at engine start).
    static void MakeTempFolder();
    /// This process's temporary folder with a trailing '/' (made on first use).
    static QNSTRING TempFolder();
    /// Deletes this process's temporary folder and its contents (at shutdown), and "quennet"
    /// itself when no other process uses it.
    static void RemoveTempFolder();
    /// Path to open for medium `name`. Without an archive (or with useArchive false) that is
    /// `name` itself. Otherwise the record is exported from the archive into a new
    /// "~temp<n>~.tmp" in the temporary folder, which `temp` owns and deletes on Close. A name
    /// the archive does not hold, or a record that fails to export, leaves no file there
    /// (temp.Missing()), the export's reason kept in temp.Failure() for the loader's message.
    /// A damaged chain of records raises QNSTORAGE::EXC naming the medium.
    static QNSTRING MakeTempFile(QNTEMPFILE& temp, const QNSTRING& name, bool useArchive);
    /// Number of temporary copies made so far in this run.
    static std::uint32_t TempFileCount();
};
