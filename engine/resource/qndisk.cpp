#include "engine/resource/qndisk.h"

#include "platform/system.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <ftw.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The pieces of a path as the runtime's splitter gives them: drive, folder (with its trailing
// separator), title and extension (with its dot).
struct Parts {
    std::string drive, folder, title, extension;
};

Parts Split(const char* text)
{
    Parts parts;
    std::string path = text;
    std::size_t at = 0;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        parts.drive = path.substr(0, 2);
        at = 2;
    }
    std::size_t lastSep = std::string::npos;
    for (std::size_t i = at; i < path.size(); ++i)
        if (IsSeparator(path[i]))
            lastSep = i;
    std::string name;
    if (lastSep != std::string::npos) {
        parts.folder = path.substr(at, lastSep + 1 - at);
        name = path.substr(lastSep + 1);
    } else {
        name = path.substr(at);
    }
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        parts.title = name.substr(0, dot);
        parts.extension = name.substr(dot);
    } else {
        parts.title = name;
    }
    return parts;
}

QNSTRING Make(const std::string& text)
{
    QNSTRING s(text);
    s.SetNoCase(true);
    return s;
}

std::string ToDisk(const char* text)
{
    std::string path = text;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// Function-local so that it exists before any static constructor of a user asks for it.
std::string& ProcessFolder()
{
    static std::string folder;
    return folder;
}

std::uint32_t tempCount = 0;

int RemoveEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP)
        ::rmdir(path);
    else
        ::unlink(path);
    return 0;
}

} // namespace

QNSTRING QNDISK::AddBackslash(const QNSTRING& path)
{
    if (path.IsEmpty())
        return QNSTRING();
    std::string text = path.Text();
    if (!IsSeparator(text.back()))
        text += '/';
    return Make(text);
}

QNSTRING QNDISK::FullPath(const QNSTRING& path)
{
    std::string text = ToDisk(path.Text());
    if (text.empty() || text[0] != '/') {
        char cwd[PATH_MAX];
        std::string base = getcwd(cwd, sizeof cwd) ? cwd : "/";
        text = base + "/" + text;
    }
    const bool trailing = text.size() > 1 && text.back() == '/';
    std::vector<std::string> elements;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == '/')
            ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != '/')
            ++j;
        const std::string element = text.substr(i, j - i);
        if (element == "..") {
            if (!elements.empty())
                elements.pop_back();
        } else if (!element.empty() && element != ".") {
            elements.push_back(element);
        }
        i = j;
    }
    std::string result;
    for (const std::string& e : elements)
        result += "/" + e;
    if (result.empty() || trailing)
        result += "/";
    return Make(result);
}

QNSTRING QNDISK::Drive(const QNSTRING& path) { return Make(Split(path.Text()).drive); }
QNSTRING QNDISK::Folder(const QNSTRING& path) { return Make(Split(path.Text()).folder); }
QNSTRING QNDISK::FileTitle(const QNSTRING& path) { return Make(Split(path.Text()).title); }
QNSTRING QNDISK::Extension(const QNSTRING& path) { return Make(Split(path.Text()).extension); }

QNSTRING QNDISK::Join(const QNSTRING& folder, const QNSTRING& name)
{
    return Make(std::string(AddBackslash(folder).Text()) + name.Text());
}

QNSTRING QNDISK::DefaultExtension(const QNSTRING& path, const QNSTRING& extension)
{
    if (!Split(path.Text()).extension.empty() || extension.IsEmpty())
        return Make(path.Text());
    std::string text = path.Text();
    if (extension.Text()[0] != '.')
        text += '.';
    return Make(text + extension.Text());
}

QNSTRING QNDISK::NumberedName(const QNSTRING& path, int index)
{
    Parts parts = Split(path.Text());
    if (index < 0 || parts.title.empty() || (parts.title[0] >= '0' && parts.title[0] <= '9'))
        return Make(path.Text());
    while (!parts.title.empty() && parts.title.back() >= '0' && parts.title.back() <= '9')
        parts.title.pop_back();
    if (index >= 1)
        parts.title += std::to_string(static_cast<long long>(index) + 1);
    return Make(parts.drive + parts.folder + parts.title + parts.extension);
}

QNSTRING QNDISK::DiskPath(const QNSTRING& path) { return Make(ToDisk(path.Text())); }

QNSTRING QNDISK::TempPath() { return Make(PlatformTempPath()); }

bool QNDISK::Exists(const QNSTRING& path)
{
    if (path.IsEmpty())
        return false;
    struct stat info;
    return ::stat(ToDisk(path.Text()).c_str(), &info) == 0;
}

void QNDISK::CreateFolders(const QNSTRING& path)
{
    const std::string text = ToDisk(path.Text());
    std::size_t i = 0;
    if (text.size() >= 2 && text[1] == ':')
        i = 2;
    while (i < text.size() && text[i] == '/')
        ++i;
    while (i < text.size()) {
        std::size_t j = i;
        while (j < text.size() && text[j] != '/')
            ++j;
        const std::string prefix = text.substr(0, j);
        struct stat info;
        if (::stat(prefix.c_str(), &info) != 0 && ::mkdir(prefix.c_str(), 0777) != 0) {
            PlatformSetLastError(errno);
            return;
        }
        i = j;
        while (i < text.size() && text[i] == '/')
            ++i;
    }
    PlatformSetLastError(0);
}

