#include "platform/AtomicFile.h"

#include "platform/Error.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <array>
#include <atomic>

#ifdef Q_OS_WIN
#include <QDir>

#include <qt_windows.h>
#include <aclapi.h>
#include <io.h>

#include <fcntl.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#endif

namespace {

// Short enough to fit wherever the target's own name fits.
constexpr int kRandomLetters = 6;
constexpr int kAttempts = 100;

// Fills the last letters of a temporary name with a fresh choice.
template <typename Char>
void ChooseLetters(std::basic_string<Char>& name)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (auto letter = name.end() - kRandomLetters; letter != name.end(); ++letter)
        *letter = static_cast<Char>(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
}

// The temporary names in use, for the handler that removes them when the
// program is ended: a run has an archive and its document in progress at
// most, a few slots leave room.
template <typename Char>
class TNameRegistry {
public:
    void Register(const Char* name)
    {
        for (auto& slot : fNames) {
            const Char* empty = nullptr;
            if (slot.compare_exchange_strong(empty, name))
                return;
        }
    }
    void Unregister(const Char* name)
    {
        for (auto& slot : fNames) {
            const Char* expected = name;
            if (slot.compare_exchange_strong(expected, nullptr))
                return;
        }
    }
    // Safe in a signal handler.
    template <typename Remove>
    void RemoveAll(Remove remove)
    {
        for (auto& slot : fNames) {
            if (const Char* name = slot.exchange(nullptr))
                remove(name);
        }
    }

private:
    std::array<std::atomic<const Char*>, 8> fNames{};
};

} // namespace

void TAtomicFile::RaiseFailure() { throw Error::CannotCreateFile(fPath, errorString()); }

bool TAtomicFile::Fail(int error)
{
    setErrorString(qt_error_string(error));
    return false;
}

bool TAtomicFile::FlushFully()
{
    for (qint64 left = bytesToWrite(); !flush(); left = bytesToWrite()) {
        if (bytesToWrite() == left)
            return false;
    }
    return true;
}

#ifdef Q_OS_WIN

namespace {

constexpr wchar_t kTemporaryPrefix[] = L".~rc";

TNameRegistry<wchar_t> gTemporaryNames;

BOOL WINAPI RemoveTemporaryNamesAndEnd(DWORD)
{
    // A file still open goes when its handle closes, as the program ends.
    gTemporaryNames.RemoveAll([](const wchar_t* name) { DeleteFileW(name); });
    // The status Windows gives a program that Ctrl+C ends; said here, since
    // not every system's own handler says it (Wine's ends with 0).
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

std::wstring NativePath(const QString& path) { return QDir::toNativeSeparators(path).toStdWString(); }

HANDLE NativeHandle(int descriptor) { return reinterpret_cast<HANDLE>(_get_osfhandle(descriptor)); }

// The attributes a user sets on a file of theirs and expects to stay.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

} // namespace

TAtomicFile::TAtomicFile(const QString& path)
    : fPath(path),
      fNativePath(NativePath(path)),
      fNativeTemporary(NativePath(QFileInfo(path).path()) + L'\\' + kTemporaryPrefix
                       + std::wstring(kRandomLetters, L'X'))
{
}

TAtomicFile::~TAtomicFile()
{
    close();
    if (fHandle >= 0)
        _close(fHandle);
    DropTemporaryName();
}

// Creates the file under a fresh temporary name (there is no file without
// one to link, so `handle` is always -1); its descriptor is left in fHandle.
// The name is registered before it exists, so that no Ctrl+C finds it made
// but unknown.
bool TAtomicFile::TakeTemporaryName(int handle)
{
    Q_ASSERT(handle < 0);
    // Shared for deletion, so that it can be renamed while open; asking no
    // deletion itself, so that others can open it once it has its name.
    constexpr DWORD kShared = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    constexpr DWORD kAccess = GENERIC_READ | GENERIC_WRITE | WRITE_DAC;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        ChooseLetters(fNativeTemporary);
        gTemporaryNames.Register(fNativeTemporary.c_str());
        const HANDLE handle =
            CreateFileW(fNativeTemporary.c_str(), kAccess, kShared, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            fHasTemporaryName = true;
            fHandle = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR | _O_BINARY);
            if (fHandle < 0) {
                CloseHandle(handle);
                DropTemporaryName();
                return Fail(ERROR_TOO_MANY_OPEN_FILES);
            }
            return true;
        }
        const DWORD error = GetLastError();
        gTemporaryNames.Unregister(fNativeTemporary.c_str());
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return Fail(int(error));
    }
    return Fail(ERROR_FILE_EXISTS);
}

