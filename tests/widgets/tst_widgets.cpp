// Skinned widgets: spin edit limits and events, track bar limits, button and check box states, the
// colour and font lists, the gradient filler, hints and dragging a window by its title panel.
#include "ColorComboBox.h"
#include "FontComboBox.h"
#include "Hints.h"
#include "RtSpinEdit.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinPanel.h"
#include "TestMain.h"
#include "TrackBar.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSet>
#include <QTest>

namespace {

void SendMouse(
    QWidget& widget, QEvent::Type type, const QPoint& pos, Qt::MouseButtons buttons, const QPoint& global = QPoint())
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(pos), QPointF(global.isNull() ? widget.mapToGlobal(pos) : global), button, buttons,
        Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

QPoint UpArrow(const TRtSpinEdit& spin) { return QPoint(spin.width() - 6, 4); }
QPoint DownArrow(const TRtSpinEdit& spin) { return QPoint(spin.width() - 6, spin.height() - 4); }

// A size box as the side panel has it, logging its events as "change:13", "top:13", ...
struct TSpinFixture {
    TRtSpinEdit Spin;
    QStringList Log;

    TSpinFixture(int minValue, int maxValue, int increment, int value)
    {
        Spin.SetMinValue(minValue);
        Spin.SetMaxValue(maxValue);
        Spin.SetIncrement(increment);
        Spin.SetValue(value);
        Spin.resize(80, 24);
        Spin.show();
        Spin.OnChange = [this](QObject*) { Log << QStringLiteral("change:%1").arg(Spin.Value()); };
        Spin.OnTopClick = [this](QObject*) { Log << QStringLiteral("top:%1").arg(Spin.Value()); };
        Spin.OnBottomClick = [this](QObject*) { Log << QStringLiteral("bottom:%1").arg(Spin.Value()); };
    }
    QLineEdit& Edit() { return *static_cast<QLineEdit*>(Spin.focusProxy()); }
};

QImage WhiteImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QColor Rgb(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

} // namespace

class TestSpinEdit : public QObject {
    Q_OBJECT
private slots:
    void valueIsKeptWithinTheLimits_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        QTest::newRow("below") << 2 << 4;
        QTest::newRow("inside") << 36 << 36;
        QTest::newRow("above") << 2000 << 800;
    }
    void valueIsKeptWithinTheLimits()
    {
        QFETCH(int, requested);
        QFETCH(int, expected);
        TSpinFixture fixture(4, 800, 2, 12);
        fixture.Spin.SetValue(requested);
        QCOMPARE(fixture.Spin.Value(), expected);
        QCOMPARE(fixture.Spin.Text(), QString::number(expected));
    }

    void eachChangeIsReportedOnce()
    {
        TSpinFixture fixture(4, 800, 2, 12);
        fixture.Spin.SetValue(12);
        QVERIFY(fixture.Log.isEmpty());
        fixture.Spin.SetValue(900);
        fixture.Spin.SetValue(1000); // clamps to the 800 already shown
        QCOMPARE(fixture.Log, QStringList { "change:800" });
        QCOMPARE(fixture.Spin.LastChange(), TSpinChange::scCode);
    }

    void narrowerLimitsPullTheValueIn()
    {
        TSpinFixture fixture(0, 100, 1, 50);
        fixture.Spin.SetMaxValue(20);
        QCOMPARE(fixture.Log, QStringList { "change:20" });
        fixture.Spin.SetMinValue(30); // above the maximum: the maximum follows
        QCOMPARE(fixture.Spin.MaxValue(), 30);
        QCOMPARE(fixture.Spin.Value(), 30);
    }

    void upArrowStepsThenReportsTheClick()
    {
        TSpinFixture fixture(4, 800, 2, 11);
        QTest::mouseClick(&fixture.Spin, Qt::LeftButton, {}, UpArrow(fixture.Spin));
        QCOMPARE(fixture.Log, (QStringList { "change:13", "top:13" }));
        QCOMPARE(fixture.Spin.LastChange(), TSpinChange::scArrowButton);
    }