bool QNDISK::Delete(const QNSTRING& path, std::uint32_t)
{
    if (path.IsEmpty())
        return false;
    const std::string disk = ToDisk(path.Text());
    struct stat info;
    if (::lstat(disk.c_str(), &info) != 0)
        return errno == ENOENT;
    if (S_ISDIR(info.st_mode))
        ::nftw(disk.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    else
        ::unlink(disk.c_str());
    return ::lstat(disk.c_str(), &info) != 0;
}

std::string QNDISK::BuildNameList(const QNSTRING& list)
{
    std::string out;
    const char* p = list.Text();
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (!*p)
            break;
        std::string name;
        if (*p == '"') {
            for (++p; *p && *p != '"'; ++p)
                name += *p;
            if (*p == '"')
                ++p;
            while (*p && *p != ',' && *p != '\t')
                ++p;
        } else {
            for (; *p && *p != ',' && *p != '\t'; ++p)
                name += *p;
        }
        if (*p)
            ++p;
        if (name.empty())
            continue;
        if (out.capacity() < out.size() + name.size() + 2)
            out.reserve((out.size() + name.size() + 2 + 511) / 512 * 512);  // grows in steps of 512
        out += FullPath(QNSTRING(name.c_str())).Text();
        out += '\0';
    }
    if (!out.empty())
        out += '\0';
    return out;
}

namespace {

std::vector<std::string> SplitNameList(const std::string& buffer)
{
    std::vector<std::string> names;
    for (std::size_t at = 0; at < buffer.size() && buffer[at] != '\0';) {
        const std::size_t end = buffer.find('\0', at);
        names.push_back(buffer.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

bool CopyOrMove(const std::filesystem::path& from, const std::filesystem::path& to, bool move)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(from, ec)))
        return false;
    if (move) {
        fs::rename(from, to, ec);
        if (!ec)
            return true;
        ec.clear();  // another file system: copy, then delete
    }
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec)
        return false;
    return !move || fs::remove_all(from, ec) != static_cast<std::uintmax_t>(-1);
}

}  // namespace

bool QNDISK::ShellOperation(std::uint32_t function, const QNSTRING& sources, const QNSTRING& destinations,
                            std::uint32_t flags)
{
    namespace fs = std::filesystem;
    const std::vector<std::string> from = SplitNameList(BuildNameList(sources));
    const std::vector<std::string> to = SplitNameList(BuildNameList(destinations));
    bool ok = true;
    switch (function) {
    case kDelete:
        for (const std::string& name : from)
            ok = Delete(QNSTRING(name.c_str())) && ok;
        return ok;
    case kRename:
    case kMove:
    case kCopy: {
        const bool pairwise = function == kRename || (flags & kMultipleDestinations);
        if (pairwise ? to.size() != from.size() : to.size() != 1)
            return false;
        std::error_code ec;
        const bool intoFolder = !pairwise && (from.size() > 1 || fs::is_directory(to[0], ec));
        if (intoFolder)
            fs::create_directories(to[0], ec);
        for (std::size_t i = 0; i < from.size(); ++i) {
            const fs::path source(from[i]);
            const fs::path target = intoFolder ? fs::path(to[0]) / source.filename() : fs::path(to[pairwise ? i : 0]);
            if (function == kRename) {
                fs::rename(source, target, ec);
                ok = !ec && ok;
            } else {
                ok = CopyOrMove(source, target, function == kMove) && ok;
            }
        }
        return ok;
    }
    default:
        return false;
    }
}

void QNDISK::MakeTempFolder()
{
    std::string& processFolder = ProcessFolder();
    if (!processFolder.empty() && Exists(QNSTRING(processFolder)))
        return;
    const std::string base = PlatformTempPath() + "quennet";
    // Only "quennet" itself: a missing temporary path is not ours to create.
    ::mkdir(base.c_str(), 0777);
    // mkdtemp picks a name no other process holds, even one left behind by a crashed run
    // whose process id has since been reused.
    const std::string tag = "p" + std::to_string(PlatformProcessId()) + "-XXXXXX";
    std::string pattern = base + "/" + tag;
    if (!::mkdtemp(pattern.data())) {
        // "quennet" may belong to another user; a folder of our own beside it will do.
        pattern = base + "-" + tag;
        if (!::mkdtemp(pattern.data())) {
            PlatformSetLastError(errno);
            processFolder.clear();
            return;
        }
    }
    processFolder = pattern + "/";
    PlatformSetLastError(0);
}

QNSTRING QNDISK::TempFolder()
{
    MakeTempFolder();
    return Make(ProcessFolder());
}

void QNDISK::RemoveTempFolder()
{
    std::string& processFolder = ProcessFolder();
    if (processFolder.empty())
        return;
    Delete(QNSTRING(processFolder));
    processFolder.clear();
    // Succeeds only when no other process keeps a folder there.
    ::rmdir((PlatformTempPath() + "quennet").c_str());
}

std::uint32_t QNDISK::TempFileCount() { return tempCount; }

// Raised by MakeTempFile (qntempfile.cpp) for each copy it names.
std::uint32_t QnNextTempFileNumber() { return tempCount++; }
