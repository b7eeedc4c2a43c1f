// EM_STREAMIN and EM_STREAMOUT: plain text, RTF, Unicode, selections and failures.
#include "ControlFixture.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextDocument>

class TestControlStreams : public QObject {
    Q_OBJECT
private slots:
    void everyLineEndMakesAParagraph_data();
    void everyLineEndMakesAParagraph();
    void plainTextIsUtf8OrWindows1252_data();
    void plainTextIsUtf8OrWindows1252();
    void unicodeStreamsCarryUtf16();
    void plainTextOutUsesCrLf();
    void plainTextOutShowsListMarkers();
    void notRtfFailsAndKeepsTheText();
    void rtfRoundTripKeepsFormats();
    void selectionStreamsInAndOut();
    void streamInResetsModifiedAndUndo();
    void textLimitCutsStreamedText();
    void readErrorStopsTheTransfer();
    void writeErrorIsReported();
    void smallChunksGiveTheSameDocument();
    void caretIsAtTheStartAfterLoading();
    void wholeTextEqualsTheFullRange_data();
    void wholeTextEqualsTheFullRange();
};

void TestControlStreams::everyLineEndMakesAParagraph_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lf") << QByteArray("a\nb\nc");
    QTest::newRow("cr") << QByteArray("a\rb\rc");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc");
    QTest::newRow("mixed") << QByteArray("a\r\nb\rc");
}

void TestControlStreams::everyLineEndMakesAParagraph()
{
    QFETCH(QByteArray, bytes);
    TRichEditControl control;
    SetUp(control);
    QCOMPARE(StreamIn(control, SF_TEXT, bytes), LRESULT(5));
    QCOMPARE(control.document()->blockCount(), 3);
    QCOMPARE(control.Text(), QStringLiteral("a\rb\rc"));
}

void TestControlStreams::plainTextIsUtf8OrWindows1252_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("utf-8") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC") << QStringLiteral("café €");
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBFna\xC3\xAFve") << QStringLiteral("naïve");
    QTest::newRow("windows-1252") << QByteArray("caf\xE9 \x80 \x93quoted\x94") << QStringLiteral("café € “quoted”");
    QTest::newRow("windows-1252 letter last") << QByteArray("caf\xE9") << QStringLiteral("café");
    QTest::newRow("utf-8 cut off last") << QByteArray("caf\xC3") << QStringLiteral("cafÃ");
}

void TestControlStreams::plainTextIsUtf8OrWindows1252()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_TEXT, bytes);
    QCOMPARE(control.Text(), text);
}

void TestControlStreams::unicodeStreamsCarryUtf16()
{
    TRichEditControl control;
    SetUp(control);
    const QString text = QStringLiteral("Ελληνικά\rשלום 😀");
    QString withCrLf = text;
    withCrLf.replace(u'\r', QLatin1String("\r\n"));
    const QByteArray utf16(reinterpret_cast<const char*>(withCrLf.utf16()), withCrLf.size() * 2);
    StreamIn(control, SF_TEXT | SF_UNICODE, utf16);
    QCOMPARE(control.Text(), text);
    QCOMPARE(StreamOut(control, SF_TEXT | SF_UNICODE), utf16);
}

void TestControlStreams::plainTextOutUsesCrLf()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("one\rtwo\rdéjà"));
    QCOMPARE(StreamOut(control, SF_TEXT), QByteArray("one\r\ntwo\r\nd\xC3\xA9j\xC3\xA0"));
}

