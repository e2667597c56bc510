#pragma once

#include <QByteArrayView>
#include <QIODevice>

// Offers the bytes again as long as the device takes some of them: a file
// takes part of a large write when the disk fills up, and tells why only on
// the next attempt. When the device takes no more, its error is raised
// (RaiseWriteFailure).
void WriteFully(QIODevice& device, QByteArrayView bytes);

// The same, false instead of raising: for a device's own writes, which Qt's
// calls may not be left by an exception.
bool TryWriteFully(QIODevice& device, QByteArrayView bytes);
