#include "support/TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextLayout>

namespace {

QRect TextRoom(const QWidget& control)
{
    const auto* button = qobject_cast<const QAbstractButton*>(&control);
    if (!button)
        return control.contentsRect();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const QStyle::SubElement contents =
        qobject_cast<const QCheckBox*>(button) ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
    return button->style()->subElementRect(contents, &option, button);
}

QString SizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// How many rows, from the first to the last, hold a pixel of the control's
// own painting rather than its background.
int InkHeight(QWidget& control)
{
    const QImage image = control.grab().toImage();
    const QRgb background = control.palette().color(control.backgroundRole()).rgb();
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

} // namespace

QString TextCutOff(const QWidget& control, const QString& shownText)
{
    const QString text = shownText.isEmpty() ? control.property("text").toString() : shownText;
    if (text.isEmpty())
        return {};
    const auto* label = qobject_cast<const QLabel*>(&control);
    const int wrap = label && label->wordWrap() ? Qt::TextWordWrap : 0;
    const QRect room = TextRoom(control);
    const QSize needed = control.fontMetrics().boundingRect(room, Qt::AlignLeft | Qt::AlignTop | wrap, text).size();
    if (needed.width() <= room.width() && needed.height() <= room.height())
        return {};
    return QStringLiteral("%1 \"%2\" needs %3, has %4 in %5")
        .arg(control.objectName(), text, SizeText(needed), SizeText(room.size()), control.fontInfo().family());
}

QString WrappedTextCutOff(QLabel& label)
{
    QString text = label.text();
    text.replace(u'\n', QChar::LineSeparator);
    const QRect room = label.contentsRect();
    QTextLayout layout(text, label.font(), &label);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    // Lines are laid out while they fit; what is left over does not show.
    QString shown;
    qreal top = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        line.setPosition(QPointF(0, top));
        top += line.height();
        if (line.naturalTextWidth() > room.width() || top > room.height())
            break;
        shown += text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    if (shown != text)
        return QStringLiteral("%1 shows \"%2\" of \"%3\" in %4, %5")
            .arg(label.objectName(), shown, text, SizeText(room.size()), label.fontInfo().family());
    // Ink no taller than the rows above the last line: the label painted fewer lines.
    const qreal lastLineTop = layout.lineAt(layout.lineCount() - 1).y();
    const int ink = InkHeight(label);
    if (!text.trimmed().isEmpty() && ink <= lastLineTop)
        return QStringLiteral("%1 paints \"%2\" in %3 rows, its lines take %4 in %5")
            .arg(label.objectName(), text)
            .arg(ink)
            .arg(top)
            .arg(label.fontInfo().family());
    return {};
}
