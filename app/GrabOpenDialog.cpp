// Saves a picture of the file dialog for the documentation:
//   build/bin/grab-open-dialog docs/open-dialog.png

#include "app/Converter_MainForm.h"
#include "app/QtTranslations.h"
#include "geo/uRouteLibrary.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// A route library of sample routes and a track, so the picture shows no
// folder of this machine.
bool WriteSamples(const QTemporaryDir& library)
{
    for (const char* name : {"Biesbosch.rte", "Grevelingen.rte", "Waddenzee.rte", "Zeeland.rte"}) {
        TRoute route(QString{});
        route.setCaption(QString::fromLatin1(name).chopped(4));
        for (int i = 0; i < 12; ++i)
            route.Add(51.8 + i / 100.0, 4.7 + i / 100.0);
        if (!route.SaveToFile(library.filePath(QString::fromLatin1(name)), 6, false))
            return false;
    }
    QFile track(library.filePath(QStringLiteral("Markermeer.trk")));
    return track.open(QIODevice::WriteOnly);
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: grab-open-dialog PICTURE.png\n";
        return 2;
    }
    if (!InstallDutchQtTexts())
        QTextStream(stderr) << "Qt's Dutch translation is missing; the picture shows English texts\n";

    const QTemporaryDir library;
    if (!WriteSamples(library)) {
        QTextStream(stderr) << "cannot write the sample routes\n";
        return 1;
    }
    TMainForm form(library.path());
    auto* dialog = form.findChild<QFileDialog*>(QStringLiteral("OpenDialog"));
    dialog->show();
    // The folder is read in the background.
    const auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
    for (QDeadlineTimer deadline(5000); list->model()->rowCount(list->rootIndex()) == 0 && !deadline.hasExpired();)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();

    if (!dialog->grab().save(arguments[1])) {
        QTextStream(stderr) << "cannot write " << arguments[1] << '\n';
        return 1;
    }
    return 0;
}
