#pragma once

#include <sys/resource.h>

#include <csignal>

// Makes writes beyond a file size fail as on a full disk (EFBIG) from now on,
// for this process and the programs it starts. Safe in a child process
// between fork and exec.
inline void LimitFileSize(rlim_t bytes)
{
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
}

// The same for this process only, restoring the old limit on leaving the scope.
class FileSizeLimitScope {
public:
    explicit FileSizeLimitScope(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &fOld);
        fOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        LimitFileSize(bytes);
    }
    ~FileSizeLimitScope()
    {
        setrlimit(RLIMIT_FSIZE, &fOld);
        std::signal(SIGXFSZ, fOldHandler);
    }
    FileSizeLimitScope(const FileSizeLimitScope&) = delete;
    FileSizeLimitScope& operator=(const FileSizeLimitScope&) = delete;

private:
    rlimit fOld{};
    void (*fOldHandler)(int) = nullptr;
};
