#pragma once
// The state pictures of the item list and the Type button, drawn as vector
// pictures so they stay sharp at any screen scale.
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QRectF>

namespace kelpo {

enum class Glyph {
    Checked,   // due: red alarm clock with yellow ringing marks
    DailyDue,  // due, repeats daily: the same clock with green marks
    CheckGrn,  // done: green check mark
    Ended,     // end date passed: red cross with a black exclamation mark
    LastDay,   // due on its last day: yellow light bulb
    KeyGrn,    // Type button, item has a script: green keyboard
    Keyboard,  // Type button, no script: white keyboard
};

constexpr int GlyphSize = 16;

// Paints the glyph into `box` (any size; designed on a 16 x 16 grid).
void PaintGlyph(QPainter &p, const QRectF &box, Glyph glyph, bool disabled = false);
// A pixmap of 16 x 16 logical pixels at the given device pixel ratio.
QPixmap GlyphPixmap(Glyph glyph, qreal devicePixelRatio = 1.0, bool disabled = false);
// An icon with normal and disabled pictures (for the Type button).
QIcon GlyphIcon(Glyph glyph);

}  // namespace kelpo
