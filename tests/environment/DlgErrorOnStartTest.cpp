#include "environment/DialogPictures.h"
#include "environment/uDlgErrorOnStart.h"
#include "support/TestSupport.h"
#include "support/TextFit.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const QUrl kSupportUrl(QStringLiteral("http://support.ostrelon.nl"));

template <typename T>
T* Control(const QWidget& dialog, const char* name)
{
    T* control = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// The fade timer's ticks, one by one, without waiting for the clock.
void Tick(TDlgErrorOnStart& dialog, int ticks = 1)
{
    for (int i = 0; i < ticks; ++i)
        ASSERT_TRUE(QMetaObject::invokeMethod(&dialog, "AlphaTimerTimer"));
}

int Opacity(const QWidget& dialog)
{
    return qRound(dialog.windowOpacity() * 255);
}

// Shown, but not modally: the test runs the dialog's events itself.
class ErrorOnStartDialog : public ::testing::Test {
protected:
    ErrorOnStartDialog()
        : fDialog(new TDlgErrorOnStart([this](const QUrl& url) { fOpened.append(url); }))
    {
        fDialog->show();
    }
    ~ErrorOnStartDialog() override { delete fDialog; }

    QPointer<TDlgErrorOnStart> fDialog;
    QList<QUrl> fOpened;
};

TEST_F(ErrorOnStartDialog, LaysOutItsControls)
{
    EXPECT_EQ(fDialog->size(), QSize(359, 206));
    EXPECT_TRUE(fDialog->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(fDialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(fDialog->windowTitle(), QStringLiteral("DlgErrorOnStart"));
    EXPECT_EQ(fDialog->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(Opacity(*fDialog), 255);

    const struct {
        const char* name;
        QRect geometry;
    } placed[] = {{"Image", {3, 56, 353, 138}},      {"Shape2", {0, 0, 359, 206}},
                  {"imgLogoKovalt", {3, 4, 353, 45}}, {"LabelMessage", {128, 67, 219, 100}},
                  {"btnClose", {276, 173, 75, 25}}};
    for (const auto& [name, geometry] : placed)
        EXPECT_EQ(Control<QWidget>(*fDialog, name)->geometry(), geometry) << name;
    EXPECT_EQ(Control<QWidget>(*fDialog, "LabelTitle")->pos(), QPoint(128, 7));
    EXPECT_EQ(Control<QWidget>(*fDialog, "lblSupportURL")->pos(), QPoint(128, 181));

    const auto* title = Control<QLabel>(*fDialog, "LabelTitle");
    EXPECT_EQ(title->text(), QStringLiteral("Fout situatie gevonden"));
    EXPECT_TRUE(title->font().bold());
    EXPECT_LE(title->geometry().right(), fDialog->width() - 2) << "the title runs over the frame";
    EXPECT_EQ(title->palette().color(QPalette::WindowText), QColor(52, 81, 144));
    const auto* message = Control<QLabel>(*fDialog, "LabelMessage");
    EXPECT_TRUE(message->wordWrap());
    EXPECT_EQ(message->font().pixelSize(), 11);
    EXPECT_EQ(message->palette().color(QPalette::WindowText), QColor(52, 81, 144));
    EXPECT_EQ(Control<QLabel>(*fDialog, "lblSupportURL")->text(),
              QStringLiteral("<a href=\"http://support.ostrelon.nl\">Ostrelon Support</a>"));

    auto* ok = Control<QPushButton>(*fDialog, "btnClose");
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(ok->nextInFocusChain(), Control<QWidget>(*fDialog, "lblSupportURL"));

    const auto* timer = Control<QTimer>(*fDialog, "AlphaTimer");
    EXPECT_EQ(timer->interval(), 1);
    EXPECT_FALSE(timer->isActive());
}

// Run once per font set: a face wider than the designed one shrinks the
// title until it fits within the frame, one that fits keeps the design.
TEST_F(ErrorOnStartDialog, TextsFitTheirControlsInTheFontAtHand)
{
    const auto* title = Control<QLabel>(*fDialog, "LabelTitle");
    const QRect inside = fDialog->rect().marginsRemoved({1, 1, 1, 1});
    EXPECT_TRUE(inside.contains(title->geometry())) << "the title runs over the frame";
    EXPECT_EQ(TextCutOff(*title), QString());
    QFont designed = title->font();
    designed.setPixelSize(19);
    const int room = inside.right() + 1 - title->x();
    if (QFontMetrics(designed).horizontalAdvance(title->text()) <= room) {
        EXPECT_EQ(title->font().pixelSize(), 19);
    } else {
        EXPECT_LT(title->font().pixelSize(), 19);
        // Shrunk no further than needed: one pixel more would not fit.
        designed.setPixelSize(title->font().pixelSize() + 1);
        EXPECT_GT(QFontMetrics(designed).horizontalAdvance(title->text()), room);
    }

    EXPECT_EQ(TextCutOff(*Control<QPushButton>(*fDialog, "btnClose")), QString());
    EXPECT_EQ(TextCutOff(*Control<QLabel>(*fDialog, "lblSupportURL"), QStringLiteral("Ostrelon Support")), QString());
}

TEST(DialogPictures, HaveTheirSizesAndDepths)
{
    const QImage chart = ChartPicture();
    EXPECT_EQ(chart.size(), QSize(353, 156));
    EXPECT_EQ(chart.format(), QImage::Format_RGB888);
    const QImage logo = LogoStrip();
    EXPECT_EQ(logo.size(), QSize(353, 44));
    EXPECT_TRUE(logo.hasAlphaChannel());
    EXPECT_EQ(qAlpha(logo.pixel(340, 5)), 0) << "the strip is see-through beside the logo";
    EXPECT_EQ(qAlpha(logo.pixel(10, 42)), 255) << "the rule runs along the bottom";
}

TEST_F(ErrorOnStartDialog, MessageIsEightBitText)
{
    fDialog->SetMessage("Map \x80 \xEB \x84 (C:\\Data) ");
    EXPECT_EQ(Control<QLabel>(*fDialog, "LabelMessage")->text(), QStringLiteral("Map \u20AC \u00EB \u201E (C:\\Data) "));
}

TEST_F(ErrorOnStartDialog, EnterStartsTheFade)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    QTest::keyClick(fDialog, Qt::Key_Return);

    EXPECT_TRUE(Control<QTimer>(*fDialog, "AlphaTimer")->isActive());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fDialog->isVisible()) << "OK alone does not close";
    Tick(*fDialog);
    EXPECT_EQ(Opacity(*fDialog), 250);
}

// Only the fade closes the dialog: Escape, which would close it at once, is OK.
TEST_F(ErrorOnStartDialog, EscapeFadesOutLikeOk)
{
    QTest::keyClick(fDialog, Qt::Key_Escape);

    EXPECT_TRUE(fDialog->isVisible());
    EXPECT_TRUE(Control<QTimer>(*fDialog, "AlphaTimer")->isActive());
    Tick(*fDialog);
    EXPECT_EQ(Opacity(*fDialog), 250);
    EXPECT_TRUE(fDialog->isVisible());
    Tick(*fDialog, 50);
    ASSERT_FALSE(fDialog.isNull());
    EXPECT_FALSE(fDialog->isVisible());
}

TEST_F(ErrorOnStartDialog, OkDuringTheFadeStartsItOver)
{
    auto* ok = Control<QPushButton>(*fDialog, "btnClose");
    ok->click();
    Tick(*fDialog, 10);
    EXPECT_EQ(Opacity(*fDialog), 205);

    QTest::mouseClick(ok, Qt::LeftButton);
    Tick(*fDialog);
    EXPECT_EQ(Opacity(*fDialog), 250);
}

TEST_F(ErrorOnStartDialog, ClosesOnTheFiftyFirstTickAndFreesItself)
{
    Control<QPushButton>(*fDialog, "btnClose")->click();
    Tick(*fDialog, 50);
    EXPECT_EQ(Opacity(*fDialog), 5);
    EXPECT_TRUE(fDialog->isVisible());

    Tick(*fDialog);
    ASSERT_FALSE(fDialog.isNull());
    EXPECT_FALSE(fDialog->isVisible());
    EXPECT_FALSE(Control<QTimer>(*fDialog, "AlphaTimer")->isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(fDialog.isNull());
}

TEST_F(ErrorOnStartDialog, LinkOpensTheSupportSiteAndLeavesTheDialogOpen)
{
    auto* link = Control<QLabel>(*fDialog, "lblSupportURL");
    QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());

    EXPECT_EQ(fOpened, QList<QUrl>{kSupportUrl});
    EXPECT_TRUE(fDialog->isVisible());
    EXPECT_FALSE(Control<QTimer>(*fDialog, "AlphaTimer")->isActive());
}

// The real thing: modal, faded by the real timer, gone when it returns;
// Escape as well as Enter.
TEST(ErrorOnStart, ShowsTheMessageModallyUntilTheFadeHasEnded)
{
    for (const Qt::Key key : {Qt::Key_Enter, Qt::Key_Escape}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        QString shown;
        bool modal = false;
        bool visibleAfterKey = false;
        double opacityWhileFading = 1.0;
        bool visibleWhileFading = false;
        QTimer::singleShot(0, [&] {
            ASSERT_FALSE(DlgErrorOnStart.isNull());
            shown = Control<QLabel>(*DlgErrorOnStart, "LabelMessage")->text();
            modal = DlgErrorOnStart->isModal();
            QTest::keyClick(DlgErrorOnStart, key);
            visibleAfterKey = DlgErrorOnStart && DlgErrorOnStart->isVisible();
            // 51 ticks of at least a millisecond each: still fading after 10.
            QTimer::singleShot(10, [&] {
                visibleWhileFading = DlgErrorOnStart && DlgErrorOnStart->isVisible();
                if (DlgErrorOnStart)
                    opacityWhileFading = DlgErrorOnStart->windowOpacity();
            });
        });
        // Should the fade never end, the test fails instead of hanging.
        bool stuck = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [&] {
            stuck = true;
            if (DlgErrorOnStart)
                DlgErrorOnStart->done(0);
        });
        guard.start(30000);

        ErrorOnStart("De almanak is niet gevonden. (\x80) ");

        EXPECT_FALSE(stuck);
        EXPECT_EQ(shown, QStringLiteral("De almanak is niet gevonden. (\u20AC) "));
        EXPECT_TRUE(modal);
        EXPECT_TRUE(visibleAfterKey);
        EXPECT_TRUE(visibleWhileFading);
        EXPECT_LT(opacityWhileFading, 1.0);
        EXPECT_TRUE(DlgErrorOnStart.isNull());
    }
}

} // namespace

int main(int argc, char* argv[])
{
    // Discovery runs this program at build time, where there is no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