    void changeHandlerMaySetTheValueAgain()
    {
        // The size box raises odd sizes to the next even one from inside its change handler.
        TSpinFixture fixture(4, 800, 2, 11);
        fixture.Spin.OnChange = [&](QObject*) {
            fixture.Log << QStringLiteral("change:%1").arg(fixture.Spin.Value());
            if (fixture.Spin.Value() % 2 != 0)
                fixture.Spin.SetValue(fixture.Spin.Value() + 1);
        };
        QTest::mouseClick(&fixture.Spin, Qt::LeftButton, {}, UpArrow(fixture.Spin));
        QCOMPARE(fixture.Log, (QStringList { "change:13", "change:14", "top:14" }));
        QCOMPARE(fixture.Spin.Text(), QStringLiteral("14"));
    }

    void arrowsReportTheirClickAtTheLimitsToo()
    {
        TSpinFixture fixture(4, 800, 2, 800);
        QTest::mouseClick(&fixture.Spin, Qt::LeftButton, {}, UpArrow(fixture.Spin));
        fixture.Spin.SetValue(5);
        fixture.Log.clear();
        QTest::mouseClick(&fixture.Spin, Qt::LeftButton, {}, DownArrow(fixture.Spin));
        QTest::mouseClick(&fixture.Spin, Qt::LeftButton, {}, DownArrow(fixture.Spin));
        QCOMPARE(fixture.Log, (QStringList { "change:4", "bottom:4", "bottom:4" }));
    }

    void arrowKeysStepLikeTheArrows()
    {
        TSpinFixture fixture(10, 600, 10, 64);
        QTest::keyClick(&fixture.Edit(), Qt::Key_Up);
        QCOMPARE(fixture.Log, (QStringList { "change:74", "top:74" }));
        QCOMPARE(fixture.Spin.LastChange(), TSpinChange::scArrowKey);
        fixture.Spin.SetArrowKeys(false);
        QTest::keyClick(&fixture.Edit(), Qt::Key_Down);
        QCOMPARE(fixture.Spin.Value(), 74);
    }

    void keyHandlerSeesEnterAndCanSwallowKeys()
    {
        TSpinFixture fixture(4, 800, 2, 12);
        QList<int> keys;
        fixture.Spin.OnKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) {
            keys << key;
            if (key == Qt::Key_Up)
                key = 0;
        };
        QTest::keyClick(&fixture.Edit(), Qt::Key_Return);
        QTest::keyClick(&fixture.Edit(), Qt::Key_Up);
        QCOMPARE(keys, (QList<int> { Qt::Key_Return, Qt::Key_Up }));
        QCOMPARE(fixture.Spin.Value(), 12);
    }

    void typedDigitsOutsideTheLimitsWaitForEnter()
    {
        TSpinFixture fixture(10, 600, 10, 64);
        int valueOnEnter = -1;
        fixture.Spin.OnKeyDown = [&](QObject*, int& key, Qt::KeyboardModifiers) {
            if (key == Qt::Key_Return)
                valueOnEnter = fixture.Spin.Value();
        };
        fixture.Edit().selectAll();
        QTest::keyClicks(&fixture.Edit(), QStringLiteral("7")); // on the way to 700, not 10 yet
        QCOMPARE(fixture.Spin.Value(), 64);
        QTest::keyClicks(&fixture.Edit(), QStringLiteral("0"));
        QCOMPARE(fixture.Log, QStringList { "change:70" });
        QTest::keyClicks(&fixture.Edit(), QStringLiteral("0"));
        QTest::keyClick(&fixture.Edit(), Qt::Key_Return);
        QCOMPARE(valueOnEnter, 600);
        QCOMPARE(fixture.Spin.Text(), QStringLiteral("600"));
        QCOMPARE(fixture.Spin.LastChange(), TSpinChange::scTyping);
    }

    void typingIsRefusedWhenTheEditorIsDisabled()
    {
        TSpinFixture fixture(4, 800, 2, 12);
        fixture.Spin.SetEditorEnabled(false);
        QTest::keyClicks(&fixture.Edit(), QStringLiteral("5"));
        QCOMPARE(fixture.Spin.Text(), QStringLiteral("12"));
        QTest::keyClick(&fixture.Edit(), Qt::Key_Up);
        QCOMPARE(fixture.Spin.Value(), 14);
    }

    void maxLengthLimitsTypingButNotValues()
    {
        TSpinFixture fixture(1, 100, 1, 1);
        fixture.Spin.SetMaxLength(2);
        fixture.Spin.SetValue(100);
        QCOMPARE(fixture.Spin.Text(), QStringLiteral("100"));
        fixture.Edit().selectAll();
        QTest::keyClicks(&fixture.Edit(), QStringLiteral("123"));
        QCOMPARE(fixture.Spin.Text(), QStringLiteral("12"));
    }

    void disabledBoxIgnoresItsArrows()
    {
        TSpinFixture fixture(10, 1000, 10, 24);
        fixture.Spin.setEnabled(false);
        fixture.Spin.UpClick();
        fixture.Spin.DownClick();
        QCOMPARE(fixture.Spin.Value(), 24);
        QVERIFY(fixture.Log.isEmpty());
    }
};

