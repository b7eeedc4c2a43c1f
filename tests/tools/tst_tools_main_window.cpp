// The main window's insertion tools: what each one leaves on the clipboard arrives in the document,
// closing without a choice inserts nothing, and a picture is refused by a plain-text document.
#include "CharMaps.h"
#include "DllFormU.h"
#include "EmotIcons.h"
#include "EquationBuilder.h"
#include "MainFixture.h"
#include "RtRichEd.h"
#include "SkinButton.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>

namespace {

template <class Form> std::function<void(QDialog&)> On(std::function<void(Form&)> act)
{
    return [act](QDialog& dialog) {
        auto* form = qobject_cast<Form*>(&dialog);
        QVERIFY(form);
        act(*form);
    };
}

} // namespace

class TestToolsMainWindow : public QObject {
    Q_OBJECT
private slots:
    void CharacterMapInsertsInItsFace()
    {
        TMainFixture fixture;
        fixture.Type(QStringLiteral("x = "));
        fixture.Dialogs.QueueModal(On<TDLLForm>([](TDLLForm& map) {
            const QImage preview = map.Image1->pixmap().toImage();
            int inked = 0;
            for (int y = 2; y < preview.height() - 2; ++y)
                for (int x = 2; x < preview.width() - 2; ++x)
                    inked += qGray(preview.pixel(x, y)) < 128;
            QVERIFY2(inked > 300, qPrintable(QString::number(inked))); // the remembered "A", 70 points
            map.SetMapFontName(QStringLiteral("Symbol"));
            map.StringGrid1SelectCell(17, 4); // code 97: alpha
            map.btnInsert->Click();
        }));
        fixture.Window->BtnCharClick();
        QCOMPARE(fixture.Editor().Text(), QStringLiteral("x = ") + QChar(0x03B1));
        fixture.Editor().SetSelectionStart(4);
        fixture.Editor().SetSelectionLength(1);
        QCOMPARE(fixture.Editor().SelectionAttributes().Name(), QStringLiteral("Symbol"));
        // Closed with " Fermer": nothing more.
        fixture.Editor().SetSelectionStart(5);
        fixture.Dialogs.QueueModal(On<TDLLForm>([](TDLLForm& map) { map.SkButton1->Click(); }));
        fixture.Window->BtnCharClick();
        QCOMPARE(fixture.Editor().TextLength(), 5);
    }

    void EmoticonsAndDividers()
    {
        TMainFixture fixture;
        fixture.Dialogs.QueueModal(On<TfrmEmoticons>([](TfrmEmoticons& picker) { picker.GuardedItemClick(2); }));
        fixture.Window->BtnEmoticonsClick();
        QCOMPARE(fixture.Editor().ObjectCount(), 1);
        fixture.Dialogs.QueueModal(On<TfrmEmoticons>([](TfrmEmoticons& picker) { picker.GuardedItemClick(35); }));
        fixture.Window->BtnEmoticonsClick();
        QVERIFY(fixture.Editor().Text().contains(QString(49, u'=')));
        const int length = fixture.Editor().TextLength();
        fixture.Dialogs.QueueModal(On<TfrmEmoticons>([](TfrmEmoticons& picker) { picker.btnClose->Click(); }));
        fixture.Window->BtnEmoticonsClick();
        QCOMPARE(fixture.Editor().TextLength(), length);
    }

    void PlainTextDocumentRefusesPictures()
    {
        TMainFixture fixture;
        fixture.Editor().SetPlainText(true);
        fixture.Dialogs.QueueModal(On<TfrmEmoticons>([](TfrmEmoticons& picker) { picker.GuardedItemClick(5); }));
        fixture.Window->BtnEmoticonsClick();
        QCOMPARE(fixture.Editor().TextLength(), 0);
        QCOMPARE(fixture.Dialogs.Messages().size(), 1);
        QVERIFY(fixture.Dialogs.Messages().first().Text.contains(QStringLiteral("plain-text")));
        fixture.Dialogs.QueueModal(On<TfrmEmoticons>([](TfrmEmoticons& picker) { picker.GuardedItemClick(31); }));
        fixture.Window->BtnEmoticonsClick();
        QCOMPARE(fixture.Editor().Text(), QString(54, u'*'));
    }

    void TableBuilderInsertsPictures()
    {
        TMainFixture fixture;
        fixture.Dialogs.QueueModal(On<TDllForms>([](TDllForms& builder) { builder.btnEmf->Click(); }));
        fixture.Window->InsertTable1Click();
        QCOMPARE(fixture.Editor().ObjectCount(), 1);
        fixture.Dialogs.QueueModal(On<TDllForms>([](TDllForms& builder) { builder.btnInsert->Click(); }));
        fixture.Window->InsertTable1Click();
        QCOMPARE(fixture.Editor().ObjectCount(), 2);
        fixture.Dialogs.QueueModal(On<TDllForms>([](TDllForms& builder) { builder.SkButton7->Click(); }));
        fixture.Window->InsertTable1Click();
        QCOMPARE(fixture.Editor().ObjectCount(), 2);
        fixture.Dialogs.QueueModal(TModalResult::mrCancel); // the title bar
        fixture.Window->InsertTable1Click();
        QCOMPARE(fixture.Editor().ObjectCount(), 2);
    }

    void EquationAsTextAndPicture()
    {
        TMainFixture fixture;
        fixture.Dialogs.QueueModal(On<TfrmEBuilder>([](TfrmEBuilder& builder) {
            builder.EQBuilder->SetText(QStringLiteral("y = "));
            builder.EQBuilder->SetSelectionStart(4);
            builder.Button(27)->Click();
            builder.btnInsertText->Click();
        }));
        fixture.Window->InsertFromEquationBuilder1Click();
        QCOMPARE(fixture.Editor().Text(), QStringLiteral("y = ") + QChar(0x03B1));
        fixture.Dialogs.QueueModal(On<TfrmEBuilder>([](TfrmEBuilder& builder) { builder.btnInsertImage->Click(); }));
        fixture.Window->InsertFromEquationBuilder1Click();
        QCOMPARE(fixture.Editor().ObjectCount(), 1);
        fixture.Dialogs.QueueModal(On<TfrmEBuilder>([](TfrmEBuilder& builder) { builder.btnClose->Click(); }));
        fixture.Window->InsertFromEquationBuilder1Click();
        QCOMPARE(fixture.Editor().ObjectCount(), 1);
    }
};

QTEST_MAIN(TestToolsMainWindow)
#include "tst_tools_main_window.moc"
