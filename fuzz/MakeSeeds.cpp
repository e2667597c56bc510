// Writes the seed inputs of every fuzz target into DIR/<target>/.
#include "fuzz/FuzzTargets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    const QCoreApplication app(argc, argv);
    if (app.arguments().size() != 2) {
        std::fputs("usage: make-fuzz-seeds DIR\n", stderr);
        return 2;
    }
    const QDir root(app.arguments().at(1));
    for (const TFuzzTarget& target : FuzzTargets()) {
        const QString name = QString::fromLatin1(target.Name);
        if (!root.mkpath(name)) {
            std::fprintf(stderr, "cannot create %s\n", qPrintable(root.filePath(name)));
            return 1;
        }
        const QList<QByteArray> seeds = target.Seeds();
        for (qsizetype i = 0; i < seeds.size(); ++i) {
            QFile file(root.filePath(QStringLiteral("%1/seed-%2").arg(name).arg(i, 2, 10, QLatin1Char('0'))));
            if (!file.open(QIODevice::WriteOnly) || file.write(seeds.at(i)) != seeds.at(i).size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                return 1;
            }
        }
    }
    return 0;
}
