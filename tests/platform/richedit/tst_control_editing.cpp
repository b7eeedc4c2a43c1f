// Editing through the control: undo, replacement, protected text, links, search, lines and clipboard.
#include "ControlFixture.h"
#include "DeviceContext.h"
#include "EnhMetafile.h"
#include "EnhMetafileRecorder.h"
#include "PictureObject.h"
#include "RichTextFormat.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTest>
#include <QTextDocument>

class TestControlEditing : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoAreMultiLevel();
    void replaceSelectionUndoableOrNot();
    void undoLimitZeroSwitchesUndoOff();
    void typingIntoProtectedTextIsRefusedWithoutListener();
    void protectedTextAsksTheListener();
    void insertionBesideProtectedTextIsFree();
    void detectedLinksAreReportedOnClicks();
    void hyperlinkFieldsAreLinks();
    void typingAfterAFieldIsNotItsResult();
    void linkDetectionFindsTheRuns_data();
    void linkDetectionFindsTheRuns();
    void textLengthCountsParagraphBreaks();
    void textRangeAndLines();
    void findDownUpWholeWordAndCase();
    void searchingUpFindsTheWordBeforeTheCaret();
    void insertKeyTogglesOverwrite();
    void typingStopsAtTheTextLimit();
    void copyAndPasteKeepFormatting();
    void pastedListItemsNumberAsShownAfterASave();
    void pastePrefersRtf();
    void picturesPasteAsObjects();
    void aLonePictureIsCopiedAsAPicture();
    void selectionChangesAreNotifiedOnce();
    void noContextMenuOfItsOwn();
    void nullRecordsAreHarmless();
};

void TestControlEditing::undoAndRedoAreMultiLevel()
{
    TRichEditControl control;
    SetUp(control);
    QTest::keyClicks(&control, QStringLiteral("one"));
    control.ReplaceSelection(QStringLiteral(" two"), true);
    control.ReplaceSelection(QStringLiteral(" three"), true);
    QCOMPARE(control.Text(), QStringLiteral("one two three"));
    QVERIFY(control.Perform(WM_UNDO));
    QCOMPARE(control.Text(), QStringLiteral("one two"));
    QVERIFY(control.Perform(EM_UNDO));
    QCOMPARE(control.Text(), QStringLiteral("one"));
    QVERIFY(control.Perform(EM_REDO));
    QCOMPARE(control.Text(), QStringLiteral("one two"));
    QVERIFY(control.Perform(EM_CANREDO));
}

void TestControlEditing::replaceSelectionUndoableOrNot()
{
    TRichEditControl control;
    SetUp(control);
    control.ReplaceSelection(QStringLiteral("kept"), false);
    QCOMPARE(control.Perform(EM_CANUNDO), LRESULT(0));
    const QByteArray more(" more");
    control.Perform(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(more.constData()));
    QCOMPARE(control.Text(), QStringLiteral("kept more"));
    QVERIFY(control.Perform(EM_CANUNDO));
    control.Perform(EM_UNDO);
    QCOMPARE(control.Text(), QStringLiteral("kept"));
}

void TestControlEditing::undoLimitZeroSwitchesUndoOff()
{
    TRichEditControl control;
    SetUp(control);
    QCOMPARE(control.Perform(EM_SETUNDOLIMIT, 0), LRESULT(0));
    QTest::keyClicks(&control, QStringLiteral("abc"));
    QCOMPARE(control.Perform(EM_CANUNDO), LRESULT(0));
    QCOMPARE(control.Perform(EM_SETUNDOLIMIT, 100), LRESULT(100));
    QTest::keyClicks(&control, QStringLiteral("d"));
    QVERIFY(control.Perform(EM_CANUNDO));
}

static void ProtectRange(TRichEditControl& control, LONG start, LONG end)
{
    Select(control, start, end);
    CHARFORMAT2 format;
    format.dwMask = CFM_PROTECTED;
    format.dwEffects = CFE_PROTECTED;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, format));
}

void TestControlEditing::typingIntoProtectedTextIsRefusedWithoutListener()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("locked words"));
    ProtectRange(control, 0, 12);
    Select(control, 3, 3);
    QTest::keyClicks(&control, QStringLiteral("xyz"));
    QTest::keyClick(&control, Qt::Key_Backspace);
    QTest::keyClick(&control, Qt::Key_Delete);
    Select(control, 0, 6);
    QTest::keyClick(&control, Qt::Key_X, Qt::ControlModifier);
    QVERIFY(!control.ReplaceSelection(QStringLiteral("new"), true));
    QCOMPARE(control.Text(), QStringLiteral("locked words"));
}

