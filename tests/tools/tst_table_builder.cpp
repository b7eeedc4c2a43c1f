// The table builder: its files (text layout, CSV, pictures), imports that fail or overstate their
// counts, the colouring rules and the metafile of the whole table.
#include "DllFormU.h"
#include "EnhMetafile.h"
#include "Errors.h"
#include "GridPrintRender.h"
#include "RtSpinEdit.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Lines(const QStringList& lines) { return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8(); }

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Type(TDllForms& form, int column, int row, const QString& text)
{
    form.SetCurrentCell(column, row);
    form.Edit1->setText(text);
    form.Edit1Enter();
}

} // namespace

class TestTableBuilder : public QObject {
    Q_OBJECT
private slots:
    void TextFileAndCsvLayouts()
    {
        TGridTable table;
        table.ColCount = 2;
        table.RowCount = 3;
        table.SetCell(0, 0, QStringLiteral("Nom"));
        table.SetCell(1, 0, QStringLiteral("Prix, TTC"));
        table.SetCell(0, 1, QStringLiteral("Café \"noir\""));
        table.SetCell(1, 1, QStringLiteral("2"));
        QCOMPARE(TableTextFile(table), QByteArray("2\r\n3\r\nNom\r\nCaf\xC3\xA9 \"noir\"\r\n\r\nPrix, TTC\r\n2\r\n\r\n"));
        QCOMPARE(TableCsv(table), QByteArray("Nom,\"Prix, TTC\"\r\n\"Caf\xC3\xA9 \"\"noir\"\"\",2\r\n,\r\n"));
        table.ColCount = 1;
        QCOMPARE(TableCsv(table), QByteArray("Nom\r\n\"Caf\xC3\xA9 \"\"noir\"\"\"\r\n\"\"\r\n"));
    }

    void CellsStayOneLine()
    {
        TGridTable table;
        table.SetCell(1, 1, QStringLiteral("two\nlines\r\u2028end"));
        QCOMPARE(table.Cell(1, 1), QStringLiteral("two lines  end"));
        const TTableImport back = ParseTableTextFile(TableTextFile(table));
        QCOMPARE(back.Cells[1][1], table.Cell(1, 1));
        QCOMPARE(back.Cells[1][2], QString()); // nothing shifted
    }

