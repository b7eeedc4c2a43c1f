#pragma once
// Skin.h: the one look of the suite's widgets (rounded faces with a soft vertical tint and a thin
// darker border), the palette they share, their common event types and the gradient filler that
// the owner-drawn lists and menus paint their highlights with.
#include "WinTypes.h"

#include <QColor>
#include <QRect>
#include <QRectF>
#include <Qt>

#include <functional>
#include <span>

class QObject;
class QPainter;

// Identical to the editor's declarations, so a window may include both.
using TNotifyEvent = std::function<void(QObject* sender)>;
using TKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>; // key 0: swallowed

using TSkinMouseEvent
    = std::function<void(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;
using TSkinMouseMoveEvent = std::function<void(QObject* sender, Qt::KeyboardModifiers shift, int x, int y)>;

// Colours and rounding of the skinned widgets. Each widget keeps its own copy, so one window can be
// tinted apart from the others.
struct TSkin {
    COLORREF FaceTop = RGB(252, 253, 255); // resting buttons, arrows, tinted panels
    COLORREF FaceBottom = RGB(218, 229, 244);
    COLORREF Border = RGB(130, 155, 190);
    COLORREF HotTop = RGB(255, 245, 221); // under the mouse: the lists' and menus' highlight
    COLORREF HotBottom = RGB(255, 210, 94);
    COLORREF HotBorder = RGB(197, 160, 80);
    COLORREF DownTop = RGB(255, 214, 150); // pressed, or held down
    COLORREF DownBottom = RGB(246, 174, 58);
    COLORREF TitleTop = RGB(104, 146, 204);
    COLORREF TitleBottom = RGB(42, 84, 148);
    COLORREF TitleText = RGB(255, 255, 255);
    COLORREF Body = RGB(255, 255, 255); // inside of group panels, edits and lists
    COLORREF Text = RGB(0, 21, 110);
    COLORREF DisabledText = RGB(160, 160, 160);
    int Radius = 5; // pixels
};

enum class TSkinState : int { ssNormal = 0, ssHot = 1, ssDown = 2, ssDisabled = 3 };

// Resolves a colour value for drawing: RGB as it is, system colours from the application palette,
// clDefault and clNone to the given default.
QColor QColorFromColorRef(COLORREF color, const QColor& defaultColor);

// A rectangle inset by half a pen so one-pixel lines fall on whole pixels at any scale.
QRectF PixelAligned(const QRect& rect, qreal penWidth = 1.0);

// A rounded face with a vertical tint from top to bottom and a one-pixel border.
void DrawSkinFace(
    QPainter& painter, const QRectF& rect, const QColor& top, const QColor& bottom, const QColor& border, qreal radius);
// The face of a control in the given state; disabled faces are drawn paler.
void DrawSkinFace(QPainter& painter, const QRectF& rect, const TSkin& skin, TSkinState state);
// A filled triangle pointing up (direction < 0) or down (direction > 0), centred in the rectangle.
void DrawSkinArrow(QPainter& painter, const QRectF& rect, int direction, const QColor& color);

// Fills the rectangle with colors.size() - 1 equal segments, segment i running from colors[i] to
// colors[i + 1], one solid one-pixel line per row (vertical) or column (horizontal). The first line
// has colors.front() and the last one colors.back() exactly; channels are truncated, not rounded.
void FillGradient(QPainter& painter, const QRect& rect, std::span<const COLORREF> colors, bool vertical);
void FillGradient(QPainter& painter, const QRect& rect, COLORREF from, COLORREF to, bool vertical);