void TestControlEditing::protectedTextAsksTheListener()
{
    TRecordingListener listener;
    TRichEditControl control;
    SetUp(control, &listener);
    control.SetText(QStringLiteral("free locked free"));
    ProtectRange(control, 5, 11);
    Select(control, 3, 7);
    QTest::keyClick(&control, Qt::Key_Delete);
    QCOMPARE(listener.protections.size(), 1);
    QCOMPARE(listener.protections[0].chrg.cpMin, 3);
    QCOMPARE(listener.protections[0].chrg.cpMax, 7);
    QCOMPARE(control.Text(), QStringLiteral("free locked free"));

    listener.allowProtected = true;
    QTest::keyClick(&control, Qt::Key_Delete);
    QCOMPARE(control.Text(), QStringLiteral("frecked free"));
}

void TestControlEditing::insertionBesideProtectedTextIsFree()
{
    TRecordingListener listener;
    TRichEditControl control;
    SetUp(control, &listener);
    control.SetText(QStringLiteral("abc def"));
    ProtectRange(control, 0, 3);
    Select(control, 7, 7);
    QTest::keyClicks(&control, QStringLiteral("!"));
    QCOMPARE(control.Text(), QStringLiteral("abc def!"));
    QCOMPARE(listener.protections.size(), 0);
}

void TestControlEditing::detectedLinksAreReportedOnClicks()
{
    TRecordingListener listener;
    TRichEditControl control;
    SetUp(control, &listener);
    control.resize(600, 200);
    control.show();
    control.SetText(QStringLiteral("see www.example.com now"));
    QVERIFY(QTest::qWaitForWindowExposed(&control));
    const QPoint inside = control.viewport()->mapFrom(&control, control.PosFromChar(8)) + QPoint(3, 5);
    QTest::mousePress(control.viewport(), Qt::LeftButton, {}, inside);
    QTest::mouseRelease(control.viewport(), Qt::LeftButton, {}, inside);
    QCOMPARE(listener.links.size(), 2);
    QCOMPARE(listener.links[0].msg, WM_LBUTTONDOWN);
    QCOMPARE(listener.links[1].msg, WM_LBUTTONUP);
    QCOMPARE(listener.links[1].chrg.cpMin, 4);
    QCOMPARE(listener.links[1].chrg.cpMax, 19);
    QCOMPARE(control.TextRange(4, 19), QStringLiteral("www.example.com"));

    listener.links.clear();
    const QPoint outside = control.viewport()->mapFrom(&control, control.PosFromChar(1)) + QPoint(2, 5);
    QTest::mouseClick(control.viewport(), Qt::RightButton, {}, outside);
    QVERIFY(listener.links.isEmpty());
}

void TestControlEditing::hyperlinkFieldsAreLinks()
{
    TRichEditControl control;
    SetUp(control);
    control.SetAutoUrlDetect(false);
    QVERIFY(control.LoadBytes(SF_RTF,
        "{\\rtf1\\ansi go {\\field{\\*\\fldinst{HYPERLINK \"https://example.org/\"}}{\\fldrslt{here}}} please}"));
    QCOMPARE(control.Text(), QStringLiteral("go here please"));
    const CHARRANGE link = control.LinkAt(4);
    QCOMPARE(link.cpMin, 3);
    QCOMPARE(link.cpMax, 7);
    QCOMPARE(control.LinkAt(9).cpMin, -1);
}

void TestControlEditing::typingAfterAFieldIsNotItsResult()
{
    TRichEditControl control;
    SetUp(control);
    QVERIFY(control.LoadBytes(SF_RTF, "{\\rtf1\\ansi Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 12}}}"));
    const auto instructionAt = [&control](int position) {
        QTextCursor cursor(control.document());
        cursor.setPosition(position + 1);
        return cursor.charFormat().stringProperty(RichText::FieldInstruction);
    };
    QCOMPARE(instructionAt(5), QStringLiteral("PAGE"));
    Select(control, 6, 6); // inside the result: a correction of it
    QTest::keyClicks(&control, "3");
    Select(control, 8, 8); // at its end: the user's own text
    QTest::keyClicks(&control, " of 9");
    QCOMPARE(control.Text(), QStringLiteral("Page 132 of 9"));
    QCOMPARE(instructionAt(6), QStringLiteral("PAGE"));
    QCOMPARE(instructionAt(8), QString());
    QCOMPARE(instructionAt(12), QString());
}

