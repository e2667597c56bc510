#include "app/TStatusLabel.h"

#include <QPainter>
#include <QStyle>
#include <QTextLayout>

#include <cmath>

TStatusLabel::TStatusLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText); // a caption is never markup
    // QLabel asks its layout for height by width only while it wraps.
    setWordWrap(true);
}

int TStatusLabel::heightForWidth(int width) const
{
    const QMargins chrome = contentsMargins();
    QTextLayout layout(QString(), font(), this);
    return LayOut(layout, width - chrome.left() - chrome.right()) + chrome.top() + chrome.bottom();
}

void TStatusLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect();
    QTextLayout layout(QString(), font(), this);
    const int height = LayOut(layout, room.width());
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter,
                QStyle::alignedRect(layoutDirection(), alignment(), QSize(room.width(), height), room).topLeft());
}

int TStatusLabel::LayOut(QTextLayout& layout, int width) const
{
    // A line break in the text starts a new line, as in any label.
    QString shown = text();
    shown.replace(u'\n', QChar::LineSeparator);
    layout.setText(shown);
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment()));
    option.setTextDirection(layoutDirection());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return static_cast<int>(std::ceil(height));
}
