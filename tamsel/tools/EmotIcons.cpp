// EmotIcons.cpp: the emoticon pictures and the picker.
#include "EmotIcons.h"

#include "CommandGuard.h"
#include "EnhMetafile.h"
#include "SkinButton.h"
#include "SkinPanel.h"
#include "ToolClipboard.h"
#include "WindowDragger.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>

namespace {

struct TEmoticon {
    const char* Name;
    int Width;
    int Height;
};

constexpr std::array<TEmoticon, EmoticonCount> Emoticons { {
    { "Angry   :x", 21, 21 },
    { "Smiley   :)", 21, 21 },
    { "Tongue   :p or :P", 21, 21 },
    { "Laugh out Loud   :lol:", 21, 21 },
    { "Puke or Sick   +o(", 20, 20 },
    { "Oh My!   :o", 21, 21 },
    { "Unsure or Confused   :s or :?", 21, 21 },
    { "Wacko   x)", 21, 21 },
    { "ph34r", 21, 21 },
    { "Crying   :'(", 20, 22 },
    { "Mellow or Uninterested   :|", 21, 21 },
    { "Question", 20, 20 },
    { "Sad   :(", 22, 26 },
    { "Big Smile!   :D", 22, 26 },
    { "Cool   8)", 23, 22 },
    { "Wink   ;)", 22, 26 },
    { "Crazy   8x)", 22, 30 },
    { "Nea", 22, 26 },
    { "Sarcastic", 23, 25 },
    { "Bye-Bye", 31, 26 },
    { "Dancing", 40, 27 },
    { "Pardon", 36, 26 },
    { "Happy Smile   :)", 22, 26 },
    { "Hello", 45, 27 },
    { "Let's drink on that", 54, 30 },
    { "Praise", 43, 26 },
    { "Bomb", 27, 25 },
    { "Yahoo!", 34, 24 },
    { "Truce or Surrender", 51, 45 },
} };

const QColor Ink(70, 45, 10);
const QColor Skin(255, 214, 40);
const QColor SickSkin(170, 215, 90);
const QColor AngrySkin(250, 120, 60);

// A face in the square of the given centre and radius; the drawing helpers below take coordinates
// relative to it, from -1 to 1 across.
class TFace {
public:
    TFace(QPainter& painter, QPointF centre, qreal radius)
        : P(painter)
        , C(centre)
        , R(radius)
    {
    }
    QPointF At(qreal x, qreal y) const { return C + QPointF(x * R, y * R); }
    qreal Len(qreal v) const { return v * R; }

    void Head(const QColor& colour) const
    {
        QRadialGradient shade(At(-0.35, -0.4), R * 1.6);
        shade.setColorAt(0, colour.lighter(135));
        shade.setColorAt(1, colour.darker(115));
        P.setBrush(shade);
        P.setPen(QPen(Ink, std::max<qreal>(0.8, R * 0.09)));
        P.drawEllipse(C, R * 0.95, R * 0.95);
    }
    void Dot(qreal x, qreal y, qreal size, const QColor& colour = Ink) const
    {
        P.setPen(Qt::NoPen);
        P.setBrush(colour);
        P.drawEllipse(At(x, y), Len(size), Len(size * 1.3));
    }
    void Eyes(qreal y = -0.25, qreal size = 0.12) const
    {
        Dot(-0.33, y, size);
        Dot(0.33, y, size);
    }
    void Line(qreal x1, qreal y1, qreal x2, qreal y2, qreal width = 0.1, const QColor& colour = Ink) const
    {
        P.setPen(QPen(colour, std::max<qreal>(0.7, Len(width)), Qt::SolidLine, Qt::RoundCap));
        P.drawLine(At(x1, y1), At(x2, y2));
    }
    // A mouth curve from (x1, y) to (x2, y) through a control point bend lower (positive: smile).
    void Mouth(qreal x1, qreal x2, qreal y, qreal bend, qreal width = 0.11) const
    {
        QPainterPath path(At(x1, y));
        path.quadTo(At((x1 + x2) / 2, y + bend), At(x2, y));
        P.setBrush(Qt::NoBrush);
        P.setPen(QPen(Ink, std::max<qreal>(0.7, Len(width)), Qt::SolidLine, Qt::RoundCap));
        P.drawPath(path);
    }
    // An open mouth: the lower half of an ellipse filled dark, with a tongue or teeth when asked.
    void OpenMouth(qreal y, qreal halfWidth, qreal depth, bool teeth) const
    {
        QPainterPath path(At(-halfWidth, y));
        path.lineTo(At(halfWidth, y));
        path.quadTo(At(halfWidth, y + depth * 1.3), At(0, y + depth * 1.3));
        path.quadTo(At(-halfWidth, y + depth * 1.3), At(-halfWidth, y));
        P.setPen(QPen(Ink, std::max<qreal>(0.7, Len(0.08))));
        P.setBrush(QColor(120, 20, 20));
        P.drawPath(path);
        if (teeth) {
            P.setPen(Qt::NoPen);
            P.setBrush(Qt::white);
            P.drawRect(QRectF(At(-halfWidth * 0.8, y + Len(0) / R), At(halfWidth * 0.8, y + depth * 0.35)));
        }
    }
    void Ellipse(qreal x, qreal y, qreal rx, qreal ry, const QColor& fill, const QColor& line = Ink) const
    {
        P.setPen(QPen(line, std::max<qreal>(0.6, Len(0.07))));
        P.setBrush(fill);
        P.drawEllipse(At(x, y), Len(rx), Len(ry));
    }
    void Cross(qreal x, qreal y, qreal size) const
    {
        Line(x - size, y - size, x + size, y + size, 0.09);
        Line(x - size, y + size, x + size, y - size, 0.09);
    }

