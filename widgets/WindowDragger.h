#pragma once
// WindowDragger.h: moves a borderless window while the left button is held on one of its widgets
// (a title panel, a dialog's background), as if its title bar were held.
#include <QObject>
#include <QPoint>

class QWidget;

class TWindowDragger : public QObject {
    Q_OBJECT

public:
    /// Watches the handle's mouse events; owned by the handle.
    explicit TWindowDragger(QWidget& handle);

    /// Hand the move to the window system when it can do it (default). Where it cannot, as on the
    /// offscreen platform, or when this is off, the window follows the mouse here.
    bool UseSystemMove() const { return FUseSystemMove; }
    void SetUseSystemMove(bool use) { FUseSystemMove = use; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    bool Dragging() const { return FDragging; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& FHandle;
    QPoint FPressGlobal;
    QPoint FWindowStart;
    bool FUseSystemMove = true;
    bool FEnabled = true;
    bool FDragging = false;
};
