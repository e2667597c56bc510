#include "environment/DialogPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

const QColor kNavy(52, 81, 144);
const QColor kTeal(42, 157, 181);

QFont SansFont(int pixelSize, bool bold = false)
{
    QFont font;
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

void DrawGrid(QPainter& painter, const QRect& area)
{
    painter.setPen(QPen(QColor(200, 216, 232), 1));
    for (int x = 30; x < area.width(); x += 80)
        painter.drawLine(x, 0, x, area.height());
    for (int y = 24; y < area.height(); y += 60)
        painter.drawLine(0, y, area.width(), y);
    // Minute ticks along the edges, as on a printed chart.
    painter.setPen(QPen(QColor(176, 196, 216), 1));
    for (int x = 0; x < area.width(); x += 8) {
        painter.drawLine(x, 0, x, x % 40 == 0 ? 4 : 2);
        painter.drawLine(x, area.height() - 1, x, area.height() - (x % 40 == 0 ? 5 : 3));
    }
}

QPainterPath Coast()
{
    QPainterPath coast(QPointF(0, 0));
    coast.lineTo(104, 0);
    coast.cubicTo(96, 14, 78, 18, 70, 30);
    coast.cubicTo(62, 42, 44, 40, 34, 54);
    coast.cubicTo(24, 68, 14, 64, 0, 84);
    coast.closeSubpath();
    return coast;
}

QPainterPath Island()
{
    QPainterPath island(QPointF(286, 156));
    island.cubicTo(290, 134, 312, 120, 332, 124);
    island.cubicTo(346, 126, 353, 118, 353, 112);
    island.lineTo(353, 156);
    island.closeSubpath();
    return island;
}

// The area within `distance` of the land.
QPainterPath Around(const QPainterPath& land, qreal distance)
{
    QPainterPathStroker stroker;
    stroker.setWidth(2 * distance);
    stroker.setJoinStyle(Qt::RoundJoin);
    stroker.setCapStyle(Qt::RoundCap);
    return stroker.createStroke(land).united(land);
}

void DrawLand(QPainter& painter)
{
    for (const QPainterPath& land : {Coast(), Island()}) {
        painter.fillPath(Around(land, 12), QColor(216, 234, 247));
        painter.strokePath(Around(land, 26), QPen(QColor(176, 200, 224), 1, Qt::DashLine));
        painter.fillPath(land, QColor(247, 241, 222));
        painter.strokePath(land, QPen(QColor(201, 185, 143), 1.2));
    }
}

void DrawSoundings(QPainter& painter)
{
    struct Sounding {
        int x;
        int y;
        const char* depth;
    };
    constexpr std::array<Sounding, 12> kSoundings = {{{118, 22, "4"},  {150, 48, "7"},  {204, 30, "9"},
                                                       {262, 16, "12"}, {312, 44, "14"}, {96, 64, "5"},
                                                       {176, 86, "11"}, {236, 72, "13"}, {296, 96, "9"},
                                                       {140, 118, "8"}, {210, 128, "12"}, {262, 140, "6"}}};
    painter.setFont(SansFont(8));
    painter.setPen(QColor(160, 182, 204));
    for (const Sounding& s : kSoundings)
        painter.drawText(QPoint(s.x, s.y), QString::fromLatin1(s.depth));
}

void DrawCompassRose(QPainter& painter, QPointF centre, qreal radius)
{
    const QColor rose(196, 176, 214);
    painter.setPen(QPen(rose, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius, radius);
    painter.drawEllipse(centre, radius - 5, radius - 5);
    for (int degrees = 0; degrees < 360; degrees += 10) {
        painter.save();
        painter.translate(centre);
        painter.rotate(degrees);
        painter.drawLine(QPointF(0, -radius), QPointF(0, -(radius - (degrees % 90 == 0 ? 5 : 2))));
        painter.restore();
    }
    // The eight points, the cardinal ones longer, each half filled.
    for (int point = 0; point < 8; ++point) {
        const qreal length = point % 2 == 0 ? radius - 6 : (radius - 6) * 0.6;
        painter.save();
        painter.translate(centre);
        painter.rotate(point * 45);
        const QPointF tip(0, -length);
        painter.setBrush(rose);
        painter.drawPolygon(std::array<QPointF, 3>{tip, QPointF(-4, -4), QPointF(0, 0)}.data(), 3);
        painter.setBrush(Qt::white);
        painter.drawPolygon(std::array<QPointF, 3>{tip, QPointF(4, -4), QPointF(0, 0)}.data(), 3);
        painter.restore();
    }
    painter.setFont(SansFont(8, true));
    painter.drawText(QRectF(centre.x() - 6, centre.y() - radius - 12, 12, 10), Qt::AlignCenter, QStringLiteral("N"));
}

void DrawRoute(QPainter& painter)
{
    const std::array<QPointF, 5> waypoints = {
        {{92, 44}, {150, 70}, {222, 58}, {284, 92}, {330, 86}}};
    const QColor route(226, 170, 186);
    painter.setPen(QPen(route, 1.2, Qt::DashLine));
    painter.drawPolyline(waypoints.data(), int(waypoints.size()));
    painter.setPen(QPen(route, 1.2));
    painter.setBrush(Qt::white);
    for (const QPointF& waypoint : waypoints)
        painter.drawEllipse(waypoint, 2.5, 2.5);
}

// The emblem: a sail over a wave in a navy disc.
void DrawEmblem(QPainter& painter, QPointF centre, qreal radius)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(kNavy);
    painter.drawEllipse(centre, radius, radius);

    painter.setBrush(Qt::white);
    QPainterPath mainsail(centre + QPointF(-1, -radius * 0.72));
    mainsail.cubicTo(centre + QPointF(-6, -4), centre + QPointF(-10, 2), centre + QPointF(-11, radius * 0.36));
    mainsail.lineTo(centre + QPointF(-1, radius * 0.36));
    mainsail.closeSubpath();
    painter.drawPath(mainsail);
    QPainterPath jib(centre + QPointF(2, -radius * 0.56));
    jib.lineTo(centre + QPointF(11, radius * 0.36));
    jib.lineTo(centre + QPointF(2, radius * 0.36));
    jib.closeSubpath();
    painter.drawPath(jib);

    QPainterPath wave(centre + QPointF(-radius * 0.8, radius * 0.55));
    wave.cubicTo(centre + QPointF(-6, radius * 0.35), centre + QPointF(-2, radius * 0.8), centre + QPointF(4, radius * 0.55));
    wave.cubicTo(centre + QPointF(8, radius * 0.35), centre + QPointF(12, radius * 0.75), centre + QPointF(radius * 0.8, radius * 0.5));
    painter.strokePath(wave, QPen(kTeal, 2.2, Qt::SolidLine, Qt::RoundCap));
}

} // namespace

QImage ChartPicture()
{
    QImage image(353, 156, QImage::Format_RGB32);
    image.fill(QColor(238, 245, 251));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawGrid(painter, image.rect());
    DrawLand(painter);
    DrawSoundings(painter);
    DrawRoute(painter);
    DrawCompassRose(painter, QPointF(52, 104), 26);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QImage LogoStrip()
{
    QImage image(353, 44, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawEmblem(painter, QPointF(20, 19), 17);

    painter.setPen(kNavy);
    painter.setFont(SansFont(15, true));
    painter.drawText(QPointF(42, 19), QStringLiteral("Ostrelon"));
    painter.setPen(kTeal);
    painter.setFont(SansFont(10));
    painter.drawText(QPointF(43, 32), QStringLiteral("Nautiva"));

    QLinearGradient rule(0, 0, image.width(), 0);
    rule.setColorAt(0, kNavy);
    rule.setColorAt(0.6, kTeal);
    rule.setColorAt(1, QColor(kTeal.red(), kTeal.green(), kTeal.blue(), 60));
    painter.fillRect(QRect(0, 41, image.width(), 3), rule);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
