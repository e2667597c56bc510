#include "app/Converter_MainForm.h"
#include "app/QtTranslations.h"

#include "app/TDirListBox.h"
#include "geo/uRouteLibrary.h"
#include "platform/Error.h"
#include "util/uFileUtils.h"

#include "support/ArchiveReaders.h"
#include "support/LibraryTree.h"
#include "support/TestSupport.h"
#include "support/TextFit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QHeaderView>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <stdexcept>

namespace {

// What a message box showed.
struct ShownBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
};

// Records the next message box and accepts it as soon as it is shown.
void AcceptMessageBox(ShownBox& shown)
{
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = {box->icon(), box->windowTitle(), box->text(), box->standardButtons(), box->textFormat()};
        box->accept();
    });
}

// The actions a file manager offers for a drag of files.
constexpr Qt::DropActions kFileManagerActions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;

// What a file manager drags: the files' local URLs.
std::unique_ptr<QMimeData> FileUrls(const QStringList& paths)
{
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);
    return data;
}

// A drag of data over the shown window at pos, sent as the platform sends
// it: to the native window, which hands it to the control under pos.
struct TDrag {
    QWindow* window;
    const QMimeData& data;
    QPoint pos;
    Qt::DropActions actions = kFileManagerActions;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;

    // Enters and moves; the action the window takes, at enter and at move
    // alike, IgnoreAction when it refuses the drag.
    Qt::DropAction Over() const
    {
        QDragEnterEvent enter(pos, actions, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(window, &enter);
        const Qt::DropAction moved = Move();
        EXPECT_EQ(moved, enter.isAccepted() ? enter.dropAction() : Qt::IgnoreAction);
        return moved;
    }

    // Moves on the spot, as the platform does while the drag is held.
    Qt::DropAction Move() const
    {
        QDragMoveEvent move(pos, actions, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(window, &move);
        return move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }

    // Lets go; the action the window took, IgnoreAction when it refused.
    Qt::DropAction Drop() const
    {
        QDropEvent drop(pos, actions, &data, Qt::LeftButton, modifiers);
        QCoreApplication::sendEvent(window, &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    // Drops what the window takes and leaves otherwise; the action taken.
    Qt::DropAction DragAndDrop() const
    {
        if (Over() != Qt::IgnoreAction)
            return Drop();
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(window, &leave);
        return Qt::IgnoreAction;
    }
};

// A window in a home folder of its own, with the user's Documents folder
// missing unless a test makes one, and the error box recorded.
class MainFormTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fHome.isValid());
        ASSERT_TRUE(fRoutes.isValid());
        fForm = NewForm(fRoutes.path());
        fForm->SetMessageBox([this](const QString& text) { fMessages << text; });
        fForm->SetWarningBox([this](const QStringList& warnings) { fWarningBoxes << warnings; });
    }

    std::unique_ptr<TMainForm> NewForm(const QString& routesFolder) const
    {
        return std::make_unique<TMainForm>(routesFolder);
    }

    template <class T>
    T* Control(const char* name) const
    {
        return fForm->findChild<T*>(QString::fromLatin1(name));
    }

    QString Status() const { return Control<QLabel>("lblStatus")->text(); }

    // The designed 420 × 478, taller by the GPX box and the panel's spacing.
    QSize DesignedSize() const { return {420, 478 + 5 + Control<QWidget>("cbMakeGpx")->sizeHint().height()}; }

    void Choose(const QStringList& files)
    {
        fForm->SetFileChooser([files] { return files; });
    }

    // Lets answer act on the file dialog once it is shown. A dialog left
    // open, as one that did not take the answer, is cancelled.
    static void AnswerFileDialog(const std::function<void(QFileDialog&)>& answer)
    {
        QTimer::singleShot(0, [answer] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
    }

    QString Route(const char* name) const { return fRoutes.filePath(QString::fromLatin1(name)); }

    // Empty files of these names in the route library.
    void Touch(std::initializer_list<const char*> names) const
    {
        for (const char* name : names) {
            QFile file(Route(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
    }

    // The files a run gets when the file dialog is answered so.
    QStringList ChosenInDialog(const std::function<void(QFileDialog&)>& answer)
    {
        QStringList chosen;
        fForm->SetConversion([&chosen](const QStringList& files, TConversionHost&) {
            chosen = files;
            return 0;
        });
        AnswerFileDialog(answer);
        fForm->btnOpenClick();
        return chosen;
    }

    QPoint Centre(const char* control) const
    {
        const QWidget* widget = Control<QWidget>(control);
        return widget->mapTo(fForm.get(), widget->rect().center());
    }

    // A drag over the centre of a control of the window, which it shows.
    TDrag DragOver(const QMimeData& data, const char* control) const
    {
        fForm->show();
        return {fForm->windowHandle(), data, Centre(control)};
    }

    enum class TStart { stClick, stDrop };

    // Starts a run with files as the user does, by the button and the file
    // dialog or by dropping them on the window, and returns when it is over.
    void StartRun(TStart start, const QStringList& files)
    {
        if (start == TStart::stClick) {
            Choose(files);
            fForm->btnOpenClick();
            return;
        }
        const auto data = FileUrls(files);
        EXPECT_EQ(DragOver(*data, "btnOpen").DragAndDrop(), Qt::CopyAction);
        // The run starts once the drop is answered.
        QCoreApplication::processEvents();
    }

    QTemporaryDir fHome;
    EnvironmentScope fHomeVariable{"HOME", fHome.path()};
    EnvironmentScope fConfigVariable{"XDG_CONFIG_HOME", fHome.filePath(QStringLiteral(".config"))};
    QTemporaryDir fRoutes;
    std::unique_ptr<TMainForm> fForm;
    QStringList fMessages;
    QList<QStringList> fWarningBoxes;
};

QString PassedOver(const QString& path, TPassOver reason)
{
    return PassedOverWarning({path, reason, {}});
}

TEST_F(MainFormTest, ControlsCarryTheirTextsAndHints)
{
    struct Case {
        const char* name;
        const char* className;
        const char16_t* text; // nullptr: not a fixed text
        const char16_t* hint;
    };
    for (const Case& c : {
             Case{"lblTop", "QLabel",
                  u"Dit programma helpt om vaarroutes gemaakt in de Nautiva software 2021 of eerder om te "
                  u"zetten naar het KMZ bestandsformaat, zoals gebruikt in de Nautiva App op iOS, Android "
                  u"en Windows editie 2022.",
                  u""},
             Case{"pnlMain", "QFrame", nullptr, u""},
             Case{"lblPathExplain", "QLabel", u"Kies hieronder de doelmap voor de nieuwe KMZ bestanden.", u""},
             Case{"lblDirectory", "QLabel", nullptr, u"Dit is de doelmap waar de geëxporteerde routes komen te staan"},
             Case{"DirListBox", "TDirListBox", nullptr, u"Selecteer de doelmap"},
             Case{"cbDeleteTempFiles", "QCheckBox", u"Verwijder tijdelijke KML bestanden",
                  u"KML bestanden zijn ook te gebruiken in de Nautiva app voor Windows"},
             Case{"cbMakeGpx", "QCheckBox", u"Maak ook een GPX bestand van elke route", u""},
             Case{"btnOpen", "QPushButton", u"Selecteer routes om te converteren", u""},
             Case{"lblStatus", "TStatusLabel", u"", u""},
         }) {
        SCOPED_TRACE(c.name);
        const QWidget* control = Control<QWidget>(c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), c.className);
        if (c.text) {
            EXPECT_EQ(control->property("text").toString(), QString::fromUtf16(c.text));
        }
        EXPECT_EQ(control->toolTip(), QString::fromUtf16(c.hint));
    }
    EXPECT_EQ(fForm->windowTitle(), QStringLiteral("Nautiva Route Conversie"));
    EXPECT_EQ(fForm->size(), DesignedSize());
    EXPECT_TRUE(Control<QCheckBox>("cbDeleteTempFiles")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("cbMakeGpx")->isChecked());
    EXPECT_EQ(fForm->font().pixelSize(), 12);
    EXPECT_EQ(Control<QWidget>("pnlMain")->font().pixelSize(), 13);
    EXPECT_EQ(Control<QWidget>("lblStatus")->font().pixelSize(), 13);
    EXPECT_EQ(Control<QWidget>("lblTop")->font().pixelSize(), 15);
}

TEST_F(MainFormTest, ControlsStackTopDownAndTheFolderListTakesUpTheHeight)
{
    fForm->show();
    const char* order[] = {"lblPathExplain", "lblDirectory", "DirListBox", "cbDeleteTempFiles", "cbMakeGpx",
                           "btnOpen",        "lblStatus"};
    const auto top = [this](const char* name) { return Control<QWidget>(name)->geometry().top(); };
    for (size_t i = 1; i < std::size(order); ++i)
        EXPECT_LT(top(order[i - 1]), top(order[i])) << order[i - 1] << " above " << order[i];
    const QWidget* lblTop = Control<QWidget>("lblTop");
    EXPECT_EQ(lblTop->geometry().topLeft(), QPoint(10, 10));
    EXPECT_EQ(lblTop->width(), 400);
    EXPECT_EQ(lblTop->height(), std::max(80, lblTop->heightForWidth(400)));
    EXPECT_EQ(Control<QWidget>("pnlMain")->geometry().top(), lblTop->geometry().bottom() + 1 + 10);
    EXPECT_EQ(Control<QWidget>("lblStatus")->geometry().bottom(), Control<QWidget>("pnlMain")->height() - 1);
    EXPECT_EQ(Control<QWidget>("btnOpen")->height(), 65);
    EXPECT_EQ(Control<QWidget>("btnOpen")->width(), 400);
    // The window grew by the GPX box: the box has the height it asks for.
    EXPECT_EQ(Control<QWidget>("cbMakeGpx")->height(), Control<QWidget>("cbMakeGpx")->sizeHint().height());
    EXPECT_EQ(Control<QWidget>("cbMakeGpx")->geometry().top(),
              Control<QWidget>("cbDeleteTempFiles")->geometry().bottom() + 1 + 5);

    const int listHeight = Control<QWidget>("DirListBox")->height();
    fForm->resize(420, fForm->height() + 200);
    QApplication::processEvents();
    EXPECT_EQ(Control<QWidget>("DirListBox")->height(), listHeight + 200);
    EXPECT_EQ(Control<QWidget>("btnOpen")->height(), 65);
}

// Run once per font set: every text shows whole, status lines too, however
// long their words; the status takes the height it needs from the folder
// list, and the window keeps its size.
TEST_F(MainFormTest, NoTextIsCutOffInTheFontAtHand)
{
    fForm->show();
    QApplication::processEvents();
    auto* status = Control<QLabel>("lblStatus");
    const QWidget* list = Control<QWidget>("DirListBox");
    const int sharedHeight = status->height() + list->height();
    const QString longName = QString(232, u'R') + QStringLiteral(".rte");
    for (const QString& text : {
             QString(),
             QStringLiteral("Route Route '28-sep-24 (14.05)' leeg en overgeslagen."),
             QStringLiteral("Route laden: Vaarroute van de Biesbosch naar Dordrecht over de Nieuwe Merwede.rte"),
             QStringLiteral("Route laden: ") + longName,
             QStringLiteral("Exporteer route: ") + QString(232, u'W') + QStringLiteral(".kmz"),
             QStringLiteral("Route ") + longName + QStringLiteral(" leeg en overgeslagen."),
             QStringLiteral("Route Van de Biesbosch via de Nieuwe Merwede, de Oude Maas en het Spui naar het "
                            "Haringvliet, terug over het Hollands Diep en de Amer leeg en overgeslagen."),
             QStringLiteral("Route Eerste regel\nTweede regel leeg en overgeslagen."),
             QStringLiteral("Klaar. Routes [1234/5678] geëxporteerd."),
         }) {
        SCOPED_TRACE(text.toStdString());
        status->setText(text);
        QApplication::processEvents();
        EXPECT_EQ(status->text(), text);
        EXPECT_EQ(WrappedTextCutOff(*status), QString());
        for (const char* name : {"lblTop", "lblPathExplain", "lblDirectory", "cbDeleteTempFiles", "cbMakeGpx", "btnOpen"})
            EXPECT_EQ(TextCutOff(*Control<QWidget>(name)), QString()) << name;
        EXPECT_EQ(fForm->size(), DesignedSize());
        EXPECT_EQ(status->height() + list->height(), sharedHeight);
        EXPECT_EQ(status->geometry().bottom(), Control<QWidget>("pnlMain")->height() - 1);
    }
}

TEST_F(MainFormTest, TabGoesFromTheButtonToTheFolderListToTheCheckBoxes)
{
    QList<const QWidget*> chain{Control<QWidget>("btnOpen")};
    for (const QWidget* next = chain.front()->nextInFocusChain(); next != chain.front();
         next = next->nextInFocusChain()) {
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(fForm.get()))
            chain << next;
    }
    EXPECT_EQ(chain, (QList<const QWidget*>{Control<QWidget>("btnOpen"), Control<QWidget>("DirListBox"),
                                             Control<QWidget>("cbDeleteTempFiles"), Control<QWidget>("cbMakeGpx")}));
}

TEST_F(MainFormTest, TheFileDialogOffersRoutesAndTracksInTheRouteLibrary)
{
    const auto* dialog = Control<QFileDialog>("OpenDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters(),
              QStringList({QStringLiteral("Nautiva Routes (*.rte)"), QStringLiteral("Nautiva Tracks (*.trk)")}));
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("RTE"));
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_TRUE(dialog->isSizeGripEnabled());
    EXPECT_EQ(dialog->directory().path(), fRoutes.path());

    // Without a route library the dialog opens where any new one would.
    const auto withoutLibrary = NewForm(QString());
    EXPECT_EQ(withoutLibrary->findChild<QFileDialog*>(QStringLiteral("OpenDialog"))->directory(),
              QFileDialog().directory());
}

// The names in the dialog's file list, once its folder is read.
QStringList ListedNames(QFileDialog& dialog)
{
    auto* list = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    EXPECT_NE(list, nullptr);
    if (!list)
        return {};
    const QAbstractItemModel& model = *list->model();
    EXPECT_TRUE(QTest::qWaitFor([&] { return model.rowCount(list->rootIndex()) > 0; }));
    QStringList names;
    for (int row = 0; row < model.rowCount(list->rootIndex()); ++row) {
        const QModelIndex index = model.index(row, 0, list->rootIndex());
        if (index.flags().testFlag(Qt::ItemIsEnabled))
            names << index.data().toString();
    }
    return names;
}

TEST_F(MainFormTest, TheFileDialogsFilterEntriesAreNamesThatStillFilter)
{
    Touch({"Haven.rte", "Spoor.trk", "notities.txt"});
    QStringList entries;
    int selected = -1;
    QStringList routes;
    QStringList tracks;
    AnswerFileDialog([&](QFileDialog& dialog) {
        auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        for (int i = 0; i < types->count(); ++i)
            entries << types->itemText(i);
        selected = types->currentIndex();
        routes = ListedNames(dialog);
        QTest::keyClick(types, Qt::Key_Down);
        // The list is filtered anew in the background.
        static_cast<void>(QTest::qWaitFor([&] { return ListedNames(dialog) != routes; }));
        tracks = ListedNames(dialog);
    });

    fForm->btnOpenClick();

    EXPECT_EQ(entries, QStringList({QStringLiteral("Nautiva Routes"), QStringLiteral("Nautiva Tracks")}));
    EXPECT_EQ(selected, 0);
    EXPECT_EQ(routes, QStringList{QStringLiteral("Haven.rte")});
    EXPECT_EQ(tracks, QStringList{QStringLiteral("Spoor.trk")});
}

TEST_F(MainFormTest, TheFileDialogSpeaksDutch)
{
    QTranslator* dutch = InstallDutchQtTexts();
    ASSERT_NE(dutch, nullptr) << "Qt's Dutch translation is not installed";
    const auto englishAgain = qScopeGuard([dutch] { delete dutch; });
    QStringList texts;
    AnswerFileDialog([&texts](QFileDialog& dialog) {
        for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
            texts << dialog.findChild<QLabel*>(QString::fromLatin1(label))->text();
        const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        for (const QPushButton* button : {buttons->button(QDialogButtonBox::Open), buttons->button(QDialogButtonBox::Cancel)})
            texts << button->text();
    });

    fForm->btnOpenClick();

    EXPECT_EQ(texts, QStringList({QStringLiteral("Zoeken in:"), QStringLiteral("Bestands&naam:"),
                                  QStringLiteral("Bestanden van type:"), QStringLiteral("Openen"),
                                  QStringLiteral("Annuleren")}));
}

// Typing a name and Enter, while the name's completion list is up: once the
// dialog has closed, nothing of it is left on screen.
TEST_F(MainFormTest, NothingOfTheFileDialogStaysOnScreenAfterAnEnteredName)
{
    for (const char* name : {"Haven.rte", "Havenkade.rte"}) {
        QFile file(Route(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    fForm->show();
    QStringList chosen;
    fForm->SetConversion([&chosen](const QStringList& files, TConversionHost&) {
        chosen = files;
        return 0;
    });
    QPointer<QWidget> popup;
    AnswerFileDialog([&popup](QFileDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        ASSERT_NE(name->completer(), nullptr);
        popup = name->completer()->popup();
        ListedNames(dialog);
        QTest::keyClicks(name, QStringLiteral("Haven.r"));
        ASSERT_TRUE(QTest::qWaitFor([&popup] { return popup->isVisible(); }));
        // Keys go to the completion list while it is up, as the platform
        // sends them; it may close and open again as the list is read anew.
        const auto target = [name] {
            QWidget* up = QApplication::activePopupWidget();
            return up ? up : name;
        };
        QTest::keyClicks(target(), QStringLiteral("te"));
        QTest::keyClick(target(), Qt::Key_Return);
    });

    fForm->btnOpenClick();
    // A list shown again later on would be up by now.
    QTest::qWait(200);

    EXPECT_EQ(chosen, QStringList{Route("Haven.rte")});
    QStringList shown;
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget != fForm.get())
            shown << QString::fromLatin1(widget->metaObject()->className()) + u' ' + widget->objectName();
    EXPECT_EQ(shown, QStringList());
    EXPECT_FALSE(popup && popup->isVisible());
}

TEST_F(MainFormTest, TheFileDialogTakesSeveralNamesMissingOnesTooAndAddsTheDefaultExtension)
{
    const QStringList chosen = ChosenInDialog([](QFileDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("\"Haven\" \"Biesbosch.rte\" \"Markermeer.trk\""));
        static_cast<QDialog&>(dialog).accept();
    });

    EXPECT_EQ(chosen, QStringList({Route("Haven.RTE"), Route("Biesbosch.rte"), Route("Markermeer.trk")}));
}

// A file system that minds letter case holds "Amstel.rte" where the dialog
// makes "Amstel.RTE" of a typed "Amstel": the one file that differs only in
// the extension's letter case is taken; of two, neither.
TEST_F(MainFormTest, ATypedNameFindsItsRouteFileWhateverTheExtensionsLetterCase)
{
    Touch({"Amstel.rte", "Vecht.rte", "Vecht.Rte"});

    const QStringList chosen = ChosenInDialog([](QFileDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"Amstel\" \"Vecht\" \"Amstel.rTe\""));
        static_cast<QDialog&>(dialog).accept();
    });

    EXPECT_EQ(chosen, QStringList({Route("Amstel.rte"), Route("Vecht.RTE"), Route("Amstel.rte")}));
}

// The details show a file's size and date whole, in whatever font, and the
// dialog opens wide enough to show every column with room for the name.
TEST_F(MainFormTest, TheFileDialogsColumnsAreNotCut)
{
    WriteFile(Route("Een route met een lange naam.rte"), QByteArray(531, 'x'));
    QList<int> cut;
    bool allShown = false;
    int nameWidth = 0;
    int nameNeeded = 0;
    AnswerFileDialog([&](QFileDialog& dialog) {
        dialog.setViewMode(QFileDialog::Detail);
        auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(details, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([details] { return details->model()->rowCount(details->rootIndex()) == 1; }));
        QApplication::processEvents();
        // A view's item keeps a focus frame's margin and one pixel on each side of its text.
        const int margins = 2 * (details->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, details) + 1);
        const QModelIndex row = details->model()->index(0, 0, details->rootIndex());
        for (int column = 1; column < details->header()->count(); ++column) {
            const QString text = row.siblingAtColumn(column).data().toString();
            const int needed = std::max(details->header()->sectionSizeHint(column),
                                        details->fontMetrics().horizontalAdvance(text) + margins);
            if (details->header()->sectionSize(column) < needed)
                cut << column;
        }
        allShown = details->header()->length() <= details->viewport()->width();
        nameWidth = details->header()->sectionSize(0);
        nameNeeded = details->fontMetrics().averageCharWidth() * 25;
    });