void TestControlEditing::linkDetectionFindsTheRuns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("http") << QStringLiteral("go to http://a.b/c?d=1, then") << QStringList { "http://a.b/c?d=1" };
    QTest::newRow("https and mailto") << QStringLiteral("https://x.org mailto:me@x.org")
                                      << QStringList { "https://x.org", "mailto:me@x.org" };
    QTest::newRow("ftp file www") << QStringLiteral("ftp://f.net file:///tmp/a www.w.com.")
                                  << QStringList { "ftp://f.net", "file:///tmp/a", "www.w.com" };
    QTest::newRow("bracketed") << QStringLiteral("(see http://x.org/a)") << QStringList { "http://x.org/a" };
    QTest::newRow("scheme alone") << QStringLiteral("http:// and www. only") << QStringList {};
    QTest::newRow("inside a word") << QStringLiteral("xwww.example.com") << QStringList {};
}

void TestControlEditing::linkDetectionFindsTheRuns()
{
    QFETCH(QString, text);
    QFETCH(QStringList, links);
    TRichEditControl control;
    SetUp(control);
    control.SetText(text);
    QStringList found;
    for (LONG position = 0; position < control.TextLength(); ++position) {
        const CHARRANGE link = control.LinkAt(position);
        if (link.cpMin == position)
            found.append(control.TextRange(link.cpMin, link.cpMax));
    }
    QCOMPARE(found, links);
}

void TestControlEditing::textLengthCountsParagraphBreaks()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("ab\rcd\re"));
    QCOMPARE(control.Perform(WM_GETTEXTLENGTH), LRESULT(9));
    GETTEXTLENGTHEX plain;
    QCOMPARE(control.Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&plain)), LRESULT(7));
    GETTEXTLENGTHEX crlf { GTL_USECRLF, CP_ACP };
    QCOMPARE(control.Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&crlf)), LRESULT(9));
}

void TestControlEditing::textRangeAndLines()
{
    TRichEditControl control;
    SetUp(control);
    control.setLineWrapMode(QTextEdit::NoWrap);
    control.SetText(QStringLiteral("first\rsecond line\r\rlast"));
    QCOMPARE(control.Perform(EM_GETLINECOUNT), LRESULT(4));
    QCOMPARE(control.Perform(EM_LINEINDEX, 1), LRESULT(6));
    QCOMPARE(control.Perform(EM_LINEINDEX, 3), LRESULT(19));
    QCOMPARE(control.Perform(EM_EXLINEFROMCHAR, 0, 10), LRESULT(1));
    QCOMPARE(control.Perform(EM_LINELENGTH, 7), LRESULT(11));

    char buffer[64] = {};
    const WORD size = sizeof buffer;
    std::memcpy(buffer, &size, sizeof size);
    const LRESULT copied = control.Perform(EM_GETLINE, 1, reinterpret_cast<LPARAM>(buffer));
    QCOMPARE(QByteArray(buffer, int(copied)), QByteArray("second line\r"));

    char16_t wide[16] = {};
    TEXTRANGEW range { { 6, 12 }, wide };
    QCOMPARE(control.Perform(EM_GETTEXTRANGEW, 0, reinterpret_cast<LPARAM>(&range)), LRESULT(6));
    QCOMPARE(QString::fromUtf16(wide), QStringLiteral("second"));
}

void TestControlEditing::findDownUpWholeWordAndCase()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("Cat concat cat\rcat"));
    const QByteArray cat("cat");
    FINDTEXTEXA find { { 0, -1 }, cat.constData(), {} };
    QCOMPARE(control.Perform(EM_FINDTEXTEX, FR_DOWN, reinterpret_cast<LPARAM>(&find)), LRESULT(0));
    QCOMPARE(find.chrgText.cpMax, 3);
    QCOMPARE(control.Perform(EM_FINDTEXTEX, FR_DOWN | FR_MATCHCASE, reinterpret_cast<LPARAM>(&find)), LRESULT(7));
    QCOMPARE(control.Perform(EM_FINDTEXTEX, FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD, reinterpret_cast<LPARAM>(&find)),
        LRESULT(11));
    find.chrg = { 12, -1 };
    QCOMPARE(control.Perform(EM_FINDTEXTEX, FR_DOWN | FR_WHOLEWORD, reinterpret_cast<LPARAM>(&find)), LRESULT(15));
    find.chrg = { 14, 0 };
    QCOMPARE(control.Perform(EM_FINDTEXTEX, 0, reinterpret_cast<LPARAM>(&find)), LRESULT(11));
    find.chrg = { 0, 3 };
    const QByteArray across("cat\rcat");
    find.lpstrText = across.constData();
    find.chrg = { 0, -1 };
    QCOMPARE(control.Perform(EM_FINDTEXTEX, FR_DOWN, reinterpret_cast<LPARAM>(&find)), LRESULT(11));
    const QByteArray missing("dog");
    find.lpstrText = missing.constData();
    QCOMPARE(control.Perform(EM_FINDTEXTEX, FR_DOWN, reinterpret_cast<LPARAM>(&find)), LRESULT(-1));
}

