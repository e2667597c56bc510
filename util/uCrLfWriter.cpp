#include "util/uCrLfWriter.h"

#include "util/Error.h"
#include "util/uSafeFile.h"

#include <algorithm>

namespace {

constexpr qsizetype kChunk = 65536;

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

} // namespace

TCrLfWriter::TCrLfWriter(QIODevice& device) : fDevice(device)
{
    fBuffer.reserve(kChunk);
}

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
    fBuffer.append(bytes);
    if (fBuffer.size() >= kChunk)
        Flush();
}

void TCrLfWriter::Flush()
{
    if (!WriteFully(fDevice, fBuffer))
        throw Error(ErrorText::StreamWrite());
    fBuffer.resize(0); // keeps the room
}
