#include "engine/resource/qnstorage.h"

#include "engine/resource/qndisk.h"
#include "engine/resource/qnfileinfo.h"
#include "engine/resource/storage_format.h"
#include "platform/system.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

using namespace storage_format;

namespace {

QNSTRING& ArchiveName()
{
    static QNSTRING name;
    return name;
}

constexpr std::uint32_t kCopyChunk = 100000;

} // namespace

bool QnIsRelativeName(const char* name)
{
    if (!name || !name[0] || name[0] == '\\' || name[0] == '/' || (name[0] && name[1] == ':'))
        return false;
    // No element may be "..": the name must stay inside the folder it is joined to.
    const char* element = name;
    for (const char* p = name;; ++p) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            if (p - element == 2 && element[0] == '.' && element[1] == '.')
                return false;
            if (*p == '\0')
                break;
            element = p + 1;
        }
    }
    return true;
}

QNSTORAGE::QNSTORAGE()
{
    entryName_.SetNoCase(true);
}

QNSTORAGE::~QNSTORAGE()
{
    Close();
}

void QNSTORAGE::SetArchive(const char* name)
{
    QNSTRING& archiveName = ArchiveName();
    if (!name || !name[0]) {
        archiveName.Clear();
    } else if (name[0] == '*') {
        archiveName = QNSTRING(PlatformModulePath());
    } else {
        archiveName = QNSTRING(name);
    }
    archiveName.SetNoCase(true);
}

const QNSTRING& QNSTORAGE::Archive() { return ArchiveName(); }

void QNSTORAGE::Rewind()
{
    if (headerPosition_ != 0 && IsOpen())
        fseeko(Stream(), static_cast<off_t>(headerPosition_), SEEK_SET);
}

void QNSTORAGE::ClearEntry()
{
    headerPosition_ = 0;
    backLink_ = 0;
    entryName_.Clear();
    unpacked_ = stored_ = flags_ = attributes_ = 0;
    creation_ = lastAccess_ = lastWrite_ = 0;
}

void QNSTORAGE::Open(const char* fileName)
{
    Close();
    fileName_ = QNSTRING(fileName);
    QNFILE::Open(fileName, kRead, 0);
    fileSize_ = Size();
}

void QNSTORAGE::Close()
{
    gz_.Close();
    Rewind();
    QNFILE::Close();
    ClearEntry();
    trailer_ = 0;
}

void QNSTORAGE::Damaged(const char* what) const
{
    throw EXC(0, "Storage file '%s' is damaged (%s).", fileName_.Text(), what);
}

std::int64_t QNSTORAGE::ContentsPosition() const
{
    return headerPosition_ + kFieldsSize + static_cast<std::int64_t>(entryName_.Length());
}

// Parses the header fields and name from `block` (`got` bytes read at the header position).
void QNSTORAGE::ParseHeader(const unsigned char* block, std::size_t got)
{
    if (got < kFieldsSize)
        Damaged("record header cut short");
    unpacked_ = Get32(block + 0);
    stored_ = Get32(block + 4);
    flags_ = Get32(block + 8);
    attributes_ = Get32(block + 12);
    creation_ = Get64(block + 16);
    lastAccess_ = Get64(block + 24);
    lastWrite_ = Get64(block + 32);
    const std::uint32_t nameLength = Get32(block + 40);
    if (nameLength > kMaxName)
        Damaged("bad name length");
    if (static_cast<std::int64_t>(nameLength) + stored_ > fileSize_ - headerPosition_ - kFieldsSize)
        Damaged("record beyond the end of the file");
    if (got < kFieldsSize + nameLength)
        Damaged("name cut short");
    char name[kMaxName + 1];
    std::memcpy(name, block + kFieldsSize, nameLength);
    name[nameLength] = '\0';
    entryName_ = QNSTRING(name);
    entryName_.SetNoCase(true);
}

// Reads the record that starts at `start` and must end exactly at `end` (the next record's
// start, or the trailer), with one seek and one read; it becomes current. The file is left
// where the read ended: the public walks seek back to the header position.
void QNSTORAGE::ReadRecordAt(std::int64_t start, std::int64_t end)
{
    ClearEntry();
    unsigned char block[4 + kFieldsSize + kMaxName];
    Seek(start, 0);
    const std::size_t got = Read(block, sizeof block);
    if (got < 4)
        Damaged("record beyond the end of the file");
    const std::uint32_t back = Get32(block);
    headerPosition_ = start + 4;
    ParseHeader(block + 4, got - 4);
    const std::int64_t length = kHeaderSize + static_cast<std::int64_t>(entryName_.Length()) + stored_;
    if (start + length != end)
        Damaged("stored size does not fit the record");
    // The previous record must be long enough to hold a header and must start inside the file.
    if (back != 0 && (back < kHeaderSize + 4 || static_cast<std::int64_t>(back) > start + 4))
        Damaged("bad back-link");
    if (flags_ & ~(kFlagGzip | kFlagFolder))
        Damaged("unknown record flags");
    if ((flags_ & kFlagFolder) && (stored_ != 0 || unpacked_ != 0))
        Damaged("folder record holds data");
    if (!(flags_ & (kFlagGzip | kFlagFolder)) && stored_ != unpacked_)
        Damaged("stored size differs from the unpacked size");
    if ((flags_ & kFlagGzip) && unpacked_ != 0 && stored_ == 0)
        Damaged("gzip record without data");
    backLink_ = back;
}

