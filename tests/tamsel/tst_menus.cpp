// The owner-drawn popup menus and Tamsel's icon set.
#include "MenuStyle.h"
#include "TamselIcons.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QStyleOptionMenuItem>
#include <QTest>

class TestMenus : public QObject {
    Q_OBJECT
private slots:
    void everyIconRendersAt32_data();
    void everyIconRendersAt32();
    void unknownIconIsNull();

    void itemsHaveRoomForCaptionAndHint();
    void selectedItemIsHighlightedTopToBottom();
    void disabledItemIsGreyAndNeverHighlighted();
    void iconColumnShadesFollowTheTick();
    void checkMarkOnlyWhenTheItemHasNoIcon();
    void separatorHasColumnAndLine();
    void shortcutIsRightAlignedOnTheCaptionLine();
    void hintWidensAndFillsTheSecondLine();
    void itemsStillWorkWithKeyboardAndMouse();
};

namespace {

const QColor Background(250, 250, 250);
const QColor HighlightTop(255, 245, 221);
const QColor HighlightBottom(255, 210, 94);
const QColor ColumnLeft(223, 238, 247);
const QColor ColumnRight(124, 168, 211);
const QColor Outline(197, 197, 197);
const QColor CheckFrame(158, 158, 158);
const QColor DisabledText(192, 192, 192);
const QColor Unpainted(255, 0, 255);

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y).toRgb(); }

bool Near(const QColor& a, const QColor& b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

int CaptionLineHeight() { return QFontMetrics(QFont(QStringLiteral("Arial"), 12, QFont::Bold)).lineSpacing(); }

// Draws one item with the style alone, as a menu would, onto a magenta sheet.
QImage DrawItem(const QStyleOptionMenuItem& item)
{
    TOwnerDrawMenuStyle style;
    QImage image(item.rect.size(), QImage::Format_RGB32);
    image.fill(Unpainted);
    QPainter painter(&image);
    style.drawControl(QStyle::CE_MenuItem, &item, &painter, nullptr);
    return image;
}

QStyleOptionMenuItem Item(const QString& text, QStyle::State state, int height = 60)
{
    QStyleOptionMenuItem item;
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.text = text;
    item.state = state;
    item.rect = QRect(0, 0, 200, height);
    item.maxIconWidth = 36;
    return item;
}

// Pixels clearly darker than the lightest colours a menu paints: text, icons, marks.
int DarkPixels(const QImage& image, const QRect& area, int* rightmost = nullptr)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 120) {
                ++count;
                if (rightmost)
                    *rightmost = std::max(*rightmost, x);
            }
    return count;
}

int DarkestGray(const QImage& image, const QRect& area)
{
    int darkest = 255;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

bool Contains(const QImage& image, const QRect& area, const QColor& color)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (At(image, x, y) == color)
                return true;
    return false;
}

struct TShownMenu {
    QMenu Menu;
    TShownMenu() { MakeOwnerDrawn(Menu); }
    bool Show()
    {
        Menu.popup(QPoint(50, 50));
        return QTest::qWaitForWindowExposed(&Menu);
    }
    QImage Grab() { return Menu.grab().toImage(); }
};

} // namespace

void TestMenus::everyIconRendersAt32_data()
{
    QTest::addColumn<QString>("name");
    const char* const names[] = { "new", "history", "open", "save", "saveas", "quickprint", "printpreview", "cut",
        "copy", "paste", "undo", "redo", "find", "replace", "findnext", "date", "picture", "emoticons", "char", "close",
        "help", "envelope", "painter", "bold", "italic", "underline", "alignleft", "aligncenter", "alignright",
        "justify", "superscript", "subscript", "spellcheck", "mailmerge", "indentdec", "hangingdec", "hanginginc",
        "indentinc", "spacing1", "spacing15", "spacing2", "bullets", "numbering", "background", "selectall", "delete",
        "deleteall", "table", "equation", "sidepanel", "file-txt", "file-other", "file-rtf", "file-doc", "file-web",
        "file-rtc" };
    for (const char* name : names)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestMenus::everyIconRendersAt32()
{
    QFETCH(QString, name);
    const QIcon icon = TamselIcon(name);
    QVERIFY(!icon.isNull());
    const QImage image = icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(32, 32));
    // A missing SVG engine yields an empty pixmap; a broken drawing, a nearly empty one.
    int opaque = 0;
    int dark = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb pixel = image.pixel(x, y);
            opaque += qAlpha(pixel) > 128;
            dark += qAlpha(pixel) > 128 && qGray(pixel) < 140;
        }
    QVERIFY2(opaque > 60, qPrintable(QStringLiteral("%1 opaque pixels").arg(opaque)));
    QVERIFY2(dark > 10, qPrintable(QStringLiteral("%1 dark pixels").arg(dark)));
}

void TestMenus::unknownIconIsNull() { QVERIFY(TamselIcon(u"no-such-icon").isNull()); }

