#pragma once

#include <QString>

// Parts of a path, taken at the last folder separator ("/", on Windows "\\"
// too) and, for the extension, at the last "." of the file name part (with
// the dot; empty when there is none).
QString ExtractFilePath(const QString& path); // folder with its trailing separator
QString ExtractFileName(const QString& path);
QString ExtractFileExt(const QString& path);
// The name's path in the folder as the folder was given; "." (or nothing)
// is the current folder, which a bare name names as well.
QString PathInFolder(const QString& folder, const QString& name);
// The path with its extension replaced by ext, or ext appended when it has none.
QString ChangeFileExt(const QString& path, const QString& ext);

// Whether a file (not a folder) of that name exists; a link counts when its target does.
bool FileExists(const QString& path);

// Basename (its extension replaced by NewExt when that is given), or, when a
// file of that name exists, the first free "name 0001.ext", "name 0002.ext", ...
QString UniqueFilename(const QString& Basename, const QString& NewExt);

// aDir/name + aFiller + ext, or, when that file exists, the first free
// "name + aFiller (1).ext", "(2)", ...
QString GetUniqueFilename(const QString& aDir, const QString& aFiller, const QString& aFilename);

// True exactly when the folder can be listed and holds nothing besides . and ..
bool IsEmptyDir(const QString& directory);
