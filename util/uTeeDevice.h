#pragma once

#include "platform/DeviceError.h"

#include <QIODevice>

// A write-only device that writes everything to two devices, the first
// first. A write fails (-1) when either device does not take it all; the
// error raised then is that device's.
class TTeeDevice : public QIODevice, public TFailingDevice {
public:
    TTeeDevice(QIODevice& first, QIODevice& second);

    bool isSequential() const override { return true; }
    [[noreturn]] void RaiseFailure() override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice& fFirst;
    QIODevice& fSecond;
    QIODevice* fFailed = nullptr; // the device that refused a write
};
