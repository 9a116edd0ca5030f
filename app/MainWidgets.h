#pragma once
// Small builders for the controls of the main window's tabs.
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace kelpo {

// A label that names its control for screen readers: the control is its
// buddy and carries the label's text without the colon as its name.
QLabel *LabelFor(const QString &text, QWidget *control, QWidget *parent);

// A push button with a hint, named after its caption + "But".
QPushButton *Button(const QString &caption, const QString &hint, QWidget *parent);

}  // namespace kelpo
