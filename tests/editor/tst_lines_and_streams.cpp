// Lines, streams and files of the editor: formats, modes, fallbacks and line operations.
#include "RtRichEd.h"
#include "Errors.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestLinesAndStreams : public QObject {
    Q_OBJECT
private slots:
    void everyLineEndMakesAParagraph_data();
    void everyLineEndMakesAParagraph();
    void emptyEditorHasNoLines();
    void textJoinsLinesWithCrLf();
    void longLinesAreCutAt4096();
    void lineOperations();
    void richTextInForceFallsBackToPlainText();
    void streamFailingBothWaysRaises();
    void caretAtStartAfterLoad();
    void selectionStreaming();
    void unicodeModeReadsAndWritesUtf8Files();
    void fileExtensionsChooseTheFormat();
    void docFollowsTheStreamFormat();
    void missingFileRaisesOpenError();
    void plainTextSwitchDropsFormatting();
    void recreationKeepsContentAndModified();
    void selectedTextIsLeftSelected();
    void caretPositionIsColumnAndLine();
    void beginEndUpdateRaisesChangeOnce();
};

static void Load(TRtRichEdit& editor, QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    editor.Lines()->LoadFromStream(buffer);
}

static QByteArray Save(TRtRichEdit& editor)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    editor.Lines()->SaveToStream(buffer);
    return bytes;
}

void TestLinesAndStreams::everyLineEndMakesAParagraph_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("lf") << QByteArray("a\nb\nc");
    QTest::newRow("cr") << QByteArray("a\rb\rc");
    QTest::newRow("crlf") << QByteArray("a\r\nb\r\nc");
    QTest::newRow("mixed") << QByteArray("a\r\nb\rc\n");
}

void TestLinesAndStreams::everyLineEndMakesAParagraph()
{
    QFETCH(QByteArray, bytes);
    TRtRichEdit editor;
    editor.SetPlainText(true);
    Load(editor, bytes);
    QCOMPARE(editor.Lines()->Count(), 3);
    QCOMPARE(editor.Lines()->Get(2), QStringLiteral("c"));
}

void TestLinesAndStreams::emptyEditorHasNoLines()
{
    TRtRichEdit editor;
    QCOMPARE(editor.Lines()->Count(), 0);
    QCOMPARE(editor.Lines()->Text(), QString());
}

void TestLinesAndStreams::textJoinsLinesWithCrLf()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("one\rtwo"));
    QCOMPARE(editor.Lines()->Text(), QStringLiteral("one\r\ntwo\r\n"));
}

void TestLinesAndStreams::longLinesAreCutAt4096()
{
    TRtRichEdit editor;
    editor.SetWordWrap(false);
    editor.SetSelectedText(QString(5000, u'x') + u'\r' + QStringLiteral("short"));
    QCOMPARE(editor.Lines()->Get(0).size(), 4096);
    QCOMPARE(editor.Lines()->Get(1), QStringLiteral("short"));
}

void TestLinesAndStreams::lineOperations()
{
    TRtRichEdit editor;
    editor.SetWordWrap(false);
    editor.Lines()->Add(QStringLiteral("alpha"));
    editor.Lines()->Add(QStringLiteral("gamma"));
    editor.Lines()->Insert(1, QStringLiteral("beta"));
    QCOMPARE(editor.Lines()->Count(), 3);
    QCOMPARE(editor.Lines()->Get(1), QStringLiteral("beta"));
    editor.Lines()->Put(2, QStringLiteral("delta"));
    QCOMPARE(editor.Lines()->Get(2), QStringLiteral("delta"));
    editor.Lines()->Delete(0);
    QCOMPARE(editor.Lines()->Text(), QStringLiteral("beta\r\ndelta\r\n"));
    // Line operations are not undoable and leave nothing selected.
    QCOMPARE(editor.SelectionLength(), 0);
    QVERIFY(!editor.CanUndo());
}

void TestLinesAndStreams::richTextInForceFallsBackToPlainText()
{
    TRtRichEdit editor;
    Load(editor, "just words\nand more");
    QCOMPARE(editor.Lines()->Count(), 2);
    QCOMPARE(editor.Lines()->Get(0), QStringLiteral("just words"));
}

void TestLinesAndStreams::streamFailingBothWaysRaises()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("kept"));
    class TFailingDevice : public QIODevice {
    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char*, qint64) override { return -1; }
    } device;
    device.open(QIODevice::ReadWrite);
    try {
        editor.Lines()->LoadFromStream(device);
        QFAIL("no error raised");
    } catch (const EOutOfResources& error) {
        QCOMPARE(error.Message(), QStringLiteral("Failed to Load Stream"));
    }
    QCOMPARE(editor.Text(), QStringLiteral("kept"));
    try {
        editor.Lines()->SaveToStream(device);
        QFAIL("no error raised");
    } catch (const EOutOfResources& error) {
        QCOMPARE(error.Message(), QStringLiteral("Failed to Save Stream"));
    }
}

void TestLinesAndStreams::caretAtStartAfterLoad()
{
    TRtRichEdit editor;
    Load(editor, "{\\rtf1 first\\par second}");
    QCOMPARE(editor.SelectionStart(), 0);
    QCOMPARE(editor.SelectionLength(), 0);
}

void TestLinesAndStreams::selectionStreaming()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("head tail"));
    editor.SetSelectionStart(5);
    editor.SetStreamMode({ TRichStreamMode::smSelection });
    Load(editor, "{\\rtf1 {\\b middle }}");
    QCOMPARE(editor.Text(), QStringLiteral("head middle tail"));
    editor.SetSelectionStart(5);
    editor.SetSelectionLength(6);
    editor.SetStreamFormat(TRichStreamFormat::sfPlainText);
    QCOMPARE(Save(editor), QByteArray("middle"));
}

