// The floor under the conversion: raw deflate of KML bytes already in memory,
// with the archive writer's zlib settings and output buffer, and nothing else
// (no reading, no parsing, no CRC, no writing).
//
//   bench_deflate_floor REPETITIONS FILE...
//
// Each file is one deflate stream. Prints the median, over the repetitions,
// of the seconds taken to deflate all files, and their compressed size.

#include <QFile>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The bytes deflate made of `input`.
qint64 RawDeflate(const QByteArray& input)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return -1;
    static std::vector<Bytef> output(65536);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData()));
    stream.avail_in = static_cast<uInt>(input.size());
    qint64 written = 0;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        result = deflate(&stream, Z_FINISH);
        written += static_cast<qint64>(output.size() - stream.avail_out);
    }
    deflateEnd(&stream);
    return written;
}

} // namespace

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
        for (const QByteArray& input : inputs)
            compressed += RawDeflate(input);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::ranges::sort(seconds);
    std::printf("%.6f %lld\n", seconds[seconds.size() / 2], static_cast<long long>(compressed));
    return 0;
}
