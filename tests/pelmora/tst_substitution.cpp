// The compiled template: tokens found in the text only, values written as RTF text, a letter per page.
#include "Errors.h"
#include "MergeTemplate.h"
#include "PgPreview.h"
#include "PgRtfMailMerge.h"
#include "PgRtfPreview.h"
#include "RichEditControl.h"
#include "PgPrinter.h"
#include "PrinterDevice.h"
#include "RichEditRecords.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QTest>

namespace {

const QByteArray Head = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n\\pard\\f0\\fs24 ";

QByteArray Template(const QByteArray& body) { return Head + body + "\\par\r\n}\r\n"; }

// Whether every group opened is closed, escapes respected.
bool Balanced(const QByteArray& rtf)
{
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\')
            ++i;
        else if (rtf[i] == '{')
            ++depth;
        else if (rtf[i] == '}' && --depth < 0)
            return false;
    }
    return depth == 0;
}

// The text a letter shows, paragraphs joined by "\n".
QString TextOf(const QByteArray& rtf)
{
    TRichEditControl control;
    if (!control.LoadBytes(SF_RTF, rtf))
        return QStringLiteral("<not loaded>");
    return control.toPlainText();
}

QByteArray Merge(const QByteArray& rtf, const QStringList& tokens, const QStringList& values)
{
    return TMergeTemplate(rtf, tokens).Letter(values);
}

} // namespace

class TestSubstitution : public QObject {
    Q_OBJECT
private slots:
    void tokenTwiceInALineIsReplacedTwice();
    void matchingIsCaseSensitive();
    void unknownBracketsStayAsTheyAre();
    void absentTokenIsNeverAskedFor();
    void valuesComeOutAsText_data();
    void valuesComeOutAsText();
    void valueContainingItsTokenIsNotSearched();
    void tokensInMarkupAreNotMatched();
    void accentedTokenMatchesEveryForm_data();
    void accentedTokenMatchesEveryForm();
    void valueAfterControlWordDoesNotExtendIt();
    void blankTokenMatchesNothing();
    void unboundFieldEventLeavesTokens();
    void letterPerPage();
    void documentOfLettersIsBalanced();
    void pageNumbersCountTheWholeMerge();
};

