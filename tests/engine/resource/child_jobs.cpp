// Child-process jobs of the resource tests. The test program runs itself again with a job in
// QN_RESOURCE_CHILD; the job runs before any test and exits with its result.
//   tempfolder:<out file>:<parent folder>  writes this process's temp folder to <out file>,
//                                          removes it, and checks <parent folder> survived
//   self:<dest folder>                     exports "media\self\hello.txt" from the archive
//                                          appended to this program's own file

#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

int TempFolderJob(const std::string& args)
{
    const std::size_t colon = args.find(':');
    const std::string out = args.substr(0, colon);
    const std::string parent = args.substr(colon + 1);
    const std::string mine = QNDISK::TempFolder().Text();
    std::FILE* f = std::fopen(out.c_str(), "wb");
    if (!f)
        return 3;
    std::fputs(mine.c_str(), f);
    std::fclose(f);
    if (mine.empty() || mine == parent || access(mine.c_str(), F_OK) != 0)
        return 4;
    QNDISK::RemoveTempFolder();
    if (access(mine.c_str(), F_OK) == 0)
        return 5;
    return access(parent.c_str(), F_OK) == 0 ? 0 : 6;
}

int SelfJob(const std::string& dest)
{
    try {
        QNSTORAGE::SetArchive("*");
        QNSTORAGE storage;
        storage.Open(QNSTORAGE::Archive().Text());
        if (!storage.Find(QNSTRING("MEDIA\\Self\\HELLO.TXT")))
            return 7;
        storage.Export(true, QNSTRING(dest.c_str()), true);
        storage.Close();
        return 0;
    } catch (...) {
        return 8;
    }
}

struct ChildJob {
    ChildJob()
    {
        const char* job = std::getenv("QN_RESOURCE_CHILD");
        if (!job)
            return;
        const std::string text = job;
        int code = 2;
        if (text.rfind("tempfolder:", 0) == 0)
            code = TempFolderJob(text.substr(11));
        else if (text.rfind("self:", 0) == 0)
            code = SelfJob(text.substr(5));
        std::fflush(nullptr);
        _exit(code);
    }
} childJob;

} // namespace
