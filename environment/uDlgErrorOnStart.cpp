#include "environment/uDlgErrorOnStart.h"

#include "environment/DialogPictures.h"
#include "platform/CodePage.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

QPointer<TDlgErrorOnStart> DlgErrorOnStart;

namespace {

const QColor kTextColour(52, 81, 144);

// Where MS Sans Serif is missing, a face of Arial's metrics keeps the
// title at its size within the dialog.
QFont PixelFont(int pixelSize, bool bold = false)
{
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A face wider than the designed one gets a smaller size instead of
// running over what lies to the right.
void ShrinkToWidth(QLabel& label, int width)
{
    QFont font = label.font();
    while (label.sizeHint().width() > width && font.pixelSize() > 1) {
        font.setPixelSize(font.pixelSize() - 1);
        label.setFont(font);
    }
    label.adjustSize();
}

void SetColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

QString SupportHost()
{
    return TDlgErrorOnStart::tr("support.ostrelon.nl");
}

} // namespace

TDlgErrorOnStart::TDlgErrorOnStart(TUrlOpener openUrl) : fOpenUrl(std::move(openUrl))
{
    setObjectName(QStringLiteral("DlgErrorOnStart"));
    setWindowTitle(QStringLiteral("DlgErrorOnStart"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(359, 206);
    setFont(PixelFont(11));
    setAutoFillBackground(true);
    SetColour(*this, QPalette::Window, Qt::white);
    setWindowOpacity(1.0);

    // Created bottom to top: later siblings are drawn above earlier ones.
    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setGeometry(3, 56, 353, 138);
    Image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image->setPixmap(QPixmap::fromImage(ChartPicture()));

    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setGeometry(rect());
    Shape2->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape2->setLineWidth(1);
    Shape2->setAttribute(Qt::WA_TransparentForMouseEvents);
    SetColour(*Shape2, QPalette::WindowText, Qt::black);

    imgLogoKovalt = new QLabel(this);
    imgLogoKovalt->setObjectName(QStringLiteral("imgLogoKovalt"));
    imgLogoKovalt->setGeometry(3, 4, 353, 45);
    imgLogoKovalt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imgLogoKovalt->setPixmap(QPixmap::fromImage(LogoStrip()));

    LabelTitle = new QLabel(tr("Fout situatie gevonden"), this);
    LabelTitle->setObjectName(QStringLiteral("LabelTitle"));
    LabelTitle->setFont(PixelFont(19, true));
    LabelTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetColour(*LabelTitle, QPalette::WindowText, kTextColour);
    LabelTitle->move(128, 7);
    ShrinkToWidth(*LabelTitle, width() - Shape2->lineWidth() - LabelTitle->x());

    LabelMessage = new QLabel(this);
    LabelMessage->setObjectName(QStringLiteral("LabelMessage"));
    LabelMessage->setGeometry(128, 67, 219, 100);
    LabelMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    LabelMessage->setTextFormat(Qt::PlainText);
    LabelMessage->setWordWrap(true);
    SetColour(*LabelMessage, QPalette::WindowText, kTextColour);

    btnClose = new QPushButton(tr("OK"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(276, 173, 75, 25);
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &TDlgErrorOnStart::btnCloseClick);

    lblSupportURL = new QLabel(this);
    lblSupportURL->setObjectName(QStringLiteral("lblSupportURL"));
    lblSupportURL->setTextFormat(Qt::RichText);
    lblSupportURL->setText(
        QStringLiteral("<a href=\"http://%1\">%2</a>").arg(SupportHost(), tr("Ostrelon Support")));
    lblSupportURL->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblSupportURL->move(128, 181);
    lblSupportURL->adjustSize();
    connect(lblSupportURL, &QLabel::linkActivated, this, &TDlgErrorOnStart::lblSupportURLClick);

    setTabOrder(btnClose, lblSupportURL);
    btnClose->setFocus();

    AlphaTimer = new QTimer(this);
    AlphaTimer->setObjectName(QStringLiteral("AlphaTimer"));
    AlphaTimer->setInterval(1);
    connect(AlphaTimer, &QTimer::timeout, this, &TDlgErrorOnStart::AlphaTimerTimer);
}

void TDlgErrorOnStart::SetMessage(const QByteArray& message)
{
    LabelMessage->setText(FromAnsi(message));
}

void TDlgErrorOnStart::OpenInBrowser(const QUrl& url)
{
    // A browser that does not start leaves nothing for the user to act on.
    QDesktopServices::openUrl(url);
}

// A second OK during the fade starts it over.
void TDlgErrorOnStart::btnCloseClick()
{
    fAlphaBlend = 255;
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    AlphaTimer->start();
}

void TDlgErrorOnStart::keyPressEvent(QKeyEvent* event)
{
    // Escape would close at once; like OK it fades out, the only way to close.
    if (event->matches(QKeySequence::Cancel)) {
        btnCloseClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDlgErrorOnStart::AlphaTimerTimer()
{
    fAlphaBlend -= 5;
    if (fAlphaBlend > 0) {
        setWindowOpacity(fAlphaBlend / 255.0);
    } else {
        AlphaTimer->stop();
        close();
    }
}

void TDlgErrorOnStart::lblSupportURLClick()
{
    fOpenUrl(QUrl(QStringLiteral("http://") + SupportHost()));
}

void ErrorOnStart(const QByteArray& message)
{
    // The dialog frees itself when closed.
    DlgErrorOnStart = new TDlgErrorOnStart;
    DlgErrorOnStart->SetMessage(message);
    DlgErrorOnStart->exec();
}
