#pragma once

#include <QString>

// Whether the folder exists, can be listed and holds no entry at all:
// hidden and system entries count, "." and ".." do not.
bool IsEmptyDir(const QString& directory);