void TestMenus::itemsHaveRoomForCaptionAndHint()
{
    TShownMenu shown;
    QAction* cut = shown.Menu.addAction(QStringLiteral("Couper"));
    QAction* separator = shown.Menu.addSeparator();
    QAction* all = shown.Menu.addAction(QStringLiteral("Sélectionner Tout"));
    QVERIFY(shown.Show());

    const int expected = CaptionLineHeight() + QFontMetrics(QFont(QStringLiteral("Arial"), 12)).lineSpacing() + 21;
    QCOMPARE(shown.Menu.actionGeometry(cut).height(), expected);
    QCOMPARE(shown.Menu.actionGeometry(all).height(), expected);
    QCOMPARE(shown.Menu.actionGeometry(separator).height(), 3);
    // The icon column, the margins and the bold caption all fit.
    const int boldWidth = QFontMetrics(QFont(QStringLiteral("Arial"), 12, QFont::Bold)).horizontalAdvance(all->text());
    QVERIFY(shown.Menu.actionGeometry(all).width() >= boldWidth + 6 + 38);
}

void TestMenus::selectedItemIsHighlightedTopToBottom()
{
    const QImage image = DrawItem(Item(QStringLiteral("Coller"), QStyle::State_Enabled | QStyle::State_Selected));
    QCOMPARE(At(image, 100, 0), Outline);
    QCOMPARE(At(image, 199, 30), Outline);
    QCOMPARE(At(image, 100, 2), HighlightTop);
    QCOMPARE(At(image, 10, 2), HighlightTop); // over the icon column too
    QVERIFY(Near(At(image, 100, 58), HighlightBottom));
    // The rounded corner is clipped: the platform's background shows there, not the highlight.
    QVERIFY(At(image, 0, 0) != HighlightTop);

    const QImage resting = DrawItem(Item(QStringLiteral("Coller"), QStyle::State_Enabled));
    QCOMPARE(At(resting, 100, 2), Background);
}

void TestMenus::disabledItemIsGreyAndNeverHighlighted()
{
    // Drawn on its own: selected but disabled stays unhighlighted, in grey.
    const QImage image = DrawItem(Item(QStringLiteral("Effacer Tout"), QStyle::State_Selected));
    QCOMPARE(At(image, 100, 2), Background);
    QCOMPARE(At(image, 199, 30), Background);
    QVERIFY(!Contains(image, image.rect(), HighlightTop));
    QCOMPARE(DarkestGray(image, QRect(41, 11, 150, CaptionLineHeight())), qGray(DisabledText.rgb()));

    // In a menu under the pointer.
    TShownMenu shown;
    QAction* enabled = shown.Menu.addAction(QStringLiteral("Couper"));
    QAction* disabled = shown.Menu.addAction(QStringLiteral("Effacer Tout"));
    disabled->setEnabled(false);
    QVERIFY(shown.Show());
    QTest::mouseMove(&shown.Menu, shown.Menu.actionGeometry(enabled).center());
    QTRY_VERIFY(Contains(shown.Grab(), shown.Menu.actionGeometry(enabled), HighlightTop));
    QTest::mouseMove(&shown.Menu, shown.Menu.actionGeometry(disabled).center());
    const QRect area = shown.Menu.actionGeometry(disabled);
    QTRY_VERIFY(!Contains(shown.Grab(), shown.Menu.actionGeometry(enabled), HighlightTop));
    const QImage hovered = shown.Grab();
    QVERIFY(!Contains(hovered, area, HighlightTop));
    QCOMPARE(DarkestGray(hovered, area.adjusted(41, 0, 0, 0)), qGray(DisabledText.rgb()));
}

void TestMenus::iconColumnShadesFollowTheTick()
{
    QStyleOptionMenuItem plain = Item(QStringLiteral("Couper"), QStyle::State_Enabled);
    const QImage unticked = DrawItem(plain);
    QCOMPARE(At(unticked, 0, 30), ColumnLeft);
    QCOMPARE(At(unticked, 37, 30), ColumnRight);
    QCOMPARE(At(unticked, 38, 30), Background);
    QCOMPARE(At(unticked, 5, 2), At(unticked, 5, 57)); // left to right: each column is one colour

    QStyleOptionMenuItem tickedItem = plain;
    tickedItem.checkType = QStyleOptionMenuItem::NonExclusive;
    tickedItem.checked = true;
    const QImage ticked = DrawItem(tickedItem);
    QCOMPARE(At(ticked, 20, 2), HighlightTop);
    QVERIFY(Near(At(ticked, 20, 58), HighlightBottom));
    for (const QPoint frame : { QPoint(0, 30), QPoint(37, 30), QPoint(20, 0), QPoint(20, 59) })
        QCOMPARE(At(ticked, frame.x(), frame.y()), CheckFrame);
    QCOMPARE(At(ticked, 38, 30), Background);

    // A checkable item that is not ticked gets no frame.
    tickedItem.checked = false;
    QCOMPARE(At(DrawItem(tickedItem), 37, 30), ColumnRight);
}