void TestLinesAndStreams::unicodeModeReadsAndWritesUtf8Files()
{
    TRtRichEdit editor;
    editor.SetStreamMode({ TRichStreamMode::smUnicode });
    editor.SetStreamFormat(TRichStreamFormat::sfPlainText);
    Load(editor, "caf\xC3\xA9\nna\xC3\xAFve \xE2\x82\xAC");
    QCOMPARE(editor.Lines()->Get(1), QStringLiteral("naïve €"));
    QCOMPARE(Save(editor), QByteArray("caf\xC3\xA9\r\nna\xC3\xAFve \xE2\x82\xAC"));
    Load(editor, "\x93windows\x94 1252");
    QCOMPARE(editor.Text(), QStringLiteral("“windows” 1252"));
}

void TestLinesAndStreams::fileExtensionsChooseTheFormat()
{
    QTemporaryDir folder;
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("bold words"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(4);
    editor.SelectionAttributes().SetStyle({ TFontStyle::fsBold });

    const QString text = folder.filePath(QStringLiteral("notes.TXT"));
    editor.Lines()->SaveToFile(text);
    QFile plain(text);
    QVERIFY(plain.open(QIODevice::ReadOnly));
    QCOMPARE(plain.readAll(), QByteArray("bold words"));

    const QString rich = folder.filePath(QStringLiteral("letter.rtf"));
    editor.SetPlainText(false);
    editor.Lines()->SaveToFile(rich);
    QFile rtf(rich);
    QVERIFY(rtf.open(QIODevice::ReadOnly));
    QVERIFY(rtf.readAll().startsWith("{\\rtf1"));
    QCOMPARE(editor.StreamFormat(), TRichStreamFormat::sfDefault);

    TRtRichEdit copy;
    copy.Lines()->LoadFromFile(rich);
    copy.SetSelectionStart(0);
    copy.SetSelectionLength(4);
    QVERIFY(copy.SelectionAttributes().Style().Contains(TFontStyle::fsBold));
}

void TestLinesAndStreams::docFollowsTheStreamFormat()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("old.doc"));
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("as rich text"));
    editor.Lines()->SaveToFile(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("{\\rtf1"));
    file.close();

    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("not rich at all");
    file.close();
    TRtRichEdit reader;
    reader.Lines()->LoadFromFile(path);
    QCOMPARE(reader.Text(), QStringLiteral("not rich at all"));
}

void TestLinesAndStreams::missingFileRaisesOpenError()
{
    TRtRichEdit editor;
    QVERIFY_THROWS_EXCEPTION(EFOpenError, editor.Lines()->LoadFromFile(QStringLiteral("/nonexistent/folder/x.rtf")));
    QCOMPARE(editor.StreamFormat(), TRichStreamFormat::sfDefault);
}

void TestLinesAndStreams::plainTextSwitchDropsFormatting()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("bold\rline"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(4);
    editor.SelectionAttributes().SetStyle({ TFontStyle::fsBold });
    editor.SetPlainText(true);
    QCOMPARE(editor.Text(), QStringLiteral("bold\rline"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(4);
    QVERIFY(!editor.SelectionAttributes().Style().Contains(TFontStyle::fsBold));
    editor.SetPlainText(false);
    QCOMPARE(editor.Text(), QStringLiteral("bold\rline"));
}

void TestLinesAndStreams::recreationKeepsContentAndModified()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("survives"));
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(3);
    editor.SelectionAttributes().SetColor(RGB(255, 0, 0));
    QVERIFY(editor.Modified());
    editor.SetHideScrollBars(false);
    QCOMPARE(editor.Text(), QStringLiteral("survives"));
    QVERIFY(editor.Modified());
    editor.SetSelectionStart(0);
    editor.SetSelectionLength(3);
    QCOMPARE(editor.SelectionAttributes().Color(), RGB(255, 0, 0));
    editor.SetModified(false);
    editor.SetSelectionBar(false);
    QVERIFY(!editor.Modified());
}

void TestLinesAndStreams::selectedTextIsLeftSelected()
{
    TRtRichEdit editor;
    editor.SetSelectedText(QStringLiteral("first"));
    QCOMPARE(editor.SelectionStart(), 0);
    QCOMPARE(editor.SelectionLength(), 5);
    editor.SetSelectedText(QStringLiteral("second\r\nline"));
    QCOMPARE(editor.Text(), QStringLiteral("second\rline"));
    QCOMPARE(editor.SelectedText(), QStringLiteral("second\rline"));
    QVERIFY(editor.CanUndo());
}

void TestLinesAndStreams::caretPositionIsColumnAndLine()
{
    TRtRichEdit editor;
    editor.SetWordWrap(false);
    editor.SetSelectedText(QStringLiteral("ab\rcdef"));
    editor.SetSelectionStart(5);
    QCOMPARE(editor.CaretPosition(), QPoint(2, 1));
}

void TestLinesAndStreams::beginEndUpdateRaisesChangeOnce()
{
    TRtRichEdit editor;
    int changes = 0;
    editor.OnChange = [&](QObject*) { ++changes; };
    editor.Lines()->BeginUpdate();
    editor.Lines()->BeginUpdate();
    editor.Lines()->EndUpdate();
    QCOMPARE(changes, 0);
    editor.Lines()->EndUpdate();
    QCOMPARE(changes, 1);
}

QTEST_MAIN(TestLinesAndStreams)
#include "tst_lines_and_streams.moc"
