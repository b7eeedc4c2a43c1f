// Hints.cpp: two-part hints on any control.
#include "Hints.h"

#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* HintProperty = "hint";
}

QString ShortHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

void SetHint(QWidget& control, const QString& hint)
{
    control.setProperty(HintProperty, hint);
    control.setToolTip(ShortHint(hint));
}

QString HintOf(const QWidget& control) { return control.property(HintProperty).toString(); }
