// Damaged and hostile RTF: read as far as it makes sense, bounded, never a crash or a hang.
#include "RtfTestSupport.h"
#include "TestSupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

class TestRtfMalformed : public QObject {
    Q_OBJECT

private slots:
    void damagedFilesReadAsFarAsTheyGo_data();
    void damagedFilesReadAsFarAsTheyGo();
    void absurdParametersAreClamped();
    void nestingFarBeyondTheStackLimit();
    void mutatedDocumentsNeverCrash();
    void randomTokensNeverCrash();
};

void TestRtfMalformed::damagedFilesReadAsFarAsTheyGo_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");
    QTest::newRow("cut in text") << "truncated-in-text.rtf"
                                 << "Quarterly Report\nDear colleagues, sales r";
    QTest::newRow("cut in a hex escape") << "truncated-in-hex.rtf"
                                         << "caf";
    QTest::newRow("cut in a control word") << "truncated-in-control-word.rtf"
                                           << "";
    QTest::newRow("cut in a picture") << "truncated-in-picture.rtf"
                                      << "before ";
    QTest::newRow("extra close braces") << "extra-close-braces.rtf"
                                        << "one";
    QTest::newRow("missing close braces") << "missing-close-braces.rtf"
                                          << "onetwothree";
    QTest::newRow("deep nesting") << "deep-nesting.rtf"
                                  << "deep after";
    QTest::newRow("bin count beyond the data") << "huge-bin.rtf"
                                               << "before";
    QTest::newRow("negative bin count") << "negative-bin.rtf"
                                        << "abc";
    QTest::newRow("invalid hex") << "invalid-hex.rtf"
                                 << "azzb c";
    QTest::newRow("indices out of range") << "bad-indices.rtf"
                                          << "abc\nd\n";
    QTest::newRow("destinations never closed") << "unterminated-destinations.rtf"
                                               << "";
    QTest::newRow("control characters") << "control-characters.rtf"
                                        << "abcd\tef";
    QTest::newRow("long control word") << "long-control-word.rtf"
                                       << "text";
    QTest::newRow("many empty groups") << "many-empty-groups.rtf"
                                       << "end";
    QTest::newRow("unbalanced field") << "unbalanced-field.rtf"
                                      << "link";
    // Cells without rows still make a table, one cell a paragraph; the nested row without a nested
    // table and the backwards edges change nothing.
    QTest::newRow("table words outside tables") << "tables-without-rows.rtf"
                                                << "\n\n\na\nb\n\n";
    QTest::newRow("binary garbage") << "garbage.rtf" << QString();
    QTest::newRow("absurd numbers") << "absurd-numbers.rtf" << QString();
}

void TestRtfMalformed::damagedFilesReadAsFarAsTheyGo()
{
    QFETCH(QString, file);
    QFETCH(QString, expected);
    const QByteArray bytes = FileBytes(DataPath(QStringLiteral("malformed/") + file));
    QVERIFY(!bytes.isEmpty());
    const auto document = ReadRtf(bytes);
    if (!expected.isNull())
        QCOMPARE(Paragraphs(*document), expected);
}

void TestRtfMalformed::absurdParametersAreClamped()
{
    const auto document = ReadRtf(FileBytes(DataPath(QStringLiteral("malformed/absurd-numbers.rtf"))));
    QCOMPARE(FormatOf(*document, QStringLiteral("big")).fontPointSize(), 1638.0);
    const QTextBlockFormat format = BlockFormatOf(*document, 0);
    QVERIFY(std::abs(format.intProperty(RichText::StartIndent)) <= 2 * 31680);
    QVERIFY(std::abs(format.intProperty(RichText::Offset)) <= 31680);
    QVERIFY(format.intProperty(RichText::RightIndent) <= 31680);
    QVERIFY(format.intProperty(RichText::LineSpacing) <= 31680);
    QCOMPARE(format.intProperty(RichText::SpaceBefore), 0);
    QVERIFY(std::abs(FormatOf(*document, QStringLiteral("w")).intProperty(RichText::OffsetTwips)) <= 32760);
    // \uc is bounded too: the fallback skipped after the bad \u is 16 characters, not a billion.
    QVERIFY(Paragraphs(*document).contains(QStringLiteral("qrstuvwxyz")));
}

