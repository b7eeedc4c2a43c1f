// Pictures in RTF: each kind read into one object character of its natural size, and written back.
#include "DeviceContext.h"
#include "EnhMetafile.h"
#include "EnhMetafileRecorder.h"
#include "RichTextFormat.h"
#include "RtfReader.h"
#include "RtfWriter.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace RichText;

class TestRtfPictures : public QObject {
    Q_OBJECT
private slots:
    void everyKindBecomesOneObject_data();
    void everyKindBecomesOneObject();
    void shapePictureIsTakenAndItsFallbackSkipped();
    void fallbackIsTakenWhenTheShapePictureCannotBeShown();
    void pictureWrittenByAnotherProgramIsShown();
    void unknownObjectsShowTheirResult();
    void floatingPictureOfAShapeIsTaken();
    void damagedPicturesAreDropped();
    void writtenPicturesReadBack_data();
    void writtenPicturesReadBack();
    void noObjectsModeLeavesThemOut();
};

static QByteArray Hex(const QByteArray& bytes) { return bytes.toHex(); }

static QImage Red(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    return image;
}

static QByteArray Encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

static QByteArray Metafile()
{
    const TDeviceContext reference = TDeviceContext::InformationContext(96, 96, QSize(1000, 1000));
    TEnhMetafileRecorder recorder(reference, QRect(0, 0, 2540, 1270));
    QPainter painter(&recorder);
    painter.fillRect(QRect(0, 0, 96, 48), Qt::blue);
    painter.end();
    return recorder.Finish().Bytes();
}

static QList<TPicture> PicturesIn(const QTextDocument& document)
{
    QList<TPicture> pictures;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().objectType() == ObjectTextFormat)
                pictures.append(PictureFromFormat(it.fragment().charFormat()));
    return pictures;
}

static void Read(QTextDocument& document, const QByteArray& rtf)
{
    QTextCursor cursor(&document);
    TRtfReader::Read(rtf, cursor);
}

void TestRtfPictures::everyKindBecomesOneObject_data()
{
    QTest::addColumn<QByteArray>("pict");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QSize>("twips");
    const QImage image = Red(40, 20);
    QTest::newRow("png with goal") << "{\\pict\\pngblip\\picw40\\pich20\\picwgoal1200\\pichgoal600 " + Hex(Encoded(image, "PNG")) + "}"
                                   << int(TObjectKind::Png) << QSize(1200, 600);
    QTest::newRow("jpeg scaled") << "{\\pict\\jpegblip\\picw40\\pich20\\picwgoal600\\pichgoal300\\picscalex200\\picscaley50 "
            + Hex(Encoded(image, "JPEG")) + "}"
                                 << int(TObjectKind::Jpeg) << QSize(1200, 150);
    QTest::newRow("png from pixels") << "{\\pict\\pngblip " + Hex(Encoded(image, "PNG")) + "}" << int(TObjectKind::Png)
                                     << QSize(600, 300);
    QTest::newRow("device-independent bitmap")
        << "{\\pict\\dibitmap0\\picw40\\pich20\\picwgoal600\\pichgoal300 " + Hex(Encoded(image, "BMP").mid(14)) + "}"
        << int(TObjectKind::Bitmap) << QSize(600, 300);
    QTest::newRow("enhanced metafile") << "{\\pict\\emfblip\\picw2540\\pich1270 " + Hex(Metafile()) + "}"
                                       << int(TObjectKind::Emf) << QSize(1440, 720);
    QTest::newRow("binary data") << "{\\pict\\pngblip\\picwgoal1200\\pichgoal600\\bin" + QByteArray::number(Encoded(image, "PNG").size())
            + " " + Encoded(image, "PNG") + "}"
                                 << int(TObjectKind::Png) << QSize(1200, 600);
}

void TestRtfPictures::everyKindBecomesOneObject()
{
    QFETCH(QByteArray, pict);
    QFETCH(int, kind);
    QFETCH(QSize, twips);
    QTextDocument document;
    Read(document, "{\\rtf1\\ansi before " + pict + " after}");
    QCOMPARE(document.toRawText(), QStringLiteral("before \uFFFC after"));
    const QList<TPicture> pictures = PicturesIn(document);
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(int(pictures[0].kind), kind);
    QCOMPARE(pictures[0].sizeTwips, twips);
}

void TestRtfPictures::shapePictureIsTakenAndItsFallbackSkipped()
{
    const QByteArray png = Hex(Encoded(Red(10, 10), "PNG"));
    QTextDocument document;
    Read(document, "{\\rtf1\\ansi {\\*\\shppict{\\pict\\pngblip\\picwgoal300\\pichgoal300 " + png
            + "}}{\\nonshppict{\\pict\\wmetafile8\\picwgoal300\\pichgoal300 0100090000}}x}");
    QCOMPARE(document.toRawText(), QStringLiteral("\uFFFCx"));
    QCOMPARE(PicturesIn(document).first().kind, TObjectKind::Png);
}

void TestRtfPictures::fallbackIsTakenWhenTheShapePictureCannotBeShown()
{
    const QByteArray png = Hex(Encoded(Red(10, 10), "PNG"));
    QTextDocument document;
    Read(document, "{\\rtf1\\ansi {\\*\\shppict{\\pict\\macpict 0011}}{\\nonshppict{\\pict\\pngblip " + png + "}}x}");
    QCOMPARE(document.toRawText(), QStringLiteral("\uFFFCx"));
}

