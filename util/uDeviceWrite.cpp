#include "util/uDeviceWrite.h"

#include "platform/DeviceError.h"

void WriteFully(QIODevice& device, QByteArrayView bytes)
{
    if (!TryWriteFully(device, bytes))
        RaiseWriteFailure(device);
}

bool TryWriteFully(QIODevice& device, QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        const qint64 written = device.write(bytes.data(), bytes.size());
        if (written <= 0)
            return false;
        bytes = bytes.sliced(written);
    }
    return true;
}