class TestTrackBar : public QObject {
    Q_OBJECT
private slots:
    void positionIsKeptWithinTheLimits_data()
    {
        QTest::addColumn<int>("requested");
        QTest::addColumn<int>("expected");
        QTest::newRow("below") << 20 << 50;
        QTest::newRow("inside") << 120 << 120;
        QTest::newRow("above") << 500 << 200;
    }
    void positionIsKeptWithinTheLimits()
    {
        QFETCH(int, requested);
        QFETCH(int, expected);
        TTrackBar bar;
        bar.SetMax(200);
        bar.SetMin(50);
        bar.SetPosition(requested);
        QCOMPARE(bar.Position(), expected);
    }

    void requestOutsideTheRangeIsReportedThoughThePositionStays()
    {
        // The preview's zoom follows the bar only through OnChange; a zoom of 10 must come back as 20.
        TTrackBar bar;
        bar.SetMax(400);
        bar.SetMin(20);
        int changes = 0;
        bar.OnChange = [&](QObject*) { ++changes; };
        bar.SetPosition(10);
        QCOMPARE(bar.Position(), 20);
        QCOMPARE(changes, 1);
        bar.SetPosition(20);
        QCOMPARE(changes, 1);
        bar.SetPosition(35);
        QCOMPARE(changes, 2);
    }

    void narrowerRangeMovesThePosition()
    {
        TTrackBar bar;
        bar.SetMax(400);
        bar.SetPosition(300);
        int changes = 0;
        bar.OnChange = [&](QObject*) { ++changes; };
        bar.SetMax(200);
        QCOMPARE(bar.Position(), 200);
        QCOMPARE(changes, 1);
    }

    void pressingAndDraggingMoveTheThumb()
    {
        TTrackBar bar;
        bar.SetMax(200);
        bar.SetMin(50);
        bar.SetFrequency(5);
        bar.resize(300, 40);
        bar.show();
        SendMouse(bar, QEvent::MouseButtonPress, bar.ThumbRect(125).center(), Qt::LeftButton);
        QCOMPARE(bar.Position(), 125);
        SendMouse(bar, QEvent::MouseMove, bar.ThumbRect(180).center(), Qt::LeftButton);
        QCOMPARE(bar.Position(), 180);
        SendMouse(bar, QEvent::MouseMove, QPoint(bar.width() + 50, 20), Qt::LeftButton);
        QCOMPARE(bar.Position(), 200);
        SendMouse(bar, QEvent::MouseButtonRelease, QPoint(bar.width() + 50, 20), Qt::NoButton);
        SendMouse(bar, QEvent::MouseMove, bar.ThumbRect(60).center(), Qt::NoButton);
        QCOMPARE(bar.Position(), 200);
    }

