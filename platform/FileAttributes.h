#pragma once

#include <QFileDevice>
#include <QString>
#include <QtGlobal>

// The Windows attributes of a file or folder as a ZIP archive records them:
// read-only 0x1, hidden 0x2, system 0x4, directory 0x10, archive 0x20, device
// 0x40, normal 0x80, temporary 0x100, sparse 0x200, compressed 0x800, offline
// 0x1000, not indexed 0x2000, encrypted 0x4000. Elsewhere a regular file is
// 0x20 and a folder 0x10, plus 0x1 when nobody may write it. A path that does
// not exist gives 0.
quint32 WindowsFileAttributes(const QString& path);
// What a new file has.
inline constexpr quint32 cArchiveAttribute = 0x20;
// The same for an open file, which may have no name.
quint32 WindowsFileAttributes(const QFileDevice& file);
