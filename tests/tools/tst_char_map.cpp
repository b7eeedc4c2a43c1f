// The character map: what each code inserts, that every glyph it and the equation palette offer draws
// with the installed fonts, and the map's insert, collect and close actions.
#include "CharMaps.h"
#include "EquationBuilder.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <QTextLayout>

namespace {

// Every glyph Qt would draw for the text in the face, fallback fonts included, exists (index not 0).
bool Draws(const QString& face, const QString& text)
{
    QFont font(face);
    font.setPixelSize(20);
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (quint32 index : run.glyphIndexes()) {
            if (index == 0)
                return false;
            ++glyphs;
        }
    }
    return glyphs > 0;
}

QString ClipboardText() { return QApplication::clipboard()->text(); }

} // namespace

class TestCharMap : public QObject {
    Q_OBJECT
private slots:
    void CodesByCell()
    {
        QCOMPARE(CharMapCode(0, 0), 0);
        QCOMPARE(CharMapCode(5, 3), 65);
        QCOMPARE(CharMapCode(15, 12), 255);
        QCOMPARE(CharMapCode(16, 12), 0); // the last four cells repeat 0 to 3
        QCOMPARE(CharMapCode(19, 12), 3);
        QCOMPARE(AltCodeText(65), QStringLiteral("065"));
        QCOMPARE(AltCodeText(233), QStringLiteral("0233"));
    }

    void WhatCodesInsert()
    {
        QCOMPARE(CharMapCharacter(QStringLiteral("Arial"), 65), QStringLiteral("A"));
        QCOMPARE(CharMapCharacter(QStringLiteral("Arial"), 0x80), QString(QChar(0x20AC)));
        QCOMPARE(CharMapCharacter(QStringLiteral("Arial"), 0xE9), QString(QChar(0xE9)));
        // Nothing invisible: NUL, control codes, DEL and the codes Windows-1252 leaves undefined.
        QVERIFY(CharMapCharacter(QStringLiteral("Arial"), 0).isEmpty());
        QVERIFY(CharMapCharacter(QStringLiteral("Arial"), 10).isEmpty());
        QVERIFY(CharMapCharacter(QStringLiteral("Arial"), 13).isEmpty());
        QVERIFY(CharMapCharacter(QStringLiteral("Arial"), 127).isEmpty());
        for (int code : { 0x81, 0x8D, 0x8F, 0x90, 0x9D })
            QVERIFY2(CharMapCharacter(QStringLiteral("Arial"), code).isEmpty(), qPrintable(QString::number(code)));
        QCOMPARE(CharMapCharacter(QStringLiteral("Arial"), 9), QStringLiteral("\t"));
        // The symbol font's codes become the characters their glyphs show.
        QCOMPARE(CharMapCharacter(QStringLiteral("Symbol"), 0x61), QString(QChar(0x03B1)));
        QCOMPARE(CharMapCharacter(QStringLiteral("Symbol"), 0x41), QString(QChar(0x0391)));
        QCOMPARE(CharMapCharacter(QStringLiteral("Symbol"), 0xA5), QString(QChar(0x221E)));
        QVERIFY(CharMapCharacter(QStringLiteral("Symbol"), 0x80).isEmpty());
    }

    void EveryGlyphDraws()
    {
        SubstituteSymbolFace();
        QStringList missing;
        for (const QString& face : { QStringLiteral("Symbol"), QStringLiteral("Arial"), QStringLiteral("Times New Roman") }) {
            for (int code = 32; code < 256; ++code) {
                const QString character = CharMapCharacter(face, code);
                if (character.isEmpty() || character == u" " || character == QString(QChar(0xA0)))
                    continue;
                if (!Draws(face, character))
                    missing.append(QStringLiteral("%1 %2 U+%3").arg(face).arg(code).arg(character[0].unicode(), 4, 16));
            }
        }
        for (const TSymbolButton& button : SymbolButtons())
            if (!Draws(button.Font, button.Text))
                missing.append(QStringLiteral("button %1").arg(button.Number));
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u", ")));
    }

    void CollectAndInsertLine()
    {
        TScriptedDialogs dialogs;
        TDLLForm map(dialogs);
        map.SetMapFontName(QStringLiteral("Arial"));
        map.StringGrid1SelectCell(5, 3);
        QCOMPARE(map.Label4->text(), QStringLiteral("065"));
        for (int i = 0; i < 3; ++i)
            map.btnAdd->Click();
        QCOMPARE(map.Edit1->text(), QStringLiteral("AAA"));
        map.btnInsertLine->Click();
        QCOMPARE(map.result(), int(TModalResult::mrOk));
        QCOMPARE(ClipboardText(), QStringLiteral("AAA"));
    }

    void PreviewShowsTheCharacter()
    {
        TScriptedDialogs dialogs;
        TDLLForm map(dialogs);
        map.SetMapFontName(QStringLiteral("Arial"));
        map.StringGrid1SelectCell(5, 3);
        map.show(); // drawn again on showing
        const QImage preview = map.Image1->pixmap().toImage();
        map.hide();
        QCOMPARE(preview.size(), QSize(121, 129));
        int navy = 0;
        for (int y = 2; y < preview.height() - 2; ++y)
            for (int x = 2; x < preview.width() - 2; ++x)
                navy += QColor(preview.pixel(x, y)).blue() > 100 && QColor(preview.pixel(x, y)).red() < 100;
        QVERIFY2(navy > 500, qPrintable(QString::number(navy) + u' ' + QString::number(preview.width()))); // a 70-point letter
    }

    void CodeZeroCollectsNothing()
    {
        TScriptedDialogs dialogs;
        TDLLForm map(dialogs);
        map.StringGrid1SelectCell(0, 0);
        map.btnAdd->Click();
        map.btnAdd->Click();
        QVERIFY(map.Edit1->text().isEmpty());
        QVERIFY(!map.Edit1->text().contains(QChar(0)));
        QApplication::clipboard()->setText(QStringLiteral("before"));
        map.btnInsert->Click();
        QVERIFY(ClipboardText().isEmpty());
    }

    void CloseRemembersTheCell()
    {
        TScriptedDialogs dialogs;
        TDLLForm map(dialogs);
        map.StringGrid1->setCurrentCell(4, 7); // row 4, column 7: code 87
        map.SkButton1->Click();
        QCOMPARE(map.result(), int(TModalResult::mrCancel));
        map.show();
        QCOMPARE(map.ChosenCode(), 87);
        QCOMPARE(map.Label4->text(), QStringLiteral("087"));
        QVERIFY(map.Edit1->text().isEmpty());
        map.hide();
    }

    void SymbolMapShowsGreek()
    {
        TScriptedDialogs dialogs;
        TDLLForm map(dialogs);
        map.SetMapFontName(QStringLiteral("Symbol"));
        QCOMPARE(map.MapFontName(), QStringLiteral("Symbol"));
        QCOMPARE(map.StringGrid1->item(4, 17)->text(), QString(QChar(0x03B1))); // code 97
        map.StringGrid1SelectCell(17, 4);
        map.btnInsert->Click();
        QCOMPARE(ClipboardText(), QString(QChar(0x03B1)));
        map.SetMapFontName(QStringLiteral("Standard Symbols PS"));
        QCOMPARE(map.InsertFontName(), QStringLiteral("Symbol"));
        QCOMPARE(map.StringGrid1->item(4, 17)->text(), QString(QChar(0x03B1)));
    }
};

QTEST_MAIN(TestCharMap)
#include "tst_char_map.moc"