void TAtomicFile::DropTemporaryName()
{
    if (!fHasTemporaryName)
        return;
    DeleteFileW(fNativeTemporary.c_str());
    gTemporaryNames.Unregister(fNativeTemporary.c_str());
    fHasTemporaryName = false;
}

bool TAtomicFile::Create()
{
    // Fail before anything is written rather than at the commit.
    const DWORD target = GetFileAttributesW(fNativePath.c_str());
    if (target != INVALID_FILE_ATTRIBUTES && (target & FILE_ATTRIBUTE_DIRECTORY)
        && !(target & FILE_ATTRIBUTE_REPARSE_POINT))
        return Fail(ERROR_ACCESS_DENIED); // as the system says of a folder opened as a file
    if (!TakeTemporaryName(-1))
        return false;
    return open(fHandle, QIODevice::ReadWrite, QFileDevice::DontCloseHandle);
}

bool TAtomicFile::Commit()
{
    if (!isOpen() || !FlushFully())
        return false;
    const HANDLE handle = NativeHandle(fHandle);
    if (!FlushFileBuffers(handle))
        return Fail(int(GetLastError()));
    KeepPermissionsOfTarget();
    // A link in the target's place is replaced, not followed.
    if (!MoveFileExW(fNativeTemporary.c_str(), fNativePath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DropTemporaryName();
        return Fail(int(error));
    }
    gTemporaryNames.Unregister(fNativeTemporary.c_str());
    fHasTemporaryName = false;
    return true;
}

// The replacement of a file has its access control list and the attributes
// the user set; what cannot be taken over leaves the folder's.
void TAtomicFile::KeepPermissionsOfTarget()
{
    const DWORD attributes = GetFileAttributesW(fNativePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return;
    const HANDLE handle = NativeHandle(fHandle);
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        basic.FileAttributes = (attributes & kKeptAttributes) | FILE_ATTRIBUTE_ARCHIVE;
        SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
    }
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(fNativePath.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &access, nullptr, &descriptor)
        != ERROR_SUCCESS)
        return;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    const SECURITY_INFORMATION inheritance =
        (control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION;
    SetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | inheritance, nullptr, nullptr, access, nullptr);
    LocalFree(descriptor);
}

void CleanUpOnSignals()
{
    // A program started with Ctrl+C ignored never sees it here either.
    SetConsoleCtrlHandler(RemoveTemporaryNamesAndEnd, TRUE);
}

#else

namespace {

constexpr char kTemporaryPrefix[] = ".~rc";
constexpr mode_t kPermissionBits = 0777;

TNameRegistry<char> gTemporaryNames;

bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The signals that end a program by default and that a user or a system
// sends to end it: each removes the temporary names before the end.
constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};

extern "C" void RemoveTemporaryNamesAndEnd(int signal)
{
    gTemporaryNames.RemoveAll([](const char* name) { ::unlink(name); });
    // The handler was reset on entry and the signal is blocked until it
    // returns: raised again, it then ends the program as it would have.
    ::raise(signal);
}

// The name by which an open file, named or not, can be linked.
std::array<char, 32> HandlePath(int handle)
{
    std::array<char, 32> path{};
    std::snprintf(path.data(), path.size(), "/proc/self/fd/%d", handle);
    return path;
}

// Whether the running system lets an unnamed file be linked by its handle.
bool CanLinkHandle(int handle) { return ::access(HandlePath(handle).data(), F_OK) == 0; }

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

} // namespace

TAtomicFile::TAtomicFile(const QString& path)
    : fPath(path),
      fNativePath(NativePath(path)),
      fNativeTemporary(NativePath(QFileInfo(path).path()) + '/' + kTemporaryPrefix + std::string(kRandomLetters, 'X'))
{
}

TAtomicFile::~TAtomicFile()
{
    close();
    if (fHandle >= 0)
        ::close(fHandle);
    DropTemporaryName();
}

