#include "app/Converter_MainForm.h"
#include "app/QtTranslations.h"
#include "environment/uDlgErrorOnStart.h"
#include "environment/uNautivaControl.h"
#include "geo/uFormatRecords.h"
#include "platform/AtomicFile.h"
#include "platform/DateTime.h"

#include <QApplication>

#include <cstdio>

namespace {

int Main(int argc, char* argv[])
{
    InitFormatSettings();
    LoadTimeZone();
    CleanUpOnSignals();

    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(TMainForm::Title());
    // Without Qt's Dutch translation the file dialog speaks English; the
    // program works all the same.
    InstallDutchQtTexts();

    SetStartupReporter(ErrorOnStart);
    // Whatever the check reports, start-up goes on.
    static_cast<void>(EnvironmentCheck({stCheckAll}));

    TMainForm form(gRoutesDataPath);
    MainForm = &form;
    form.show();
    return QApplication::exec();
}

} // namespace

// A run's errors end in the window's message box; what escapes before or
// after the window ends the program with its message.
int main(int argc, char* argv[])
{
    try {
        return Main(argc, argv);
    } catch (...) {
        std::fputs(qUtf8Printable(ErrorMessageText(CurrentErrorText()) + u'\n'), stderr);
        return 1;
    }
}