void TestControlEditing::searchingUpFindsTheWordBeforeTheCaret()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("x x"));
    const char16_t x[] = u"x";
    for (LONG caret : { 1, 2 }) {
        FINDTEXTEXW find { { caret, 0 }, x, {} };
        QCOMPARE(control.Perform(EM_FINDTEXTEXW, 0, reinterpret_cast<LPARAM>(&find)), LRESULT(0));
    }
}

void TestControlEditing::insertKeyTogglesOverwrite()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("abcd"));
    Select(control, 1, 1);
    QTest::keyClick(&control, Qt::Key_Insert);
    QTest::keyClicks(&control, QStringLiteral("XY"));
    QCOMPARE(control.Text(), QStringLiteral("aXYd"));
    QTest::keyClick(&control, Qt::Key_Insert);
    QTest::keyClicks(&control, QStringLiteral("Z"));
    QCOMPARE(control.Text(), QStringLiteral("aXYZd"));
}

void TestControlEditing::typingStopsAtTheTextLimit()
{
    TRichEditControl control;
    SetUp(control);
    control.Perform(EM_EXLIMITTEXT, 0, 5);
    QTest::keyClicks(&control, QStringLiteral("abcdefgh"));
    QCOMPARE(control.Text(), QStringLiteral("abcde"));
    control.ReplaceSelection(QStringLiteral("more"), true);
    QCOMPARE(control.Text(), QStringLiteral("abcde"));
}

void TestControlEditing::copyAndPasteKeepFormatting()
{
    TRichEditControl source;
    SetUp(source);
    source.SetText(QStringLiteral("bold plain"));
    Select(source, 0, 4);
    CHARFORMAT2 bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    QVERIFY(SetCharFormat(source, SCF_SELECTION, bold));
    Select(source, 0, 10);
    source.Perform(WM_COPY);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat("text/rtf"));
    QVERIFY(data->hasFormat("application/rtf"));
    QCOMPARE(data->text(), QStringLiteral("bold plain"));

    TRichEditControl target;
    SetUp(target);
    QVERIFY(target.Perform(EM_CANPASTE));
    target.Perform(WM_PASTE);
    QCOMPARE(target.Text(), QStringLiteral("bold plain"));
    Select(target, 0, 4);
    QVERIFY(CharFormatOf(target).dwEffects & CFE_BOLD);
    Select(target, 5, 10);
    QVERIFY(!(CharFormatOf(target).dwEffects & CFE_BOLD));
}

void TestControlEditing::pastedListItemsNumberAsShownAfterASave()
{
    // Items copied from an outline and pasted below it are a list of their own on screen; the saved
    // file must not make them go on with the outline they came from.
    TRichEditControl control;
    SetUp(control);
    QVERIFY(control.LoadBytes(SF_RTF,
        "{\\rtf1\\ansi{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}"
        "{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc4{\\leveltext\\'02\\'01);}{\\levelnumbers\\'01;}}\\listid1}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
        "\\pard\\ls1 One\\par\\pard\\ls1\\ilvl1 Sub\\par\\pard\\ls1 Two\\par\\pard End\\par}"));
    Select(control, 0, 8); // "One", "Sub"
    control.Perform(WM_COPY);
    Select(control, control.TextLength(), control.TextLength());
    control.Perform(WM_PASTE);
    auto markers = [](const QTextDocument& document) {
        QStringList found;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            found << RichText::ListMarkerText(block);
        return found;
    };
    const QStringList shown = markers(*control.document());
    QCOMPARE(shown.mid(0, 4), (QStringList { "1.", "a)", "2.", "" }));
    TRichEditControl reopened;
    SetUp(reopened);
    QVERIFY(reopened.LoadBytes(SF_RTF, StreamOut(control, SF_RTF)));
    QCOMPARE(markers(*reopened.document()), shown);
}

