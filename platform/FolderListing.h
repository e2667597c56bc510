#pragma once

#include "platform/SystemName.h"

#include <QList>
#include <QString>

// What an entry of a folder is. A link is judged by what it points to, but a
// link to a folder is told apart: a walk that entered it could loop.
enum class TEntryKind {
    etFile,       // a regular file, or a link to one
    etFolder,     // a folder itself
    etFolderLink, // a link to a folder (on Windows a junction too)
    etDangling,   // a link to nothing, or an entry gone since it was listed
    etOther,      // a device, a pipe, a socket
};

struct TFolderEntry {
    TSystemName name;
    TEntryKind kind = TEntryKind::etFile;
};

// The folder's entries but "." and "..", in the system's order, or the
// system's reason why it cannot be listed.
struct TFolderListing {
    QList<TFolderEntry> entries;
    QString problem;
};

TFolderListing ListFolder(const QString& folder);