    fForm->btnOpenClick();

    EXPECT_EQ(cut, QList<int>());
    EXPECT_TRUE(allShown);
    EXPECT_GE(nameWidth, nameNeeded) << "room for a name of 25 characters";
}

TEST_F(MainFormTest, SeveralFilesCanBePickedInTheDialogsList)
{
    Touch({"Haven.rte", "Biesbosch.rte"});

    QStringList chosen = ChosenInDialog([](QFileDialog& dialog) {
        auto* list = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
        ASSERT_NE(list, nullptr);
        // The folder is read in the background.
        ASSERT_TRUE(QTest::qWaitFor([list] { return list->model()->rowCount(list->rootIndex()) == 2; }));
        list->selectAll();
        static_cast<QDialog&>(dialog).accept();
    });

    chosen.sort();
    EXPECT_EQ(chosen, QStringList({Route("Biesbosch.rte"), Route("Haven.rte")}));
}

TEST_F(MainFormTest, CancellingTheDialogChangesNothing)
{
    Control<QLabel>("lblStatus")->setText(QStringLiteral("Klaar. Routes [1/1] geëxporteerd."));
    bool converted = false;
    fForm->SetConversion([&converted](const QStringList&, TConversionHost&) {
        converted = true;
        return 0;
    });
    AnswerFileDialog([](QFileDialog& dialog) { dialog.reject(); });

    fForm->btnOpenClick();

    EXPECT_FALSE(converted);
    EXPECT_EQ(Status(), QStringLiteral("Klaar. Routes [1/1] geëxporteerd."));
    EXPECT_TRUE(fMessages.isEmpty());
}