    QPainter& P;
    QPointF C;
    qreal R;
};

// An arm from the shoulder to a round hand.
void Arm(QPainter& p, QPointF from, QPointF to, qreal width, const QColor& colour = Skin)
{
    p.setPen(QPen(Ink, width + 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    p.setPen(QPen(Ink, 0.8));
    p.setBrush(colour);
    p.drawEllipse(to, width * 0.9, width * 0.9);
}

void Note(QPainter& p, QPointF at, qreal size, const QColor& colour)
{
    p.setPen(QPen(colour, std::max<qreal>(0.8, size * 0.15)));
    p.drawLine(at, at + QPointF(0, -size * 1.6));
    p.drawLine(at + QPointF(0, -size * 1.6), at + QPointF(size * 0.8, -size * 1.1));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(at + QPointF(-size * 0.35, 0), size * 0.45, size * 0.35);
}

void Glass(QPainter& p, const QRectF& box, const QColor& drink)
{
    p.setPen(QPen(QColor(90, 90, 110), 0.9));
    p.setBrush(QColor(235, 245, 255));
    p.drawRect(box);
    p.setPen(Qt::NoPen);
    p.setBrush(drink);
    p.drawRect(QRectF(box.left() + 0.8, box.top() + box.height() * 0.35, box.width() - 1.6, box.height() * 0.65 - 0.8));
    p.setBrush(Qt::white); // foam
    p.drawEllipse(QRectF(box.left(), box.top() + box.height() * 0.22, box.width(), box.height() * 0.2));
}

// Faces drawn at the top of a taller picture leave room for arms, a body or a sign below or beside.
void DrawInto(QPainter& p, int n, qreal w, qreal h)
{
    const qreal small = std::min(w, h);
    TFace face(p, QPointF(w / 2, h / 2), small / 2);
    auto standard = [&](const QColor& skin = Skin) { face.Head(skin); };
    switch (n) {
    case 1: // angry: red face, slanted brows, mouth zipped as a cross
        standard(AngrySkin);
        face.Line(-0.55, -0.5, -0.15, -0.3);
        face.Line(0.55, -0.5, 0.15, -0.3);
        face.Eyes(-0.15, 0.1);
        face.Cross(0, 0.45, 0.18);
        break;
    case 2: // smiley
        standard();
        face.Eyes();
        face.Mouth(-0.5, 0.5, 0.25, 0.45);
        break;
    case 3: // tongue out
        standard();
        face.Eyes();
        face.Mouth(-0.45, 0.45, 0.3, 0.2);
        face.Ellipse(0.12, 0.52, 0.2, 0.22, QColor(235, 80, 100));
        break;
    case 4: // laughing out loud: closed eyes and a wide open mouth
        standard();
        face.Mouth(-0.5, -0.15, -0.25, -0.25, 0.09);
        face.Mouth(0.15, 0.5, -0.25, -0.25, 0.09);
        face.OpenMouth(0.1, 0.55, 0.45, true);
        break;
    case 5: // sick: green, spiral eyes as crosses, wavy mouth
        standard(SickSkin);
        face.Cross(-0.33, -0.25, 0.12);
        face.Cross(0.33, -0.25, 0.12);
        face.Mouth(-0.45, 0, 0.45, -0.25);
        face.Mouth(0, 0.45, 0.45, 0.25);
        break;
    case 6: // oh my: round eyes and an O
        standard();
        face.Ellipse(-0.33, -0.28, 0.16, 0.2, Qt::white);
        face.Ellipse(0.33, -0.28, 0.16, 0.2, Qt::white);
        face.Eyes(-0.25, 0.07);
        face.Ellipse(0, 0.42, 0.2, 0.25, QColor(120, 20, 20));
        break;
    case 7: // unsure: one brow raised, zigzag mouth
        standard();
        face.Eyes();
        face.Line(0.15, -0.58, 0.55, -0.5);
        face.Mouth(-0.45, 0, 0.45, -0.2);
        face.Mouth(0, 0.45, 0.4, 0.2);
        break;
    case 8: // wacko: eyes of different sizes, crooked grin
        standard();
        face.Ellipse(-0.33, -0.25, 0.22, 0.24, Qt::white);
        face.Ellipse(0.33, -0.25, 0.1, 0.12, Qt::white);
        face.Dot(-0.3, -0.2, 0.07);
        face.Dot(0.36, -0.28, 0.05);
        face.Mouth(-0.5, 0.45, 0.2, 0.6);
        break;
    case 9: // ph34r: a ninja hood with only the eyes showing
        standard();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 50));
        p.drawChord(QRectF(face.At(-0.95, -0.95), face.At(0.95, 0.95)), 0, 180 * 16);
        p.drawChord(QRectF(face.At(-0.95, -0.95), face.At(0.95, 0.95)), 180 * 16, 180 * 16);
        p.setBrush(Skin);
        p.drawRect(QRectF(face.At(-0.8, -0.42), face.At(0.8, -0.05)));
        face.Eyes(-0.24, 0.1);
        break;
    case 10: // crying: tears under the eyes, sad mouth
        standard();
        face.Eyes(-0.3);
        face.Mouth(-0.4, 0.4, 0.5, -0.35);
        face.Ellipse(-0.38, 0.1, 0.1, 0.2, QColor(90, 170, 255), QColor(40, 110, 220));
        face.Ellipse(0.38, 0.1, 0.1, 0.2, QColor(90, 170, 255), QColor(40, 110, 220));
        break;
    case 11: // mellow: half-closed eyes, straight mouth
        standard();
        face.Line(-0.5, -0.22, -0.15, -0.22);
        face.Line(0.15, -0.22, 0.5, -0.22);
        face.Line(-0.35, 0.4, 0.35, 0.4);
        break;
    case 12: { // question: a puzzled face under a question mark
        standard();
        face.Eyes(-0.15, 0.1);
        face.Mouth(-0.3, 0.3, 0.45, 0.0);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(std::max(6, int(small * 0.6)));
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(30, 60, 200));
        p.drawText(QRectF(face.At(-0.5, -1.05), face.At(0.5, -0.2)), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default:
        break;
    }
    if (n <= 12)
        return;

    // The taller pictures: a face in the upper part, with room below or beside.
    const qreal r = std::min(w, h) * 0.42;
    TFace top(p, QPointF(w / 2, r + 1), r);
    const qreal shoulder = top.C.y() + r * 0.9;
    switch (n) {
    case 13: // sad, a hand wiping
        top.Head(Skin);
        top.Eyes(-0.2);
        top.Mouth(-0.4, 0.4, 0.5, -0.4);
        Arm(p, QPointF(w * 0.15, h - 1), top.At(-0.6, 0.6), r * 0.25);
        break;
    case 14: // big smile with both hands raised
        top.Head(Skin);
        top.Eyes(-0.25);
        top.OpenMouth(0.15, 0.55, 0.4, true);
        Arm(p, QPointF(w * 0.2, h - 1), QPointF(w * 0.1, shoulder + 2), r * 0.22);
        Arm(p, QPointF(w * 0.8, h - 1), QPointF(w * 0.9, shoulder + 2), r * 0.22);
        break;
    case 15: { // cool: sunglasses
        TFace f(p, QPointF(w / 2, h / 2), std::min(w, h) / 2);
        f.Head(Skin);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(20, 20, 30));
        p.drawRoundedRect(QRectF(f.At(-0.75, -0.45), f.At(-0.08, -0.05)), 2, 2);
        p.drawRoundedRect(QRectF(f.At(0.08, -0.45), f.At(0.75, -0.05)), 2, 2);
        f.Line(-0.1, -0.3, 0.1, -0.3, 0.08, Qt::black);
        f.Mouth(-0.4, 0.45, 0.35, 0.3);
        break;
    }
    case 16: // wink, a thumb up below
        top.Head(Skin);
        top.Dot(-0.33, -0.25, 0.12);
        top.Mouth(0.15, 0.5, -0.22, -0.15, 0.09);
        top.Mouth(-0.5, 0.5, 0.25, 0.45);
        Arm(p, QPointF(w * 0.75, h - 1), QPointF(w * 0.78, shoulder + 1), r * 0.24);
        break;
    case 17: { // crazy: spinning eyes, hair on end
        top.Head(Skin);
        top.Ellipse(-0.33, -0.25, 0.2, 0.22, Qt::white);
        top.Ellipse(0.33, -0.25, 0.2, 0.22, Qt::white);
        top.Dot(-0.26, -0.2, 0.07);
        top.Dot(0.4, -0.3, 0.07);
        top.Cross(0, 0.45, 0.15);
        for (int i = -2; i <= 2; ++i)
            top.Line(i * 0.2, -0.9, i * 0.3, -1.05, 0.08);
        p.setPen(QPen(QColor(200, 0, 0), 1));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(w * (0.3 + 0.2 * i), shoulder + 2), QPointF(w * (0.25 + 0.2 * i), h - 1));
        break;
    }
    case 18: // nea: shaking the head, a finger wagging
        top.Head(Skin);
        top.Eyes(-0.2);
        top.Line(-0.35, 0.4, 0.35, 0.4);
        Arm(p, QPointF(w * 0.85, h - 1), QPointF(w * 0.85, shoulder - 2), r * 0.2);
        top.Line(-1.05, -0.2, -0.95, 0.2, 0.06);
        break;
    case 19: // sarcastic: one brow up, a lopsided smirk
        top.Head(Skin);
        top.Eyes(-0.2);
        top.Line(-0.55, -0.55, -0.15, -0.45);
        top.Line(0.15, -0.7, 0.55, -0.5);
        top.Mouth(-0.1, 0.5, 0.35, 0.25);
        Arm(p, QPointF(w * 0.2, h - 1), QPointF(w * 0.3, shoulder + 2), r * 0.22);
        break;
    case 20: { // bye-bye: a hand waving beside the face
        TFace f(p, QPointF(r + 1, h / 2), r);
        f.Head(Skin);
        f.Eyes(-0.2);
        f.Mouth(-0.45, 0.45, 0.25, 0.4);
        Arm(p, f.At(0.9, 0.6), QPointF(w - r * 0.35, h * 0.25), r * 0.25);
        p.setPen(QPen(Ink, 0.8));
        p.drawArc(QRectF(w - r * 0.9, 1, r * 0.8, r * 0.6), 30 * 16, 120 * 16);
        break;
    }
    case 21: { // dancing: a face with arms up and notes around
        TFace f(p, QPointF(w / 2, h * 0.42), h * 0.38);
        f.Head(Skin);
        f.Eyes(-0.2);
        f.OpenMouth(0.15, 0.45, 0.35, false);
        Arm(p, f.At(-0.8, 0.5), QPointF(w / 2 - h * 0.62, h * 0.12), h * 0.09);
        Arm(p, f.At(0.8, 0.5), QPointF(w / 2 + h * 0.62, h * 0.75), h * 0.09);
        Note(p, QPointF(w * 0.1, h * 0.95), h * 0.14, QColor(200, 30, 120));
        Note(p, QPointF(w * 0.9, h * 0.4), h * 0.14, QColor(30, 90, 200));
        break;
    }
    case 22: { // pardon: shrugging, both palms up
        TFace f(p, QPointF(w / 2, h * 0.4), h * 0.37);
        f.Head(Skin);
        f.Eyes(-0.15);
        f.Line(-0.55, -0.55, -0.15, -0.5);
        f.Line(0.15, -0.5, 0.55, -0.55);
        f.Mouth(-0.3, 0.3, 0.45, -0.1);
        Arm(p, f.At(-0.7, 0.8), QPointF(w * 0.08, h * 0.45), h * 0.09);
        Arm(p, f.At(0.7, 0.8), QPointF(w * 0.92, h * 0.45), h * 0.09);
        break;
    }
    case 23: // happy smile: rosy cheeks
        top.Head(Skin);
        top.Mouth(-0.5, -0.15, -0.2, -0.25, 0.09);
        top.Mouth(0.15, 0.5, -0.2, -0.25, 0.09);
        top.Ellipse(-0.55, 0.2, 0.15, 0.1, QColor(255, 150, 150), QColor(255, 150, 150));
        top.Ellipse(0.55, 0.2, 0.15, 0.1, QColor(255, 150, 150), QColor(255, 150, 150));
        top.Mouth(-0.45, 0.45, 0.3, 0.45);
        Arm(p, QPointF(w * 0.5, h - 1), QPointF(w * 0.5, shoulder + 1), r * 0.3);
        break;
    case 24: { // hello: raising a hat
        TFace f(p, QPointF(w * 0.4, h * 0.55), h * 0.42);
        f.Head(Skin);
        f.Eyes(-0.15);
        f.Mouth(-0.45, 0.45, 0.3, 0.4);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(50, 50, 60));
        const QRectF hat(w * 0.68, 1, h * 0.45, h * 0.35);
        p.drawRect(hat);
        p.drawRect(QRectF(hat.left() - h * 0.1, hat.bottom() - 1.5, hat.width() + h * 0.2, 2));
        Arm(p, f.At(0.85, 0.4), QPointF(hat.center().x(), hat.bottom() + 1), h * 0.09);
        break;
    }
    case 25: { // let's drink on that: two faces raising glasses
        TFace left(p, QPointF(w * 0.2, h * 0.5), h * 0.3);
        TFace right(p, QPointF(w * 0.8, h * 0.5), h * 0.3);
        for (const TFace* f : { &left, &right }) {
            f->Head(Skin);
            f->Eyes(-0.2);
            f->Mouth(-0.45, 0.45, 0.3, 0.4);
        }
        Glass(p, QRectF(w * 0.36, h * 0.12, w * 0.11, h * 0.4), QColor(240, 180, 30));
        Glass(p, QRectF(w * 0.53, h * 0.12, w * 0.11, h * 0.4), QColor(240, 180, 30));
        Arm(p, left.At(0.9, 0.6), QPointF(w * 0.4, h * 0.5), h * 0.08);
        Arm(p, right.At(-0.9, 0.6), QPointF(w * 0.6, h * 0.5), h * 0.08);
        break;
    }
    case 26: { // praise: bowing with both arms stretched forward
        TFace f(p, QPointF(w * 0.3, h * 0.55), h * 0.4);
        f.Head(Skin);
        f.Mouth(-0.5, -0.15, -0.15, 0.2, 0.09);
        f.Mouth(0.15, 0.5, -0.15, 0.2, 0.09);
        f.Mouth(-0.3, 0.3, 0.45, 0.2);
        Arm(p, f.At(0.7, 0.7), QPointF(w * 0.92, h * 0.3), h * 0.09);
        Arm(p, f.At(0.5, 0.9), QPointF(w * 0.92, h * 0.62), h * 0.09);
        break;
    }
    case 27: { // bomb: a black ball with a burning fuse
        const qreal br = h * 0.36;
        const QPointF centre(w * 0.42, h - br - 1);
        QRadialGradient shade(centre - QPointF(br * 0.4, br * 0.4), br * 1.5);
        shade.setColorAt(0, QColor(120, 120, 130));
        shade.setColorAt(1, QColor(10, 10, 15));
        p.setPen(QPen(Qt::black, 0.8));
        p.setBrush(shade);
        p.drawEllipse(centre, br, br);
        p.setBrush(QColor(60, 60, 70));
        p.drawRect(QRectF(centre.x() + br * 0.3, centre.y() - br * 1.1, br * 0.45, br * 0.35));
        p.setPen(QPen(QColor(150, 110, 60), 1.2));
        p.setBrush(Qt::NoBrush);
        QPainterPath fuse(QPointF(centre.x() + br * 0.55, centre.y() - br * 1.1));
        fuse.quadTo(QPointF(w * 0.8, h * 0.05), QPointF(w * 0.9, h * 0.18));
        p.drawPath(fuse);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 160, 0));
        p.drawEllipse(QPointF(w * 0.9, h * 0.16), h * 0.1, h * 0.1);
        p.setBrush(QColor(255, 240, 120));
        p.drawEllipse(QPointF(w * 0.9, h * 0.16), h * 0.05, h * 0.05);
        break;
    }
    case 28: { // yahoo: jumping for joy, both arms up
        TFace f(p, QPointF(w / 2, h * 0.55), h * 0.4);
        f.Head(Skin);
        f.Mouth(-0.5, -0.15, -0.2, -0.25, 0.09);
        f.Mouth(0.15, 0.5, -0.2, -0.25, 0.09);
        f.OpenMouth(0.1, 0.5, 0.4, true);
        Arm(p, f.At(-0.8, 0.3), QPointF(w * 0.08, h * 0.12), h * 0.09);
        Arm(p, f.At(0.8, 0.3), QPointF(w * 0.92, h * 0.12), h * 0.09);
        break;
    }
    case 29: { // truce: a face waving a white flag on a pole
        TFace f(p, QPointF(w * 0.3, h * 0.62), h * 0.3);
        f.Head(Skin);
        f.Eyes(-0.2);
        f.Mouth(-0.35, 0.35, 0.45, -0.2);
        const QPointF poleTop(w * 0.62, h * 0.06);
        const QPointF poleFoot(w * 0.55, h * 0.95);
        p.setPen(QPen(QColor(120, 80, 40), 1.6));
        p.drawLine(poleTop, poleFoot);
        QPainterPath flag(poleTop);
        flag.cubicTo(poleTop + QPointF(w * 0.12, -h * 0.06), poleTop + QPointF(w * 0.24, h * 0.08),
            poleTop + QPointF(w * 0.36, 0));
        flag.lineTo(poleTop + QPointF(w * 0.36, h * 0.3));
        flag.cubicTo(poleTop + QPointF(w * 0.24, h * 0.38), poleTop + QPointF(w * 0.12, h * 0.24),
            poleTop + QPointF(0, h * 0.3));
        flag.closeSubpath();
        p.setPen(QPen(QColor(150, 150, 150), 0.8));
        p.setBrush(Qt::white);
        p.drawPath(flag);
        Arm(p, f.At(0.85, 0.3), QPointF(w * 0.57, h * 0.6), h * 0.07);
        break;
    }
    default:
        break;
    }
}

