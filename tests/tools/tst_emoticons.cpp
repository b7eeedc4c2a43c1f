// The emoticon picker: every picture a metafile of its natural size with something drawn, the
// dividers' exact texts, and the request set only with the clipboard filled.
#include "EmotIcons.h"
#include "EnhMetafile.h"
#include "ScriptedDialogs.h"
#include "SkinButton.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QImage>
#include <QMimeData>
#include <QTest>

namespace {

int InkedPixels(const QImage& image)
{
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ++inked;
    return inked;
}

} // namespace

class TestEmoticons : public QObject {
    Q_OBJECT
private slots:
    void PicturesAtTheirSizes()
    {
        QCOMPARE(EmoticonSize(1), QSize(21, 21));
        QCOMPARE(EmoticonSize(13), QSize(22, 26));
        QCOMPARE(EmoticonSize(29), QSize(51, 45));
        QCOMPARE(EmoticonName(25), QStringLiteral("Let's drink on that"));
        QSet<QByteArray> distinct;
        for (int n = 1; n <= EmoticonCount; ++n) {
            const TEnhMetafile picture = EmoticonMetafile(n);
            QVERIFY(!picture.IsEmpty());
            QCOMPARE(picture.SizePixels(96, 96), EmoticonSize(n));
            const QImage image = picture.ToImage(EmoticonSize(n) * 2);
            // Drawn, and not just a frame: a good part of the picture carries ink.
            QVERIFY2(InkedPixels(image) > image.width() * image.height() / 5, qPrintable(EmoticonName(n)));
            distinct.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), EmoticonCount);
    }

    void Dividers()
    {
        QCOMPARE(DividerText(30), u'|' + QString(65, u'-') + u'|');
        QCOMPARE(DividerText(31), QString(54, u'*'));
        QCOMPARE(DividerText(32), QString(25, u'<') + u' ' + QString(25, u'>'));
        QCOMPARE(DividerText(33).size(), 50);
        QCOMPARE(DividerText(34), QString(65, QChar(0x2022)));
        QCOMPARE(DividerText(35), QString(49, u'='));
    }

    void ClickPutsPictureAndSetsRequest()
    {
        TScriptedDialogs dialogs;
        TfrmEmoticons picker(dialogs);
        QVERIFY(!picker.InsertRequest());
        picker.ItemMouseMove(7);
        QCOMPARE(picker.Label1->text(), QStringLiteral("Unsure or Confused   :s or :?"));
        picker.GuardedItemClick(2);
        QVERIFY(picker.InsertRequest());
        QCOMPARE(picker.result(), int(TModalResult::mrOk));
        const QMimeData* data = QApplication::clipboard()->mimeData();
        QVERIFY(data->hasFormat(QStringLiteral("image/x-emf")));
        QCOMPARE(TEnhMetafile::FromBytes(data->data(QStringLiteral("image/x-emf"))).SizePixels(96, 96), QSize(21, 21));
        picker.ClearInsertRequest();
        picker.GuardedItemClick(31);
        QVERIFY(picker.InsertRequest());
        QCOMPARE(QApplication::clipboard()->text(), QString(54, u'*'));
    }

    void CloseInsertsNothing()
    {
        TScriptedDialogs dialogs;
        TfrmEmoticons picker(dialogs);
        picker.btnClose->Click();
        QVERIFY(!picker.InsertRequest());
        QCOMPARE(picker.result(), int(TModalResult::mrCancel));
    }
};

QTEST_MAIN(TestEmoticons)
#include "tst_emoticons.moc"