TEST_F(MainFormTest, TheFolderListStartsInTheUsersDocumentsWhenThereIsOne)
{
    const QString documents = fHome.filePath(QStringLiteral("Documents"));
    EXPECT_EQ(NewForm(fRoutes.path())->findChild<TDirListBox*>()->Directory(), QDir::currentPath());

    ASSERT_TRUE(QDir().mkdir(documents));
    EXPECT_EQ(NewForm(fRoutes.path())->findChild<TDirListBox*>()->Directory(), documents);
}

TEST_F(MainFormTest, ARunReportsInTheStatusLabel)
{
    // Names the dialog offers but the run passes over.
    Choose({Route("Markermeer.trk"), Route("IJssel.trk")});

    fForm->btnOpenClick();

    EXPECT_EQ(Status(), QStringLiteral("Klaar. Routes [0/2] geëxporteerd."));
    EXPECT_TRUE(fMessages.isEmpty());
}

// Routes written by our own writer, converted by the real run into the
// folder list's folder.
class MainFormRunTest : public MainFormTest {
protected:
    QString WriteRoute(const char* name, int waypoints) const
    {
        TRoute route(QString{});
        route.setCaption(QString::fromLatin1(name));
        for (int i = 0; i < waypoints; ++i)
            route.Add(52 + i / 100.0, 4 + i / 100.0);
        const QString path = Route(name);
        EXPECT_TRUE(route.SaveToFile(path, 6, false));
        return path;
    }

