#pragma once
// Hints.h: two-part hints. The tool tip shows the part before "|"; the status bar shows the whole
// text. A hint that begins with "|" has no tool tip.
#include <QString>

class QWidget;

QString ShortHint(const QString& hint);
// Stores the whole hint on the control and gives it the short part as its tool tip.
void SetHint(QWidget& control, const QString& hint);
QString HintOf(const QWidget& control);
