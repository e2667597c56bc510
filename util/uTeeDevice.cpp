#include "util/uTeeDevice.h"

#include "platform/Error.h"
#include "util/uDeviceWrite.h"

TTeeDevice::TTeeDevice(QIODevice& first, QIODevice& second) : fFirst(first), fSecond(second)
{
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void TTeeDevice::RaiseFailure()
{
    if (fFailed)
        RaiseWriteFailure(*fFailed);
    throw Error::StreamWrite(); // nothing was written: a read, which this device never gives
}

qint64 TTeeDevice::readData(char*, qint64) { return -1; }

qint64 TTeeDevice::writeData(const char* data, qint64 size)
{
    const QByteArrayView bytes(data, size);
    for (QIODevice* device : {&fFirst, &fSecond}) {
        if (!TryWriteFully(*device, bytes)) {
            fFailed = device;
            setErrorString(device->errorString());
            return -1;
        }
    }
    return size;
}
