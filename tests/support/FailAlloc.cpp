// Preloaded into a program under test (LD_PRELOAD), this makes one memory
// allocation fail, as when memory runs out at that very moment. Counting
// starts with the program's first write to standard output, so that its
// start-up is left alone:
//   FAIL_ALLOC_AT=N       the N-th allocation from then on returns null (1 is the first)
//   FAIL_ALLOC_COUNT=FILE the number of allocations from then on is written there at exit
// Nothing else changes: every other allocation is the C library's own.

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<bool> gArmed{false};
std::atomic<long> gCount{0};

long FailAt()
{
    static const long at = [] {
        const char* text = std::getenv("FAIL_ALLOC_AT");
        return text ? std::strtol(text, nullptr, 10) : 0L;
    }();
    return at;
}

// Counts the allocation and tells whether it is the one to fail.
bool Fails()
{
    if (!gArmed.load(std::memory_order_relaxed))
        return false;
    const long n = gCount.fetch_add(1, std::memory_order_relaxed) + 1;
    if (n != FailAt())
        return false;
    errno = ENOMEM;
    return true;
}

__attribute__((destructor)) void WriteCount()
{
    const char* path = std::getenv("FAIL_ALLOC_COUNT");
    if (!path)
        return;
    char text[32];
    const int length = std::snprintf(text, sizeof text, "%ld\n", gCount.load());
    const int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return;
    if (write(fd, text, static_cast<std::size_t>(length)) != length)
        std::perror("FAIL_ALLOC_COUNT");
    close(fd);
}

} // namespace

extern "C" {

void* malloc(std::size_t size) noexcept { return Fails() ? nullptr : __libc_malloc(size); }
void* calloc(std::size_t count, std::size_t size) noexcept { return Fails() ? nullptr : __libc_calloc(count, size); }
void* realloc(void* block, std::size_t size) noexcept { return Fails() ? nullptr : __libc_realloc(block, size); }
void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    return Fails() ? nullptr : __libc_memalign(alignment, size);
}
int posix_memalign(void** block, std::size_t alignment, std::size_t size) noexcept
{
    if (Fails())
        return ENOMEM;
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *block = p;
    return 0;
}

std::size_t fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* stream)
{
    using Fwrite = std::size_t (*)(const void*, std::size_t, std::size_t, std::FILE*);
    static const auto next = reinterpret_cast<Fwrite>(dlsym(RTLD_NEXT, "fwrite"));
    if (stream == stdout)
        gArmed.store(true, std::memory_order_relaxed);
    return next(data, size, count, stream);
}

} // extern "C"
