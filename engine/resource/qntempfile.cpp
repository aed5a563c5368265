#include "engine/resource/qntempfile.h"

#include "engine/resource/qndisk.h"
#include "engine/util/qnsystem.h"

#include <cstdio>

std::uint32_t QnNextTempFileNumber();

void QNTEMPFILE::Close()
{
    if (fromArchive_)
        storage_.Close();
    else
        file_.Close();
    if (!path_.IsEmpty()) {
        QNDISK::Delete(path_);
        path_.Clear();
    }
    fromArchive_ = false;
    medium_.Clear();
    failure_.Clear();
    failureCode_ = 0;
}

QNSTRING QNDISK::MakeTempFile(QNTEMPFILE& temp, const QNSTRING& name, bool useArchive)
{
    const QNSTRING& archive = QNSTORAGE::Archive();
    if (archive.IsEmpty() || !useArchive)
        return name;

    temp.Close();
    const QNSTRING folder = TempFolder();
    if (folder.IsEmpty()) {
        char error[QNSYSTEM::kErrorTextSize];
        const std::uint32_t code = QNSYSTEM::LastErrorText(error);
        throw QNDISK::EXC(code, "Could not create the temporary folder under '%s'. (%s)",
                          TempPath().Text(), error);
    }
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "~temp%u~.tmp", QnNextTempFileNumber());
    const QNSTRING path = Join(folder, QNSTRING(fileName));

    temp.fromArchive_ = true;
    temp.medium_ = name;
    try {
        temp.storage_.Open(archive.Text());
        // A name the archive does not hold exports nothing: the loader then reports the medium
        // as missing, instead of loading whatever record the search stopped at.
        if (temp.storage_.Find(name)) {
            try {
                temp.storage_.Export(true, folder, true, QNSTRING(fileName), false);
            } catch (const QNDISK::EXC& e) {
                // A damaged record or a failed write (a full disk, say) leaves no file; the
                // loader reports the medium with the archive's reason.
                temp.failure_ = QNSTRING(e.what());
                temp.failureCode_ = QNEXCEPTION::ResultCode();
            }
        }
        temp.storage_.Close();
    } catch (const QNSTORAGE::EXC& e) {
        // A damaged chain of records: every medium fails alike, this one is named.
        const std::uint32_t code = QNEXCEPTION::ResultCode();
        temp.storage_.Close();
        temp.fromArchive_ = false;
        temp.medium_.Clear();
        throw QNSTORAGE::EXC(code, "Unable to read '%s' from the archive. %s", name.Text(),
                             e.what());
    } catch (...) {
        temp.storage_.Close();
        temp.fromArchive_ = false;
        temp.medium_.Clear();
        throw;
    }
    temp.path_ = path;
    return path;
}
