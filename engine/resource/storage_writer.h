#pragma once
/// QNSTORAGEWRITER: writes a storage archive (layout in storage_format.h) byte for byte, the
/// form QNSTORAGE reads. Used by the packer tool; the engine itself only reads archives.
///
///     QNSTORAGEWRITER writer;
///     writer.Open("build/corvane", QNSTORAGEWRITER::Mode::Append);   // after the program
///     writer.AddFile("media\\effects\\meshes\\flame.gbm", "out/flame.gbm", true);
///     writer.AddBytes("media\\sounds\\beep.wav", bytes, size, true, record);
///     writer.Close();                                                 // writes the trailer
///
/// Records are written in the order added; the reader searches newest first, so a later record
/// of the same name replaces an earlier one. Names are relative paths; '/' is stored as '\'.
/// Names must be 1 to 259 bytes, relative (no leading separator or drive, no ".." element),
/// with no '*' or '?' (the reader matches stored names as patterns). Gzip records hold exactly one member with no optional header fields, modification
/// time 0 and maximum compression, so the output is deterministic.
///
/// Failures raise QNFILE::EXC (file access) or QNSTORAGE::EXC (a bad name or size, an existing
/// archive that is damaged).

#include "engine/resource/qnfile.h"
#include "engine/util/qnexception.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

/// The header fields of one record besides its name and contents.
struct QNSTORAGERECORD {
    std::uint32_t attributes = 0x20;   ///< archive bits to restore (0x01 read-only, 0x20 archive)
    std::uint64_t creationTime = 0;    ///< FILETIME (100 ns since 1601)
    std::uint64_t lastAccessTime = 0;
    std::uint64_t lastWriteTime = 0;
};

class QNSTORAGEWRITER {
public:
    enum class Mode {
        Create,   ///< a new file holding only the archive (an existing one is replaced)
        Append,   ///< a new archive after the existing bytes of a file (made if missing)
        Extend,   ///< more records on the archive that already ends the file
    };

    QNSTORAGEWRITER() = default;
    ~QNSTORAGEWRITER();
    QNSTORAGEWRITER(const QNSTORAGEWRITER&) = delete;
    QNSTORAGEWRITER& operator=(const QNSTORAGEWRITER&) = delete;

    /// Opens `path` for writing in `mode`. Extend checks the whole existing record chain first.
    void Open(const char* path, Mode mode);

    /// Adds a file record with `size` bytes of contents, gzip-compressed when `compress`.
    void AddBytes(const char* name, const void* data, std::size_t size, bool compress,
                  const QNSTORAGERECORD& record = QNSTORAGERECORD());
    /// Adds the contents of the disk file `diskPath` under `name`, with its times and its
    /// read-only bit.
    void AddFile(const char* name, const char* diskPath, bool compress);
    /// Adds a folder record (no contents).
    void AddFolder(const char* name, const QNSTORAGERECORD& record = QNSTORAGERECORD());

    /// Writes the trailer and closes the file. Without Close (say, after a failure) the file
    /// holds no valid archive.
    void Close();

    /// Records written since Open (those of an extended archive not counted).
    std::uint32_t Count() const { return count_; }
    bool IsOpen() const { return file_.IsOpen(); }

    /// One gzip member of `data` as the archive stores it.
    static std::vector<unsigned char> Gzip(const void* data, std::size_t size);

private:
    void WriteRecord(const char* name, std::uint32_t flags, std::uint32_t unpacked,
                     const void* stored, std::size_t storedSize, const QNSTORAGERECORD& record);

    QNFILE file_;
    std::string path_;
    std::uint32_t link_ = 0;   // back-link for the next record = last record length + 4
    std::uint32_t count_ = 0;
};
