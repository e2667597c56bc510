#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPointer>
#include <QUrl>

#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

// Tells the user, before the main window exists, what the start-up check
// found missing. OK, or Escape, fades the dialog out; it frees itself once
// closed.
class TDlgErrorOnStart : public QDialog {
    Q_OBJECT

public:
    // Shows the support site; the desktop's browser unless told otherwise.
    using TUrlOpener = std::function<void(const QUrl& url)>;

    explicit TDlgErrorOnStart(TUrlOpener openUrl = OpenInBrowser);

    // The message as 8-bit text in the ANSI code page.
    void SetMessage(const QByteArray& message);

    static void OpenInBrowser(const QUrl& url);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private Q_SLOTS:
    void btnCloseClick();
    void AlphaTimerTimer();
    void lblSupportURLClick();

private:
    QTimer* AlphaTimer;
    QLabel* LabelTitle;
    QLabel* imgLogoKovalt;
    QFrame* Shape2;
    QLabel* LabelMessage;
    QPushButton* btnClose;
    QLabel* lblSupportURL;
    QLabel* Image;
    int fAlphaBlend = 255;
    TUrlOpener fOpenUrl;
};

// The dialog while it is shown.
extern QPointer<TDlgErrorOnStart> DlgErrorOnStart;

// Shows the message modally and returns once the dialog has faded out.
void ErrorOnStart(const QByteArray& message);
