#pragma once

#include <QString>

// Why no file can be created in the folder, as the system words it ("No such
// file or directory", "Not a directory", "Permission denied"); empty when
// files can be created there.
QString FolderWriteProblem(const QString& folder);

// Makes the folder (its parent must exist) and tells whether it did: false
// when a folder of that name is there already. An entry in its place that is
// no folder, or a link, raises "Cannot create files in folder "%s". %s":
// nothing is written into a folder through a link.
bool MakeFolder(const QString& folder);
