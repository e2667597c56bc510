#pragma once

#include <qt_windows.h>

#include <optional>
#include <string>

// Windows alone: what the platform's units ask of the file system alike.

// Whether an entry as FindFirstFileW finds it is a symbolic link or a
// junction. Other reparse points (a file kept in the cloud, a deduplicated
// file) are the entry itself.
bool IsLink(const WIN32_FIND_DATAW& found);

// What the system says of the file or folder at `path`, reached through a
// link or, with followLink false, the link itself; none when it cannot be
// opened. No access is asked for, so no sharing mode stands in the way.
std::optional<BY_HANDLE_FILE_INFORMATION> FileInformation(const std::wstring& path, bool followLink);