void TestRtfPictures::pictureWrittenByAnotherProgramIsShown()
{
    // A picture written both as PNG and, for older readers, as a Windows metafile.
    QFile file(DataPath(QStringLiteral("rtf/libreoffice-picture.rtf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    Read(document, file.readAll());
    const QList<TPicture> pictures = PicturesIn(document);
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures[0].kind, TObjectKind::Png);
    QCOMPARE(pictures[0].sizeTwips, QSize(600, 300));
    QVERIFY(document.toRawText().contains(QStringLiteral("before \uFFFC after")));
}

void TestRtfPictures::unknownObjectsShowTheirResult()
{
    QTextDocument document;
    Read(document, "{\\rtf1\\ansi {\\object\\objemb{\\*\\objclass Paint.Picture}{\\*\\objdata 0102}{\\result shown}} text}");
    QCOMPARE(document.toRawText(), QStringLiteral("shown text"));
}

void TestRtfPictures::floatingPictureOfAShapeIsTaken()
{
    const QByteArray red = Hex(Encoded(Red(10, 10), "PNG"));
    const QByteArray fill = Hex(Encoded(Red(3, 7), "PNG"));
    QTextDocument document;
    // Its fill picture is no picture of the document, and its result stands in for the picture.
    Read(document, "{\\rtf1\\ansi a{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn shapeType}{\\sv 75}}{\\sp{\\sn fillBlip}{\\sv {\\pict\\pngblip "
            + fill + "}}}{\\sp{\\sn pib}{\\sv {\\pict\\pngblip\\picwgoal300\\pichgoal300 " + red
            + "}}}}{\\shprslt{\\*\\do\\dobxcolumn}stand-in}}b}");
    QCOMPARE(document.toRawText(), QStringLiteral("a\uFFFCb"));
    QCOMPARE(PicturesIn(document).size(), 1);
    QCOMPARE(PicturesIn(document).first().sizeTwips, QSize(300, 300));

    // A shape without a picture (a text box) shows its result; an object's result may be a picture.
    QTextDocument other;
    Read(other, "{\\rtf1\\ansi {\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt inside}}{\\shprslt result}}"
                "{\\object\\objemb{\\*\\objdata 0102}{\\result{\\pict\\pngblip " + red + "}}}}");
    QCOMPARE(other.toRawText(), QStringLiteral("result\uFFFC"));

    // A document of another word processor with a floating, an inline and a table cell's picture.
    QFile file(DataPath(QStringLiteral("rtf/libreoffice-floating-picture.rtf")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument written;
    Read(written, file.readAll());
    QCOMPARE(PicturesIn(written).size(), 3);
    QVERIFY(written.toRawText().contains(QStringLiteral("Text beside a floating picture.")));
}

void TestRtfPictures::damagedPicturesAreDropped()
{
    QTextDocument document;
    Read(document, "{\\rtf1\\ansi a{\\pict\\pngblip 89504e47zz0d0a}b{\\pict\\emfblip 0100}c{\\pict\\dibitmap0 28}d}");
    QCOMPARE(document.toRawText(), QStringLiteral("abcd"));
}

void TestRtfPictures::writtenPicturesReadBack_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("png") << int(TObjectKind::Png);
    QTest::newRow("jpeg") << int(TObjectKind::Jpeg);
    QTest::newRow("bitmap as png") << int(TObjectKind::Bitmap);
    QTest::newRow("emf") << int(TObjectKind::Emf);
}

void TestRtfPictures::writtenPicturesReadBack()
{
    QFETCH(int, kind);
    TPicture picture;
    picture.kind = TObjectKind(kind);
    picture.sizeTwips = QSize(900, 450);
    switch (picture.kind) {
    case TObjectKind::Emf:
        picture.data = Metafile();
        break;
    case TObjectKind::Jpeg:
        picture.data = Encoded(Red(30, 15), "JPEG");
        break;
    case TObjectKind::Bitmap:
        picture.data = Encoded(Red(30, 15), "BMP");
        break;
    default:
        picture.data = Encoded(Red(30, 15), "PNG");
        break;
    }
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QStringLiteral("a"));
    cursor.insertText(QString(ObjectCharacter), FormatForPicture(picture, QTextCharFormat()));
    cursor.insertText(QStringLiteral("b"));
    const QByteArray rtf = TRtfWriter::Write(document, 0, -1);
    QVERIFY(rtf.contains("\\pict"));
    QTextDocument copy;
    Read(copy, rtf);
    QCOMPARE(copy.toRawText(), QStringLiteral("a\uFFFCb"));
    const QList<TPicture> pictures = PicturesIn(copy);
    QCOMPARE(pictures.size(), 1);
    QCOMPARE(pictures[0].sizeTwips, QSize(900, 450));
    const TObjectKind expected = picture.kind == TObjectKind::Bitmap ? TObjectKind::Png : picture.kind;
    QCOMPARE(pictures[0].kind, expected);
    if (picture.kind != TObjectKind::Bitmap)
        QCOMPARE(pictures[0].data, picture.data);
}

void TestRtfPictures::noObjectsModeLeavesThemOut()
{
    TPicture picture { TObjectKind::Png, Encoded(Red(4, 4), "PNG"), QSize(60, 60) };
    QTextDocument document;
    QTextCursor cursor(&document);
    cursor.insertText(QString(ObjectCharacter), FormatForPicture(picture, QTextCharFormat()));
    TRtfWriteOptions options;
    options.noObjects = true;
    QVERIFY(!TRtfWriter::Write(document, 0, -1, options).contains("\\pict"));
}

QTEST_MAIN(TestRtfPictures)
#include "tst_rtf_pictures.moc"