void TestRtfMalformed::nestingFarBeyondTheStackLimit()
{
    // The content of groups deeper than the stack still counts, with the deepest state it has.
    const int depth = 200000;
    const QByteArray rtf = "{\\rtf1 " + QByteArray(depth, '{') + "\\b inner" + QByteArray(depth, '}') + " outer}";
    const auto document = ReadRtf(rtf);
    QCOMPARE(Paragraphs(*document), QStringLiteral("inner outer"));
    QCOMPARE(FormatOf(*document, QStringLiteral("outer")).fontWeight(), int(QFont::Normal));
}

void TestRtfMalformed::mutatedDocumentsNeverCrash()
{
    QRandomGenerator random(20240601);
    const QStringList files = QDir(DataPath(QStringLiteral("rtf"))).entryList({ QStringLiteral("*.rtf") }, QDir::Files);
    QVERIFY(!files.isEmpty());
    static const char interesting[] = "{}\\'*0123456789-; abu";
    for (const QString& file : files) {
        const QByteArray original = FileBytes(DataPath(QStringLiteral("rtf/") + file));
        for (int round = 0; round < 150; ++round) {
            QByteArray bytes = original;
            const int changes = 1 + int(random.bounded(8));
            for (int i = 0; i < changes; ++i) {
                const qsizetype at = 5 + qsizetype(random.bounded(quint32(bytes.size() - 5)));
                switch (random.bounded(4)) {
                case 0:
                    bytes[at] = interesting[random.bounded(quint32(sizeof(interesting) - 1))];
                    break;
                case 1:
                    bytes[at] = char(random.bounded(256));
                    break;
                case 2:
                    bytes.remove(at, qsizetype(random.bounded(40)));
                    break;
                default:
                    bytes.truncate(at);
                    break;
                }
                if (bytes.size() <= 6)
                    break;
            }
            ReadRtf(bytes);
        }
    }
}

void TestRtfMalformed::randomTokensNeverCrash()
{
    QRandomGenerator random(7);
    static const char* const tokens[] = { "{", "}", "{\\*\\x ", "\\par ", "\\pard", "\\plain", "\\b", "\\f1 ", "\\f2",
        "\\uc2", "\\u-3913?", "\\u12354", "\\'82", "\\'a0", "\\bin3 ", "\\cell", "\\row", "\\intbl", "\\page",
        "{\\fonttbl{\\f1\\fcharset128 M;}{\\f2\\fcharset2 Symbol;}}", "{\\colortbl;\\red9;}", "\\cf1", "\\ls1",
        "{\\*\\listtable{\\list{\\listlevel{\\leveltext\\'02\\'00.;}}\\listid1}}",
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}", "{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}",
        "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt ", "\\fldrslt ", "text ", "\\line", "\\tab", "\\v", "\\v0",
        "{\\pict ", "{\\object{\\result ", "\\upr{", "\\ud{", "\\sl-300", "\\tx720", "\\nestcell", "\\chftn",
        "{\\footnote ", "\\deff2", "\\ansicpg932", "\\mac", "\\fs0", "\\up", "\\super" };
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = "{\\rtf1 ";
        const int count = 1 + int(random.bounded(60));
        for (int i = 0; i < count; ++i)
            bytes += tokens[random.bounded(quint32(std::size(tokens)))];
        TRtfReadOptions options;
        options.maxCharacters = int(random.bounded(200));
        const auto document = ReadRtf(bytes, options);
        QVERIFY(document->characterCount() <= options.maxCharacters + 1);
    }
}

QTEST_MAIN(TestRtfMalformed)
#include "tst_rtf_malformed.moc"
