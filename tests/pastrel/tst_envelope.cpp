// Pastrel: where the addresses go on each envelope, the address taken from the clipboard, the settings
// file, and a DL envelope printed to a PDF file with the address where it belongs.
#include "Envelope.h"
#include "EnvelopeLayout.h"
#include "EnvelopePrinter.h"
#include "FontComboBox.h"
#include "IniFile.h"
#include "PrinterDevice.h"
#include "RtSpinEdit.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinComboBox.h"
#include "TestSupport.h"

#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct TWordBox {
    QString Word;
    QRectF Box; // points from the page's top left
};

// The words of a one-page PDF file with their boxes, and the page's size, through pdftotext -bbox.
QList<TWordBox> PdfWords(const QString& path, QSizeF& page)
{
    const QString html = ToolOutput(QStringLiteral("pdftotext"), { QStringLiteral("-bbox"), path, QStringLiteral("-") });
    const QRegularExpression pageSize(QStringLiteral("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">"));
    const QRegularExpressionMatch size = pageSize.match(html);
    if (size.hasMatch())
        page = QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble());
    QList<TWordBox> words;
    const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        words.append({ m.captured(5), QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                                         QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())) });
    }
    return words;
}

QRectF BoxOf(const QList<TWordBox>& words, const QString& word)
{
    for (const TWordBox& box : words)
        if (box.Word == word)
            return box.Box;
    return QRectF();
}

} // namespace

class TestEnvelope : public QObject {
    Q_OBJECT

private slots:
    void eachEnvelopeHasItsSize();
    void addressesGoWhereEnvelopesAreAddressed_data();
    void addressesGoWhereEnvelopesAreAddressed();
    void largeBlocksStayOnTheEnvelope();
    void clipboardTextMustLookLikeAnAddress();
    void dlEnvelopePrintsToPdfWithTheAddressInPlace();
    void everyEnvelopePrintsLyingDownAtItsSize();
    void windowPrintsAndKeepsItsSettings();
    void emptyRecipientPrintsNothing();
};

void TestEnvelope::eachEnvelopeHasItsSize()
{
    QCOMPARE(EnvelopeSizes().size(), 5);
    auto near = [](QSizeF a, QSizeF b) { return qAbs(a.width() - b.width()) < 1 && qAbs(a.height() - b.height()) < 1; };
    QVERIFY(near(EnvelopeSizeFor(QStringLiteral("DL")).Millimetres(), QSizeF(220, 110)));
    QVERIFY(near(EnvelopeSizeFor(QStringLiteral("C5")).Millimetres(), QSizeF(229, 162)));
    QVERIFY(near(EnvelopeSizeFor(QStringLiteral("C6")).Millimetres(), QSizeF(162, 114)));
    QVERIFY(near(EnvelopeSizeFor(QStringLiteral("Envelope10")).Millimetres(), QSizeF(241.3, 104.8)));
    QVERIFY(near(EnvelopeSizeFor(QStringLiteral("monarch")).Millimetres(), QSizeF(190.5, 98.4)));
    QCOMPARE(EnvelopeSizeFor(QStringLiteral("A4")).Key, QStringLiteral("DL")); // a stored size of nothing known
}

void TestEnvelope::addressesGoWhereEnvelopesAreAddressed_data()
{
    QTest::addColumn<QString>("key");
    for (const TEnvelopeSize& size : EnvelopeSizes())
        QTest::newRow(qPrintable(size.Key)) << size.Key;
}

void TestEnvelope::addressesGoWhereEnvelopesAreAddressed()
{
    QFETCH(QString, key);
    const QSizeF envelope = EnvelopeSizeFor(key).Millimetres();
    const QSizeF recipient(70, 25); // four lines of a 12-point address
    const TEnvelopeLayout layout = LayOutEnvelope(envelope, recipient, QSizeF(50, 16));
    const QRectF sheet(QPointF(0, 0), envelope);
    QVERIFY(sheet.contains(layout.Recipient));
    QVERIFY(sheet.contains(layout.Sender));
    QVERIFY2(layout.Recipient.left() > envelope.width() * 0.4, "right of centre");
    QVERIFY2(layout.Recipient.top() >= envelope.height() * 0.45, "lower half");
    QVERIFY(layout.Sender.left() < envelope.width() * 0.1 && layout.Sender.top() < envelope.height() * 0.15);
    QVERIFY(!layout.Recipient.intersects(layout.Sender));
}

