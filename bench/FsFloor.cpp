// The file-system floor of a library: the least work a conversion must do
// for each route once its KML exists. It reads the route file whole and
// deflates the KML into NAME.kmz (under a temporary name, synced, then
// renamed). Parsing, building the KML, the archive's headers and CRC are left
// out.
//
//   bench_fs_floor REPETITIONS TARGET_FOLDER ROUTE.rte:ROUTE.kml...
//
// ROUTE.kml holds the bytes rte2kmz wrote for ROUTE.rte; all of them are read
// before the clock starts. Prints the median, over the repetitions, of the
// seconds taken for all routes.

#include "RawDeflate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// A file's bytes, as a conversion must have them before it parses.
struct Bytes {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
};

struct Route {
    std::string rtePath;
    Bytes kml;
    std::string kmzPath;
};

[[noreturn]] void Fail(const char* what, const std::string& path)
{
    std::fprintf(stderr, "bench_fs_floor: cannot %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    std::exit(1);
}

Bytes ReadWhole(const std::string& path)
{
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info{};
    if (handle < 0 || ::fstat(handle, &info) != 0)
        Fail("read", path);
    const auto capacity = static_cast<std::size_t>(info.st_size);
    Bytes bytes{std::make_unique_for_overwrite<char[]>(capacity)};
    while (bytes.size < capacity) {
        const ssize_t count = ::read(handle, bytes.data.get() + bytes.size, capacity - bytes.size);
        if (count < 0)
            Fail("read", path);
        if (count == 0)
            break;
        bytes.size += static_cast<std::size_t>(count);
    }
    ::close(handle);
    return bytes;
}

// A new file in a folder under a temporary name, until it takes its own.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& folder)
        : fPath(folder + "/.~rcXXXXXX")
        , fHandle(::mkostemp(fPath.data(), O_CLOEXEC))
    {
        if (fHandle < 0)
            Fail("create", fPath);
    }

    void Write(const void* data, std::size_t size)
    {
        const char* next = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t count = ::write(fHandle, next, size);
            if (count < 0)
                Fail("write", fPath);
            next += count;
            size -= static_cast<std::size_t>(count);
        }
    }

    void Sync()
    {
        if (::fsync(fHandle) != 0)
            Fail("sync", fPath);
    }

    void CloseAs(const std::string& path)
    {
        if (::close(fHandle) != 0 || ::rename(fPath.c_str(), path.c_str()) != 0)
            Fail("rename", fPath);
    }

private:
    std::string fPath;
    int fHandle;
};

void Convert(const Route& route, const std::string& folder)
{
    ReadWhole(route.rtePath);

    TemporaryFile kmz(folder);
    const auto write = [&](const Bytef* data, std::size_t size) { kmz.Write(data, size); };
    if (!RawDeflate({route.kml.data.get(), route.kml.size}, write))
        Fail("deflate", route.kmzPath);
    kmz.Sync();
    kmz.CloseAs(route.kmzPath);
}

// The route named by `pair` (ROUTE.rte:ROUTE.kml), its KML read, its outputs in `folder`.
Route LoadRoute(const std::string& pair, const std::string& folder)
{
    const auto colon = pair.rfind(':');
    const std::string rtePath = pair.substr(0, colon);
    const std::string stem = folder + "/" + std::filesystem::path(rtePath).stem().string();
    return {rtePath, ReadWhole(pair.substr(colon + 1)), stem + ".kmz"};
}

bool IsPair(const char* argument)
{
    const char* colon = std::strrchr(argument, ':');
    return colon && colon != argument && colon[1] != '\0';
}

} // namespace

int main(int argc, char* argv[])
{
    const int repetitions = argc > 3 ? std::atoi(argv[1]) : 0;
    if (repetitions < 1 || !std::all_of(argv + 3, argv + argc, IsPair)) {
        std::fputs("Usage: bench_fs_floor REPETITIONS TARGET_FOLDER ROUTE.rte:ROUTE.kml...\n", stderr);
        return 2;
    }
    const std::string folder = argv[2];
    std::vector<Route> routes;
    for (int i = 3; i < argc; ++i)
        routes.push_back(LoadRoute(argv[i], folder));

    std::vector<double> seconds;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        for (const Route& route : routes)
            Convert(route, folder);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::ranges::sort(seconds);
    std::printf("%.6f\n", seconds[seconds.size() / 2]);
    return 0;
}
