// The equation builder: symbol buttons type the characters their Symbol codes show and keep the face;
// the picture holds the whole formula at any size; a picture that cannot be made sets no request.
#include "EnhMetafile.h"
#include "EquationBuilder.h"
#include "RtRichEd.h"
#include "RtSpinEdit.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QTest>

class TestEquationBuilder : public QObject {
    Q_OBJECT
private slots:
    void ButtonTable()
    {
        std::map<int, QString> texts;
        for (const TSymbolButton& button : SymbolButtons())
            QVERIFY2(texts.emplace(button.Number, button.Text).second, "a number twice");
        QCOMPARE(texts.at(27), QString(QChar(0x03B1))); // α
        QCOMPARE(texts.at(26), QString(QChar(0x0396))); // Ζ
        QCOMPARE(texts.at(82), QString(QChar(0x222B))); // ∫
        QCOMPARE(texts.at(154), QStringLiteral("0"));
        QCOMPARE(texts.at(138), QStringLiteral("9"));
        QCOMPARE(texts.at(103), QString(QChar(0x2320))); // ⌠
        QCOMPARE(texts.at(75), QString(QChar(0xB2))); // ² in Arial
        QCOMPARE(texts.at(81), QString(QChar(0x192))); // ƒ
        QCOMPARE(texts.at(125), QStringLiteral("cos"));
    }

    void SymbolButtonKeepsTheFace()
    {
        TScriptedDialogs dialogs;
        TfrmEBuilder builder(dialogs);
        builder.EQBuilder->SetText(QStringLiteral("x = "));
        builder.EQBuilder->SetSelectionStart(4);
        builder.Button(27)->Click(); // α
        QCOMPARE(builder.EQBuilder->Text(), QStringLiteral("x = ") + QChar(0x03B1));
        builder.EQBuilder->SetSelectionStart(4);
        builder.EQBuilder->SetSelectionLength(1);
        QCOMPARE(builder.EQBuilder->SelectionAttributes().Name(), QStringLiteral("Symbol"));
        builder.EQBuilder->SetSelectionStart(5);
        builder.Button(124)->Click(); // sin
        QVERIFY(builder.EQBuilder->Text().endsWith(QStringLiteral("sin")));
        builder.EQBuilder->SetSelectionStart(5);
        builder.EQBuilder->SetSelectionLength(3);
        QCOMPARE(builder.EQBuilder->SelectionAttributes().Name(), QStringLiteral("Times New Roman"));
    }

    void SuperscriptToggles()
    {
        TScriptedDialogs dialogs;
        TfrmEBuilder builder(dialogs);
        builder.EQBuilder->SetText(QStringLiteral("x2"));
        builder.EQBuilder->SetSelectionStart(1);
        builder.EQBuilder->SetSelectionLength(1);
        builder.SkButton86->Click();
        QCOMPARE(builder.EQBuilder->SelectionAttributes().ScriptPosition(), TScriptPosition::spSuperscript);
        QCOMPARE(builder.Label1->text(), QStringLiteral("*"));
        builder.SkButton86->Click();
        QCOMPARE(builder.EQBuilder->SelectionAttributes().ScriptPosition(), TScriptPosition::spNormal);
        QVERIFY(builder.Label1->text().isEmpty());
    }

    void PictureHoldsLargeFormulas()
    {
        TScriptedDialogs dialogs;
        TfrmEBuilder builder(dialogs);
        const QString line = QStringLiteral("WWWWWWWWWWWWWWWWWWWW");
        builder.EQBuilder->SetText(line + QStringLiteral("\r") + line);
        builder.EQBuilder->SelectAll();
        builder.EQBuilder->SelectionAttributes().SetName(QStringLiteral("Arial"));
        builder.EQBuilder->SelectionAttributes().SetSize(100);
        const TEnhMetafile picture = EquationPicture(*builder.EQBuilder);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(100);
        const QFontMetrics metrics(font);
        const QSize size = picture.SizePixels(96, 96);
        // Both lines, each unwrapped at full width: far beyond the 620 pixels a fixed layout allows.
        QVERIFY2(size.width() >= metrics.horizontalAdvance(line), qPrintable(QString::number(size.width())));
        QVERIFY(size.height() >= 2 * metrics.height());
        // The last line's ink reaches the lower part of the picture: nothing is cut off.
        const QImage image = picture.ToImage(size);
        bool inkBelow = false;
        for (int y = image.height() * 3 / 4; y < image.height() && !inkBelow; ++y)
            for (int x = 0; x < image.width(); ++x)
                inkBelow = inkBelow || qGray(image.pixel(x, y)) < 128;
        QVERIFY(inkBelow);
    }

    void PictureRaisesSuperscripts()
    {
        TScriptedDialogs dialogs;
        TfrmEBuilder builder(dialogs);
        builder.EQBuilder->SetText(QStringLiteral("x2"));
        builder.EQBuilder->SelectAll();
        builder.EQBuilder->SelectionAttributes().SetName(QStringLiteral("Arial"));
        builder.EQBuilder->SelectionAttributes().SetSize(40);
        builder.EQBuilder->SetSelectionStart(1);
        builder.EQBuilder->SetSelectionLength(1);
        builder.EQBuilder->SelectionAttributes().SetScriptPosition(TScriptPosition::spSuperscript);
        const TEnhMetafile picture = EquationPicture(*builder.EQBuilder);
        const QImage image = picture.ToImage(picture.SizePixels(96, 96));
        auto topInk = [&image](int from, int to) {
            for (int y = 0; y < image.height(); ++y)
                for (int x = from; x < to; ++x)
                    if (qGray(image.pixel(x, y)) < 128)
                        return y;
            return image.height();
        };
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(40);
        const int split = 5 + QFontMetrics(font).horizontalAdvance(u'x');
        QVERIFY(topInk(split, image.width()) < topInk(0, split)); // the small 2 stands above the x
    }

    void FailedPictureSetsNoRequest()
    {
        TScriptedDialogs dialogs;
        TfrmEBuilder builder(dialogs);
        builder.show();
        QApplication::clipboard()->setText(QStringLiteral("earlier"));
        builder.btnInsertImage->Click(); // empty formula
        QCOMPARE(dialogs.Errors().size(), 1);
        QVERIFY(!builder.ImageRequest());
        QVERIFY(builder.isVisible());
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("earlier"));
        builder.EQBuilder->SetText(QStringLiteral("E = mc"));
        builder.btnInsertImage->Click();
        QVERIFY(builder.ImageRequest());
        QVERIFY(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/x-emf")));
        builder.hide();
    }

    void ShowingClearsRequests()
    {
        TScriptedDialogs dialogs;
        TfrmEBuilder builder(dialogs);
        builder.EQBuilder->SetText(QStringLiteral("abc"));
        builder.btnInsertText->Click();
        QVERIFY(builder.TextRequest());
        QVERIFY(QApplication::clipboard()->mimeData()->hasText());
        builder.show();
        QVERIFY(!builder.TextRequest());
        QCOMPARE(builder.EQBuilder->SelectionStart(), 3);
        builder.hide();
    }
};

QTEST_MAIN(TestEquationBuilder)
#include "tst_equation_builder.moc"
