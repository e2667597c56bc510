// Loads a layer file in a fresh process and prints the number of points and
// how far the load raised the peak resident and the peak virtual memory of
// the process, in KiB: "points resident virtual". The tests run it to see
// that damaged counts do not claim memory.
#include "geo/uGeoObjects.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>

namespace {

// A "kB" line of /proc/self/status.
qint64 StatusKiB(const QByteArray& status, const char* field)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(\\d+) kB$").arg(QLatin1String(field)),
                                  QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(status)).captured(1).toLongLong();
}

QByteArray Status()
{
    QFile file(QStringLiteral("/proc/self/status"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char* argv[])
{
    const QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fputs("usage: layer_load_peak FILE\n", stderr);
        return 2;
    }
    const QByteArray before = Status();
    TGeoList layer;
    layer.LoadFromFile(app.arguments().at(1));
    const QByteArray after = Status();
    std::printf("%d %lld %lld\n", layer.Count(), StatusKiB(after, "VmHWM") - StatusKiB(before, "VmHWM"),
                StatusKiB(after, "VmPeak") - StatusKiB(before, "VmPeak"));
    return 0;
}