    void verticalBarHasItsMinimumAtTheTop()
    {
        TTrackBar bar;
        bar.SetOrientation(TTrackBarOrientation::trVertical);
        bar.SetMax(100);
        bar.resize(40, 200);
        QVERIFY(bar.ThumbRect(0).top() < bar.ThumbRect(100).top());
        QCOMPARE(bar.PositionAt(QPoint(20, 0)), 0);
        bar.SetPosition(50);
        QTest::keyClick(&bar, Qt::Key_Down); // down the screen is towards the maximum
        QVERIFY(bar.Position() > 50);
    }
};

class TestSkinButton : public QObject {
    Q_OBJECT
private slots:
    void clickIsReportedOnce()
    {
        TSkinButton button(QStringLiteral(" Appliquer"));
        button.resize(90, 28);
        button.show();
        int clicks = 0;
        button.OnClick = [&](QObject* sender) {
            QCOMPARE(sender, &button);
            ++clicks;
        };
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton);
        button.Click();
        QCOMPARE(clicks, 1);
    }

    void ungroupedButtonKeepsTheDownStateItWasGiven()
    {
        // Justified text puts all three alignment buttons down; clicks must not undo that.
        QWidget panel;
        TSkinButton left(&panel);
        TSkinButton centre(&panel);
        left.SetDown(true);
        centre.SetDown(true);
        left.Click();
        QVERIFY(left.Down());
        QVERIFY(centre.Down());
    }

    void groupedButtonsReleaseEachOther()
    {
        QWidget panel;
        TSkinButton first(&panel);
        TSkinButton second(&panel);
        TSkinButton third(&panel);
        TSkinButton outsider(&panel);
        for (TSkinButton* button : { &first, &second, &third })
            button->SetGroupIndex(1);
        outsider.SetDown(true);
        second.Click();
        QVERIFY(!first.Down() && second.Down() && !third.Down());
        second.Click(); // without AllowAllUp one of the group stays down
        QVERIFY(second.Down());
        third.SetDown(true);
        QVERIFY(!second.Down() && third.Down());
        QVERIFY(outsider.Down());
    }

    void groupOfOneWithAllowAllUpToggles()
    {
        QWidget panel;
        TSkinButton painter(&panel);
        painter.SetGroupIndex(2);
        painter.SetAllowAllUp(true);
        QList<bool> downInHandler;
        painter.OnClick = [&](QObject*) { downInHandler << painter.Down(); };
        painter.Click();
        painter.Click();
        QCOMPARE(downInHandler, (QList<bool> { true, false }));
    }

    void dropdownArrowOpensTheMenuWithoutClicking()
    {
        TSkinButton button;
        QMenu menu;
        menu.addAction(QStringLiteral("Justification complète"));
        button.SetDropdownMenu(&menu);
        button.resize(60, 40);
        button.show();
        int clicks = 0;
        button.OnClick = [&](QObject*) { ++clicks; };
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(button.width() - 4, 20));
        QVERIFY(menu.isVisible());
        QCOMPARE(clicks, 0);
        menu.hide();
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(10, 20));
        QCOMPARE(clicks, 1);
    }

    void modalResultClosesTheDialogAfterTheHandler()
    {
        QDialog dialog;
        TSkinButton apply(QStringLiteral(" Appliquer"), &dialog);
        apply.SetModalResult(QDialog::Accepted);
        bool openInHandler = false;
        apply.OnClick = [&](QObject*) { openInHandler = dialog.isVisible(); };
        dialog.show();
        apply.Click();
        QVERIFY(openInHandler);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

class TestSkinCheckBox : public QObject {
    Q_OBJECT
private slots:
    void userClickTogglesAndReportsBoth()
    {
        TSkinCheckBox box(QStringLiteral("Voir Ligne Tête"));
        box.resize(150, 20);
        box.show();
        int clicks = 0;
        int changes = 0;
        box.OnClick = [&](QObject*) { ++clicks; };
        box.OnChange = [&](QObject*) { ++changes; };
        QTest::mouseClick(&box, Qt::LeftButton);
        QVERIFY(box.Checked());
        QCOMPARE(clicks, 1);
        QCOMPARE(changes, 1);
    }

    void settingTheStateIsAChangeButNotAClick()
    {
        TSkinCheckBox box;
        int clicks = 0;
        int changes = 0;
        box.OnClick = [&](QObject*) { ++clicks; };
        box.OnChange = [&](QObject*) { ++changes; };
        box.SetChecked(true);
        box.SetChecked(true);
        QCOMPARE(changes, 1);
        QCOMPARE(clicks, 0);
    }
};

class TestColorList : public QObject {
    Q_OBJECT
private slots:
    void standardEntriesMapToTheirColours_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<uint>("color"); // 0x00BBGGRR
        const std::pair<const char*, uint> expected[]
            = { { "Black", 0x000000 }, { "Maroon", 0x000080 }, { "Green", 0x008000 }, { "Olive", 0x008080 },
                  { "Navy", 0x800000 }, { "Purple", 0x800080 }, { "Teal", 0x808000 }, { "Gray", 0x808080 },
                  { "Silver", 0xC0C0C0 }, { "Red", 0x0000FF }, { "Lime", 0x00FF00 }, { "Yellow", 0x00FFFF },
                  { "Blue", 0xFF0000 }, { "Fuchsia", 0xFF00FF }, { "Aqua", 0xFFFF00 }, { "White", 0xFFFFFF } };
        int index = 0;
        for (const auto& [name, color] : expected) {
            QTest::newRow(name) << index << QString::fromLatin1(name) << color;
            ++index;
        }
    }
    void standardEntriesMapToTheirColours()
    {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(uint, color);
        TColorComboBox list;
        QCOMPARE(list.count(), 16);
        QCOMPARE(list.itemText(index), name);
        QCOMPARE(list.ColorAt(index), COLORREF(color));
        list.SetSelected(COLORREF(color));
        QCOMPARE(list.currentIndex(), index);
        QCOMPARE(list.Selected(), COLORREF(color));
        QCOMPARE(list.Text(), name);
    }

    void colourOfNoEntryIsShownAsItsValue()
    {
        TColorComboBox list;
        list.SetSelected(RGB(1, 2, 3));
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(list.Selected(), RGB(1, 2, 3));
        QCOMPARE(list.Text(), QStringLiteral("$00030201"));
        list.SetSelected(RGB(255, 0, 0));
        QCOMPARE(list.Text(), QStringLiteral("Red"));
    }

    void onlyTheUsersChoiceIsAClick()
    {
        // The selection refresh sets the list and must not write the colour back to the text.
        TColorComboBox list;
        list.show();
        int clicks = 0;
        int changes = 0;
        list.OnClick = [&](QObject*) { ++clicks; };
        list.OnChange = [&](QObject*) { ++changes; };
        list.SetSelected(RGB(255, 0, 0));
        list.SetSelected(RGB(255, 0, 0));
        QCOMPARE(changes, 1);
        QCOMPARE(clicks, 0);
        QTest::keyClick(&list, Qt::Key_Down);
        QCOMPARE(list.Text(), QStringLiteral("Lime"));
        QCOMPARE(clicks, 1);
        QCOMPARE(changes, 2);
    }
};

