// Clicked links and protected text as the editor reports them.
#include "PictureObject.h"
#include "RtRichEd.h"

#include <QBuffer>
#include <QImage>
#include <QTest>

class TestLinksAndProtection : public QObject {
    Q_OBJECT
private slots:
    void clickOnALinkRaisesUrlClick_data();
    void clickOnALinkRaisesUrlClick();
    void pressAndReleaseOnDifferentLinksRaiseNothing();
    void protectedTextWithoutHandlerCannotChange();
    void protectedTextHandlerDecides();
    void exHandlerIsAskedInstead();
    void picturesAreOneCharacterAndSurviveRtf();
};

static QPoint PointOf(TRtRichEdit& editor, int position)
{
    TRichEditControl& control = editor.Control();
    return control.viewport()->mapFrom(&control, control.PosFromChar(position)) + QPoint(3, 5);
}

void TestLinksAndProtection::clickOnALinkRaisesUrlClick_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<TMouseButton>("expected");
    QTest::newRow("left") << Qt::LeftButton << TMouseButton::mbLeft;
    QTest::newRow("right") << Qt::RightButton << TMouseButton::mbRight;
}

void TestLinksAndProtection::clickOnALinkRaisesUrlClick()
{
    QFETCH(Qt::MouseButton, button);
    QFETCH(TMouseButton, expected);
    TRtRichEdit editor;
    editor.resize(500, 200);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.SetSelectedText(QStringLiteral("visit https://example.org today"));
    QStringList urls;
    QList<TMouseButton> buttons;
    editor.OnURLClick = [&](QObject*, const QString& url, TMouseButton pressed) {
        urls.append(url);
        buttons.append(pressed);
    };
    QTest::mouseClick(editor.Control().viewport(), button, {}, PointOf(editor, 10));
    QCOMPARE(urls, QStringList { QStringLiteral("https://example.org") });
    QCOMPARE(buttons.first(), expected);
}

void TestLinksAndProtection::pressAndReleaseOnDifferentLinksRaiseNothing()
{
    TRtRichEdit editor;
    editor.resize(500, 200);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.SetSelectedText(QStringLiteral("www.one.org and www.two.org"));
    int clicks = 0;
    editor.OnURLClick = [&](QObject*, const QString&, TMouseButton) { ++clicks; };
    QTest::mousePress(editor.Control().viewport(), Qt::LeftButton, {}, PointOf(editor, 3));
    QTest::mouseRelease(editor.Control().viewport(), Qt::LeftButton, {}, PointOf(editor, 20));
    QCOMPARE(clicks, 0);
    // Nor does a release with the other button.
    QTest::mousePress(editor.Control().viewport(), Qt::LeftButton, {}, PointOf(editor, 3));
    QTest::mouseRelease(editor.Control().viewport(), Qt::RightButton, {}, PointOf(editor, 3));
    QCOMPARE(clicks, 0);
}

void TestLinksAndProtection::protectedTextWithoutHandlerCannotChange()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("fixed"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(5);
    editor.SelectionAttributes().SetProtected(true);
    editor.SetSelectedText(QStringLiteral("changed"));
    QCOMPARE(editor.Text(), QStringLiteral("fixed"));
    editor.SetSelectionStart(2);
    QTest::keyClicks(&editor.Control(), QStringLiteral("zz"));
    QCOMPARE(editor.Text(), QStringLiteral("fixed"));
}

void TestLinksAndProtection::protectedTextHandlerDecides()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("guarded"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(7);
    editor.SelectionAttributes().SetProtected(true);
    bool allow = false;
    QList<std::pair<int, int>> asked;
    editor.OnProtectChange = [&](QObject*, int start, int end, bool& allowChange) {
        QVERIFY(!allowChange);
        asked.append({ start, end });
        allowChange = allow;
    };
    editor.SetSelectedText(QStringLiteral("no"));
    QCOMPARE(editor.Text(), QStringLiteral("guarded"));
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0], std::make_pair(0, 7));
    allow = true;
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(7);
    editor.SetSelectedText(QStringLiteral("yes"));
    QCOMPARE(editor.Text(), QStringLiteral("yes"));
}

void TestLinksAndProtection::exHandlerIsAskedInstead()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("guarded"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(7);
    editor.SelectionAttributes().SetProtected(true);
    int plain = 0;
    UINT message = 0;
    editor.OnProtectChange = [&](QObject*, int, int, bool&) { ++plain; };
    editor.OnProtectChangeEx = [&](QObject*, UINT msg, int, int, bool& allowChange) {
        message = msg;
        allowChange = true;
    };
    editor.SetSelectedText(QStringLiteral("open"));
    QCOMPARE(plain, 0);
    QCOMPARE(message, EM_REPLACESEL);
    QCOMPARE(editor.Text(), QStringLiteral("open"));
}

void TestLinksAndProtection::picturesAreOneCharacterAndSurviveRtf()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("ab"));
    editor.SetSelectionStart(1);
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(editor.InsertPicture(PictureFromImage(image)));
    QCOMPARE(editor.TextLength(), 3);
    QCOMPARE(editor.ObjectCount(), 1);
    QByteArray rtf;
    {
        QBuffer buffer(&rtf);
        buffer.open(QIODevice::WriteOnly);
        editor.Lines()->SaveToStream(buffer);
    }
    TRtRichEdit copy;
    QBuffer source(&rtf);
    source.open(QIODevice::ReadOnly);
    copy.Lines()->LoadFromStream(source);
    QCOMPARE(copy.TextLength(), 3);
    QCOMPARE(copy.ObjectCount(), 1);
    editor.Clear();
    QCOMPARE(editor.ObjectCount(), 0);
    QVERIFY(!editor.Modified());
}

QTEST_MAIN(TestLinksAndProtection)
#include "tst_links_and_protection.moc"
