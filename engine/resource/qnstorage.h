#pragma once
/// QNSTORAGE: reads the storage archive appended to a host file (layout in storage_format.h).
///
/// Records are found newest first by a case-insensitive shell-pattern match of the stored
/// name, so a later record replaces an earlier one of the same name. Export copies the current
/// record's contents, gunzipped, to a file and restores its times and attributes.
///
/// Every step checks the archive against the file: the trailer, each back-link, each name
/// length (at most 259) and each stored size must describe records that tile the file exactly
/// up to the trailer. A damaged archive raises QNSTORAGE::EXC ("Storage file '<file>' is
/// damaged (<what>).", result code 0); so does a gzip record whose data, CRC-32 or length is
/// wrong. A failed export leaves no destination file behind.

#include "engine/resource/qnfile.h"
#include "engine/util/qngzfile.h"
#include "engine/util/qnstring.h"

#include <cstddef>
#include <cstdint>

class QNSTORAGE : public QNFILE {
public:
    using EXC = QNSTORAGE_EXC;

    QNSTORAGE();
    ~QNSTORAGE() override;

    /// Sets the archive every medium is read from: a name starting with "*" means the program's
    /// own file; null or "" means none (media are read from disk).
    static void SetArchive(const char* name);
    /// The archive's file name ("" when there is none).
    static const QNSTRING& Archive();

    /// Opens `fileName` for reading ("rb"), with no current record.
    void Open(const char* fileName);
    /// Closes the gzip reader and the file.
    void Close();

    /// Makes the newest record current. False (no current record) for an empty archive.
    bool FirstEntry();
    /// Makes the record before the current one current. False (no current record) at the
    /// oldest one.
    bool NextEntry();
    /// Makes the newest record whose stored name matches `name` current (case-insensitive;
    /// wildcards in a stored name act as wildcards). False, with no current record, when none
    /// matches or `name` is empty.
    bool Find(const QNSTRING& name);

    /// Re-reads the current record's header; the file is left at the record's contents.
    void ReadHeader();

    /// Writes the current record to a file in `folder`: at its full relative name (folders
    /// created; a name that is absolute or holds a ".." element raises) or, with `flatten`, at its file name alone; `newName` (if not empty) replaces
    /// the file name. Without `overwrite` an existing destination raises "File already exists
    /// exporting '%s' from storage file '%s'.". A folder record creates its folders only (none
    /// when flattened). An empty record gives an empty file. Times are restored, and with
    /// `restoreAttributes` the read-only bit too; failures to restore them are ignored. Raises
    /// when there is no current record. Returns the destination path ("" for a folder record).
    QNSTRING Export(bool overwrite, const QNSTRING& folder, bool flatten,
                    const QNSTRING& newName = QNSTRING(), bool restoreAttributes = true);

    bool HasEntry() const { return headerPosition_ != 0; }
    const QNSTRING& EntryName() const { return entryName_; }
    std::uint32_t UnpackedSize() const { return unpacked_; }
    std::uint32_t StoredSize() const { return stored_; }
    std::uint32_t Flags() const { return flags_; }
    std::uint32_t EntryAttributes() const { return attributes_; }
    std::uint64_t CreationTime() const { return creation_; }
    std::uint64_t LastAccessTime() const { return lastAccess_; }
    std::uint64_t LastWriteTime() const { return lastWrite_; }
    /// File offset of the current record's contents.
    std::int64_t ContentsPosition() const;
    /// The trailer read by the last FirstEntry (newest record length + 4; 0 when empty).
    std::uint32_t Trailer() const { return trailer_; }
    /// The open archive's file name.
    const QNSTRING& FileName() const { return fileName_; }

private:
    [[noreturn]] void Damaged(const char* what) const;
    void ReadRecordAt(std::int64_t start, std::int64_t end);
    void ParseHeader(const unsigned char* block, std::size_t got);
    bool Newest();
    bool Older();
    void Rewind();
    void ClearEntry();

    QNSTRING fileName_;
    std::int64_t fileSize_ = 0;

    std::uint32_t unpacked_ = 0;
    std::uint32_t stored_ = 0;
    std::uint32_t flags_ = 0;
    std::uint32_t attributes_ = 0;
    std::uint64_t creation_ = 0;
    std::uint64_t lastAccess_ = 0;
    std::uint64_t lastWrite_ = 0;
    QNSTRING entryName_;

    std::uint32_t remaining_ = 0;         // bytes still to export
    std::int64_t headerPosition_ = 0;     // just after the back-link; 0 = no current record
    std::uint32_t backLink_ = 0;
    std::uint32_t trailer_ = 0;
    QNGZFILE gz_;
};

/// True when `name` is a relative path that stays inside the folder it is joined to: not empty,
/// no leading separator or drive, no ".." element.
bool QnIsRelativeName(const char* name);
