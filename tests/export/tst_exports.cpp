// Both exports through the main window, with scripted dialogs, checked by outside PDF and GIF readers.
#include "../tamsel/MainFixture.h"
#include "GifWriter.h"
#include "PageExport.h"
#include "PresentationOptions.h"
#include "RichEditControl.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinPanel.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QToolButton>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class TestExports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void shortDocumentGivesOnePdfPage();
    void longDocumentGivesOnePicturePerPage();
    void redTextStaysRed();
    void emptyDocumentGivesOneBlankPage();
    void accentedTextIsCountedInCharacters();
    void failedExportKeepsTheOldFileAndCleansUp();
    void presentationTakesTheChosenOptions();
    void arrowsChangeTheScreenSizeOnly();
    void progressIsTruncated();

private:
    QTemporaryDir FScratch; // the temporary folder of the exports, checked for leftovers
};

namespace {

QString Run(const QString& program, const QStringList& arguments, int* status = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(120000);
    if (status)
        *status = process.exitCode();
    return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
}

void RequireTool(const char* tool)
{
    if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
        QSKIP(qPrintable(QStringLiteral("%1 is not installed (scripts/install-deps.sh installs it)").arg(QLatin1String(tool))));
}

int PdfPages(const QString& path)
{
    const QString info = Run(QStringLiteral("pdfinfo"), { path });
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString LongText(const QString& word, int paragraphs)
{
    QString text;
    for (int i = 0; i < paragraphs; ++i)
        text += QStringLiteral("%1 %2 ").arg(word).arg(i).repeated(12) + u'\r';
    return text;
}

// Frames, width, height and delay of each frame as ImageMagick reads them.
QStringList GifFrames(const QString& path)
{
    return Run(QStringLiteral("identify"), { QStringLiteral("-format"), QStringLiteral("%wx%h %T\\n"), path })
        .split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

void TestExports::initTestCase()
{
    QVERIFY(FScratch.isValid());
    qputenv("TMPDIR", FScratch.path().toLocal8Bit());
}

void TestExports::cleanup()
{
    // Every export removes its private scratch folder, however it ended.
    QCOMPARE(QDir(FScratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestExports::shortDocumentGivesOnePdfPage()
{
    RequireTool("pdfinfo");
    TMainFixture main;
    main.Type(QStringLiteral("Bonjour"));
    const QString path = main.Path(QStringLiteral("Lettre (finale).pdf"));
    main.Window->SaveDocumentTo(path);
    QCOMPARE(main.Dialogs.Errors().size(), 0);
    QCOMPARE(main.Dialogs.Messages().last().Text, QStringLiteral("Document succesfully exported to PDF format."));
    QCOMPARE(PdfPages(path), 1);
    QVERIFY(Run(QStringLiteral("pdfinfo"), { path }).contains(QRegularExpression(QStringLiteral("Title:\\s+Lettre \\(finale\\)\\.pdf\n"))));
    QVERIFY(main.Editor().Modified()); // an export is no save of the document
    QVERIFY(!main.Window->windowTitle().contains(QStringLiteral("finale")));
    QVERIFY(!main.Window->ExportForm().isVisible());
    QCOMPARE(main.Window->ExportForm().lblProgBar->text(), QStringLiteral("0%"));
}

void TestExports::longDocumentGivesOnePicturePerPage()
{
    RequireTool("pdfimages");
    TMainFixture main;
    main.Type(LongText(QStringLiteral("texte"), 120));
    const QString path = main.Path(QStringLiteral("long.pdf"));
    QStringList progress;
    ExportPagesToPdf(main.Editor().Control(), path, [&](const QString& text) { progress << text; });
    const int pages = PdfPages(path);
    QVERIFY(pages >= 2);
    QCOMPARE(progress.size(), pages);
    QCOMPARE(progress.last(), QStringLiteral("100%"));
    const QStringList images = Run(QStringLiteral("pdfimages"), { QStringLiteral("-list"), path }).split(u'\n', Qt::SkipEmptyParts).mid(2);
    QCOMPARE(images.size(), pages);
    for (const QString& image : images)
        QVERIFY2(image.contains(QRegularExpression(QStringLiteral("image\\s+693\\s+950\\s+rgb\\s+3\\s+8"))), qPrintable(image));
    int status = -1;
    const QString check = Run(QStringLiteral("qpdf"), { QStringLiteral("--check"), path }, &status);
    QVERIFY2(status == 0 && !check.contains(QStringLiteral("WARNING")), qPrintable(check));
}

void TestExports::redTextStaysRed()
{
    RequireTool("pdftoppm");
    TMainFixture main;
    main.Type(QStringLiteral("Rouge "));
    main.Editor().SelectAll();
    main.Editor().SelectionAttributes().SetColor(RGB(255, 0, 0));
    main.Editor().SelectionAttributes().SetSize(28);
    const QString path = main.Path(QStringLiteral("red.pdf"));
    ExportPagesToPdf(main.Editor().Control(), path);
    Run(QStringLiteral("pdftoppm"), { QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), path, main.Path(QStringLiteral("red")) });
    const QImage page(main.Path(QStringLiteral("red-1.png")));
    QVERIFY(!page.isNull());
    int red = 0;
    int blue = 0;
    for (int y = 0; y < page.height() / 4; ++y)
        for (int x = 0; x < page.width() / 2; ++x) {
            const QRgb pixel = page.pixel(x, y);
            red += qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
            blue += qBlue(pixel) > 200 && qGreen(pixel) < 80 && qRed(pixel) < 80;
        }
    QVERIFY(red > 20);
    QCOMPARE(blue, 0); // red and blue were not left swapped
}

void TestExports::emptyDocumentGivesOneBlankPage()
{
    RequireTool("pdfinfo");
    TMainFixture main;
    QStringList progress;
    const QString pdf = main.Path(QStringLiteral("empty.pdf"));
    ExportPagesToPdf(main.Editor().Control(), pdf, [&](const QString& text) { progress << text; });
    QCOMPARE(PdfPages(pdf), 1);
    QCOMPARE(progress, QStringList { QStringLiteral("100%") });
    const QString gif = main.Path(QStringLiteral("empty.ovp"));
    ExportPagesToPresentation(main.Editor().Control(), gif, TPresentationOptions {});
    QImage frame(gif);
    QCOMPARE(frame.size(), QSize(693, 950));
    QCOMPARE(frame.pixel(300, 300), qRgb(255, 255, 255));
}

void TestExports::accentedTextIsCountedInCharacters()
{
    // Counted in UTF-8 bytes the length would run past the text and the last page would never end it.
    TMainFixture main;
    main.Type(LongText(QStringLiteral("été àçé"), 80));
    QStringList progress;
    const QString path = main.Path(QStringLiteral("accents.pdf"));
    ExportPagesToPdf(main.Editor().Control(), path, [&](const QString& text) { progress << text; });
    QCOMPARE(progress.last(), QStringLiteral("100%"));
    QVERIFY(progress.size() >= 2);
    QVERIFY(QFile::exists(path));
}

void TestExports::failedExportKeepsTheOldFileAndCleansUp()
{
    TMainFixture main;
    main.Type(LongText(QStringLiteral("mot"), 60));
    const QString pdf = main.Path(QStringLiteral("old.pdf"));
    const QString ovp = main.Path(QStringLiteral("old.ovp"));
    for (const QString& path : { pdf, ovp }) {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old bytes");
    }
    // A failure on the second page, after pages were produced: nothing is written.
    int pages = 0;
    const auto failOnSecondPage = [&](const QString&) {
        if (++pages == 2)
            throw Exception(QStringLiteral("disk trouble"));
    };
    QVERIFY_THROWS_EXCEPTION(Exception, ExportPagesToPdf(main.Editor().Control(), pdf, failOnSecondPage));
    pages = 0;
    QVERIFY_THROWS_EXCEPTION(
        Exception, ExportPagesToPresentation(main.Editor().Control(), ovp, TPresentationOptions {}, failOnSecondPage));
    QCOMPARE(main.ReadFile(QStringLiteral("old.pdf")), QByteArray("old bytes"));
    QCOMPARE(main.ReadFile(QStringLiteral("old.ovp")), QByteArray("old bytes"));

    // Through the window: no scratch folder can be made, and a target that is a folder.
    const QByteArray temporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", main.Path(QStringLiteral("missing")).toLocal8Bit());
    RunCommand(main.Dialogs, [&] { main.Window->SaveDocumentTo(pdf); });
    qputenv("TMPDIR", temporary);
    QDir(main.Folder.path()).mkdir(QStringLiteral("folder.ovp"));
    main.Dialogs.QueueModal(mrOk);
    RunCommand(main.Dialogs, [&] { main.Window->SaveDocumentTo(main.Path(QStringLiteral("folder.ovp"))); });
    QCOMPARE(main.Dialogs.Errors().size(), 2);
    QVERIFY(main.Dialogs.Errors().first().Text.contains(QStringLiteral("scratch folder")));
    QVERIFY(main.Dialogs.Errors().last().Text.contains(QStringLiteral("folder.ovp")));
    QCOMPARE(main.Dialogs.Messages().size(), 0); // no success reported
    QCOMPARE(main.ReadFile(QStringLiteral("old.pdf")), QByteArray("old bytes"));
    QVERIFY(!main.Window->ExportForm().isVisible());
    QCOMPARE(main.Window->ExportForm().lblProgBar->text(), QStringLiteral("0%"));
}

void TestExports::presentationTakesTheChosenOptions()
{
    RequireTool("identify");
    TMainFixture main;
    main.Type(LongText(QStringLiteral("diapositive"), 30));
    main.Dialogs.QueueModal([](QDialog& dialog) {
        auto& options = static_cast<TfrmPresentation&>(dialog);
        QTest::mouseClick(options.Panel3, Qt::LeftButton);
        options.RtSpinEdit1->SetValue(60);
        options.btnClose->click();
    });
    const QString path = main.Path(QStringLiteral("show.ovp"));
    main.Window->SaveDocumentTo(path);
    QCOMPARE(main.Dialogs.ModalDialogs(), QStringList { QStringLiteral("TfrmPresentation") });
    QCOMPARE(main.Dialogs.Messages().last().Text,
        QStringLiteral("Document Succesfully Exported to Orvane Presentation File Format."));
    const QStringList frames = GifFrames(path);
    QVERIFY(frames.size() >= 2);
    for (const QString& frame : frames)
        QCOMPARE(frame, QStringLiteral("693x485 6000"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("NETSCAPE2.0"));
    QVERIFY(bytes.contains("This is a Orvane Office Presentation File."));
    // The window keeps its choices for the next export.
    QCOMPARE(main.Window->PresentationForm().Options().Page, TPresentationPage::ppHalfPage);
    QCOMPARE(main.Window->PresentationForm().Options().Seconds, 60);
}

void TestExports::arrowsChangeTheScreenSizeOnly()
{
    TScriptedDialogs dialogs;
    TfrmPresentation form(dialogs);
    form.show();
    form.uxToolButton2->click();
    form.uxToolButton2->click();
    form.uxToolButton2->click();
    QCOMPARE(form.Label3->text(), QStringLiteral("1000 x 750"));
    QCOMPARE(form.Options().Page, TPresentationPage::ppFullPage);
    QCOMPARE(form.Options().PictureSize(), QSize(693, 950));
    form.uxToolButton1->click();
    QTest::mouseClick(form.Label3, Qt::LeftButton);
    QCOMPARE(form.Options().PictureSize(), QSize(900, 675));
    QCOMPARE(form.Panel4->Color(), PresentationSelectionColor);
    QCOMPARE(form.Panel1->Color(), PresentationChoiceColor);
    dialogs.QueueColor(RGB(1, 2, 3));
    form.SkButton3->click();
    QCOMPARE(form.Options().FrameColor, RGB(1, 2, 3));
}

void TestExports::progressIsTruncated()
{
    QCOMPARE(ProgressText(2, 3), QStringLiteral("66%"));
    QCOMPARE(ProgressText(0, 0), QStringLiteral("100%"));
    QCOMPARE(ProgressText(5, 5), QStringLiteral("100%"));
    const RECT twips = TwipsFromPixels({ 20, 20, 693, 950 });
    QCOMPARE(twips.right, 10395);
    QCOMPARE(twips.bottom, 14250);
}

QTEST_MAIN(TestExports)
#include "tst_exports.moc"
