#pragma once

#include <qt_windows.h>

// Windows alone: whether an entry as FindFirstFileW finds it is a symbolic
// link or a junction. Other reparse points (a file kept in the cloud, a
// deduplicated file) are the entry itself.
bool IsLink(const WIN32_FIND_DATAW& found);