const TEmoticon& Entry(int n)
{
    if (n < 1 || n > EmoticonCount)
        throw std::out_of_range("emoticon number");
    return Emoticons[std::size_t(n - 1)];
}

// A picture of the picker: the emoticon at its natural size, clickable.
class TEmoticonImage : public QWidget {
public:
    TEmoticonImage(int n, TfrmEmoticons& form, QWidget* parent)
        : QWidget(parent)
        , FNumber(n)
        , FForm(form)
    {
        setFixedSize(EmoticonSize(n));
        setMouseTracking(true);
        setCursor(Qt::PointingHandCursor);
        setObjectName(QStringLiteral("Image%1").arg(n));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawEmoticon(painter, FNumber, rect());
    }
    void mouseMoveEvent(QMouseEvent*) override { FForm.ItemMouseMove(FNumber); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            FForm.GuardedItemClick(FNumber);
    }

private:
    int FNumber;
    TfrmEmoticons& FForm;
};

class TDividerLabel : public QLabel {
public:
    TDividerLabel(int n, const QString& shown, TfrmEmoticons& form, QWidget* parent)
        : QLabel(shown, parent)
        , FNumber(n)
        , FForm(form)
    {
        setCursor(Qt::PointingHandCursor);
        setObjectName(QStringLiteral("Divider%1").arg(n));
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            FForm.GuardedItemClick(FNumber);
    }

private:
    int FNumber;
    TfrmEmoticons& FForm;
};

} // namespace