void TestEnvelope::largeBlocksStayOnTheEnvelope()
{
    const QSizeF envelope = EnvelopeSizeFor(QStringLiteral("Monarch")).Millimetres();
    const TEnvelopeLayout layout = LayOutEnvelope(envelope, QSizeF(150, 70), QSizeF(40, 10));
    QVERIFY(layout.Recipient.right() <= envelope.width());
    QVERIFY(layout.Recipient.bottom() <= envelope.height());
    QVERIFY(layout.Recipient.left() >= 0 && layout.Recipient.top() >= 0);
}

void TestEnvelope::clipboardTextMustLookLikeAnAddress()
{
    QVERIFY(LooksLikeAddress(QStringLiteral("Mme Jeanne Martin\r\n12 rue des Lilas\r\n\r\n75011 Paris\n")));
    QVERIFY(!LooksLikeAddress(QStringLiteral("One line only")));
    QVERIFY(!LooksLikeAddress(QString(QStringLiteral("line\n")).repeated(9)));
    QVERIFY(!LooksLikeAddress(QStringLiteral("Name\n") + QString(61, u'x')));
    QVERIFY(!LooksLikeAddress(QString()));
    QCOMPARE(AddressLines(QStringLiteral("  a \n\n b\u2029c ")), QStringList({ "a", "b", "c" }));
}

void TestEnvelope::dlEnvelopePrintsToPdfWithTheAddressInPlace()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir folder;
    TPrinterDevice device;
    device.SetPrinterIndex(device.Printers().PdfIndex());
    device.SetOutputFileName(folder.filePath(QStringLiteral("dl.pdf")));
    TEnvelope envelope;
    envelope.Size = EnvelopeSizeFor(QStringLiteral("DL"));
    envelope.Recipient = QStringList { QStringLiteral("Recipientname"), QStringLiteral("12 rue des Lilas"), QStringLiteral("75011 Paris") };
    envelope.Sender = QStringList { QStringLiteral("Sendername"), QStringLiteral("Lyon") };
    envelope.FontName = QStringLiteral("Liberation Sans");
    envelope.FontSize = 12;
    PrintEnvelope(device, envelope, QStringLiteral("Envelope"));
    QCOMPARE(PdfPageCount(folder.filePath(QStringLiteral("dl.pdf"))), 1);

    QSizeF page;
    const QList<TWordBox> words = PdfWords(folder.filePath(QStringLiteral("dl.pdf")), page);
    // A DL envelope lying down: 220 × 110 mm.
    QVERIFY2(qAbs(page.width() - 220 / 25.4 * 72) < 2 && qAbs(page.height() - 110 / 25.4 * 72) < 2,
        qPrintable(QStringLiteral("%1 x %2").arg(page.width()).arg(page.height())));
    const QRectF recipient = BoxOf(words, QStringLiteral("Recipientname"));
    const QRectF city = BoxOf(words, QStringLiteral("Paris"));
    const QRectF sender = BoxOf(words, QStringLiteral("Sendername"));
    QVERIFY(!recipient.isNull() && !city.isNull() && !sender.isNull());
    QVERIFY2(recipient.left() > page.width() * 0.4 && recipient.top() > page.height() * 0.45,
        qPrintable(QStringLiteral("recipient at %1,%2").arg(recipient.left()).arg(recipient.top())));
    QVERIFY(city.bottom() < page.height() && city.top() > recipient.bottom());
    // The sender 12 mm from the top left corner.
    QVERIFY2(qAbs(sender.left() - 12 / 25.4 * 72) < 4 && sender.top() < 20 / 25.4 * 72,
        qPrintable(QStringLiteral("sender at %1,%2").arg(sender.left()).arg(sender.top())));
    // The recipient's lines at the size chosen: 12 points high, give or take the font's leading.
    QVERIFY2(recipient.height() > 8 && recipient.height() < 16, qPrintable(QString::number(recipient.height())));
}

