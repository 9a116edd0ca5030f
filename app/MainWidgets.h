#pragma once
// Small builders for the controls of the main window's tabs.
#include <QString>

class QLabel;
class QRect;
class QPushButton;
class QWidget;

namespace kelpo {

// A label that names its control for screen readers: the control is its
// buddy and carries the label's text without the colon as its name.
QLabel *LabelFor(const QString &text, QWidget *control, QWidget *parent);

// Places a label at the top left of `at`, `width` wide and as high as its
// text needs.
void PlaceLabel(QLabel *label, const QRect &at, int width);

// A push button with a hint, named after its caption + "But".
QPushButton *Button(const QString &caption, const QString &hint, QWidget *parent);

}  // namespace kelpo
