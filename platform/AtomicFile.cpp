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

extern "C" void RemoveTemporaryNamesAndEnd(int signal)
{
    for (auto& slot : gTemporaryNames) {
        if (const char* name = slot.exchange(nullptr))
            ::unlink(name);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

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
    std::array<char, 32> self{};
    if (handle >= 0)
        std::snprintf(self.data(), self.size(), "/proc/self/fd/%d", handle);
    char* const letters = fNativeTemporary.data() + fNativeTemporary.size() - kRandomLetters;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        for (int i = 0; i < kRandomLetters; ++i)
            letters[i] = kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        const bool made = handle >= 0
                              ? ::linkat(AT_FDCWD, self.data(), AT_FDCWD, fNativeTemporary.constData(),
                                         AT_SYMLINK_FOLLOW) == 0
                              : (fHandle = ::open(fNativeTemporary.constData(),
                                                  O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0666)) >= 0;
        if (made) {
            // Only now: a name taken by another file must never be removed.
            Register(fNativeTemporary.constData());
            fHasTemporaryName = true;
            return true;
        }
        if (errno != EEXIST)
            return Fail(errno);
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
    // Fail before anything is written rather than at the commit.
    struct stat target {};
    if (willTakeName && ::lstat(fNativePath.constData(), &target) == 0 && S_ISDIR(target.st_mode))
        return Fail(EISDIR);
    fHandle = ::open(fNativeFolder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fHandle < 0 && !NoUnnamedFiles(errno))
        return Fail(errno);
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

void CleanUpOnSignals()
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, RemoveTemporaryNamesAndEnd);
}
