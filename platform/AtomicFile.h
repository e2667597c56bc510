#pragma once

#include "platform/DeviceError.h"

#include <QFile>
#include <QString>

#include <string>

// A new file, written in its target's folder without a name (or, where the
// file system cannot make such files, under a short temporary name of its
// own), that takes the target's name only on Commit. It then replaces
// whatever entry had that name: a link is replaced, never written through.
// Without a commit nothing of it is left, also when the program is ended by
// a signal (Ctrl+C on Windows) once CleanUpOnSignals has run. A file that
// replaces another has its permissions (a new one gets the umask's, or on
// Windows its folder's) and, on Windows, its attributes hidden and system.
// Commit needs no memory, so memory that runs out cannot leave a temporary
// file behind. On Windows every file is written under a temporary name. A
// write that fails raises "Cannot create file "%s". %s" with the target's
// name.
class TAtomicFile : public QFile, public TFailingDevice {
public:
    explicit TAtomicFile(const QString& path);
    ~TAtomicFile() override;
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    const QString& Path() const { return fPath; }

    // Makes the file, open for writing and reading back. False, with
    // errorString(), when it cannot be made, or when the target's name is a
    // folder's, which the file could never take.
    bool Create();
    // Writes out what is buffered, syncs the file to disk and gives it its
    // name; the file stays open. False, with errorString(), when any of that
    // failed; the target is then as it was.
    bool Commit();
    // Writes out what is buffered; a full disk takes part of it and tells
    // why only on the next attempt, so this tries again while it takes some.
    bool FlushFully();
    [[noreturn]] void RaiseFailure() override;

private:
    bool Fail(int error);
    bool TakeTemporaryName(int handle);
    void DropTemporaryName();
    void KeepPermissionsOfTarget();

#ifdef Q_OS_WIN
    using TNativePath = std::wstring;
#else
    using TNativePath = std::string;
#endif

    QString fPath;
    TNativePath fNativePath;
    TNativePath fNativeTemporary; // room for a temporary name beside the target
    bool fHasTemporaryName = false;
    int fHandle = -1;      // a file descriptor (on Windows the C library's)
    unsigned fMode = 0666; // before the umask
};

// From now on SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGUSR1 and SIGUSR2
// remove the temporary names of the files in progress before the program
// ends as the signal would end it; one that was ignored when the program
// started stays ignored. SIGPIPE and SIGXFSZ are ignored, so that a closed
// pipe or a file-size limit fails the write that meets it. On Windows Ctrl+C,
// Ctrl+Break and closing the console do the same, ending the program with
// STATUS_CONTROL_C_EXIT, unless it was started with Ctrl+C ignored.
void CleanUpOnSignals();
