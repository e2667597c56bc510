#include "util/uTeeDevice.h"

#include "util/uDeviceWrite.h"

TTeeDevice::TTeeDevice(QIODevice& first, QIODevice& second) : fFirst(first), fSecond(second)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 TTeeDevice::readData(char*, qint64) { return -1; }

qint64 TTeeDevice::writeData(const char* data, qint64 size)
{
    const QByteArrayView bytes(data, size);
    return WriteFully(fFirst, bytes) && WriteFully(fSecond, bytes) ? size : -1;
}
