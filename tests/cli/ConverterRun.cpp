#include "ConverterRun.h"

#include "geo/uRouteLibrary.h"

#include <QDir>
#include <QFileInfo>

const std::vector<Waypoint> kBiesbosch = {
    {51.7612, 4.7795, "Werkendam"}, {51.7483, 4.8012, "Steurgat"}, {51.7401, 4.8349, "Spieringsluis"}};

std::vector<TLatLon> Line(const std::vector<Waypoint>& points)
{
    std::vector<TLatLon> line;
    for (const Waypoint& p : points)
        line.push_back({p.lat, p.lon});
    return line;
}

Outcome RunConverter(const QStringList& args, const std::function<void(QProcess&)>& prepare, const QStringList& prefix)
{
    QProcess process;
    if (prepare)
        prepare(process);
    const QStringList command = prefix + QStringList{QStringLiteral(RTE2KMZ)} + args;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(120000);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    return {process.exitStatus() == QProcess::CrashExit, process.exitCode(), out.split(u'\n', Qt::SkipEmptyParts),
            QString::fromUtf8(process.readAllStandardError()), out};
}

QByteArray Unpacked(const QString& kmz)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), kmz});
    unzip.waitForFinished();
    return unzip.readAllStandardOutput();
}

QMap<QString, QByteArray> Contents(const QString& path)
{
    QMap<QString, QByteArray> contents;
    const QFileInfo info(path);
    if (info.isFile())
        contents.insert(QString(), ReadFile(path));
    const QStringList entries = info.isDir() ? FolderEntries(path) : QStringList{};
    for (const QString& name : entries)
        contents.insert(name, ReadFile(QDir(path).filePath(name)));
    return contents;
}

QString ConverterTestBase::WriteRoute(const QString& name, const QString& caption, const std::vector<Waypoint>& points,
                                      quint16 version, bool scrambled) const
{
    const QString path = Path(name);
    QDir().mkpath(QFileInfo(path).path());
    TRoute route(QString{});
    route.setCaption(caption);
    for (const Waypoint& p : points)
        route.Add(p.lat, p.lon, QString::fromUtf8(p.name))->setEncrypt(scrambled);
    EXPECT_TRUE(route.SaveToFile(path, version, false));
    return path;
}

QStringList ConverterTestBase::TargetFiles() const
{
    return QDir(Target()).entryList(QDir::Files, QDir::Name);
}
