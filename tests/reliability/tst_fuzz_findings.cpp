// Inputs the fuzzers found, kept as cases of the normal suite.
#include "DllFormU.h"
#include "EnhMetafile.h"
#include "Errors.h"
#include "GridPrintRender.h"
#include "RtRichEd.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

void Load(TRtRichEdit& editor, const QByteArray& bytes)
{
    QBuffer input;
    input.setData(bytes);
    input.open(QIODevice::ReadOnly);
    editor.Lines()->LoadFromStream(input);
}

QByteArray Save(TRtRichEdit& editor)
{
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    editor.Lines()->SaveToStream(output);
    return output.data();
}

} // namespace

class TestFuzzFindings : public QObject {
    Q_OBJECT
private slots:
    void damagedUtf16TextSavesAsItReads();
    void lineBreakSavesAsOneLineEnd();
    void tableCellStartingWithZeroWidthNoBreakSpaceKeepsIt();
    void arcToWithAnEmptyBoxDrawsNothing();
    void textStartingWithZeroWidthNoBreakSpaceKeepsIt();
};

// fuzz_plain_text: a UTF-16 file holding half a surrogate pair read into the editor, saved and read
// again came back with "?" in its place: the text saved was not the text shown.
void TestFuzzFindings::damagedUtf16TextSavesAsItReads()
{
    const QByteArray file = QByteArray::fromHex("fffe55006e006900630063006f009c90ff9bff9affd900740065007800"
                                                "74000d0000000000000a00");
    TRtRichEdit editor;
    editor.SetPlainText(true);
    editor.SetStreamMode({});
    Load(editor, file);
    const QString text = editor.Text();
    QVERIFY(text.contains(QChar(0xFFFD)));
    for (QChar c : text)
        QVERIFY(!c.isSurrogate());
    Load(editor, Save(editor));
    QCOMPARE(editor.Text(), text);
}

// fuzz_plain_text: a vertical tab (a line break) saved as plain text became CR LF LF, an extra empty
// line at every save.
void TestFuzzFindings::lineBreakSavesAsOneLineEnd()
{
    TRtRichEdit editor;
    editor.SetPlainText(true);
    editor.SetStreamMode({});
    Load(editor, "a\x0B" "b\r\nc");
    const QByteArray saved = Save(editor);
    QCOMPARE(saved, QByteArray("a\r\nb\r\nc"));
    Load(editor, saved);
    QCOMPARE(Save(editor), QByteArray("a\r\nb\r\nc")); // saved again, the same
}

// fuzz_table_text: a cell beginning with U+FEFF lost it to the byte order mark rule at every
// export and import, though only the file's start can hold a mark.
void TestFuzzFindings::tableCellStartingWithZeroWidthNoBreakSpaceKeepsIt()
{
    const TTableImport read = ParseTableTextFile("3\n3\n\xEF\xBB\xBF\xEF\xBB\xBF" "0");
    QCOMPARE(read.Cells[0][0], QStringLiteral("\uFEFF\uFEFF" "0"));
    TGridTable table;
    table.ColCount = read.ColCount;
    table.RowCount = read.RowCount;
    table.Cells = read.Cells;
    QCOMPARE(ParseTableTextFile(TableTextFile(table)).Cells[0][0], read.Cells[0][0]);
    // A real mark at the file's start is still no text.
    QCOMPARE(ParseTableTextFile("\xEF\xBB\xBF" "1\r\n1\r\nx\r\n").Cells[0][0], QStringLiteral("x"));
}

// fuzz_metafile: an EMF whose ARCTO record has a box of no size crashed the player (an arc of no
// points was asked for its first point), so a picture in a document could bring the program down.
void TestFuzzFindings::arcToWithAnEmptyBoxDrawsNothing()
{
    const QByteArray file = QByteArray::fromBase64(
        "AQAAAFgAAAAAAAAAAAAAAAoAAAAKAAAAAAAAAAAAAAAIAQAACAEAACBFTUYAAAEAjAABAAAbAAIAEAAAAAEAAAABAAAAMAAAABAAABAgAAABAA"
        "AAAQAAADcAAABYAAAAAAIAAAAAAAAAAQAACAEAACBFTUYAAAEAjAAAAAQAAAABAAAAAAAAAAAAAAAAAAAAgAcAADgEAAD8AQAAHgEAABsAAAAQAA"
        "AAAQAAAAEAAAA2AAAAEAAAAAkAAAAJAAAAMAAAABAAAAAJAAAACQAAAA4AAAAUAAAAAAAAAAAKOwAAACgAAAAACAAAAAEAAAAAAAAAEAAAABQAAAA=");
    TEnhMetafile metafile;
    try {
        metafile = TEnhMetafile::FromBytes(file);
    } catch (const EConvertError&) {
        QFAIL("the picture is readable; only its drawing failed");
    }
    QImage canvas(48, 48, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    metafile.Play(painter, QRectF(0, 0, 48, 48));
    painter.end();
    QCOMPARE(TEnhMetafile::FromBytes(metafile.Bytes()).Bytes(), metafile.Bytes());
}

// fuzz_plain_text: a UTF-16 text whose first character after the byte order mark is U+FEFF lost
// that character at every save and open: the mark was taken off twice. The same held for UTF-8.
void TestFuzzFindings::textStartingWithZeroWidthNoBreakSpaceKeepsIt()
{
    for (const QByteArray& file : { QByteArray("\xFF\xFE\xFF\xFEx\x00", 6), QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") }) {
        TRtRichEdit editor;
        editor.SetPlainText(true);
        editor.SetStreamMode({});
        Load(editor, file);
        QCOMPARE(editor.Text(), QStringLiteral("\uFEFFx"));
        Load(editor, Save(editor));
        QCOMPARE(editor.Text(), QStringLiteral("\uFEFFx"));
    }
    // fuzz_plain_text: U+FFFC in a text file stands for no picture; it was dropped at the next save.
    TRtRichEdit editor;
    editor.SetPlainText(true);
    editor.SetStreamMode({});
    Load(editor, "a\xEF\xBF\xBC" "b");
    QCOMPARE(editor.Text(), QStringLiteral("a\uFFFDb"));
}

QTEST_MAIN(TestFuzzFindings)
#include "tst_fuzz_findings.moc"
