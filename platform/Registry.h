#pragma once

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>
#include <QStringList>

// Registry values are read the way the chart software's key is read at
// start-up: only REG_SZ and REG_EXPAND_SZ values count, each taken as stored
// (references to environment variables left unexpanded) up to its first NUL.
// A missing key, a missing value or a value of any other type leaves its name
// out of the result; so does anything damaged.

// Reads the named text values of `keyPath` (e.g. "Software\Maker\Product\")
// below the current user's hive.
QHash<QString, QString> ReadCurrentUserTexts(const QString& keyPath, const QStringList& names);

#ifndef Q_OS_WIN
// Off Windows the current user's hive is a registry export file
// ("Windows Registry Editor Version 5.00"): $XDG_CONFIG_HOME/Ostrelon/Nautiva.reg.
QString RegistryStandInFile();
#endif

// The named text values of `key` (a full name such as
// "HKEY_CURRENT_USER\Software\Maker\Product") in the contents of a registry
// export file. Key and value names compare without regard to case.
QHash<QString, QString> TextsInRegistryExport(const QByteArray& file, const QString& key, const QStringList& names);

// Far more than a key's few values: a larger file is no registry stand-in.
constexpr qint64 kMaxRegistryExportSize = 16 * 1024 * 1024;

// The same, read from a device open for reading up to its end: nothing when it
// holds more than `maxSize` bytes, of which it reads no more than one beyond.
QHash<QString, QString> TextsInRegistryExport(QIODevice& device, const QString& key, const QStringList& names,
                                              qint64 maxSize = kMaxRegistryExportSize);