    void ImportLimitsCounts()
    {
        // A count beyond reason is limited before anything is sized by it; cells keep the stated stride.
        TTableImport imported = ParseTableTextFile(Lines({ QStringLiteral("1000000000"), QStringLiteral("2"),
            QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d") }));
        QCOMPARE(imported.ColCount, 20);
        QCOMPARE(imported.RowCount, 2);
        QCOMPARE(imported.Cells[1][1], QStringLiteral("d"));
        imported = ParseTableTextFile(Lines({ QStringLiteral("0"), QStringLiteral("-5"), QStringLiteral("x") }));
        QCOMPARE(imported.ColCount, 1);
        QCOMPARE(imported.RowCount, 1);
        QCOMPARE(imported.Cells[0][0], QStringLiteral("x"));
        // 25 rows stated: rows 20 to 24 of each column are dropped, column 1 starts at line 28.
        QStringList lines { QStringLiteral("2"), QStringLiteral("25") };
        for (int i = 0; i < 50; ++i)
            lines.append(QStringLiteral("c%1").arg(i));
        imported = ParseTableTextFile(Lines(lines));
        QCOMPARE(imported.RowCount, 20);
        QCOMPARE(imported.Cells[0][19], QStringLiteral("c19"));
        QCOMPARE(imported.Cells[1][0], QStringLiteral("c25"));
        QCOMPARE(imported.Cells[1][19], QStringLiteral("c44"));
        // Missing lines leave cells empty.
        imported = ParseTableTextFile(Lines({ QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("only") }));
        QCOMPARE(imported.Cells[0][0], QStringLiteral("only"));
        QVERIFY(imported.Cells[2][2].isEmpty());
        // A huge row count as stride puts every cell into column 0.
        imported = ParseTableTextFile(Lines({ QStringLiteral("2"), QStringLiteral("99999999999999999999"),
            QStringLiteral("p"), QStringLiteral("q") }));
        QCOMPARE(imported.Cells[0][1], QStringLiteral("q"));
        QVERIFY(imported.Cells[1][0].isEmpty());
    }

    void ImportRejectsBadFiles()
    {
        QVERIFY_THROWS_EXCEPTION(EConvertError, ParseTableTextFile(Lines({ QStringLiteral("two"), QStringLiteral("2") })));
        QVERIFY_THROWS_EXCEPTION(EConvertError, ParseTableTextFile(Lines({ QStringLiteral("2"), QString() })));
        QVERIFY_THROWS_EXCEPTION(EConvertError, ParseTableTextFile(QByteArray("2\r\n")));
        QVERIFY_THROWS_EXCEPTION(EConvertError,
            ParseTableTextFile(QByteArray("1\r\n1\r\n") + QByteArray(MaxTableLineBytes + 1, 'x')));
        QVERIFY_THROWS_EXCEPTION(EConvertError, ParseTableTextFile(QByteArray(MaxTableFileBytes + 1, '1')));
    }

    void ImportReadsWindows1252()
    {
        const TTableImport imported = ParseTableTextFile(QByteArray("1\r\n2\r\ncaf\xE9\r\n\x80 5\r\n"));
        QCOMPARE(imported.Cells[0][0], QStringLiteral("café"));
        QCOMPARE(imported.Cells[0][1], QStringLiteral("€ 5"));
        // Without a line ending after the last byte too, and UTF-8 with a byte order mark.
        QCOMPARE(ParseTableTextFile(QByteArray("1\r\n1\r\ncaf\xE9")).Cells[0][0], QStringLiteral("café"));
        QCOMPARE(ParseTableTextFile(QByteArray("\xEF\xBB\xBF" "1\r\n1\r\ncaf\xC3\xA9")).Cells[0][0], QStringLiteral("café"));
    }

    void FailedImportKeepsTheTable()
    {
        QTemporaryDir folder;
        TScriptedDialogs dialogs;
        TDllForms form(dialogs);
        Type(form, 1, 1, QStringLiteral("kept"));
        const QString bad = folder.filePath(QStringLiteral("bad.txt"));
        WriteFile(bad, Lines({ QStringLiteral("3"), QStringLiteral("many"), QStringLiteral("x") }));
        dialogs.QueueOpenFileName(bad);
        form.btnImport->Click();
        QCOMPARE(dialogs.Errors().size(), 1);
        QCOMPARE(form.Table().Cell(1, 1), QStringLiteral("kept"));
        QCOMPARE(form.Table().ColCount, 5);
        QCOMPARE(form.RowCount->Value(), 5);
    }

    void ExportAndImportAgain()
    {
        QTemporaryDir folder;
        TScriptedDialogs dialogs;
        TDllForms form(dialogs);
        form.ColCount->SetValue(4);
        form.RowCount->SetValue(3);
        Type(form, 1, 0, QStringLiteral("Janvier"));
        Type(form, 3, 2, QStringLiteral("42"));
        const QString path = folder.filePath(QStringLiteral("table.TXT"));
        form.ExportFile(path);
        QCOMPARE(ReadFile(path).left(6), QByteArray("4\r\n3\r\n"));
        form.ExportFile(folder.filePath(QStringLiteral("table.CSV")));
        QCOMPARE(ReadFile(folder.filePath(QStringLiteral("table.CSV"))), QByteArray(",Janvier,,\r\n,,,\r\n,,,42\r\n"));
        form.ExportFile(folder.filePath(QStringLiteral("table.dat")));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("table.dat"))));

        TDllForms other(dialogs);
        other.ImportFile(path);
        QCOMPARE(other.Table().ColCount, 4);
        QCOMPARE(other.RowCount->Value(), 3);
        QCOMPARE(other.Table().Cell(3, 2), QStringLiteral("42"));
        QCOMPARE(other.StringGrid1->columnCount(), 4);
    }

    void ColouringRules()
    {
        TGridTable table;
        table.HeaderRow = false;
        table.HeaderColumn = false;
        for (int i = 1; i <= MaxTableCells; ++i) {
            table.ColColours[std::size_t(i)] = 0x100 + COLORREF(i);
            table.RowColours[std::size_t(i)] = 0x200 + COLORREF(i);
        }
        QCOMPARE(CellBackground(table, 3, 0), COLORREF(0x103)); // row 0: column colours
        QCOMPARE(CellBackground(table, 0, 4), COLORREF(0x204)); // column 0: row colours
        QCOMPARE(CellBackground(table, 3, 4), COLORREF(0x204));
        table.ColourByColumn = true;
        QCOMPARE(CellBackground(table, 3, 4), COLORREF(0x103));
        table.HeaderRow = table.HeaderColumn = true;
        QCOMPARE(CellBackground(table, 0, 0), DefaultHeaderColor);
        SetColumnAlignment(table, 2, TColumnAlignment::caCentre);
        SetColumnAlignment(table, 2, TColumnAlignment::caRight);
        QCOMPARE(ColumnAlignmentFlags(table, 2), int(Qt::AlignRight));
        SetColumnAlignment(table, 40, TColumnAlignment::caRight); // ignored
        QCOMPARE(ColumnAlignmentFlags(table, 40), int(Qt::AlignLeft));
    }

    void AutoHeight()
    {
        TGridTable table;
        table.SetCell(2, 2, QString(300, u'w').replace(QStringLiteral("wwwww"), QStringLiteral("wwww ")));
        AutoRowHeights(table, false);
        QCOMPARE(table.RowHeights[1], 24); // all empty
        QVERIFY(table.RowHeights[2] > 24);
    }

