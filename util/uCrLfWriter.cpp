#include "util/uCrLfWriter.h"

#include "util/uDeviceWrite.h"

#include <algorithm>

namespace {

constexpr std::size_t kChunk = 65536;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

} // namespace

TCrLfWriter::TCrLfWriter(QIODevice& device) : fDevice(device), fBuffer(kChunk) {}

void TCrLfWriter::Write(QByteArrayView text)
{
    const char* p = text.begin();
    const char* const end = text.end();
    if (p != end && fAfterCr && *p == '\n')
        ++p;
    while (p != end) {
        const char* const lineEnd = std::find_if(p, end, IsLineBreak);
        if (lineEnd != p) {
            Put(QByteArrayView(p, lineEnd));
            fLineOpen = true;
        }
        fAfterCr = false;
        if (lineEnd == end)
            return;
        Put("\r\n");
        fLineOpen = false;
        p = lineEnd + 1;
        if (*lineEnd == '\r') {
            if (p == end)
                fAfterCr = true;
            else if (*p == '\n')
                ++p;
        }
    }
}

void TCrLfWriter::Finish()
{
    if (fLineOpen)
        Put("\r\n");
    fLineOpen = false;
    Flush();
}

void TCrLfWriter::Put(QByteArrayView bytes)
{
    const auto size = static_cast<std::size_t>(bytes.size());
    if (fUsed + size > fBuffer.size()) {
        Flush();
        if (size > fBuffer.size()) {
            WriteFully(fDevice, bytes);
            return;
        }
    }
    std::copy(bytes.begin(), bytes.end(), fBuffer.begin() + static_cast<std::ptrdiff_t>(fUsed));
    fUsed += size;
}

void TCrLfWriter::Flush()
{
    WriteFully(fDevice, QByteArrayView(fBuffer.data(), static_cast<qsizetype>(fUsed)));
    fUsed = 0;
}