QString EmoticonName(int n) { return QString::fromUtf8(Entry(n).Name); }

QSize EmoticonSize(int n) { return QSize(Entry(n).Width, Entry(n).Height); }

void DrawEmoticon(QPainter& painter, int n, const QRectF& target)
{
    const QSize natural = EmoticonSize(n);
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / natural.width(), target.height() / natural.height());
    DrawInto(painter, n, natural.width(), natural.height());
    painter.restore();
}

TEnhMetafile EmoticonMetafile(int n)
{
    const QSize size = EmoticonSize(n);
    return RecordToolPicture(size, EmoticonName(n).section(QStringLiteral("   "), 0, 0),
        [n, size](QPainter& painter) {
            painter.setRenderHint(QPainter::Antialiasing);
            DrawEmoticon(painter, n, QRectF(QPointF(0, 0), QSizeF(size)));
        });
}

QString DividerText(int n)
{
    switch (n) {
    case 30:
        return u'|' + QString(65, u'-') + u'|';
    case 31:
        return QString(54, u'*');
    case 32:
        return QString(25, u'<') + u' ' + QString(25, u'>');
    case 33:
        return QString(50, u'~');
    case 34:
        return QString(65, QChar(0x2022)); // the bullet of Windows-1252's 0x95
    case 35:
        return QString(49, u'=');
    default:
        throw std::out_of_range("divider number");
    }
}

