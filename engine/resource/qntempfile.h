#pragma once
/// QNTEMPFILE: one medium copied out of the storage archive for as long as a loader needs it.
/// QNDISK::MakeTempFile fills it; Close (or the destructor) deletes the copy.

#include "engine/resource/qndisk.h"
#include "engine/resource/qnfile.h"
#include "engine/resource/qnstorage.h"
#include "engine/util/qnstring.h"

class QNTEMPFILE {
public:
    QNTEMPFILE() = default;
    ~QNTEMPFILE() { Close(); }
    QNTEMPFILE(const QNTEMPFILE&) = delete;
    QNTEMPFILE& operator=(const QNTEMPFILE&) = delete;

    /// Closes the archive or file and deletes the temporary copy, if any.
    void Close();

    /// The copy's path ("" when there is none).
    const QNSTRING& Path() const { return path_; }
    /// True when the copy came from the archive.
    bool FromArchive() const { return fromArchive_; }
    /// True when the archive was asked and no copy was made: it holds no such medium, or the
    /// export failed (Failure). The loaders then report the medium by its archive name.
    bool Missing() const { return fromArchive_ && !QNDISK::Exists(path_); }
    /// Why the export made no copy: the archive's own error text (damaged compressed data, a
    /// record cut short, a full disk); "" when the archive holds no such medium.
    const QNSTRING& Failure() const { return failure_; }
    /// The result code of that error.
    std::uint32_t FailureCode() const { return failureCode_; }
    /// The name a loader's messages give what it opened at `path`: the medium's own name for a
    /// copy from the archive (never the copy's temporary name), else `path` itself.
    const QNSTRING& Shown(const QNSTRING& path) const { return fromArchive_ ? medium_ : path; }

private:
    friend class QNDISK;

    bool fromArchive_ = false;
    QNSTRING medium_;
    QNSTRING failure_;
    std::uint32_t failureCode_ = 0;
    QNSTORAGE storage_;
    QNFILE file_;
    QNSTRING path_;
};
