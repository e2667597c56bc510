#include "platform/Registry.h"

#ifdef Q_OS_WIN

#include <qt_windows.h>

#include <memory>
#include <type_traits>

QHash<QString, QString> ReadCurrentUserTexts(const QString& keyPath, const QStringList& names)
{
    // Reading is all we do, so we ask for no more than that.
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(keyPath.utf16()), 0, KEY_QUERY_VALUE, &opened)
        != ERROR_SUCCESS)
        return {};
    const std::unique_ptr<std::remove_pointer_t<HKEY>, decltype(&RegCloseKey)> key(opened, &RegCloseKey);

    QHash<QString, QString> result;
    for (const QString& name : names) {
        const auto valueName = reinterpret_cast<LPCWSTR>(name.utf16());
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key.get(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS
            || (type != REG_SZ && type != REG_EXPAND_SZ))
            continue;
        QByteArray data(size, '\0');
        if (RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &size)
            != ERROR_SUCCESS)
            continue;
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(data.constData()), size / 2);
        if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0)
            text.truncate(nul);
        result.insert(name, text);
    }
    return result;
}

#else

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString RegistryStandInFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Ostrelon/Nautiva.reg");
}

QHash<QString, QString> ReadCurrentUserTexts(const QString& keyPath, const QStringList& names)
{
    // Only a regular file: a pipe or device there would block or never end.
    QFile file(RegistryStandInFile());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return TextsInRegistryExport(file, QStringLiteral("HKEY_CURRENT_USER\\") + keyPath, names);
}

#endif
