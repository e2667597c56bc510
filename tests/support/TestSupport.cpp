#include "TestSupport.h"

#include "platform/Error.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTimeZone>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <ostream>
#include <utility>

QByteArray Hex(const char* pairs)
{
    return QByteArray::fromHex(QByteArray(pairs).replace(' ', ""));
}

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

FullDevice::FullDevice(qint64 capacity) : fCapacity(capacity) { open(QIODevice::ReadWrite); }

qint64 FullDevice::writeData(const char* data, qint64 size)
{
    const qint64 room = std::min(size, fCapacity - pos());
    if (room > 0)
        return QBuffer::writeData(data, room);
    setErrorString(QStringLiteral("No space left on device"));
    return -1;
}

QByteArray Written(const std::function<void(QIODevice&)>& write)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    write(buffer);
    return buffer.data();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString TempFolder::WriteFile(const QString& name, const QByteArray& bytes) const
{
    const QString path = Path(name);
    ::WriteFile(path, bytes);
    return path;
}

#ifdef Q_OS_WIN
QString SystemText::MissingFolder() { return qt_error_string(ERROR_PATH_NOT_FOUND); }
QString SystemText::FileInTheWay() { return qt_error_string(ERROR_PATH_NOT_FOUND); }
QString SystemText::FolderInTheWay() { return qt_error_string(ERROR_ACCESS_DENIED); }
QString SystemText::MissingFile() { return qt_error_string(ERROR_FILE_NOT_FOUND); }
QString SystemText::FolderOpenedForReading() { return qt_error_string(ERROR_ACCESS_DENIED); }
#else
QString SystemText::MissingFolder() { return qt_error_string(ENOENT); }
QString SystemText::FileInTheWay() { return qt_error_string(ENOTDIR); }
QString SystemText::FolderInTheWay() { return qt_error_string(EISDIR); }
QString SystemText::MissingFile() { return qt_error_string(ENOENT); }
// Qt's own words: the system opens a folder for reading.
QString SystemText::FolderOpenedForReading() { return QStringLiteral("file to open is a directory"); }
#endif

QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

EnvironmentScope::EnvironmentScope(const char* name, const QString& value)
    : fName(name), fOld(qgetenv(name)), fHadOld(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value.toLocal8Bit());
}

EnvironmentScope::~EnvironmentScope()
{
    if (fHadOld)
        qputenv(fName, fOld);
    else
        qunsetenv(fName);
}

#ifdef Q_OS_WIN
namespace {

// Windows names zones of its own: the same rules over the years that
// matter make the same zone.
bool SystemZoneHasRulesOf(const char* zone)
{
    const QTimeZone wanted(zone);
    const QTimeZone system = QTimeZone::systemTimeZone();
    for (int month = 0; month < 12 * 40; ++month) {
        const QDateTime moment(QDate(2000, 1, 15).addMonths(month), QTime(12, 0), QTimeZone::utc());
        if (!wanted.isValid() || wanted.offsetFromUtc(moment) != system.offsetFromUtc(moment))
            return false;
    }
    return true;
}

} // namespace

TimeZoneScope::TimeZoneScope(const char* zone) : fApplies(SystemZoneHasRulesOf(zone)) {}

TimeZoneScope::~TimeZoneScope() = default;
#else
TimeZoneScope::TimeZoneScope(const char* zone)
{
    fZone.emplace("TZ", QString::fromLatin1(zone));
    tzset();
}

TimeZoneScope::~TimeZoneScope()
{
    fZone.reset();
    tzset();
}
#endif

DefaultFormatSettingsScope::DefaultFormatSettingsScope(TFormatSettings settings)
    : fOld(std::exchange(DefaultFormatSettings(), std::move(settings)))
{
}

DefaultFormatSettingsScope::~DefaultFormatSettingsScope() { DefaultFormatSettings() = std::move(fOld); }

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << bytes.toHex(' ').toStdString();
}