class TestFontList : public QObject {
    Q_OBJECT
private slots:
    void holdsEachInstalledFaceOnce()
    {
        TFontComboBox list;
        QSet<QString> items;
        for (int i = 0; i < list.count(); ++i) {
            const QString item = list.itemText(i);
            QVERIFY2(!item.endsWith(u']'), qPrintable(item)); // "Nimbus Sans [urw]" would reach documents
            QVERIFY2(!items.contains(item), qPrintable(item));
            items.insert(item);
        }
        for (const QString& family : QFontDatabase::families()) {
            if (QFontDatabase::isPrivateFamily(family))
                continue;
            const QString face = family.section(QStringLiteral(" ["), 0, 0);
            QVERIFY2(items.contains(face), qPrintable(family));
        }
    }

    void selectsAFamilyByName()
    {
        TFontComboBox list;
        const QString family = list.itemText(list.count() / 2);
        list.SetFontName(family);
        QCOMPARE(list.currentIndex(), list.count() / 2);
        list.SetFontName(QString());
        list.SetFontName(family.toUpper()); // the font system matches names without regard to case
        QCOMPARE(list.FontName(), family);
    }

    void nameOfNoFamilyIsShownAsItIs()
    {
        TFontComboBox list;
        list.SetFontName(QStringLiteral("No Such Face 1234"));
        QCOMPARE(list.currentIndex(), -1);
        QCOMPARE(list.FontName(), QStringLiteral("No Such Face 1234"));
        list.Reload();
        QCOMPARE(list.FontName(), QStringLiteral("No Such Face 1234"));
    }

