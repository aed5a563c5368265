#include "engine/resource/storage_writer.h"

#include "engine/resource/qndisk.h"
#include "engine/resource/qnfileinfo.h"
#include "engine/resource/qnstorage.h"
#include "engine/resource/storage_format.h"
#include "platform/system.h"

#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace storage_format;

QNSTORAGEWRITER::~QNSTORAGEWRITER()
{
    file_.Close();
}

void QNSTORAGEWRITER::Open(const char* path, Mode mode)
{
    file_.Close();
    path_ = path ? path : "";
    link_ = 0;
    count_ = 0;
    if (mode == Mode::Create) {
        file_.Open(path, QNFILE::kWrite | QNFILE::kUpdate);
        return;
    }

    std::uint32_t trailer = 0;
    if (mode == Mode::Extend) {
        // Walk the existing chain: a damaged archive raises here, before anything is written.
        QNSTORAGE existing;
        existing.Open(path);
        for (bool more = existing.FirstEntry(); more; more = existing.NextEntry()) {
        }
        trailer = existing.Trailer();
        existing.Close();
    }

    file_.Open(path, QNFILE::kUpdate | QNFILE::kCreate);
    file_.Seek(0, 2);
    if (mode == Mode::Extend) {
        // The old trailer is the back-link of the first new record; it is written again by
        // Close, after the new records.
        const std::int64_t end = file_.Tell();
        std::fflush(file_.Stream());
        if (::ftruncate(fileno(file_.Stream()), static_cast<off_t>(end - 4)) != 0) {
            PlatformSetLastError(errno);
            file_.Throw("Could not write data to file.");
        }
        file_.Seek(end - 4, 0);
        link_ = trailer;
    }
}

std::vector<unsigned char> QNSTORAGEWRITER::Gzip(const void* data, std::size_t size)
{
    z_stream z{};
    // 15 + 16: a gzip wrapper with zlib's plain header (no name, time 0).
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw QNSTORAGE::EXC(0, "Unable to start compression.");
    std::vector<unsigned char> out(deflateBound(&z, static_cast<uLong>(size)) + 64);
    z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END)
        throw QNSTORAGE::EXC(0, "Unable to compress data.");
    return out;
}

void QNSTORAGEWRITER::WriteRecord(const char* name, std::uint32_t flags, std::uint32_t unpacked,
                                  const void* stored, std::size_t storedSize,
                                  const QNSTORAGERECORD& record)
{
    if (!file_.IsOpen())
        throw QNSTORAGE::EXC(0, "Storage file '%s' is not open for writing.", path_.c_str());
    std::string stored_name = name ? name : "";
    for (char& c : stored_name)
        if (c == '/')
            c = '\\';
    if (stored_name.empty() || stored_name.size() > kMaxName ||
        stored_name.find_first_of("*?") != std::string::npos || !QnIsRelativeName(stored_name.c_str()))
        throw QNSTORAGE::EXC(0, "Bad entry name '%s' for storage file '%s'.", stored_name.c_str(),
                             path_.c_str());
    const std::uint64_t length = kHeaderSize + stored_name.size() + storedSize;
    if (length + 4 > UINT32_MAX)
        throw QNSTORAGE::EXC(0, "Entry '%s' is too large for storage file '%s'.",
                             stored_name.c_str(), path_.c_str());

    unsigned char header[kHeaderSize];
    Put32(header + 0, link_);
    Put32(header + 4, unpacked);
    Put32(header + 8, static_cast<std::uint32_t>(storedSize));
    Put32(header + 12, flags);
    Put32(header + 16, record.attributes);
    Put64(header + 20, record.creationTime);
    Put64(header + 28, record.lastAccessTime);
    Put64(header + 36, record.lastWriteTime);
    Put32(header + 44, static_cast<std::uint32_t>(stored_name.size()));
    file_.Write(header, sizeof header);
    file_.Write(stored_name.data(), stored_name.size());
    file_.Write(stored, storedSize);
    link_ = static_cast<std::uint32_t>(length + 4);
    ++count_;
}

void QNSTORAGEWRITER::AddBytes(const char* name, const void* data, std::size_t size,
                               bool compress, const QNSTORAGERECORD& record)
{
    if (size > UINT32_MAX)
        throw QNSTORAGE::EXC(0, "Entry '%s' is too large for storage file '%s'.", name ? name : "",
                             path_.c_str());
    if (compress) {
        const std::vector<unsigned char> packed = Gzip(data, size);
        WriteRecord(name, kFlagGzip, static_cast<std::uint32_t>(size), packed.data(),
                    packed.size(), record);
    } else {
        WriteRecord(name, 0, static_cast<std::uint32_t>(size), data, size, record);
    }
}

void QNSTORAGEWRITER::AddFile(const char* name, const char* diskPath, bool compress)
{
    QNFILE source;
    source.Open(diskPath, QNFILE::kRead);
    const std::int64_t size = source.Size();
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    if (source.Read(bytes.data(), bytes.size()) != bytes.size()) {
        PlatformSetLastError(EIO);
        source.Throw("Could not read data from file.");
    }

    QNSTORAGERECORD record;
    struct stat info;
    if (::fstat(fileno(source.Stream()), &info) == 0) {
        record.creationTime = QNFILEINFO::FileTimeFromUnix(info.st_ctim);
        record.lastAccessTime = QNFILEINFO::FileTimeFromUnix(info.st_atim);
        record.lastWriteTime = QNFILEINFO::FileTimeFromUnix(info.st_mtim);
        record.attributes = QNFILEINFO::kArchive | ((info.st_mode & S_IWUSR) ? 0 : QNFILEINFO::kReadOnly);
    }
    source.Close();
    AddBytes(name, bytes.data(), bytes.size(), compress, record);
}

void QNSTORAGEWRITER::AddFolder(const char* name, const QNSTORAGERECORD& record)
{
    WriteRecord(name, kFlagFolder, 0, nullptr, 0, record);
}

void QNSTORAGEWRITER::Close()
{
    if (!file_.IsOpen())
        return;
    unsigned char trailer[4];
    Put32(trailer, link_);
    file_.Write(trailer, 4);
    if (std::fflush(file_.Stream()) != 0) {
        PlatformSetLastError(errno);
        file_.Throw("Could not write data to file.");
    }
    file_.Close();
}