void TestEnvelope::everyEnvelopePrintsLyingDownAtItsSize()
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    QTemporaryDir folder;
    TPrinterDevice device;
    device.SetPrinterIndex(device.Printers().PdfIndex());
    for (const TEnvelopeSize& size : EnvelopeSizes()) {
        const QString path = folder.filePath(size.Key + QStringLiteral(".pdf"));
        device.SetOutputFileName(path);
        TEnvelope envelope;
        envelope.Size = size;
        envelope.Recipient = QStringList { QStringLiteral("Someone"), QStringLiteral("Somewhere") };
        envelope.FontName = QStringLiteral("Liberation Sans");
        PrintEnvelope(device, envelope, size.Key);
        QSizeF page;
        const QList<TWordBox> words = PdfWords(path, page);
        const QSizeF expected = size.Millimetres() / 25.4 * 72;
        QVERIFY2(qAbs(page.width() - expected.width()) < 2 && qAbs(page.height() - expected.height()) < 2,
            qPrintable(QStringLiteral("%1: %2 x %3").arg(size.Key).arg(page.width()).arg(page.height())));
        const QRectF someone = BoxOf(words, QStringLiteral("Someone"));
        QVERIFY2(someone.left() > page.width() * 0.4 && someone.top() > page.height() * 0.45, qPrintable(size.Key));
    }
}

void TestEnvelope::windowPrintsAndKeepsItsSettings()
{
    QTemporaryDir folder;
    TScriptedDialogs dialogs;
    TPrinterDevice device;
    {
        TfrmEnvelope window(dialogs, device, folder.filePath(QStringLiteral("pastrel")));
        window.TakeRecipientFrom(QStringLiteral("M. Paul Durand\n3 place Bellecour\n69002 Lyon"));
        QCOMPARE(window.memRecipient->toPlainText(), QStringLiteral("M. Paul Durand\n3 place Bellecour\n69002 Lyon"));
        window.TakeRecipientFrom(QStringLiteral("Other\nAddress")); // a typed address is never replaced
        QCOMPARE(window.Envelope().Recipient.first(), QStringLiteral("M. Paul Durand"));
        window.cbEnvelope->setCurrentIndex(window.cbEnvelope->findData(QStringLiteral("C6")));
        window.chkSender->SetChecked(true);
        window.memSender->setPlainText(QStringLiteral("Jeanne Martin\n75011 Paris"));
        window.seFontSize->SetValue(14);
        window.cbPrinter->setCurrentIndex(device.Printers().PdfIndex());
        dialogs.QueueSaveFileName(folder.filePath(QStringLiteral("c6.pdf")));
        QTest::mouseClick(window.btnPrint, Qt::LeftButton);
        QVERIFY2(dialogs.Errors().isEmpty(), dialogs.Errors().isEmpty() ? "" : qPrintable(dialogs.Errors().first().Text));
        QCOMPARE(PdfPageCount(folder.filePath(QStringLiteral("c6.pdf"))), 1);
        QVERIFY(window.lblStatus->text().contains(QStringLiteral("c6.pdf")));
    }
    // Written whole, nothing left beside it, and read back by the next start.
    QCOMPARE(QDir(folder.filePath(QStringLiteral("pastrel"))).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("Pastrel.ini") });
    const TIniFile ini(folder.filePath(QStringLiteral("pastrel/Pastrel.ini")));
    QCOMPARE(ini.ReadString(QStringLiteral("Envelope"), QStringLiteral("Size"), QString()), QStringLiteral("C6"));
    TfrmEnvelope again(dialogs, device, folder.filePath(QStringLiteral("pastrel")));
    const TEnvelope envelope = again.Envelope();
    QCOMPARE(envelope.Size.Key, QStringLiteral("C6"));
    QCOMPARE(envelope.FontSize, 14);
    QCOMPARE(envelope.Sender, QStringList({ "Jeanne Martin", "75011 Paris" }));
    QVERIFY(envelope.Recipient.isEmpty()); // addresses of recipients are not kept
    QCOMPARE(again.cbPrinter->currentIndex(), device.Printers().PdfIndex());
}

void TestEnvelope::emptyRecipientPrintsNothing()
{
    QTemporaryDir folder;
    TScriptedDialogs dialogs;
    TPrinterDevice device;
    TfrmEnvelope window(dialogs, device, folder.path());
    window.cbPrinter->setCurrentIndex(device.Printers().PdfIndex());
    dialogs.QueueSaveFileName(folder.filePath(QStringLiteral("none.pdf")));
    QTest::mouseClick(window.btnPrint, Qt::LeftButton);
    QCOMPARE(dialogs.Errors().size(), 1);
    QVERIFY(dialogs.Errors().first().Text.contains(QStringLiteral("recipient")));
    QVERIFY(!QFileInfo::exists(folder.filePath(QStringLiteral("none.pdf"))));
    QCOMPARE(dialogs.PendingAnswers(), 1); // never asked for a file
}

QTEST_MAIN(TestEnvelope)
#include "tst_envelope.moc"
