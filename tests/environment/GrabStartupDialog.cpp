// Saves a picture of the start-up dialog for the documentation:
//   grab-startup-dialog docs/startup-dialog.png
#include "environment/uDlgErrorOnStart.h"
#include "environment/uNautivaControl.h"
#include "platform/CodePage.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: grab-startup-dialog FILE.png\n");
        return 2;
    }
    gMapsDataPath = QStringLiteral("C:\\ProgramData\\Ostrelon\\Nautiva\\maps");
    TDlgErrorOnStart dialog;
    dialog.setAttribute(Qt::WA_DeleteOnClose, false);
    dialog.SetMessage(ToAnsi(EnvironmentReport(ecMissingMaps)));
    return dialog.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
