#include "platform/AtomicFile.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {

// Short enough to fit wherever the target's own name fits.
constexpr char kTemporaryPrefix[] = ".~rc";
constexpr int kRandomLetters = 6;
constexpr int kAttempts = 100;
constexpr mode_t kPermissionBits = 0777;

bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// The temporary names in use, for the signal handler: a run has an archive
// and its document in progress at most, a few slots leave room.
std::array<std::atomic<const char*>, 8> gTemporaryNames{};

void Register(const char* name)
{
    for (auto& slot : gTemporaryNames) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, name))
            return;
    }
}

void Unregister(const char* name)
{
    for (auto& slot : gTemporaryNames) {
        const char* expected = name;
        if (slot.compare_exchange_strong(expected, nullptr))
            return;
    }
}

// The signals that end a program by default and that a user or a system
// sends to end it: each removes the temporary names before the end.
constexpr std::array kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1, SIGUSR2};

extern "C" void RemoveTemporaryNamesAndEnd(int signal)
{
    for (auto& slot : gTemporaryNames) {
        if (const char* name = slot.exchange(nullptr))
            ::unlink(name);
    }
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

} // namespace

TAtomicFile::TAtomicFile(const QString& path)
    : fPath(path),
      fNativePath(QFile::encodeName(path)),
      fNativeFolder(QFile::encodeName(QFileInfo(path).path())),
      fNativeTemporary(fNativeFolder + '/' + kTemporaryPrefix + QByteArray(kRandomLetters, 'X'))
{
}

TAtomicFile::~TAtomicFile()
{
    close();
    if (fHandle >= 0)
        ::close(fHandle);
    DropTemporaryName();
}

bool TAtomicFile::Fail(int error)
{
    setErrorString(qt_error_string(error));
    return false;
}

// Gives the file a fresh temporary name, written in place: by creating it
// when there is no file yet (handle -1), else by linking the unnamed file.
// The handle of a created file is left in fHandle.
bool TAtomicFile::TakeTemporaryName(int handle)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    const std::array<char, 32> self = HandlePath(handle);
    char* const letters = fNativeTemporary.data() + fNativeTemporary.size() - kRandomLetters;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        for (int i = 0; i < kRandomLetters; ++i)
            letters[i] = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        // Before the name exists, so that no signal finds it made but unknown.
        Register(fNativeTemporary.constData());
        const bool made = handle >= 0
                              ? ::linkat(AT_FDCWD, self.data(), AT_FDCWD, fNativeTemporary.constData(),
                                         AT_SYMLINK_FOLLOW) == 0
                              : (fHandle = ::open(fNativeTemporary.constData(),
                                                  O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, fMode)) >= 0;
        if (made) {
            fHasTemporaryName = true;
            return true;
        }
        const int error = errno;
        Unregister(fNativeTemporary.constData());
        if (error != EEXIST)
            return Fail(error);
    }
    return Fail(EEXIST);
}

void TAtomicFile::DropTemporaryName()
{
    if (!fHasTemporaryName)
        return;
    ::unlink(fNativeTemporary.constData());
    Unregister(fNativeTemporary.constData());
    fHasTemporaryName = false;
}

bool TAtomicFile::Create() { return Make(true); }

bool TAtomicFile::CreateUnnamed() { return Make(false); }

bool TAtomicFile::Make(bool willTakeName)
{
    if (willTakeName) {
        struct stat target {};
        if (::lstat(fNativePath.constData(), &target) == 0) {
            // Fail before anything is written rather than at the commit.
            if (S_ISDIR(target.st_mode))
                return Fail(EISDIR);
            // A private file's replacement is never readable by others, not even while it is written.
            if (S_ISREG(target.st_mode))
                fMode = target.st_mode & kPermissionBits;
        }
    }
    fHandle = ::open(fNativeFolder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, fMode);
    if (fHandle < 0 && !NoUnnamedFiles(errno))
        return Fail(errno);
    // Without /proc (a chroot, a small container) such a file could never take a name.
    if (fHandle >= 0 && willTakeName && !CanLinkHandle(fHandle)) {
        ::close(fHandle);
        fHandle = -1;
    }
    if (fHandle < 0 && !TakeTemporaryName(-1))
        return false;
    return open(fHandle, QIODevice::ReadWrite, QFileDevice::DontCloseHandle);
}

bool TAtomicFile::FlushFully()
{
    for (qint64 left = bytesToWrite(); !flush(); left = bytesToWrite()) {
        if (bytesToWrite() == left)
            return false;
    }
    return true;
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
    if (::rename(fNativeTemporary.constData(), fNativePath.constData()) != 0) {
        const int error = errno;
        DropTemporaryName();
        return Fail(error);
    }
    Unregister(fNativeTemporary.constData());
    fHasTemporaryName = false;
    return true;
}

// The replacement of a file has its permissions, whatever the umask: a file
// the user made private stays private. Where the file system has no
// permissions of its own (FAT) there is nothing to keep.
void TAtomicFile::KeepPermissionsOfTarget()
{
    struct stat target {};
    if (::lstat(fNativePath.constData(), &target) == 0 && S_ISREG(target.st_mode))
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