    void Target(const QString& folder) const { Control<TDirListBox>("DirListBox")->SetDirectory(folder); }

    QTemporaryDir fTarget;
};

TEST_F(MainFormRunTest, ConvertsRoutesIntoTheFolderListsFolder)
{
    Target(fTarget.path());
    Control<QCheckBox>("cbDeleteTempFiles")->setChecked(false);
    Choose({WriteRoute("Haven.rte", 3), WriteRoute("Leeg.rte", 0), Route("Spoor.trk")});

    fForm->btnOpenClick();

    EXPECT_EQ(Status(), QStringLiteral("Klaar. Routes [1/3] geëxporteerd."));
    EXPECT_TRUE(fMessages.isEmpty());
    const QStringList passedOver{PassedOver(Route("Leeg.rte"), TPassOver::poEmptyRoute),
                                 PassedOver(Route("Spoor.trk"), TPassOver::poMissing)};
    EXPECT_EQ(fWarningBoxes, QList<QStringList>{passedOver});
    EXPECT_EQ(QDir(fTarget.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("Haven.kml"), QStringLiteral("Haven.kmz")}));
    EXPECT_EQ(ArchiveProblems(fTarget.filePath(QStringLiteral("Haven.kmz")), {{52, 4}, {52.01, 4.01}, {52.02, 4.02}}),
              QString());
    EXPECT_EQ(XmlProblems(fTarget.filePath(QStringLiteral("Haven.kml"))), QString());
}

