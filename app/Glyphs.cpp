#include "Glyphs.h"

#include <QPainterPath>
#include <QtMath>

namespace kelpo {

namespace {

const QColor Red(0xd3, 0x2f, 0x2f);
const QColor DarkRed(0x8e, 0x1b, 0x1b);
const QColor Yellow(0xf9, 0xc8, 0x0e);
const QColor Green(0x2e, 0x9d, 0x3a);
const QColor DarkGreen(0x1b, 0x5e, 0x20);
const QColor Ink(0x20, 0x20, 0x20);

QPen Pen(const QColor &c, qreal w)
{
    QPen pen(c, w);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void AlarmClock(QPainter &p, const QColor &marks)
{
    // Bells.
    p.setPen(Pen(DarkRed, 0.8));
    p.setBrush(Red);
    p.drawChord(QRectF(1.5, 1.5, 5, 5), 30 * 16, 180 * 16);
    p.drawChord(QRectF(9.5, 1.5, 5, 5), -30 * 16, 180 * 16);
    // Legs.
    p.setPen(Pen(DarkRed, 1.2));
    p.drawLine(QPointF(4.5, 13.5), QPointF(3, 15));
    p.drawLine(QPointF(11.5, 13.5), QPointF(13, 15));
    // Body and face.
    p.setPen(Pen(DarkRed, 1.0));
    p.setBrush(Red);
    p.drawEllipse(QPointF(8, 9), 5.6, 5.6);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 9), 3.9, 3.9);
    // Hands.
    p.setPen(Pen(Ink, 1.0));
    p.drawLine(QPointF(8, 9), QPointF(8, 6.3));
    p.drawLine(QPointF(8, 9), QPointF(10, 10));
    // Ringing marks.
    p.setPen(Pen(marks, 1.3));
    p.drawLine(QPointF(0.8, 8), QPointF(0.8, 10.5));
    p.drawLine(QPointF(15.2, 8), QPointF(15.2, 10.5));
    p.drawLine(QPointF(7, 0.7), QPointF(9, 0.7));
}

void CheckMark(QPainter &p)
{
    QPainterPath tick;
    tick.moveTo(2.2, 8.6);
    tick.lineTo(6.2, 12.8);
    tick.lineTo(14, 3.4);
    p.setPen(Pen(DarkGreen, 3.6));
    p.drawPath(tick);
    p.setPen(Pen(Green, 2.2));
    p.drawPath(tick);
}

void Cross(QPainter &p)
{
    p.setPen(Pen(DarkRed, 3.4));
    p.drawLine(QPointF(2.5, 2.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 2.5), QPointF(2.5, 11.5));
    p.setPen(Pen(Red, 2.2));
    p.drawLine(QPointF(2.5, 2.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 2.5), QPointF(2.5, 11.5));
    // Exclamation mark in the lower right corner.
    p.setPen(Pen(Ink, 2.0));
    p.drawLine(QPointF(14, 6.5), QPointF(14, 11.8));
    p.drawPoint(QPointF(14, 14.6));
}

void LightBulb(QPainter &p)
{
    QPainterPath glass;
    glass.moveTo(5.6, 10.6);
    glass.cubicTo(2.2, 8.4, 2.6, 1.2, 8, 1.2);
    glass.cubicTo(13.4, 1.2, 13.8, 8.4, 10.4, 10.6);
    glass.closeSubpath();
    p.setPen(Pen(QColor(0xb0, 0x84, 0x00), 0.9));
    p.setBrush(Yellow);
    p.drawPath(glass);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(QPointF(6.4, 4.6), 1.3, 1.8);
    // Screw base.
    p.setPen(Pen(QColor(0x55, 0x55, 0x55), 0.8));
    p.setBrush(QColor(0xa0, 0xa0, 0xa0));
    p.drawRect(QRectF(5.8, 11, 4.4, 3));
    p.drawLine(QPointF(5.8, 12.5), QPointF(10.2, 12.5));
    p.setBrush(QColor(0x55, 0x55, 0x55));
    p.drawRect(QRectF(7, 14, 2, 1.2));
}

void KeyboardPicture(QPainter &p, const QColor &face, const QColor &keys)
{
    p.setPen(Pen(Ink, 0.9));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.7, 3.7, 14.6, 9), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(keys);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 5; ++col)
            p.drawRect(QRectF(2.3 + col * 2.4, 5.3 + row * 2.3, 1.6, 1.5));
    p.drawRect(QRectF(4.2, 10, 7.6, 1.4));  // space bar
}

}  // namespace

void PaintGlyph(QPainter &p, const QRectF &box, Glyph glyph, bool disabled)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.translate(box.topLeft());
    p.scale(box.width() / GlyphSize, box.height() / GlyphSize);
    if (disabled)
        p.setOpacity(0.4);
    switch (glyph) {
    case Glyph::Checked: AlarmClock(p, Yellow); break;
    case Glyph::DailyDue: AlarmClock(p, Green); break;
    case Glyph::CheckGrn: CheckMark(p); break;
    case Glyph::Ended: Cross(p); break;
    case Glyph::LastDay: LightBulb(p); break;
    case Glyph::KeyGrn: KeyboardPicture(p, QColor(0x4c, 0xaf, 0x50), DarkGreen); break;
    case Glyph::Keyboard: KeyboardPicture(p, Qt::white, QColor(0x70, 0x70, 0x70)); break;
    }
    p.restore();
}

QPixmap GlyphPixmap(Glyph glyph, qreal devicePixelRatio, bool disabled)
{
    const int side = qCeil(GlyphSize * devicePixelRatio);
    QPixmap pm(side, side);
    pm.setDevicePixelRatio(devicePixelRatio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    PaintGlyph(p, QRectF(0, 0, GlyphSize, GlyphSize), glyph, disabled);
    return pm;
}

QIcon GlyphIcon(Glyph glyph)
{
    QIcon icon;
    for (qreal dpr : {1.0, 2.0, 3.0}) {
        icon.addPixmap(GlyphPixmap(glyph, dpr, false), QIcon::Normal);
        icon.addPixmap(GlyphPixmap(glyph, dpr, true), QIcon::Disabled);
    }
    return icon;
}

}  // namespace kelpo
