#include "export/uDeflatePipe.h"

#include "platform/Error.h"
#include "util/uDeviceWrite.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A few pieces keep both threads busy; more would only hold memory.
constexpr std::size_t kPieceSize = 65536;
constexpr int kPieceCount = 4;
constexpr std::size_t kOutputBuffer = 65536;

} // namespace

// Raw deflate onto a device through a buffer of fixed size.
class TDeflatePipe::Deflater {
public:
    explicit Deflater(QIODevice& out) : fOut(out), fBuffer(kOutputBuffer)
    {
        if (deflateInit2(&fStream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::bad_alloc();
        ResetBuffer();
    }
    ~Deflater() { deflateEnd(&fStream); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    void Feed(const char* data, std::size_t size)
    {
        fStream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data)); // zlib only reads it
        fStream.avail_in = static_cast<uInt>(size);
        while (fStream.avail_in > 0)
            Deflate(Z_NO_FLUSH);
    }

    // The size of the whole stream.
    qint64 Finish()
    {
        while (Deflate(Z_FINISH) != Z_STREAM_END) {
        }
        WriteBuffer(kOutputBuffer - fStream.avail_out);
        return fWritten;
    }

private:
    int Deflate(int flush)
    {
        const int result = deflate(&fStream, flush);
        Q_ASSERT(result != Z_STREAM_ERROR);
        if (fStream.avail_out == 0)
            WriteBuffer(kOutputBuffer);
        return result;
    }

    void WriteBuffer(std::size_t size)
    {
        WriteFully(fOut, QByteArrayView(fBuffer.data(), static_cast<qsizetype>(size)));
        fWritten += static_cast<qint64>(size);
        ResetBuffer();
    }

    void ResetBuffer()
    {
        fStream.next_out = reinterpret_cast<Bytef*>(fBuffer.data());
        fStream.avail_out = static_cast<uInt>(fBuffer.size());
    }

    QIODevice& fOut;
    std::vector<char> fBuffer;
    z_stream fStream{};
    qint64 fWritten = 0;
};

TDeflatePipe::TDeflatePipe(QIODevice& out) : fDeflater(std::make_unique<Deflater>(out)), fPieces(kPieceCount)
{
    fEmpty.reserve(kPieceCount);
    fFull.reserve(kPieceCount);
    for (Piece& piece : fPieces) {
        piece.Bytes.resize(kPieceSize);
        fEmpty.push_back(&piece);
    }
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

TDeflatePipe::~TDeflatePipe()
{
    if (fThread.joinable())
        Stop(false);
}

qint64 TDeflatePipe::readData(char*, qint64) { return -1; }

// Never raises: Qt's device calls may not be left by an exception. The CRC
// is taken here, on the thread that has time to spare.
qint64 TDeflatePipe::writeData(const char* data, qint64 size)
{
    fCrc = crc32_z(fCrc, reinterpret_cast<const Bytef*>(data), static_cast<std::size_t>(size));
    fUncompressedSize += size;
    for (qint64 done = 0; done < size;) {
        if (!fFilling) {
            std::unique_lock lock(fMutex);
            fChanged.wait(lock, [this] { return !fEmpty.empty() || fFailed; });
            if (fFailed) {
                setErrorString(fFailureReason);
                return -1;
            }
            fFilling = fEmpty.back();
            fEmpty.pop_back();
        }
        const auto count = std::min(static_cast<std::size_t>(size - done), kPieceSize - fFilling->Used);
        std::memcpy(fFilling->Bytes.data() + fFilling->Used, data + done, count);
        fFilling->Used += count;
        done += static_cast<qint64>(count);
        if (fFilling->Used == kPieceSize) {
            if (!fThread.joinable() && !StartThread()) {
                setErrorString(fFailureReason);
                return -1;
            }
            {
                const std::lock_guard lock(fMutex);
                fFull.push_back(std::exchange(fFilling, nullptr));
            }
            fChanged.notify_all();
        }
    }
    return size;
}

bool TDeflatePipe::StartThread()
{
    try {
        fThread = std::thread([this] { Compress(); });
        return true;
    } catch (...) {
        // Memory, or the system's room for another thread, has run out.
        Fail(std::make_exception_ptr(std::bad_alloc()));
        return false;
    }
}

TDeflateResult TDeflatePipe::Finish()
{
    if (!fThread.joinable() && !fFailed) {
        // All data is in the one piece: not worth a thread.
        if (const Piece* piece = std::exchange(fFilling, nullptr))
            fDeflater->Feed(piece->Bytes.data(), piece->Used);
        close();
        return Result(fDeflater->Finish());
    }
    if (fFilling) {
        const std::lock_guard lock(fMutex);
        (fFilling->Used > 0 ? fFull : fEmpty).push_back(std::exchange(fFilling, nullptr));
    }
    Stop(true);
    if (fFailure)
        std::rethrow_exception(fFailure);
    return Result(fCompressedSize);
}

TDeflateResult TDeflatePipe::Result(qint64 compressedSize) const
{
    return {.Crc = static_cast<quint32>(fCrc), .CompressedSize = compressedSize, .UncompressedSize = fUncompressedSize};
}

void TDeflatePipe::RaiseFailure()
{
    Stop(false);
    if (!fFailure) // no write has failed: a read, which this device never gives
        throw Error::StreamWrite();
    std::rethrow_exception(fFailure);
}

// Keeps the first failure, and its reason for errorString: what the file
// written said, or that memory ran out.
void TDeflatePipe::Fail(std::exception_ptr failure)
{
    QString reason = ErrorText::OutOfMemory();
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        reason = error.Reason().isEmpty() ? error.Message() : error.Reason();
    } catch (...) {
    }
    const std::lock_guard lock(fMutex);
    if (fFailed)
        return;
    fFailure = std::move(failure);
    fFailureReason = std::move(reason);
    fFailed = true;
}

void TDeflatePipe::Stop(bool finish)
{
    {
        const std::lock_guard lock(fMutex);
        fEnd = true;
        fFinish = finish;
        if (!finish) {
            fEmpty.insert(fEmpty.end(), fFull.begin(), fFull.end());
            fFull.clear();
        }
    }
    fChanged.notify_all();
    if (fThread.joinable())
        fThread.join();
    close();
}

// The second thread: deflates the pieces in order until the end, then ends
// the stream if asked to. After a failure it only hands pieces back.
void TDeflatePipe::Compress()
{
    for (;;) {
        Piece* piece = nullptr;
        bool failed = false;
        {
            std::unique_lock lock(fMutex);
            fChanged.wait(lock, [this] { return !fFull.empty() || fEnd; });
            if (fFull.empty())
                break;
            piece = fFull.front();
            fFull.erase(fFull.begin());
            failed = fFailed;
        }
        if (!failed) {
            try {
                fDeflater->Feed(piece->Bytes.data(), piece->Used);
            } catch (...) {
                Fail(std::current_exception());
            }
        }
        {
            const std::lock_guard lock(fMutex);
            piece->Used = 0;
            fEmpty.push_back(piece);
        }
        fChanged.notify_all();
    }
    bool finish = false;
    {
        const std::lock_guard lock(fMutex);
        finish = fFinish && !fFailed;
    }
    if (finish) {
        try {
            fCompressedSize = fDeflater->Finish();
        } catch (...) {
            Fail(std::current_exception());
        }
    }
}