TEST_F(MainFormRunTest, TheGpxBoxTickedWritesAGpxBesideEachArchive)
{
    Target(fTarget.path());
    Control<QCheckBox>("cbMakeGpx")->setChecked(true);
    Choose({WriteRoute("Haven.rte", 3), WriteRoute("Leeg.rte", 0)});

    fForm->btnOpenClick();

    EXPECT_EQ(Status(), QStringLiteral("Klaar. Routes [1/2] geëxporteerd."));
    EXPECT_TRUE(fMessages.isEmpty());
    EXPECT_EQ(fWarningBoxes, QList<QStringList>{{PassedOver(Route("Leeg.rte"), TPassOver::poEmptyRoute)}});
    EXPECT_EQ(QDir(fTarget.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("Haven.gpx"), QStringLiteral("Haven.kmz")}));
    EXPECT_EQ(GpxProblems(fTarget.filePath(QStringLiteral("Haven.gpx")),
                          {{QStringLiteral("Waypoint 1"), 52, 4},
                           {QStringLiteral("Waypoint 2"), 52.01, 4.01},
                           {QStringLiteral("Waypoint 3"), 52.02, 4.02}}),
              QString());
}

TEST_F(MainFormRunTest, AFolderThatCannotBeWrittenEndsTheRunInTheMessageBox)
{
    const QString gone = fTarget.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(gone));
    Target(gone);
    ASSERT_TRUE(QDir(gone).removeRecursively());
    Choose({WriteRoute("Haven.rte", 3), WriteRoute("Sluis.rte", 2)});

    fForm->btnOpenClick();

    EXPECT_EQ(Status(), QStringLiteral("Route laden: Haven.rte"));
    ASSERT_EQ(fMessages.size(), 1);
    EXPECT_TRUE(fMessages.at(0).startsWith(QStringLiteral("Cannot create file \"%1/Haven.kmz\". ").arg(gone)))
        << fMessages.at(0).toStdString();
    EXPECT_TRUE(fMessages.at(0).endsWith(u'.'));
}

TEST_F(MainFormTest, TheRunSeesTheControlsAsTheyAreAtEachStep)
{
    const QString other = fHome.filePath(QStringLiteral("kmz"));
    ASSERT_TRUE(QDir().mkdir(other));
    auto* list = Control<TDirListBox>("DirListBox");
    list->SetDirectory(fRoutes.path());
    QStringList seen;
    bool eventsHandled = false;
    fForm->SetConversion([&](const QStringList& files, TConversionHost& host) {
        seen << host.TargetFolder() << QString::number(host.KeepKml()) << QString::number(host.MakeGpx());
        // What the user changes while the run works applies to what follows.
        list->SetDirectory(other);
        Control<QCheckBox>("cbDeleteTempFiles")->setChecked(false);
        Control<QCheckBox>("cbMakeGpx")->setChecked(true);
        seen << host.TargetFolder() << QString::number(host.KeepKml()) << QString::number(host.MakeGpx());

        QTimer::singleShot(0, [&eventsHandled] { eventsHandled = true; });
        host.ShowStatus(QStringLiteral("Route laden: ") + QFileInfo(files.front()).fileName());
        EXPECT_TRUE(eventsHandled);
        EXPECT_EQ(Status(), QStringLiteral("Route laden: Haven.rte"));
        return 0;
    });
    Choose({Route("Haven.rte")});

    fForm->btnOpenClick();

    EXPECT_EQ(seen, QStringList({fRoutes.path(), QStringLiteral("0"), QStringLiteral("0"), other, QStringLiteral("1"),
                                 QStringLiteral("1")}));
}

TEST_F(MainFormTest, AnErrorEndsTheRunInAMessageBoxAndANewRunCanStart)
{
    struct Case {
        std::function<void()> raise;
        const char16_t* shown;
    };
    for (const Case& c : {
             Case{[] { throw Error::CannotCreateFile(QStringLiteral("/kmz/Haven.kml"),
                                                               QStringLiteral("Permission denied")); },
                  u"Cannot create file \"/kmz/Haven.kml\". Permission denied."},
             Case{[] { throw std::runtime_error("out of memory"); }, u"out of memory."},
             Case{[] { throw std::bad_alloc(); }, u"Out of memory."},
             Case{[] { throw 42; }, u"Internal error."},
         }) {
        SCOPED_TRACE(QString::fromUtf16(c.shown).toStdString());
        fMessages.clear();
        fForm->SetConversion([&c](const QStringList&, TConversionHost& host) {
            host.ShowStatus(QStringLiteral("Route laden: Haven.rte"));
            c.raise();
            host.ShowStatus(QStringLiteral("Klaar. Routes [1/1] geëxporteerd."));
            return 1;
        });
        Choose({Route("Haven.rte")});

        fForm->btnOpenClick();

        EXPECT_EQ(fMessages, QStringList{QString::fromUtf16(c.shown)});
        EXPECT_EQ(Status(), QStringLiteral("Route laden: Haven.rte"));
    }
}

