// WindowDragger.cpp: dragging a window by one of its widgets.
#include "WindowDragger.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

TWindowDragger::TWindowDragger(QWidget& handle)
    : QObject(&handle)
    , FHandle(handle)
{
    handle.installEventFilter(this);
}

void TWindowDragger::SetEnabled(bool enabled)
{
    FEnabled = enabled;
    if (!enabled)
        FDragging = false;
}

bool TWindowDragger::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &FHandle || !FEnabled)
        return false;
    QWidget* window = FHandle.window();
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        if (FUseSystemMove && window->windowHandle() && window->windowHandle()->startSystemMove()) {
            FDragging = false;
            break;
        }
        FDragging = true;
        FPressGlobal = mouse->globalPosition().toPoint();
        FWindowStart = window->pos();
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (FDragging && (mouse->buttons() & Qt::LeftButton))
            window->move(FWindowStart + (mouse->globalPosition().toPoint() - FPressGlobal));
        break;
    }
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            FDragging = false;
        break;
    default:
        break;
    }
    return false;
}
