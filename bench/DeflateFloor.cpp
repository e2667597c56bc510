// The floor under the conversion: raw deflate of KML bytes already in memory,
// with the archive writer's zlib settings and output buffer, and nothing else
// (no reading, no parsing, no CRC, no writing).
//
//   bench_deflate_floor REPETITIONS FILE...
//
// Each file is one deflate stream. Prints the median, over the repetitions,
// of the seconds taken to deflate all files, and their compressed size.

#include "RawDeflate.h"

#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char* argv[])
{
    const int repetitions = argc > 2 ? std::atoi(argv[1]) : 0;
    if (repetitions < 1) {
        std::fputs("Usage: bench_deflate_floor REPETITIONS FILE...\n", stderr);
        return 2;
    }
    std::vector<QByteArray> inputs;
    for (int i = 2; i < argc; ++i) {
        QFile file(QFile::decodeName(argv[i]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_deflate_floor: cannot read %s\n", argv[i]);
            return 1;
        }
        inputs.push_back(file.readAll());
    }

    std::vector<double> seconds;
    qint64 compressed = 0;
    for (int r = 0; r < repetitions; ++r) {
        const auto start = std::chrono::steady_clock::now();
        compressed = 0;
        for (const QByteArray& input : inputs) {
            const auto count = [&](const Bytef*, std::size_t size) { compressed += static_cast<qint64>(size); };
            if (!RawDeflate(input, count)) {
                std::fputs("bench_deflate_floor: deflate failed\n", stderr);
                return 1;
            }
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::ranges::sort(seconds);
    std::printf("%.6f %lld\n", seconds[seconds.size() / 2], static_cast<long long>(compressed));
    return 0;
}