TEST_F(MainFormTest, TheErrorBoxIsAStopMessageWithTheProgramsTitle)
{
    const auto form = NewForm(fRoutes.path());
    form->SetFileChooser([this] { return QStringList{Route("Haven.rte")}; });
    form->SetConversion([](const QStringList&, TConversionHost&) -> int {
        throw Error::CannotOpenFile(QStringLiteral("Haven.rte"), QStringLiteral("Sharing violation"));
    });
    ShownBox shown;
    AcceptMessageBox(shown);

    form->btnOpenClick();

    EXPECT_EQ(shown.icon, QMessageBox::Critical);
    EXPECT_EQ(shown.title, QStringLiteral("Nautiva Route Conversie"));
    EXPECT_EQ(shown.text, QStringLiteral("Cannot open file \"Haven.rte\". Sharing violation."));
    EXPECT_EQ(shown.buttons, QMessageBox::Ok);
    EXPECT_EQ(shown.format, Qt::PlainText);
}

TEST_F(MainFormRunTest, ARunWithDamagedRoutesListsThemInOneWarningBoxAfterItsClosingText)
{
    Target(fTarget.path());
    const QString sound = WriteRoute("Haven.rte", 3);
    const QString cut = WriteRoute("Sluis.rte", 3);
    const QByteArray bytes = ReadFile(cut);
    WriteFile(cut, bytes.left(bytes.size() - 10));
    const QString caption = WriteRoute("Leeg.rte", 0);
    const QByteArray empty = ReadFile(caption);
    WriteFile(caption, empty.left(empty.size() - 2)); // cut inside the waypoint count
    QList<QStringList> boxes;
    QString statusWhenShown;
    fForm->SetWarningBox([&](const QStringList& warnings) {
        boxes << warnings;
        statusWhenShown = Status();
    });

    Choose({sound, cut, caption});
    fForm->btnOpenClick();
    Choose({sound});
    fForm->btnOpenClick();

    EXPECT_TRUE(fMessages.isEmpty());
    ASSERT_EQ(boxes.size(), 1) << "a run without damage shows none";
    EXPECT_EQ(boxes.at(0), (QStringList{DamageWarning(cut, 2, 3), DamageWarning(caption, 0, -1),
                                        PassedOver(caption, TPassOver::poEmptyRoute)}));
    EXPECT_EQ(statusWhenShown, QStringLiteral("Klaar. Routes [2/3] geëxporteerd."));
    EXPECT_EQ(DamageWarning(cut, 2, 3),
              QStringLiteral("Route \"%1\" is beschadigd: 2 van de 3 waypoints overgenomen.").arg(cut));
    EXPECT_EQ(DamageWarning(caption, 0, -1),
              QStringLiteral("Route \"%1\" is beschadigd: 0 waypoints overgenomen; het aantal in het bestand is "
                             "onleesbaar.")
                  .arg(caption));
}

// The list scrolls, so a library that leaves many files out still shows
// them all, and its entries are apart, a path that wraps too.
TEST_F(MainFormTest, TheWarningBoxListsTheWarningsInDutch)
{
    const auto form = NewForm(fRoutes.path());
    form->SetFileChooser([this] { return QStringList{Route("Haven.rte")}; });
    QStringList warnings{QStringLiteral("Route \"a.rte\" is beschadigd: 1 van de 2 waypoints overgenomen."),
                         QStringLiteral("Route \"<b>.rte\" is beschadigd: 0 van de 9 waypoints overgenomen.")};
    for (int i = 0; i < 200; ++i)
        warnings << PassedOver(QStringLiteral("/routes/%1/").arg(i).repeated(10) + QStringLiteral("x.rte"), TPassOver::poNoRoute);
    form->SetConversion([&warnings](const QStringList&, TConversionHost& host) {
        for (const QString& warning : warnings)
            host.Warn(warning);
        return 1;
    });
    QString title;
    QString heading;
    QString list;
    bool iconShown = false;
    bool fitsOnScreen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (label->pixmap().isNull())
                heading = label->text();
            else
                iconShown = true;
        }
        list = box->findChild<QPlainTextEdit*>(QStringLiteral("WarningList"))->toPlainText();
        fitsOnScreen = box->screen()->availableGeometry().contains(box->frameGeometry());
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });

    form->btnOpenClick();

    EXPECT_EQ(title, QStringLiteral("Nautiva Route Conversie"));
    EXPECT_EQ(heading, QStringLiteral("De conversie gaf deze waarschuwingen:"));
    EXPECT_TRUE(iconShown);
    EXPECT_EQ(list, warnings.join(QStringLiteral("\n\n")));
    EXPECT_TRUE(fitsOnScreen);
}

TEST_F(MainFormTest, TheStatusLabelShowsACaptionAsItIsNeverAsMarkup)
{
    const QString text = QStringLiteral("Route <b>Haven</b> &amp; <U+000A> leeg en overgeslagen.");
    fForm->SetConversion([&text](const QStringList&, TConversionHost& host) {
        host.ShowStatus(text);
        return 0;
    });
    Choose({Route("Haven.rte")});

    fForm->btnOpenClick();

    const auto* label = Control<QLabel>("lblStatus");
    EXPECT_EQ(label->text(), text);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

TEST(ErrorMessageTextTest, AddsAFullStopAfterACharacterThatSortsAfterIt)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("abc"), QStringLiteral("abc.")}, {QStringLiteral("x."), QStringLiteral("x.")},
        {QStringLiteral("(y)"), QStringLiteral("(y)")},  {QStringLiteral("9"), QStringLiteral("9.")},
        {QString(), QString()},                          {QStringLiteral("ë"), QStringLiteral("ë.")},
        {QStringLiteral("a-"), QStringLiteral("a-")},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(ErrorMessageText(message), shown) << message.toStdString();
}