TfrmEmoticons::TfrmEmoticons(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FDialogs(dialogs)
{
    setObjectName(QStringLiteral("frmEmoticons"));
    setWindowTitle(QStringLiteral("Emotional Icons"));
    setFixedSize(427, 439);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);
    new TWindowDragger(*this);

    SkPanel3 = new TSkinPanel(QStringLiteral("Emotional Icons"), TSkinPanelKind::pkTitle, this);
    SkPanel3->setGeometry(0, 0, 427, 36);
    SkPanel3->SetDragsWindow(true);

    // Three rows: 1 to 9, 11, 10 and 12; 13 to 23; 24 to 29.
    const QList<QList<int>> rows { { 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 10, 12 },
        { 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23 }, { 24, 25, 26, 27, 28, 29 } };
    int y = 50;
    for (const QList<int>& row : rows) {
        int width = 0;
        int height = 0;
        for (int n : row) {
            width += EmoticonSize(n).width();
            height = std::max(height, EmoticonSize(n).height());
        }
        const int gap = std::max(4, (427 - 16 - width) / int(row.size()));
        int x = 8 + gap / 2;
        for (int n : row) {
            auto* image = new TEmoticonImage(n, *this, this);
            image->move(x, y + (height - EmoticonSize(n).height()) / 2);
            FItems[n] = image;
            x += EmoticonSize(n).width() + gap;
        }
        y += height + 14;
    }

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, y, 411, 22);
    Label1->setAlignment(Qt::AlignCenter);
    y += 30;
    auto* caption = new QLabel(QStringLiteral("Dividers / Lines"), this);
    caption->setGeometry(8, y, 200, 20);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    y += 24;
    for (int n = FirstDivider; n <= LastDivider; ++n) {
        const QString text = DividerText(n);
        auto* label = new TDividerLabel(n, text.left(n == 32 ? 31 : 36), *this, this);
        label->setGeometry(16, y, 395, 20);
        FItems[n] = label;
        y += 22;
    }

    btnClose = new TSkinButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(327, 399, 92, 32);
    btnClose->OnClick = [this](QObject*) { btnCloseClick(); };
}

QWidget* TfrmEmoticons::Item(int n) const { return n >= 1 && n <= LastDivider ? FItems[n] : nullptr; }

void TfrmEmoticons::ItemMouseMove(int n)
{
    if (n >= 1 && n <= EmoticonCount)
        Label1->setText(EmoticonName(n));
}

void TfrmEmoticons::ItemClick(int n)
{
    if (n >= 1 && n <= EmoticonCount)
        PutToolPictureOnClipboard(EmoticonMetafile(n));
    else
        PutToolTextOnClipboard(DividerText(n));
    FInsertRequest = true; // only once the clipboard holds it
    done(int(TModalResult::mrOk));
}

void TfrmEmoticons::GuardedItemClick(int n)
{
    RunCommand(FDialogs, [&] { ItemClick(n); });
}

void TfrmEmoticons::btnCloseClick() { done(int(TModalResult::mrCancel)); }

void TfrmEmoticons::showEvent(QShowEvent* event)
{
    Label1->clear();
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
}
