#pragma once

#include <QString>

class QLabel;
class QWidget;

// Whether a control's text fits the room the control gives it, measured in
// the control's own font: a label's contents, with its word wrap; a button's
// or check box's contents as its style lays them out. Empty when it fits,
// else what the text needs and what it has. A rich-text label is measured by
// the text it shows, passed as shownText.
QString TextCutOff(const QWidget& control, const QString& shownText = {});

// Whether a label that breaks its lines at spaces where it can and inside a
// word where it must shows its whole text: laid out that way in the label's
// font and contents width, every line lies inside the contents, and the ink
// the label paints reaches down into its last line. Empty when it does, else
// what shows and what does not.
QString WrappedTextCutOff(QLabel& label);