TEST_F(MainFormTest, AClickDuringARunIsRefused)
{
    int chooserCalls = 0;
    fForm->SetFileChooser([&] {
        ++chooserCalls;
        fForm->btnOpenClick();
        return QStringList{Route("Haven.rte"), Route("Biesbosch.rte")};
    });
    int runs = 0;
    fForm->SetConversion([&](const QStringList& files, TConversionHost& host) {
        ++runs;
        for (const QString& file : files) {
            Control<QPushButton>("btnOpen")->click();
            host.ShowStatus(QFileInfo(file).fileName());
        }
        return 0;
    });

    fForm->btnOpenClick();
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(runs, 1);

    // Once the run is over the button works again.
    fForm->btnOpenClick();
    EXPECT_EQ(runs, 2);
}

TEST_F(MainFormTest, ClosingDuringARunTakesEffectWhenTheRunEnds)
{
    for (const TStart start : {TStart::stClick, TStart::stDrop}) {
        for (const bool fails : {false, true}) {
            SCOPED_TRACE(start == TStart::stDrop ? "dropped files" : "chosen files");
            SCOPED_TRACE(fails ? "run ends in an error" : "run ends normally");
            fMessages.clear();
            fForm->show();
            QStringList handled;
            fForm->SetConversion([&](const QStringList& files, TConversionHost& host) {
                for (const QString& file : files) {
                    if (handled.isEmpty()) {
                        EXPECT_FALSE(fForm->close());
                    }
                    EXPECT_TRUE(fForm->isVisible());
                    host.ShowStatus(QFileInfo(file).fileName());
                    handled << QFileInfo(file).fileName();
                }
                if (fails)
                    throw Error::CannotCreateFile(QStringLiteral("x"), QStringLiteral("Disk full"));
                return 0;
            });
            StartRun(start, {Route("Haven.rte"), Route("Biesbosch.rte")});

            EXPECT_EQ(handled, QStringList({QStringLiteral("Haven.rte"), QStringLiteral("Biesbosch.rte")}));
            EXPECT_FALSE(fForm->isVisible());
            EXPECT_EQ(fMessages.size(), fails ? 1 : 0);
        }
    }
}

TEST_F(MainFormTest, DragsOfLocalFilesAreTakenAsACopyAnywhereOnTheWindowAndRunAsDropped)
{
    const QStringList files{Route("Zuid.rte"), Route("Haven en Sluis.rte"), Route("IJssel #1 100%.rte"),
                            fRoutes.filePath(QStringLiteral("Ĳmuiden.RTE")), Route("ontbreekt.trk")};
    const auto withText = [] {
        auto data = std::make_unique<QMimeData>();
        data->setText(QStringLiteral("/routes/Haven.rte"));
        return data;
    };
    const auto withUrls = [](const QList<QUrl>& urls) {
        auto data = std::make_unique<QMimeData>();
        data->setUrls(urls);
        return data;
    };
    struct Case {
        const char* what;
        std::unique_ptr<QMimeData> data;
        Qt::DropActions actions;
        Qt::KeyboardModifiers modifiers;
        Qt::DropAction taken;
        QStringList run; // the files the run gets; none when refused
    };
    Case cases[] = {
        {"local files", FileUrls(files), kFileManagerActions, Qt::NoModifier, Qt::CopyAction, files},
        {"a folder", FileUrls({fRoutes.path()}), kFileManagerActions, Qt::NoModifier, Qt::CopyAction, {fRoutes.path()}},
        // The run only reads the files; a move could lose them.
        {"shift asks for a move", FileUrls(files), kFileManagerActions, Qt::ShiftModifier, Qt::CopyAction, files},
        {"a move only", FileUrls(files), Qt::MoveAction, Qt::NoModifier, Qt::IgnoreAction, {}},
        {"text", withText(), kFileManagerActions, Qt::NoModifier, Qt::IgnoreAction, {}},
        {"no URLs", withUrls({}), kFileManagerActions, Qt::NoModifier, Qt::IgnoreAction, {}},
        {"a web address", withUrls({QUrl(QStringLiteral("https://example.org/Haven.rte"))}), kFileManagerActions,
         Qt::NoModifier, Qt::IgnoreAction, {}},
        {"a local file and a web address",
         withUrls({QUrl::fromLocalFile(files.front()), QUrl(QStringLiteral("sftp://host/Haven.rte"))}),
         kFileManagerActions, Qt::NoModifier, Qt::IgnoreAction, {}},
    };
    QList<QStringList> runs;
    fForm->SetConversion([&runs](const QStringList& dropped, TConversionHost&) {
        runs << dropped;
        return 0;
    });
    int dialogs = 0;
    fForm->SetFileChooser([&dialogs] {
        ++dialogs;
        return QStringList();
    });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* control :
             {"lblTop", "lblPathExplain", "lblDirectory", "DirListBox", "cbDeleteTempFiles", "btnOpen", "lblStatus"}) {
            SCOPED_TRACE(control);
            runs.clear();
            TDrag drag = DragOver(*c.data, control);
            drag.actions = c.actions;
            drag.modifiers = c.modifiers;
            EXPECT_EQ(drag.DragAndDrop(), c.taken);
            EXPECT_TRUE(runs.isEmpty()) << "the run waits until the drop is answered";
            QCoreApplication::processEvents();
            EXPECT_EQ(runs, c.run.isEmpty() ? QList<QStringList>() : QList<QStringList>{c.run});
        }
    }
    EXPECT_EQ(dialogs, 0);
}

