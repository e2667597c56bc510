#pragma once

#include <QString>

// Why no file can be created in the folder, as the system words it ("No such
// file or directory", "Not a directory", "Permission denied"); empty when
// files can be created there.
QString FolderWriteProblem(const QString& folder);
