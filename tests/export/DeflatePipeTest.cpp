#include "export/uDeflatePipe.h"

#include "platform/Error.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QRandomGenerator>

#include <zlib.h>

#include <gtest/gtest.h>

namespace {

// Text that compresses like a route's document, with some noise in it.
QByteArray Document(qsizetype size)
{
    QByteArray bytes;
    QRandomGenerator generator(1852);
    while (bytes.size() < size)
        bytes += QByteArray::number(3.5 + generator.bounded(1.0), 'f', 8) + ','
                 + QByteArray::number(51.4 + generator.bounded(2.0), 'f', 8) + "\r\n";
    bytes.truncate(size);
    return bytes;
}

// The whole data deflated in one call, with the archive's settings.
QByteArray DeflatedAtOnce(const QByteArray& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, data.size())), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

struct WriteCase {
    qsizetype size;
    qsizetype piece; // the size of each write
};

class DeflatePipeWrites : public ::testing::TestWithParam<WriteCase> {};

} // namespace

// However the data arrives, the stream is that of deflating it at once, and
// the CRC and sizes are those of the whole.
TEST_P(DeflatePipeWrites, GiveTheBytesOfOneDeflate)
{
    const auto [size, piece] = GetParam();
    const QByteArray data = Document(size);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    TDeflateResult result;
    {
        TDeflatePipe pipe(out);
        for (qsizetype at = 0; at < size; at += piece)
            ASSERT_EQ(pipe.write(data.constData() + at, std::min(piece, size - at)), std::min(piece, size - at));
        result = pipe.Finish();
    }
    const QByteArray expected = DeflatedAtOnce(data);
    EXPECT_EQ(out.data(), expected);
    EXPECT_EQ(result.CompressedSize, expected.size());
    EXPECT_EQ(result.UncompressedSize, size);
    EXPECT_EQ(result.Crc, crc32(0, reinterpret_cast<const Bytef*>(data.constData()), static_cast<uInt>(size)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, DeflatePipeWrites,
                         ::testing::Values(WriteCase{0, 1}, WriteCase{1, 1}, WriteCase{3000, 1},
                                           WriteCase{65536, 65536}, WriteCase{65537, 65536},
                                           WriteCase{300000, 4093}, WriteCase{1000000, 1000000},
                                           WriteCase{2000000, 65535}));

// A device that takes no more stops the stream: writes fail from then on,
// with the device's reason, and Finish or RaiseFailure raises the device's
// error.
TEST(DeflatePipe, AnOutputThatFailsStopsTheStream)
{
    const QByteArray noise = [] {
        QByteArray bytes(1000000, Qt::Uninitialized);
        QRandomGenerator generator(7);
        for (char& byte : bytes)
            byte = static_cast<char>(generator.bounded(256));
        return bytes;
    }();
    for (const qint64 capacity : {qint64(0), qint64(100), qint64(200000)}) {
        SCOPED_TRACE(capacity);
        FullDevice out(capacity);
        TDeflatePipe pipe(out);
        bool refused = false;
        for (qint64 written = 0; written < noise.size() && !refused;) {
            const qint64 count = pipe.write(noise.constData() + written, 65536);
            refused = count < 0;
            written += count;
        }
        if (refused) {
            EXPECT_EQ(pipe.errorString(), QStringLiteral("No space left on device"));
        }
        // Either a write failed, or the failure comes with the end.
        try {
            if (refused)
                pipe.RaiseFailure();
            pipe.Finish();
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_EQ(e.Message(), ErrorText::StreamWrite());
            EXPECT_EQ(e.Reason(), QStringLiteral("No space left on device"));
        }
        EXPECT_LE(out.size(), capacity);
    }
}

// A stream left without Finish, as when making its data failed, ends its
// thread when it goes.
TEST(DeflatePipe, AStreamCanBeAbandonedAtAnyMoment)
{
    const QByteArray data = Document(500000);
    for (const qsizetype written : {qsizetype(0), qsizetype(10), qsizetype(300000), data.size()}) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        TDeflatePipe pipe(out);
        ASSERT_EQ(pipe.write(data.constData(), written), written);
    }
}