TEST_F(MainFormTest, NeitherAClickNorADropDuringARunStartsAnother)
{
    const auto other = FileUrls({Route("Sluis.rte")});
    for (const TStart start : {TStart::stClick, TStart::stDrop}) {
        SCOPED_TRACE(start == TStart::stDrop ? "run of dropped files" : "run of chosen files");
        QStringList runs;
        Qt::DropAction taken = Qt::CopyAction;
        fForm->SetConversion([&](const QStringList& files, TConversionHost& host) {
            runs << QFileInfo(files.front()).fileName();
            if (runs.size() == 1) {
                Control<QPushButton>("btnOpen")->click();
                taken = DragOver(*other, "DirListBox").DragAndDrop();
                host.ShowStatus(QFileInfo(files.front()).fileName());
            }
            return 0;
        });

        StartRun(start, {Route("Haven.rte")});
        QCoreApplication::processEvents();

        EXPECT_EQ(taken, Qt::IgnoreAction);
        EXPECT_EQ(runs, QStringList{QStringLiteral("Haven.rte")});

        // Once the run is over a drop works again.
        StartRun(TStart::stDrop, {Route("Biesbosch.rte")});
        EXPECT_EQ(runs, QStringList({QStringLiteral("Haven.rte"), QStringLiteral("Biesbosch.rte")}));
    }
}

// A drag taken before a run starts is refused as it moves on, and a drop
// the platform delivers all the same starts nothing.
TEST_F(MainFormTest, ADragHeldOverTheWindowWhileARunStartsIsRefused)
{
    const auto other = FileUrls({Route("Sluis.rte")});
    const TDrag held = DragOver(*other, "btnOpen");
    ASSERT_EQ(held.Over(), Qt::CopyAction);
    QStringList runs;
    Qt::DropAction moved = Qt::CopyAction;
    Qt::DropAction dropped = Qt::CopyAction;
    fForm->SetConversion([&](const QStringList& files, TConversionHost&) {
        runs << QFileInfo(files.front()).fileName();
        if (runs.size() == 1) {
            moved = held.Move();
            dropped = held.Drop();
        }
        return 0;
    });

    StartRun(TStart::stClick, {Route("Haven.rte")});
    QCoreApplication::processEvents();

    EXPECT_EQ(moved, Qt::IgnoreAction);
    EXPECT_EQ(dropped, Qt::IgnoreAction);
    EXPECT_EQ(runs, QStringList{QStringLiteral("Haven.rte")});
}

TEST_F(MainFormRunTest, DroppedFilesAreConvertedIntoTheFolderListsFolderWithTheCheckBoxAsSet)
{
    const QString folder = fRoutes.filePath(QStringLiteral("map"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString notes = Route("notities.txt");
    WriteFile(notes, "Haven.rte\n");
    const QString noRoute = Route("Kapot.rte");
    WriteFile(noRoute, "geen route");
    const QStringList dropped{WriteRoute("Haven.rte", 3), notes, folder, WriteRoute("Leeg.rte", 0), noRoute};
    QList<QStringList> warnings;
    fForm->SetWarningBox([&warnings](const QStringList& shown) { warnings << shown; });
    for (const bool deleteKml : {true, false}) {
        SCOPED_TRACE(deleteKml ? "kml deleted" : "kml kept");
        QTemporaryDir target;
        Target(target.path());
        Control<QCheckBox>("cbDeleteTempFiles")->setChecked(deleteKml);

        StartRun(TStart::stDrop, dropped);

        EXPECT_EQ(Status(), QStringLiteral("Klaar. Routes [1/4] geëxporteerd."));
        QStringList written{QStringLiteral("Haven.kmz")};
        if (!deleteKml)
            written.prepend(QStringLiteral("Haven.kml"));
        EXPECT_EQ(QDir(target.path()).entryList(QDir::Files, QDir::Name), written);
        EXPECT_EQ(ArchiveProblems(target.filePath(QStringLiteral("Haven.kmz")), {{52, 4}, {52.01, 4.01}, {52.02, 4.02}}),
                  QString());
    }
    EXPECT_TRUE(fMessages.isEmpty());
    const QStringList passedOver{PassedOver(notes, TPassOver::poOtherExtension),
                                 PassedOver(folder, TPassOver::poEmptyFolder),
                                 PassedOver(Route("Leeg.rte"), TPassOver::poEmptyRoute),
                                 PassedOver(noRoute, TPassOver::poNoRoute)};
    EXPECT_EQ(warnings, QList<QStringList>({passedOver, passedOver}));
}

// A folder dropped on the window converts as on the command line: each
// archive in the same folder below the list's folder, and every file that
// did not become an archive listed with its reason.
TEST_F(MainFormRunTest, AFolderDroppedConvertsTheLibraryIntoTheSameFoldersBelowTheTarget)
{
    const TLibraryTree tree(fHome.filePath(QStringLiteral("bibliotheek")));
    Target(fTarget.path());

    StartRun(TStart::stDrop, {tree.Library()});

    EXPECT_EQ(Status(), QStringLiteral("Klaar. Routes [4/6] geëxporteerd."));
    EXPECT_TRUE(fMessages.isEmpty());
    const QStringList passedOver{PassedOver(tree.Path(QStringLiteral("Bakens.rte")), TPassOver::poNoRoute),
                                 PassedOver(tree.Path(QStringLiteral("Stil.Rte")), TPassOver::poEmptyRoute)};
    EXPECT_EQ(fWarningBoxes, QList<QStringList>{passedOver});
    QStringList written;
    for (QDirIterator files(fTarget.path(), QDir::Files, QDirIterator::Subdirectories); files.hasNext();)
        written << QDir(fTarget.path()).relativeFilePath(files.next());
    written.sort();
    QStringList archives = tree.Archives();
    archives.sort();
    EXPECT_EQ(written, archives);
    for (const TLibraryTree::TRouteFile& file : tree.RouteFiles()) {
        if (file.points.empty())
            continue;
        EXPECT_EQ(ArchiveProblems(fTarget.filePath(ChangeFileExt(file.relative, QStringLiteral(".kmz"))), file.points),
                  QString());
    }
}

} // namespace