void TestMenus::checkMarkOnlyWhenTheItemHasNoIcon()
{
    QStyleOptionMenuItem item = Item(QStringLiteral("Masquer Panneau Latéral"), QStyle::State_Enabled);
    item.checkType = QStyleOptionMenuItem::NonExclusive;
    item.checked = true;
    const QRect square(1, 1, 36, 58);
    QVERIFY(DarkPixels(DrawItem(item), square) > 8);

    QPixmap yellow(32, 32);
    yellow.fill(Qt::yellow);
    item.icon = QIcon(yellow);
    const QImage withIcon = DrawItem(item);
    QCOMPARE(DarkPixels(withIcon, square), 0);
    QCOMPARE(At(withIcon, 3, 4), QColor(Qt::yellow)); // the icon's corner at left + 3, top + 4
    QCOMPARE(At(withIcon, 34, 35), QColor(Qt::yellow));
    QVERIFY(At(withIcon, 35, 36) != QColor(Qt::yellow));
}

void TestMenus::separatorHasColumnAndLine()
{
    TOwnerDrawMenuStyle style;
    QStyleOptionMenuItem separator;
    separator.menuItemType = QStyleOptionMenuItem::Separator;
    separator.maxIconWidth = 36;
    QCOMPARE(style.sizeFromContents(QStyle::CT_MenuItem, &separator, QSize(2, 2), nullptr), QSize(10, 3));

    separator.rect = QRect(0, 0, 200, 3);
    const QImage image = DrawItem(separator);
    QCOMPARE(At(image, 38, 1), Outline);
    QCOMPARE(At(image, 199, 1), Outline);
    QCOMPARE(At(image, 100, 0), Unpainted);
    QCOMPARE(At(image, 100, 2), Unpainted);
    QCOMPARE(At(image, 0, 0), ColumnLeft);
    QCOMPARE(At(image, 37, 2), ColumnRight);
}

void TestMenus::shortcutIsRightAlignedOnTheCaptionLine()
{
    TShownMenu shown;
    QAction* bound = shown.Menu.addAction(QStringLiteral("Couper"));
    bound->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    QAction* shownOnly = shown.Menu.addAction(QStringLiteral("&Copier\tCtrl+C"));
    QAction* none = shown.Menu.addAction(QStringLiteral("Effacer Tout"));
    QVERIFY(shown.Show());
    const QImage image = shown.Grab();

    const int captionHeight = CaptionLineHeight();
    for (QAction* action : { bound, shownOnly }) {
        const QRect item = shown.Menu.actionGeometry(action);
        const QRect right(item.right() - 40, item.top() + 11, 38, captionHeight);
        int rightmost = 0;
        QVERIFY2(DarkPixels(image, right, &rightmost) > 10, qPrintable(action->text()));
        QVERIFY(rightmost >= item.right() - 3 - 4);
        // Nothing of it on the hint line.
        QCOMPARE(DarkPixels(image,
                     QRect(item.left() + 41, item.top() + captionHeight + 14, item.width() - 41,
                         item.height() - captionHeight - 14)),
            0);
    }
    const QRect item = shown.Menu.actionGeometry(none);
    QCOMPARE(DarkPixels(image, QRect(item.right() - 40, item.top(), 40, item.height())), 0);
}

void TestMenus::hintWidensAndFillsTheSecondLine()
{
    TShownMenu plain;
    plain.Menu.addAction(QStringLiteral("Couper"));
    TShownMenu hinted;
    QAction* action = hinted.Menu.addAction(QStringLiteral("Couper"));
    action->setStatusTip(QStringLiteral("Couper la sélection vers le presse-papiers"));
    QVERIFY(plain.Show());
    QVERIFY(hinted.Show());
    const QRect item = hinted.Menu.actionGeometry(action);
    QCOMPARE(item.height(), plain.Menu.actionGeometry(plain.Menu.actions().first()).height());
    QVERIFY(item.width() > plain.Menu.actionGeometry(plain.Menu.actions().first()).width() + 100);

    const int captionHeight = CaptionLineHeight();
    const QRect hintLine(item.left() + 41, item.top() + captionHeight + 14, item.width() - 44, 10);
    QVERIFY(DarkPixels(hinted.Grab(), hintLine) > 20);
}

void TestMenus::itemsStillWorkWithKeyboardAndMouse()
{
    TShownMenu shown;
    QAction* cut = shown.Menu.addAction(QStringLiteral("Couper"));
    shown.Menu.addSeparator();
    QAction* paste = shown.Menu.addAction(QStringLiteral("Coller"));
    QSignalSpy cutSpy(cut, &QAction::triggered);
    QSignalSpy pasteSpy(paste, &QAction::triggered);

    QVERIFY(shown.Show());
    QTest::keyClick(&shown.Menu, Qt::Key_Down);
    QTest::keyClick(&shown.Menu, Qt::Key_Down);
    QCOMPARE(shown.Menu.activeAction(), paste);
    QTest::keyClick(&shown.Menu, Qt::Key_Return);
    QCOMPARE(pasteSpy.count(), 1);

    QVERIFY(shown.Show());
    const QPoint centre = shown.Menu.actionGeometry(cut).center();
    QTest::mouseMove(&shown.Menu, centre);
    QTest::mouseClick(&shown.Menu, Qt::LeftButton, {}, centre);
    QTRY_COMPARE(cutSpy.count(), 1);
    QVERIFY(!shown.Menu.isVisible());
}

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
