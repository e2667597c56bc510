#include "app/Converter_MainForm.h"

#include "app/TDirListBox.h"
#include "app/TStatusLabel.h"
#include "util/uFileUtils.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCompleter>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QThread>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

TMainForm* MainForm = nullptr;

namespace {

// "Segoe UI" where it is installed, the platform's sans serif otherwise.
QFont FormFont(int pixelSize)
{
    QFont font(QStringLiteral("Segoe UI"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

// The files a drag carries, in its order; none when it carries anything but
// local files, so a run never gets part of a drop, or when it cannot be
// taken as a copy: the run only reads them, and a move could lose them.
QStringList DraggedFiles(const QDropEvent& event)
{
    if (!event.possibleActions().testFlag(Qt::CopyAction))
        return {};
    QStringList files;
    for (const QUrl& url : event.mimeData()->urls()) {
        if (!url.isLocalFile())
            return {};
        files << url.toLocalFile();
    }
    return files;
}

// Takes a drag of files as a copy, unless a run is going on, and gives the
// files taken; none when it is refused.
QStringList TakeDrag(QDropEvent& event, bool running)
{
    const QStringList files = running ? QStringList() : DraggedFiles(event);
    if (files.isEmpty()) {
        event.ignore();
        return files;
    }
    event.setDropAction(Qt::CopyAction);
    event.accept();
    return files;
}

// A name typed without extension gets the dialog's "RTE", which a file
// system that minds letter case does not find beside "Amstel.rte": the one
// file whose name differs from it only in the extension's letter case is
// taken instead.
QString WithExtensionAsFound(const QString& path)
{
    const QFileInfo typed(path);
    const QString name = typed.fileName();
    const QString extension = ExtractFileExt(name);
    if (extension.isEmpty() || typed.exists())
        return path;
    const QString stem = name.chopped(extension.size());
    QStringList found;
    for (const QString& entry : typed.dir().entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (entry.size() == name.size() && entry.startsWith(stem)
            && QStringView(entry).mid(stem.size()).compare(extension, Qt::CaseInsensitive) == 0)
            found << entry;
    }
    return found.size() == 1 ? typed.dir().filePath(found.front()) : path;
}

} // namespace

// What the run sees of the window: it reads the controls anew on every call,
// so a change made during a run applies to the files that follow.
class TMainForm::THost : public TConversionHost {
public:
    explicit THost(const TMainForm& form) : fForm(form) {}

    QString TargetFolder() const override { return QDir::toNativeSeparators(fForm.DirListBox->Directory()); }
    bool KeepKml() const override { return !fForm.cbDeleteTempFiles->isChecked(); }
    bool MakeGpx() const override { return fForm.cbMakeGpx->isChecked(); }
    void ShowStatus(const QString& text) override
    {
        fForm.lblStatus->setText(text);
        QCoreApplication::processEvents();
    }
    // Every file that did not become an archive whole, in run order.
    void Warn(const QString& text) override { Warnings << text; }
    void PassedOver(const TPassedOver& passedOver) override { Warnings << PassedOverWarning(passedOver); }
    void Pause(int milliseconds) override { QThread::msleep(milliseconds); }

    QStringList Warnings;

private:
    const TMainForm& fForm;
};

TMainForm::TMainForm(const QString& routesFolder, QWidget* parent)
    : QWidget(parent),
      lblTop(new QLabel(this)),
      pnlMain(new QFrame(this)),
      lblPathExplain(new QLabel(pnlMain)),
      lblDirectory(new QLabel(pnlMain)),
      DirListBox(new TDirListBox(pnlMain)),
      cbDeleteTempFiles(new QCheckBox(pnlMain)),
      cbMakeGpx(new QCheckBox(pnlMain)),
      btnOpen(new QPushButton(pnlMain)),
      lblStatus(new TStatusLabel(pnlMain)),
      OpenDialog(new QFileDialog(this)),
      fRoutesFolder(routesFolder),
      fChooseFiles([this] { return ShowOpenDialog(); }),
      fShowError([this](const QString& message) { ShowErrorBox(message); }),
      fShowWarnings([this](const QStringList& warnings) { ShowWarningBox(warnings); }),
      fConvert([](const QStringList& files, TConversionHost& host) { return ConvertRoutes(ChosenFiles(files), host); })
{
    setWindowTitle(Title());
    setFont(FormFont(12));
    setAcceptDrops(true);

    lblTop->setObjectName(QStringLiteral("lblTop"));
    lblTop->setFont(FormFont(15));
    lblTop->setWordWrap(true);
    // 80 px holds the text in Segoe UI; a wider stand-in font gets the height it needs.
    lblTop->setMinimumHeight(80);
    lblTop->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTop->setText(QStringLiteral(
        "Dit programma helpt om vaarroutes gemaakt in de Nautiva software 2021 of eerder om te "
        "zetten naar het KMZ bestandsformaat, zoals gebruikt in de Nautiva App op iOS, Android "
        "en Windows editie 2022."));

    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    pnlMain->setFrameShape(QFrame::NoFrame);
    pnlMain->setFont(FormFont(13));

    lblPathExplain->setObjectName(QStringLiteral("lblPathExplain"));
    // A face wider than Segoe UI takes a second line, not a wider window.
    lblPathExplain->setWordWrap(true);
    lblPathExplain->setText(QStringLiteral("Kies hieronder de doelmap voor de nieuwe KMZ bestanden."));

    // Shows the folder list's current folder, shortened by the list; the
    // label must not widen the window for a long path.
    lblDirectory->setObjectName(QStringLiteral("lblDirectory"));
    lblDirectory->setToolTip(QStringLiteral("Dit is de doelmap waar de geëxporteerde routes komen te staan"));
    lblDirectory->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    DirListBox->setObjectName(QStringLiteral("DirListBox"));
    DirListBox->setToolTip(QStringLiteral("Selecteer de doelmap"));
    DirListBox->SetDirLabel(lblDirectory);

    cbDeleteTempFiles->setObjectName(QStringLiteral("cbDeleteTempFiles"));
    cbDeleteTempFiles->setText(QStringLiteral("Verwijder tijdelijke KML bestanden"));
    cbDeleteTempFiles->setToolTip(QStringLiteral("KML bestanden zijn ook te gebruiken in de Nautiva app voor Windows"));
    cbDeleteTempFiles->setChecked(true);

    cbMakeGpx->setObjectName(QStringLiteral("cbMakeGpx"));
    cbMakeGpx->setText(QStringLiteral("Maak ook een GPX bestand van elke route"));

    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnOpen->setText(QStringLiteral("Selecteer routes om te converteren"));
    btnOpen->setFixedHeight(65);
    connect(btnOpen, &QPushButton::clicked, this, &TMainForm::btnOpenClick);

    // A status line longer than the window, as one with a long file name,
    // takes more lines; the folder list gives up the height.
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblStatus->setMinimumHeight(lblStatus->fontMetrics().height());

    auto* panelLayout = new QVBoxLayout(pnlMain);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->setSpacing(5);
    panelLayout->addWidget(lblPathExplain);
    panelLayout->addWidget(lblDirectory);
    panelLayout->addWidget(DirListBox, 1);
    panelLayout->addWidget(cbDeleteTempFiles);
    panelLayout->addWidget(cbMakeGpx);
    panelLayout->addWidget(btnOpen);
    panelLayout->addWidget(lblStatus);

    auto* formLayout = new QVBoxLayout(this);
    formLayout->setContentsMargins(10, 10, 10, 10);
    formLayout->setSpacing(10);
    formLayout->addWidget(lblTop);
    formLayout->addWidget(pnlMain, 1);

    setTabOrder(btnOpen, DirListBox);
    setTabOrder(DirListBox, cbDeleteTempFiles);
    setTabOrder(cbDeleteTempFiles, cbMakeGpx);
    btnOpen->setFocus();

    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setNameFilters({QStringLiteral("Nautiva Routes (*.rte)"), QStringLiteral("Nautiva Tracks (*.trk)")});
    OpenDialog->setDefaultSuffix(QStringLiteral("RTE"));
    OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
    // Names of files that do not exist are taken as well, and several at
    // once: AnyFile, whose lists Qt leaves at single selection, with its two
    // file views switched to multiple selection. That needs Qt's own dialog;
    // the native ones know no such mode.
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
    // The entries read as names; the patterns filter all the same.
    OpenDialog->setOption(QFileDialog::HideNameFilterDetails);
    OpenDialog->setFileMode(QFileDialog::AnyFile);
    for (const QString& view : {QStringLiteral("listView"), QStringLiteral("treeView")})
        if (auto* fileView = OpenDialog->findChild<QAbstractItemView*>(view))
            fileView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    OpenDialog->setSizeGripEnabled(true);
    // The details' columns fit what they show, however wide the font, and
    // the name takes the width left, so no column is cut or out of sight.
    if (auto* details = OpenDialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (int column = 1; column < header->count(); ++column)
            header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    }
    const QFontMetrics dialogMetrics = OpenDialog->fontMetrics();
    OpenDialog->resize(std::max(OpenDialog->width(), dialogMetrics.averageCharWidth() * 110),
                       std::max(OpenDialog->height(), dialogMetrics.lineSpacing() * 28));
    // The completion list of a typed name is a window of its own, which
    // Enter leaves up over the main window when it closes the dialog.
    connect(OpenDialog, &QDialog::finished, this, [this] {
        for (const QCompleter* completer : OpenDialog->findChildren<QCompleter*>())
            completer->popup()->hide();
    });

    // The designed 420 × 478, taller by the GPX box and its spacing, so the
    // folder list keeps its height.
    resize(420, 478 + panelLayout->spacing() + cbMakeGpx->sizeHint().height());
    setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));

    FormCreate();
}

QString TMainForm::Title()
{
    return QStringLiteral("Nautiva Route Conversie");
}

void TMainForm::FormCreate()
{
    if (!fRoutesFolder.isEmpty())
        OpenDialog->setDirectory(fRoutesFolder);
    // A fresh user may have no Documents folder yet: the list then stays
    // in the process's current folder.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty())
        DirListBox->SetDirectory(documents);
}

void TMainForm::btnOpenClick()
{
    Run(fChooseFiles);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    TakeDrag(*event, fRunning);
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    TakeDrag(*event, fRunning);
}

// The run starts once the drop is answered: the program the files come from
// waits for that answer, not for the run.
void TMainForm::dropEvent(QDropEvent* event)
{
    const QStringList files = TakeDrag(*event, fRunning);
    if (files.isEmpty())
        return;
    QMetaObject::invokeMethod(this, [this, files] { Run([&files] { return files; }); }, Qt::QueuedConnection);
}

// Chooses the files within the run, so a click during the file dialog is
// refused as well.
void TMainForm::Run(const TFileChooser& chooseFiles)
{
    if (fRunning)
        return;
    {
        const QScopedValueRollback running(fRunning, true);
        RunConversion(chooseFiles());
    }
    if (std::exchange(fCloseRequested, false))
        close();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (fRunning) {
        fCloseRequested = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TMainForm::RunConversion(const QStringList& files)
{
    if (files.isEmpty())
        return;
    THost host(*this);
    // Whatever goes wrong ends the run; the window stays for a new one.
    try {
        fConvert(files, host);
    } catch (...) {
        fShowError(ErrorMessageText(CurrentErrorText()));
    }
    if (!host.Warnings.isEmpty())
        fShowWarnings(host.Warnings);
}

QStringList TMainForm::ShowOpenDialog()
{
    if (OpenDialog->exec() != QDialog::Accepted)
        return {};
    QStringList files = OpenDialog->selectedFiles();
    for (QString& file : files)
        file = WithExtensionAsFound(file);
    return files;
}

void TMainForm::ShowErrorBox(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, Title(), message, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// A warning box whose list scrolls: a library can leave more files out
// than a screen holds lines.
void TMainForm::ShowWarningBox(const QStringList& warnings)
{
    QDialog box(this);
    box.setObjectName(QStringLiteral("WarningBox"));
    box.setWindowTitle(Title());
    auto* icon = new QLabel(&box);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, &box).pixmap(iconSize));
    auto* heading = new QLabel(WarningsHeading(), &box);
    auto* list = new QPlainTextEdit(WarningsList(warnings), &box);
    list->setObjectName(QStringLiteral("WarningList"));
    list->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(heading, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(top);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
    // As large as the list needs, within most of the screen; the rest scrolls.
    const QFontMetrics metrics = list->fontMetrics();
    int widest = 0;
    for (const QString& warning : warnings)
        widest = std::max(widest, metrics.horizontalAdvance(warning));
    const QRect screen = this->screen()->availableGeometry();
    const int besideList = 6 * metrics.averageCharWidth() + iconSize;
    const int listHeight = int(2 * warnings.size() + 1) * metrics.lineSpacing();
    const int aboveAndBelow = box.sizeHint().height() - list->sizeHint().height();
    box.resize(std::clamp(widest + besideList, 60 * metrics.averageCharWidth(), screen.width() * 4 / 5),
               std::min(aboveAndBelow + listHeight, screen.height() * 3 / 4));
    box.exec();
}

QString TMainForm::WarningsHeading()
{
    return QStringLiteral("De conversie gaf deze waarschuwingen:");
}

QString TMainForm::WarningsList(const QStringList& warnings)
{
    // An empty line between two entries, so that a long path that wraps
    // cannot run into the next.
    return warnings.join(QStringLiteral("\n\n"));
}
