#pragma once

#include "platform/DeviceError.h"

#include <QIODevice>
#include <QString>

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What a stream of data came to once deflated.
struct TDeflateResult {
    quint32 Crc = 0; // CRC-32 of the data
    qint64 CompressedSize = 0;
    qint64 UncompressedSize = 0;
};

// A write-only device that raw-deflates (no zlib header or trailer) what is
// written to it onto `out`, with the CRC-32 of the data, on a second thread:
// the data can be made while what came before it is compressed. It is one
// deflate stream with the archive's settings and no flushes, so the bytes are
// those of deflating the whole data at once. Memory stays a few fixed pieces
// whatever the size. Data that fits in one piece is compressed by Finish on
// the calling thread: a thread would cost more than it saves.
//
// While the second thread runs, only it touches `out`, until Finish or
// RaiseFailure returns. A write fails (-1) once compressing has failed, with
// the reason as errorString; Finish or RaiseFailure then raises what stopped
// it as it was raised: the error of `out`, or std::bad_alloc when memory or
// a thread could not be had.
class TDeflatePipe : public QIODevice, public TFailingDevice {
public:
    explicit TDeflatePipe(QIODevice& out);
    ~TDeflatePipe() override;
    TDeflatePipe(const TDeflatePipe&) = delete;
    TDeflatePipe& operator=(const TDeflatePipe&) = delete;

    // Ends the stream once all data is compressed and written; raises what
    // made compressing or writing fail.
    TDeflateResult Finish();
    // Raises what made compressing or writing fail; the stream is abandoned.
    [[noreturn]] void RaiseFailure() override;

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    class Deflater;
    struct Piece {
        std::vector<char> Bytes;
        std::size_t Used = 0;
    };

    bool StartThread();
    void Fail(std::exception_ptr failure);
    TDeflateResult Result(qint64 compressedSize) const;
    void Compress();
    void Stop(bool finish);

    std::unique_ptr<Deflater> fDeflater;
    std::vector<Piece> fPieces;   // every piece, owned here
    Piece* fFilling = nullptr;    // the piece being written to, this thread's own
    unsigned long fCrc = 0;       // of the data so far, this thread's own
    qint64 fUncompressedSize = 0; // this thread's own
    std::mutex fMutex;            // guards what follows up to fThread
    std::condition_variable fChanged;
    std::vector<Piece*> fEmpty;   // room reserved for every piece, so handing over never allocates
    std::vector<Piece*> fFull;    // in the order written
    bool fEnd = false;            // no more pieces will come
    bool fFinish = false;         // end the stream at the end rather than abandon it
    bool fFailed = false;         // fFailure is set
    std::exception_ptr fFailure;
    QString fFailureReason;
    qint64 fCompressedSize = 0;   // the second thread's until it is joined
    std::thread fThread;
};