void QNSTORAGE::ReadHeader()
{
    if (headerPosition_ == 0)
        throw EXC(0, "No entry selected in storage file '%s'.", fileName_.Text());
    unsigned char block[kFieldsSize + kMaxName];
    Seek(headerPosition_, 0);
    const std::size_t got = Read(block, sizeof block);
    ParseHeader(block, got);
    Seek(headerPosition_ + kFieldsSize + static_cast<std::int64_t>(entryName_.Length()), 0);
}

bool QNSTORAGE::Newest()
{
    gz_.Close();
    ClearEntry();
    trailer_ = 0;
    if (fileSize_ < 4)
        Damaged("no trailer");
    unsigned char raw[4];
    Seek(fileSize_ - 4, 0);
    if (Read(raw, 4) != 4)
        Damaged("no trailer");
    trailer_ = Get32(raw);
    if (trailer_ == 0)
        return false;
    if (trailer_ < kHeaderSize + 4 || static_cast<std::int64_t>(trailer_) > fileSize_)
        Damaged("bad trailer");
    ReadRecordAt(fileSize_ - trailer_, fileSize_ - 4);
    return true;
}

bool QNSTORAGE::Older()
{
    gz_.Close();
    if (headerPosition_ == 0)
        return false;
    if (backLink_ == 0) {
        ClearEntry();
        return false;
    }
    const std::int64_t start = headerPosition_ - 4;
    ReadRecordAt(headerPosition_ - backLink_, start);
    return true;
}

bool QNSTORAGE::FirstEntry()
{
    const bool found = Newest();
    Rewind();
    return found;
}

bool QNSTORAGE::NextEntry()
{
    const bool found = Older();
    Rewind();
    return found;
}

bool QNSTORAGE::Find(const QNSTRING& name)
{
    if (name.IsEmpty()) {
        ClearEntry();
        return false;
    }
    for (bool more = Newest(); more; more = Older()) {
        if (entryName_.Matches(name)) {
            Rewind();
            return true;
        }
    }
    return false;
}

QNSTRING QNSTORAGE::Export(bool overwrite, const QNSTRING& folder, bool flatten,
                           const QNSTRING& newName, bool restoreAttributes)
{
    if (headerPosition_ == 0)
        throw EXC(0, "No entry selected in storage file '%s'.", fileName_.Text());
    const bool isFolder = (flags_ & kFlagFolder) != 0;

    QNSTRING destination;
    if (!flatten) {
        if (!QnIsRelativeName(entryName_.Text()))
            throw EXC(0, "Entry '%s' of storage file '%s' leaves the destination folder.",
                      entryName_.Text(), fileName_.Text());
        destination = QNDISK::Join(folder, entryName_);
        if (isFolder) {
            QNDISK::CreateFolders(destination);
            return QNSTRING();
        }
        QNDISK::CreateFolders(QNDISK::Drive(destination) + QNDISK::Folder(destination));
    } else {
        if (isFolder)
            return QNSTRING();
        destination = QNDISK::Join(folder, QNDISK::FileTitle(entryName_) + QNDISK::Extension(entryName_));
    }
    if (!newName.IsEmpty())
        destination = QNDISK::Drive(destination) + QNDISK::Folder(destination) + newName;
    destination = QNDISK::DiskPath(destination);

    if (!overwrite && QNDISK::Exists(destination))
        throw EXC(0, "File already exists exporting '%s' from storage file '%s'.",
                  destination.Text(), fileName_.Text());

    QNFILE out;
    bool opened = false;
    std::vector<unsigned char> buffer;
    try {
        ReadHeader();
        remaining_ = unpacked_;
        // A gzip record's bytes are checked even when it unpacks to nothing.
        const bool gzip = (flags_ & kFlagGzip) != 0 && stored_ != 0;
        if (gzip && !gz_.Open(Stream(), stored_))
            Damaged("gzip reader failed to start");
        out.Open(destination.Text(), kWrite | kUpdate, 0);
        opened = true;
        if (remaining_ != 0)
            buffer.resize(kCopyChunk);
        while (remaining_ != 0) {
            const std::uint32_t chunk = remaining_ < kCopyChunk ? remaining_ : kCopyChunk;
            if (gzip) {
                const long got = gz_.Read(buffer.data(), chunk);
                if (got < 0)
                    Damaged((std::string("gzip record: ") + gz_.Error()).c_str());
                if (got != static_cast<long>(chunk))
                    Damaged("gzip record shorter than its unpacked size");
            } else if (Read(buffer.data(), chunk) != chunk) {
                Damaged("contents cut short");
            }
            out.Write(buffer.data(), chunk);
            remaining_ -= chunk;
        }
        // The member's trailer (CRC-32 and length) must check out, and no data may follow.
        if (gzip && !gz_.Finish())
            Damaged((std::string("gzip record: ") + gz_.Error()).c_str());
        if (std::fflush(out.Stream()) != 0) {
            PlatformSetLastError(errno);
            out.Throw("Could not write data to file.");
        }
        gz_.Close();
        Rewind();
    } catch (...) {
        gz_.Close();
        Rewind();
        out.Close();
        // Only a file this export wrote is removed; one it could not open is left alone.
        if (opened)
            QNDISK::Delete(destination);
        throw;
    }

    try {
        QNFILEINFO::SetDates(destination, creation_, lastAccess_, lastWrite_);
    } catch (const QNFILEINFO::EXC&) {
    }
    if (restoreAttributes) {
        try {
            QNFILEINFO::SetAttributes(destination, attributes_);
        } catch (const QNFILEINFO::EXC&) {
        }
    }
    out.Close();
    return destination;
}
