#pragma once

#include <QString>

class QWidget;

// Whether a control's text fits the room the control gives it, measured in
// the control's own font: a label's contents, with its word wrap; a button's
// or check box's contents as its style lays them out. Empty when it fits,
// else what the text needs and what it has. A rich-text label is measured by
// the text it shows, passed as shownText.
QString TextCutOff(const QWidget& control, const QString& shownText = {});