// Gives the file a fresh temporary name, written in place: by creating it
// when there is no file yet (handle -1), else by linking the unnamed file.
// The handle of a created file is left in fHandle. The name is registered
// before it exists, so that no signal finds it made but unknown.
bool TAtomicFile::TakeTemporaryName(int handle)
{
    const std::array<char, 32> self = HandlePath(handle);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        ChooseLetters(fNativeTemporary);
        gTemporaryNames.Register(fNativeTemporary.c_str());
        const bool made = handle >= 0
                              ? ::linkat(AT_FDCWD, self.data(), AT_FDCWD, fNativeTemporary.c_str(),
                                         AT_SYMLINK_FOLLOW) == 0
                              : (fHandle = ::open(fNativeTemporary.c_str(),
                                                  O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, fMode)) >= 0;
        if (made) {
            fHasTemporaryName = true;
            return true;
        }
        const int error = errno;
        gTemporaryNames.Unregister(fNativeTemporary.c_str());
        if (error != EEXIST)
            return Fail(error);
    }
    return Fail(EEXIST);
}

void TAtomicFile::DropTemporaryName()
{
    if (!fHasTemporaryName)
        return;
    ::unlink(fNativeTemporary.c_str());
    gTemporaryNames.Unregister(fNativeTemporary.c_str());
    fHasTemporaryName = false;
}

bool TAtomicFile::Create()
{
    struct stat target {};
    if (::lstat(fNativePath.c_str(), &target) == 0) {
        // Fail before anything is written rather than at the commit.
        if (S_ISDIR(target.st_mode))
            return Fail(EISDIR);
        // A private file's replacement is never readable by others, not even while it is written.
        if (S_ISREG(target.st_mode))
            fMode = target.st_mode & kPermissionBits;
    }
    const std::string folder = NativePath(QFileInfo(fPath).path());
    fHandle = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, fMode);
    if (fHandle < 0 && !NoUnnamedFiles(errno))
        return Fail(errno);
    // Without /proc (a chroot, a small container) such a file could never take a name.
    if (fHandle >= 0 && !CanLinkHandle(fHandle)) {
        ::close(fHandle);
        fHandle = -1;
    }
    if (fHandle < 0 && !TakeTemporaryName(-1))
        return false;
    return open(fHandle, QIODevice::ReadWrite, QFileDevice::DontCloseHandle);
}

bool TAtomicFile::Commit()
{
    if (!isOpen() || !FlushFully())
        return false;
    KeepPermissionsOfTarget();
    if (::fsync(fHandle) != 0)
        return Fail(errno);
    // A link cannot replace an entry, so an unnamed file gets a temporary name first.
    if (!fHasTemporaryName && !TakeTemporaryName(fHandle))
        return false;
    if (::rename(fNativeTemporary.c_str(), fNativePath.c_str()) != 0) {
        const int error = errno;
        DropTemporaryName();
        return Fail(error);
    }
    gTemporaryNames.Unregister(fNativeTemporary.c_str());
    fHasTemporaryName = false;
    return true;
}

// The replacement of a file has its permissions, whatever the umask: a file
// the user made private stays private. Where the file system has no
// permissions of its own (FAT) there is nothing to keep.
void TAtomicFile::KeepPermissionsOfTarget()
{
    struct stat target {};
    if (::lstat(fNativePath.c_str(), &target) == 0 && S_ISREG(target.st_mode))
        ::fchmod(fHandle, target.st_mode & kPermissionBits);
}

void CleanUpOnSignals()
{
    struct sigaction removeAndEnd {};
    removeAndEnd.sa_handler = RemoveTemporaryNamesAndEnd;
    removeAndEnd.sa_flags = SA_RESETHAND;
    sigemptyset(&removeAndEnd.sa_mask);
    for (const int signal : kEndingSignals)
        sigaddset(&removeAndEnd.sa_mask, signal);
    for (const int signal : kEndingSignals) {
        struct sigaction before {};
        // What was ignored when the program started stays ignored (nohup, a
        // shell's background job).
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            ::sigaction(signal, &removeAndEnd, nullptr);
    }
    // A closed pipe or a file-size limit makes the write fail with its
    // reason, which ends the run cleanly, instead of ending it unannounced.
    for (const int signal : {SIGPIPE, SIGXFSZ})
        std::signal(signal, SIG_IGN);
}

#endif
