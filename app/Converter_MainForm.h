#pragma once

#include "convert/uConversionRun.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QFileDialog;
class QFrame;
class QLabel;
class QPushButton;
class TDirListBox;
class TStatusLabel;

// The program's only window: a target folder, two check boxes and the button that
// starts a conversion run, with the run's status below.
class TMainForm : public QWidget {
    Q_OBJECT

public:
    using TFileChooser = std::function<QStringList()>;
    using TMessageBox = std::function<void(const QString&)>;
    using TWarningBox = std::function<void(const QStringList&)>;
    using TConversion = std::function<int(const QStringList&, TConversionHost&)>;

    // The file dialog opens in routesFolder; empty leaves the platform's default.
    explicit TMainForm(const QString& routesFolder, QWidget* parent = nullptr);

    // Window caption and title of the program's message boxes.
    static QString Title();
    // The warning box's heading, and its list of a run's warnings.
    static QString WarningsHeading();
    static QString WarningsList(const QStringList& warnings);

    // Chooses the files of a run, an empty list when the user cancels; the
    // file dialog by default.
    void SetFileChooser(TFileChooser chooser) { fChooseFiles = std::move(chooser); }
    // Shows an error's text; a stop message box by default.
    void SetMessageBox(TMessageBox messageBox) { fShowError = std::move(messageBox); }
    // Lists a run's warnings, one text each; a warning message box by default.
    void SetWarningBox(TWarningBox warningBox) { fShowWarnings = std::move(warningBox); }
    // The conversion a run performs; ConvertRoutes by default.
    void SetConversion(TConversion conversion) { fConvert = std::move(conversion); }

public slots:
    void btnOpenClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class THost;

    void FormCreate();
    void Run(const TFileChooser& chooseFiles);
    void RunConversion(const QStringList& files);
    QStringList ShowOpenDialog();
    void ShowErrorBox(const QString& message);
    void ShowWarningBox(const QStringList& warnings);

    QLabel* lblTop;
    QFrame* pnlMain;
    QLabel* lblPathExplain;
    QLabel* lblDirectory;
    TDirListBox* DirListBox;
    QCheckBox* cbDeleteTempFiles;
    QCheckBox* cbMakeGpx;
    QPushButton* btnOpen;
    TStatusLabel* lblStatus;
    QFileDialog* OpenDialog;

    const QString fRoutesFolder;
    TFileChooser fChooseFiles;
    TMessageBox fShowError;
    TWarningBox fShowWarnings;
    TConversion fConvert;
    // A run handles events between its steps, so a click, a drop or a close
    // can arrive while it works: the click and the drop are refused, the
    // close waits.
    bool fRunning = false;
    bool fCloseRequested = false;
};

// The main window while the program runs.
extern TMainForm* MainForm;
