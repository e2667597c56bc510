// Saves a picture of the main window for the documentation:
//   QT_QPA_PLATFORM=offscreen build/bin/grab-main-window docs/main-window.png

#include "app/Converter_MainForm.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    const QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: grab-main-window PICTURE.png\n";
        return 2;
    }

    // A home of its own, so the picture shows sample folders, not this machine's.
    const QTemporaryDir home;
    const QDir documents(home.filePath(QStringLiteral("Documents")));
    for (const QString& folder : {QStringLiteral("Biesbosch"), QStringLiteral("Waddenzee"), QStringLiteral("Zeeland")})
        documents.mkpath(folder);
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral(".config")).toLocal8Bit());

    TMainForm form{QString()};
    form.SetFileChooser([] { return QStringList{QStringLiteral("Biesbosch.rte")}; });
    form.SetConversion([](const QStringList& files, TConversionHost& host) {
        host.ShowStatus(QStringLiteral("Klaar. Routes [%1/%1] geëxporteerd.").arg(files.size()));
        return static_cast<int>(files.size());
    });
    form.show();
    form.btnOpenClick();
    QApplication::processEvents();

    if (!form.grab().save(arguments[1])) {
        QTextStream(stderr) << "cannot write " << arguments[1] << '\n';
        return 1;
    }
    return 0;
}
