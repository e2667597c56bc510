#pragma once

#include <QByteArrayView>
#include <QIODevice>

// Offers the bytes again as long as the device takes some of them: a file
// takes part of a large write when the disk fills up, and tells why only on
// the next attempt. False when the device takes no more.
bool WriteFully(QIODevice& device, QByteArrayView bytes);