void TestControlStreams::plainTextOutShowsListMarkers()
{
    TRichEditControl control;
    SetUp(control);
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Symbol;}}\\pard Courses:\\par"
                           "{\\pntext\\f1\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'b7}}\\fi-360\\li720 pain\\par"
                           "{\\pntext\\f1\\'b7\\tab}lait\\par\\pard Puis:\\par"
                           "{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}\\fi-360\\li720 un\\par"
                           "{\\pntext 2.\\tab}deux\\par\\pard fin}";
    StreamIn(control, SF_RTF, rtf);
    const QString text = control.Text();
    QCOMPARE(StreamOut(control, SF_TEXT),
        QStringLiteral("Courses:\r\n\u2022 pain\r\n\u2022 lait\r\nPuis:\r\n1. un\r\n2. deux\r\nfin").toUtf8());
    // Only the file gets the markers: the control's text and positions are as they were.
    QCOMPARE(control.Text(), text);
    QCOMPARE(text, QStringLiteral("Courses:\rpain\rlait\rPuis:\run\rdeux\rfin"));
    control.SetSelection({ 14, 26 }); // "lait" to the "u" of "un"
    QCOMPARE(StreamOut(control, SF_TEXT | SFF_SELECTION), QStringLiteral("\u2022 lait\r\nPuis:\r\n1. u").toUtf8());
}

void TestControlStreams::notRtfFailsAndKeepsTheText()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("keep me"));
    DWORD error = 0;
    QCOMPARE(StreamIn(control, SF_RTF, QByteArray("plain words, not rich text"), &error), LRESULT(0));
    QVERIFY(error != 0);
    QCOMPARE(control.Text(), QStringLiteral("keep me"));
}

void TestControlStreams::rtfRoundTripKeepsFormats()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("bold and red\rcentred"));
    Select(control, 0, 4);
    CHARFORMAT2 bold;
    bold.dwMask = CFM_BOLD;
    bold.dwEffects = CFE_BOLD;
    QVERIFY(SetCharFormat(control, SCF_SELECTION, bold));
    Select(control, 9, 12);
    CHARFORMAT2 red;
    red.dwMask = CFM_COLOR;
    red.crTextColor = RGB(255, 0, 0);
    QVERIFY(SetCharFormat(control, SCF_SELECTION, red));
    Select(control, 14, 14);
    PARAFORMAT2 centre;
    centre.dwMask = PFM_ALIGNMENT;
    centre.wAlignment = PFA_CENTER;
    QVERIFY(SetParaFormat(control, centre));

    const QByteArray rtf = StreamOut(control, SF_RTF);
    QVERIFY(rtf.startsWith("{\\rtf1"));
    TRichEditControl copy;
    SetUp(copy);
    QVERIFY(StreamIn(copy, SF_RTF, rtf) > 0);
    QCOMPARE(copy.Text(), control.Text());
    Select(copy, 0, 4);
    QVERIFY(CharFormatOf(copy).dwEffects & CFE_BOLD);
    Select(copy, 5, 8);
    QVERIFY(!(CharFormatOf(copy).dwEffects & CFE_BOLD));
    Select(copy, 9, 12);
    QCOMPARE(CharFormatOf(copy).crTextColor, RGB(255, 0, 0));
    Select(copy, 14, 14);
    QCOMPARE(ParaFormatOf(copy).wAlignment, PFA_CENTER);
}

void TestControlStreams::selectionStreamsInAndOut()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("start end"));
    Select(control, 6, 6);
    StreamIn(control, SF_TEXT | SFF_SELECTION, QByteArray("middle "));
    QCOMPARE(control.Text(), QStringLiteral("start middle end"));
    Select(control, 6, 12);
    QCOMPARE(StreamOut(control, SF_TEXT | SFF_SELECTION), QByteArray("middle"));

    TRichEditControl copy;
    SetUp(copy);
    copy.SetText(QStringLiteral("[]"));
    Select(copy, 1, 1);
    StreamIn(copy, SF_RTF | SFF_SELECTION, StreamOut(control, SF_RTF | SFF_SELECTION));
    QCOMPARE(copy.Text(), QStringLiteral("[middle]"));
}

