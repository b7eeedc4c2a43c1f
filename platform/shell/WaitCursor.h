#pragma once
// WaitCursor.h: the hourglass around long operations, and letting pending window messages run.
#include <QCoreApplication>
#include <QGuiApplication>

class TWaitCursor {
public:
    TWaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Lets the windows repaint between the steps of a command. Input is held back so that a click
// cannot start a second command in the middle of the first.
inline void ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
