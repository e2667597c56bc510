#pragma once

#include <QIODevice>

// A write-only device that writes everything to two devices, the first
// first. A write fails (-1) when either device does not take it all.
class TTeeDevice : public QIODevice {
public:
    TTeeDevice(QIODevice& first, QIODevice& second);

    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QIODevice& fFirst;
    QIODevice& fSecond;
};
