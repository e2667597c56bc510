#include "platform/FolderListing.h"

#ifdef Q_OS_WIN
#include "platform/WindowsFiles.h"

#include <QDir>

namespace {

// A link to a file is judged by its target, which opening the link reaches.
TEntryKind LinkKind(const std::wstring& path)
{
    const auto target = FileInformation(path, true);
    if (!target)
        return TEntryKind::etDangling;
    return target->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? TEntryKind::etFolderLink : TEntryKind::etFile;
}

} // namespace

TFolderListing ListFolder(const QString& folder)
{
    std::wstring base = QDir::toNativeSeparators(folder).toStdWString();
    if (!base.empty() && base.back() != L'\\' && base.back() != L':')
        base += L'\\';
    WIN32_FIND_DATAW found{};
    const HANDLE search =
        FindFirstFileExW((base + L'*').c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return {{}, qt_error_string()};
    TFolderListing listing;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        TEntryKind kind = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? TEntryKind::etFolder : TEntryKind::etFile;
        if (IsLink(found))
            kind = kind == TEntryKind::etFolder ? TEntryKind::etFolderLink : LinkKind(base + name);
        listing.entries.append({{QString::fromStdWString(name)}, kind});
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES)
        return {{}, qt_error_string(int(error))};
    return listing;
}

#else
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {

TEntryKind KindOf(mode_t mode, bool throughLink)
{
    if (S_ISREG(mode))
        return TEntryKind::etFile;
    if (S_ISDIR(mode))
        return throughLink ? TEntryKind::etFolderLink : TEntryKind::etFolder;
    return TEntryKind::etOther;
}

TEntryKind EntryKind(int folder, const char* name)
{
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return TEntryKind::etDangling;
    if (!S_ISLNK(status.st_mode))
        return KindOf(status.st_mode, false);
    if (::fstatat(folder, name, &status, 0) != 0)
        return TEntryKind::etDangling;
    return KindOf(status.st_mode, true);
}

struct CloseDir {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

} // namespace

TFolderListing ListFolder(const QString& folder)
{
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0)
        return {{}, qt_error_string(errno)};
    const std::unique_ptr<DIR, CloseDir> dir(::fdopendir(handle));
    if (!dir) {
        const int error = errno;
        ::close(handle);
        return {{}, qt_error_string(error)};
    }
    TFolderListing listing;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            break;
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        listing.entries.append({DecodeSystemName(name), EntryKind(::dirfd(dir.get()), entry->d_name)});
    }
    if (errno != 0)
        return {{}, qt_error_string(errno)};
    return listing;
}

#endif
