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
    /// True when the archive was asked and holds no such medium (no copy was made); the
    /// loaders then report the medium by its archive name.
    bool Missing() const { return fromArchive_ && !QNDISK::Exists(path_); }

private:
    friend class QNDISK;

    bool fromArchive_ = false;
    QNSTORAGE storage_;
    QNFILE file_;
    QNSTRING path_;
};