void TestSubstitution::tokenTwiceInALineIsReplacedTwice()
{
    const QByteArray letter = Merge(Template("[A] and [A], [B]"), { "[A]", "[B]" }, { "x", "y" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("x and x, y"));
}

void TestSubstitution::matchingIsCaseSensitive()
{
    const QByteArray letter = Merge(Template("[name] [NAME]"), { "[NAME]" }, { "Ann" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("[name] Ann"));
}

void TestSubstitution::unknownBracketsStayAsTheyAre()
{
    const QByteArray letter = Merge(Template("[OTHER] [NAME]"), { "[NAME]" }, { "Ann" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("[OTHER] Ann"));
}

void TestSubstitution::absentTokenIsNeverAskedFor()
{
    TPgRtfMailMerge merge;
    merge.SetTokens({ "[NAME]", "[TOWN]" });
    QStringList asked;
    merge.OnGetField = [&](QObject*, int, const QString& field, QString& text) {
        asked << field;
        text = QStringLiteral("v");
    };
    const QByteArray letter = merge.Letter(TMergeTemplate(Template("Dear [NAME]"), merge.Tokens()), 1);
    QCOMPARE(asked, QStringList { "[NAME]" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("Dear v"));
}

void TestSubstitution::valuesComeOutAsText_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("closing brace") << QStringLiteral("a } b");
    QTest::newRow("opening brace") << QStringLiteral("{\\b bold}");
    QTest::newRow("backslash") << QStringLiteral("C:\\par\\x");
    QTest::newRow("control word") << QStringLiteral("\\page\\par}}}{");
    QTest::newRow("accents") << QStringLiteral("Zoë Müller-Ça");
    QTest::newRow("outside 1252") << QStringLiteral("日本 Ελλάδα Ωμ");
    QTest::newRow("beyond the plane") << QStringLiteral("a \U0001F600 b");
    QTest::newRow("quotes and commas") << QStringLiteral("\"Paris, France\"");
}

void TestSubstitution::valuesComeOutAsText()
{
    QFETCH(QString, value);
    const QByteArray letter = Merge(Template("<[V]>"), { "[V]" }, { value });
    QVERIFY(Balanced(letter));
    QCOMPARE(TextOf(letter).trimmed(), u'<' + value + u'>');
}

void TestSubstitution::valueContainingItsTokenIsNotSearched()
{
    // Searching the line again after each replacement never ended on such a value.
    const QByteArray letter = Merge(Template("[A][B]"), { "[A]", "[B]" }, { "[A][B]", "x" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("[A][B]x"));
}

void TestSubstitution::tokensInMarkupAreNotMatched()
{
    const QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 F;}{\\f1 [F];}}{\\colortbl;}{\\*\\generator [F];}"
                           "{\\info{\\title [F]}}\\pard\\f1 Text [F]\\par}";
    const TMergeTemplate compiled(rtf, { "[F]" });
    const QByteArray letter = compiled.Letter({ "value" });
    QVERIFY(letter.contains("{\\f1 [F];}"));
    QVERIFY(letter.contains("\\generator [F];"));
    QVERIFY(letter.contains("\\title [F]"));
    QVERIFY(letter.contains("Text value\\par"));
}

void TestSubstitution::accentedTokenMatchesEveryForm_data()
{
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("hex escape") << QByteArray("[PR\\'c9NOM]");
    QTest::newRow("unicode escape") << QByteArray("[PR\\u201?NOM]");
    QTest::newRow("unicode with hex fallback") << QByteArray("[PR\\u201\\'c9NOM]");
    QTest::newRow("raw byte") << QByteArray("[PR\xc9NOM]");
    QTest::newRow("across a source line break") << QByteArray("[PR\\'c9\r\nNOM]");
}

void TestSubstitution::accentedTokenMatchesEveryForm()
{
    QFETCH(QByteArray, written);
    const QByteArray letter = Merge(Template("Bonjour " + written + "!"), { QStringLiteral("[PRÉNOM]") }, { "Zoé" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("Bonjour Zoé!"));
}

void TestSubstitution::valueAfterControlWordDoesNotExtendIt()
{
    // "\b" followed by the value "1st" would be read as "\b1" and the text "st".
    const QByteArray rtf = "{\\rtf1\\ansi\\pard{\\b[N]} end\\par}";
    const QByteArray letter = Merge(rtf, { "[N]" }, { "1st" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("1st end"));
    const QByteArray escaped = Merge("{\\rtf1\\ansi\\pard{\\b\\'c9T\\'c9} end\\par}", { QStringLiteral("ÉTÉ") }, { "1st" });
    QCOMPARE(TextOf(escaped).trimmed(), QStringLiteral("1st end"));
}

void TestSubstitution::blankTokenMatchesNothing()
{
    const QByteArray letter = Merge(Template("a [N] b"), { "", "[N]" }, { "x", "y" });
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("a y b"));
}

void TestSubstitution::unboundFieldEventLeavesTokens()
{
    TPgRtfMailMerge merge;
    merge.SetTokens({ "[N]" });
    const QByteArray letter = merge.Letter(TMergeTemplate(Template("a [N] b"), merge.Tokens()), 1);
    QCOMPARE(TextOf(letter).trimmed(), QStringLiteral("a [N] b"));
}

void TestSubstitution::letterPerPage()
{
    TPgPreview preview;
    TPgRtfPreview paginator;
    paginator.SetPreview(&preview);
    TPgRtfMailMerge merge;
    merge.SetPgRtfPreview(&paginator);
    merge.SetTokens({ "[N]" });
    merge.SetMergeCount(3);
    QList<int> progress;
    merge.OnGetField = [](QObject*, int record, const QString&, QString& text) { text = QString::number(record); };
    merge.OnMergeProgress = [&](QObject*, int done, int total) {
        QCOMPARE(total, 3);
        progress << done;
    };
    preview.Clear();
    // Each letter ends high on its page; the next one still starts a page of its own.
    merge.MergeRtf(Template("Letter [N]"));
    QCOMPARE(preview.NumPages(), 3);
    QCOMPARE(progress, (QList<int> { 1, 2, 3 }));
}

void TestSubstitution::documentOfLettersIsBalanced()
{
    TPgRtfMailMerge merge;
    merge.SetTokens({ "[N]" });
    merge.SetMergeCount(3);
    const QStringList values { "one}", "{two", "\\three" };
    merge.OnGetField = [&](QObject*, int record, const QString&, QString& text) { text = values[record - 1]; };
    const QByteArray document = merge.MergeToRtfDocument(Template("Dear [N]"));
    QVERIFY(Balanced(document));
    QCOMPARE(document.count("\\sect\r\n"), 2);
    const QString text = TextOf(document);
    QVERIFY2(text.contains("Dear one}") && text.contains("Dear {two") && text.contains("Dear \\three"), qPrintable(text));
    QVERIFY_THROWS_EXCEPTION(EConvertError, merge.MergeToRtfDocument("{\\rtf1 Dear [N]"));
}

void TestSubstitution::pageNumbersCountTheWholeMerge()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir folder;
    TPrinterDevice& device = ProgramPrinter();
    device.SetPrinterIndex(device.Printers().PdfIndex());
    device.SetOutputFileName(folder.filePath("merge.pdf"));
    TPgPreview preview;
    TPgRtfPreview paginator;
    paginator.SetPreview(&preview);
    preview.Footer().SetVisible(true);
    preview.Footer().Caption(1).SetCaption(QStringLiteral("Page {PAGE} of {NUMPAGES}"));
    TPgRtfMailMerge merge;
    merge.SetPgRtfPreview(&paginator);
    merge.SetTokens({ "[N]" });
    merge.SetMergeCount(3);
    merge.OnGetField = [](QObject*, int record, const QString&, QString& text) { text = QString::number(record); };
    preview.Clear();
    merge.MergeRtf(Template("Letter [N]"));
    preview.Print();
    QProcess text;
    text.start("pdftotext", { folder.filePath("merge.pdf"), "-" });
    QVERIFY(text.waitForFinished(60000));
    const QStringList pages = QString::fromUtf8(text.readAllStandardOutput()).split(u'\f');
    QVERIFY(pages.size() >= 3);
    for (int page = 1; page <= 3; ++page) {
        QVERIFY2(pages[page - 1].contains(QStringLiteral("Letter %1").arg(page)), qPrintable(pages[page - 1]));
        QVERIFY2(pages[page - 1].contains(QStringLiteral("Page %1 of 3").arg(page)), qPrintable(pages[page - 1]));
    }
}

QTEST_MAIN(TestSubstitution)
#include "tst_substitution.moc"
