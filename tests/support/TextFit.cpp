#include "support/TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>

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