    void MetafileSizeOfDefaultTable()
    {
        TGridTable table;
        TPgGridPrint renderer;
        renderer.Render(table, table.TotalWidth());
        QCOMPARE(table.TotalWidth(), 320);
        QCOMPARE(renderer.Metafile().SizePixels(96, 96), QSize(321, 121));
    }

    void TallTableDrawnOnce()
    {
        // 20 rows of 100 pixels: each row keeps its own colour where it lies, none drawn over another.
        TGridTable table;
        table.ColCount = 3;
        table.RowCount = 20;
        for (int r = 0; r < 20; ++r)
            table.RowHeights[std::size_t(r)] = 100;
        for (int r = 1; r <= 20; ++r)
            table.RowColours[std::size_t(r)] = RGB(r * 10, 255 - r * 10, 128);
        TPgGridPrint renderer;
        renderer.Render(table, table.TotalWidth());
        const QSize size = renderer.Metafile().SizePixels(96, 96);
        QCOMPARE(size, QSize(193, 2001));
        const QImage image = renderer.Metafile().ToImage(size);
        for (int r = 1; r < 20; ++r)
            QCOMPARE(QColor(image.pixel(100, r * 100 + 50)), QColor(r * 10, 255 - r * 10, 128));
    }

    void BordersFollowHeaders()
    {
        TGridTable table;
        table.HeaderRow = table.HeaderColumn = false;
        TPgGridPrint renderer;
        renderer.Render(table);
        QImage image = renderer.Metafile().ToImage(QSize(321, 121));
        QCOMPARE(QColor(image.pixel(0, 60)), QColor(192, 192, 192));
        table.HeaderRow = table.HeaderColumn = true;
        renderer.Render(table);
        image = renderer.Metafile().ToImage(QSize(321, 121));
        QCOMPARE(QColor(image.pixel(0, 60)), QColor(Qt::black));
        QCOMPARE(QColor(image.pixel(64, 60)), QColor(Qt::black));
    }

    void InsertAndSavePictures()
    {
        QTemporaryDir folder;
        TScriptedDialogs dialogs;
        TDllForms form(dialogs);
        form.resize(form.size());
        form.show();
        Type(form, 1, 0, QStringLiteral("Titre"));
        form.btnEmf->Click();
        QVERIFY(form.InsertRequest());
        const TEnhMetafile pasted
            = TEnhMetafile::FromBytes(QApplication::clipboard()->mimeData()->data(QStringLiteral("image/x-emf")));
        QCOMPARE(pasted.SizePixels(96, 96), QSize(321, 121));
        form.ClearInsertRequest();
        form.show();
        form.btnInsert->Click();
        QVERIFY(form.InsertRequest());
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/x-emf")));

        const QString identify = QStandardPaths::findExecutable(QStringLiteral("identify"));
        int index = 1;
        for (const QString& name : { QStringLiteral("t.bmp"), QStringLiteral("t.jpg"), QStringLiteral("t.emf") }) {
            form.show();
            dialogs.QueueSaveFileName(folder.filePath(name), index++);
            form.SkButton6->Click();
            QVERIFY2(QFile::exists(folder.filePath(name)), qPrintable(name));
            QVERIFY(form.isVisible()); // saving keeps the window open
        }
        QCOMPARE(dialogs.Errors().size(), 0);
        QCOMPARE(QImage(folder.filePath(QStringLiteral("t.bmp"))).format() != QImage::Format_Invalid, true);
        QVERIFY(ReadFile(folder.filePath(QStringLiteral("t.jpg"))).startsWith("\xFF\xD8\xFF"));
        QCOMPARE(TEnhMetafile::Load(folder.filePath(QStringLiteral("t.emf"))).SizePixels(96, 96), QSize(321, 121));
        if (!identify.isEmpty()) // this ImageMagick has no EMF decoder; the metafile is checked by loading it above
            for (const QString& name : { QStringLiteral("t.bmp"), QStringLiteral("t.jpg") })
                QCOMPARE(QProcess::execute(identify, { folder.filePath(name) }), 0);
        form.hide();
    }

    void ColourSlotNumbers()
    {
        TScriptedDialogs dialogs;
        TDllForms form(dialogs);
        dialogs.QueueInput(QStringLiteral("5")); // equal to the row count
        form.uxButton6->Click();
        QCOMPARE(dialogs.Messages().size() + dialogs.Errors().size(), 1);
        dialogs.QueueInput(QStringLiteral("0"));
        form.uxButton6->Click();
        QCOMPARE(dialogs.Messages().size() + dialogs.Errors().size(), 1);
        dialogs.QueueInput(QStringLiteral("2"));
        dialogs.QueueColor(RGB(1, 2, 3));
        form.uxButton6->Click();
        QCOMPARE(form.Table().RowColours[2], RGB(1, 2, 3));
    }
};

QTEST_MAIN(TestTableBuilder)
#include "tst_table_builder.moc"
