// Raw deflate with the archive writer's zlib settings and output buffer,
// shared by the floors so that they deflate alike.
#pragma once

#include <zlib.h>

#include <array>
#include <span>

// Deflates `input` as one stream, handing each filled piece of the output
// buffer (and the last, partly filled one) to `sink(const Bytef*, size_t)`.
// False when zlib refuses.
template <typename Sink>
bool RawDeflate(std::span<const char> input, Sink&& sink)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    static std::array<Bytef, 65536> output;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uInt>(input.size());
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = output.data();
        stream.avail_out = static_cast<uInt>(output.size());
        result = deflate(&stream, Z_FINISH);
        sink(output.data(), output.size() - stream.avail_out);
    }
    deflateEnd(&stream);
    return result == Z_STREAM_END;
}
