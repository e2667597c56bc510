#pragma once

#include <sys/resource.h>

#include <csignal>

// Makes writes beyond a file size fail as on a full disk (EFBIG), for this
// process only, and restores the old limit on leaving the scope.
class FileSizeLimitScope {
public:
    explicit FileSizeLimitScope(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &fOld);
        fOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, fOld.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
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
