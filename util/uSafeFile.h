#pragma once

#include "platform/AtomicFile.h"
// What fills a safe file writes through WriteFully.
#include "util/uDeviceWrite.h"

#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>

// Files are written under a temporary name beside their target and take the
// target's name only when complete, so a failure leaves any earlier file of
// that name as it was. Errors name the target, never the temporary file.

// Raises "Cannot create file "%s". %s" when the file cannot be made.
std::unique_ptr<TAtomicFile> CreateSafeFile(const QString& path);

// Moves the finished file to its name; raises "Cannot create file "%s". %s"
// when a write failed on the way or the move is refused. Destroying the
// file without committing removes the temporary file.
void CommitSafeFile(TAtomicFile& file);

// Creates the file, lets `write` fill it and commits it. A write to the file
// that fails raises the file's error where it fails; any error of `write`
// drops the file.
void WriteSafeFile(const QString& path, const std::function<void(QIODevice&)>& write);

// The text as UTF-8 without byte-order mark, every line (split at CR LF, lone
// CR and lone LF) followed by CR LF, the last one included.
void SaveTextFileUtf8Crlf(const QString& path, const QString& text);