    void changeIsReportedOnlyWhenTheNameDiffers()
    {
        TFontComboBox list;
        QVERIFY(list.count() >= 2);
        int changes = 0;
        list.OnChange = [&](QObject*) { ++changes; };
        list.SetFontName(list.itemText(0));
        list.SetFontName(list.itemText(0));
        QCOMPARE(changes, 1);
        list.SetFontName(list.itemText(1));
        list.SetFontName(QStringLiteral("Unknown Face"));
        list.SetFontName(QStringLiteral("Unknown Face"));
        QCOMPARE(changes, 3);
    }

    void symbolFontsCanBeLeftOut()
    {
        const QStringList symbols = SymbolFontFamilies();
        if (symbols.isEmpty())
            QSKIP("no symbol font is installed");
        TFontComboBox list;
        QVERIFY(list.findText(symbols.first(), Qt::MatchExactly) >= 0);
        const int all = list.count();
        list.SetOptions({ TFontListOption::foNoSymbolFonts });
        for (const QString& symbol : symbols)
            QCOMPARE(list.findText(symbol, Qt::MatchExactly), -1);
        QCOMPARE(list.count(), all - int(symbols.size()));
    }
};

class TestGradient : public QObject {
    Q_OBJECT
private slots:
    void endsHaveTheGivenColours_data()
    {
        QTest::addColumn<bool>("vertical");
        QTest::newRow("top to bottom") << true;
        QTest::newRow("left to right") << false;
    }
    void endsHaveTheGivenColours()
    {
        QFETCH(bool, vertical);
        const COLORREF from = RGB(10, 20, 30);
        const COLORREF to = RGB(200, 150, 100);
        QImage image = WhiteImage(50, 40);
        const QRect area(5, 4, 33, 27);
        {
            QPainter painter(&image);
            FillGradient(painter, area, from, to, vertical);
        }
        for (int across = 0; across < (vertical ? area.width() : area.height()); ++across) {
            const QPoint first
                = vertical ? QPoint(area.left() + across, area.top()) : QPoint(area.left(), area.top() + across);
            const QPoint last
                = vertical ? QPoint(area.left() + across, area.bottom()) : QPoint(area.right(), area.top() + across);
            QCOMPARE(image.pixelColor(first), Rgb(from));
            QCOMPARE(image.pixelColor(last), Rgb(to));
        }
        // Nothing outside the rectangle is touched.
        QCOMPARE(image.pixelColor(area.left() - 1, area.top()), QColor(Qt::white));
        QCOMPARE(image.pixelColor(area.right() + 1, area.bottom()), QColor(Qt::white));
        QCOMPARE(image.pixelColor(area.left(), area.bottom() + 1), QColor(Qt::white));
    }

    void channelsAreTruncated()
    {
        QImage image = WhiteImage(4, 11);
        {
            QPainter painter(&image);
            FillGradient(painter, image.rect(), RGB(0, 0, 0), RGB(255, 0, 0), true);
        }
        QCOMPARE(image.pixelColor(0, 5).red(), 127); // halfway is 127.5
    }