void TestControlEditing::pastePrefersRtf()
{
    auto* data = new QMimeData;
    data->setText(QStringLiteral("plain version"));
    data->setData("text/rtf", "{\\rtf1\\ansi {\\i rich} version}");
    QApplication::clipboard()->setMimeData(data);
    TRichEditControl control;
    SetUp(control);
    control.Perform(WM_PASTE);
    QCOMPARE(control.Text(), QStringLiteral("rich version"));
    Select(control, 0, 4);
    QVERIFY(CharFormatOf(control).dwEffects & CFE_ITALIC);
}

static QByteArray SmallMetafile()
{
    const TDeviceContext reference = TDeviceContext::InformationContext(96, 96, QSize(800, 600));
    TEnhMetafileRecorder recorder(reference, QRect(0, 0, 2540, 2540));
    QPainter painter(&recorder);
    painter.fillRect(QRect(0, 0, 96, 96), Qt::green);
    painter.end();
    return recorder.Finish().Bytes();
}

void TestControlEditing::picturesPasteAsObjects()
{
    TRichEditControl control;
    SetUp(control);
    auto* image = new QMimeData;
    QImage red(30, 20, QImage::Format_RGB32);
    red.fill(Qt::red);
    image->setImageData(red);
    QApplication::clipboard()->setMimeData(image);
    QVERIFY(control.Perform(EM_CANPASTE));
    control.Perform(WM_PASTE);
    QCOMPARE(control.Text(), QString(RichText::ObjectCharacter));
    QTextCursor cursor(control.document());
    cursor.setPosition(1);
    QCOMPARE(RichText::PictureFromFormat(cursor.charFormat()).kind, RichText::TObjectKind::Png);

    auto* metafile = new QMimeData;
    metafile->setData(QStringLiteral("image/x-emf"), SmallMetafile());
    QApplication::clipboard()->setMimeData(metafile);
    control.Perform(WM_PASTE);
    QCOMPARE(control.TextLength(), 2);
    cursor.setPosition(2);
    const RichText::TPicture picture = RichText::PictureFromFormat(cursor.charFormat());
    QCOMPARE(picture.kind, RichText::TObjectKind::Emf);
    QCOMPARE(picture.sizeTwips, QSize(1440, 1440));

    // Plain text takes no pictures.
    TRichEditControl plain;
    QVERIFY(plain.SetTextMode(TM_PLAINTEXT));
    QCOMPARE(plain.Perform(EM_CANPASTE), LRESULT(0));
}

void TestControlEditing::aLonePictureIsCopiedAsAPicture()
{
    TRichEditControl control;
    SetUp(control);
    QImage blue(24, 12, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QVERIFY(control.InsertPicture(PictureFromImage(blue)));
    Select(control, 0, 1);
    control.Perform(WM_COPY);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QVERIFY(data->hasImage());
    QVERIFY(data->hasFormat("text/rtf"));
    TRichEditControl target;
    SetUp(target);
    target.Perform(WM_PASTE);
    QCOMPARE(target.Text(), QString(RichText::ObjectCharacter));
}

void TestControlEditing::selectionChangesAreNotifiedOnce()
{
    TRecordingListener listener;
    TRichEditControl control;
    SetUp(control, &listener);
    control.SetText(QStringLiteral("some text"));
    listener.codes.clear();
    Select(control, 2, 5);
    QCOMPARE(listener.Count(EN_SELCHANGE), 1);
    Select(control, 2, 5);
    QCOMPARE(listener.Count(EN_SELCHANGE), 1);
    control.SetEventMask(ENM_CHANGE);
    Select(control, 0, 1);
    QCOMPARE(listener.Count(EN_SELCHANGE), 1);
    QTest::keyClicks(&control, QStringLiteral("z"));
    QVERIFY(listener.Count(EN_CHANGE) >= 1);
}

void TestControlEditing::noContextMenuOfItsOwn()
{
    TRichEditControl control;
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
    QApplication::sendEvent(&control, &event);
    QVERIFY(!event.isAccepted());
}

void TestControlEditing::nullRecordsAreHarmless()
{
    TRichEditControl control;
    SetUp(control);
    for (UINT message : { EM_STREAMIN, EM_STREAMOUT, EM_GETCHARFORMAT, EM_SETCHARFORMAT, EM_GETPARAFORMAT,
             EM_SETPARAFORMAT, EM_EXGETSEL, EM_EXSETSEL, EM_GETTEXTRANGE, EM_FINDTEXTEX, EM_GETLINE, EM_FORMATRANGE })
        control.Perform(message, 0, 0);
    QCOMPARE(control.TextLength(), 0);
}

QTEST_MAIN(TestControlEditing)
#include "tst_control_editing.moc"