void TestControlStreams::streamInResetsModifiedAndUndo()
{
    TRichEditControl control;
    SetUp(control);
    QTest::keyClicks(&control, QStringLiteral("typed"));
    QVERIFY(control.Perform(EM_GETMODIFY));
    StreamIn(control, SF_TEXT, QByteArray("loaded"));
    QCOMPARE(control.Perform(EM_GETMODIFY), LRESULT(0));
    QCOMPARE(control.Perform(EM_CANUNDO), LRESULT(0));
    QCOMPARE(control.Text(), QStringLiteral("loaded"));
}

void TestControlStreams::textLimitCutsStreamedText()
{
    TRichEditControl control;
    SetUp(control);
    control.Perform(EM_EXLIMITTEXT, 0, 10);
    StreamIn(control, SF_TEXT, QByteArray("0123456789abcdef"));
    QCOMPARE(control.Text(), QStringLiteral("0123456789"));
    StreamIn(control, SF_RTF, QByteArray("{\\rtf1\\ansi abcdefghijklmnopqrstuvwxyz}"));
    QCOMPARE(control.Text().size(), 10);
}

void TestControlStreams::readErrorStopsTheTransfer()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("before"));
    EDITSTREAM stream;
    stream.pfnCallback = [](DWORD_PTR, BYTE*, LONG, LONG* transferred) -> DWORD {
        *transferred = 0;
        return ERROR_READ_FAULT;
    };
    QCOMPARE(control.Perform(EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream)), LRESULT(0));
    QCOMPARE(stream.dwError, ERROR_READ_FAULT);
    QCOMPARE(control.Text(), QStringLiteral("before"));
}

void TestControlStreams::writeErrorIsReported()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QString(10000, u'x'));
    TByteSink sink;
    sink.failAfter = 1;
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&sink);
    stream.pfnCallback = &TByteSink::Write;
    control.Perform(EM_STREAMOUT, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    QCOMPARE(stream.dwError, ERROR_WRITE_FAULT);
    QVERIFY(sink.bytes.size() < 10000);
}

void TestControlStreams::smallChunksGiveTheSameDocument()
{
    const QByteArray rtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 caf\\'e9 {\\b gras}\\par suite}");
    TRichEditControl control;
    SetUp(control);
    TByteSource source { rtf };
    source.chunk = 3;
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &TByteSource::Read;
    control.Perform(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    QCOMPARE(control.Text(), QStringLiteral("café gras\rsuite"));
}

void TestControlStreams::caretIsAtTheStartAfterLoading()
{
    TRichEditControl control;
    SetUp(control);
    control.SetText(QStringLiteral("old text"));
    Select(control, 5, 5);
    StreamIn(control, SF_TEXT, QByteArray("new text here"));
    QCOMPARE(control.Selection().cpMin, 0);
    QCOMPARE(control.Selection().cpMax, 0);
}

QTEST_MAIN(TestControlStreams)
#include "tst_control_streams.moc"

void TestControlStreams::wholeTextEqualsTheFullRange_data()
{
    QTest::addColumn<QString>("path");
    for (const QString& folder : { DataPath(QStringLiteral("rtf")), SamplePath(QString()) })
        for (const QFileInfo& file : QDir(folder).entryInfoList({ QStringLiteral("*.rtf") }, QDir::Files))
            QTest::newRow(qPrintable(file.fileName())) << file.filePath();
}

// The whole text has a fast way of its own; it must read what the general range reads, tables,
// pictures and line breaks included.
void TestControlStreams::wholeTextEqualsTheFullRange()
{
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    TRichEditControl control;
    SetUp(control);
    StreamIn(control, SF_RTF, file.readAll());
    QCOMPARE(control.Text(), control.TextRange(0, control.TextLength()));
    control.SetSelection({ 1, 1 });
    QVERIFY(control.ReplaceSelection(QStringLiteral("x\ry\vz"), true));
    QCOMPARE(control.Text(), control.TextRange(0, control.TextLength()));
    QCOMPARE(control.Text().size(), qsizetype(control.TextLength()));
}