    void highlightKeepsItsUpperHalfPale()
    {
        // The highlight of the history list and the menus: pale, then pale into gold.
        const COLORREF pale = RGB(255, 245, 221);
        const COLORREF gold = RGB(255, 210, 94);
        const COLORREF stops[] = { pale, pale, gold };
        QImage image = WhiteImage(10, 33);
        {
            QPainter painter(&image);
            FillGradient(painter, image.rect(), stops, true);
        }
        QCOMPARE(image.pixelColor(0, 16), Rgb(pale)); // 33 / 2 rounds to 16, half to even
        QVERIFY(image.pixelColor(0, 17) != Rgb(pale));
        QCOMPARE(image.pixelColor(0, 32), Rgb(gold));
    }
};

class TestPanelDrag : public QObject {
    Q_OBJECT
private slots:
    void titlePanelMovesItsWindowByTheMouseDelta()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(100, 100, 300, 200);
        TSkinPanel title(QStringLiteral("Document History"), TSkinPanelKind::pkTitle, &window);
        title.setGeometry(0, 0, 300, 45);
        title.SetDragsWindow(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        const QPoint press = title.mapToGlobal(QPoint(10, 10));
        SendMouse(title, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, press);
        SendMouse(title, QEvent::MouseMove, QPoint(40, 25), Qt::LeftButton, press + QPoint(30, 15));
        QTRY_COMPARE(window.pos(), start + QPoint(30, 15));
        // Later moves count from the press, not from the previous move.
        SendMouse(title, QEvent::MouseMove, QPoint(0, 0), Qt::LeftButton, press + QPoint(-20, 40));
        QTRY_COMPARE(window.pos(), start + QPoint(-20, 40));
        SendMouse(title, QEvent::MouseButtonRelease, QPoint(0, 0), Qt::NoButton, press + QPoint(-20, 40));
        SendMouse(title, QEvent::MouseMove, QPoint(0, 0), Qt::NoButton, press + QPoint(90, 90));
        QTest::qWait(10);
        QCOMPARE(window.pos(), start + QPoint(-20, 40));
    }

    void otherPanelsLeaveTheirWindowButReportThePress()
    {
        QWidget window(nullptr, Qt::FramelessWindowHint);
        window.setGeometry(100, 100, 300, 200);
        TSkinPanel panel(QStringLiteral("Options Prévisu Impression"), TSkinPanelKind::pkPanel, &window);
        panel.setGeometry(0, 0, 200, 200);
        QPoint pressed;
        panel.OnMouseDown = [&](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
            QCOMPARE(button, Qt::LeftButton);
            pressed = QPoint(x, y);
        };
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint start = window.pos();
        SendMouse(panel, QEvent::MouseButtonPress, QPoint(10, 12), Qt::LeftButton);
        SendMouse(panel, QEvent::MouseMove, QPoint(60, 60), Qt::LeftButton);
        QTest::qWait(10);
        QCOMPARE(window.pos(), start);
        QCOMPARE(pressed, QPoint(10, 12));
    }
};

class TestHints : public QObject {
    Q_OBJECT
private slots:
    void toolTipIsThePartBeforeTheBar_data()
    {
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("two parts") << QStringLiteral("Gras|Passer Texte Sélectionné en Gras") << QStringLiteral("Gras");
        QTest::newRow("long part only") << QStringLiteral("|Effacer Tout") << QString();
        QTest::newRow("one part") << QStringLiteral("Couper") << QStringLiteral("Couper");
    }
    void toolTipIsThePartBeforeTheBar()
    {
        QFETCH(QString, hint);
        QFETCH(QString, toolTip);
        TSkinButton button;
        SetHint(button, hint);
        QCOMPARE(button.toolTip(), toolTip);
        QCOMPARE(HintOf(button), hint);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return RunTestClasses<TestSpinEdit, TestTrackBar, TestSkinButton, TestSkinCheckBox, TestColorList, TestFontList,
        TestGradient, TestPanelDrag, TestHints>(argc, argv);
}

#include "tst_widgets.moc"
