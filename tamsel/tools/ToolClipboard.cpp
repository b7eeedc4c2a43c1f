// ToolClipboard.cpp: the clipboard hand-over of the insertion tools.
#include "ToolClipboard.h"

#include "EnhMetafile.h"
#include "Errors.h"
#include "PictureInsertion.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

void PutToolTextOnClipboard(const QString& text)
{
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard)
        throw EOutOfResources(QStringLiteral("The clipboard is not available"));
    auto* data = new QMimeData;
    data->setText(text);
    clipboard->setMimeData(data);
}

void PutToolPictureOnClipboard(const TEnhMetafile& picture)
{
    if (picture.IsEmpty())
        throw EConvertError(QStringLiteral("The picture is empty"));
    PutMetafileOnClipboard(picture);
}

bool ClipboardHoldsOnlyPicture()
{
    const QClipboard* clipboard = QApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data || data->hasText())
        return false;
    return data->hasImage() || data->hasFormat(QStringLiteral("image/x-emf"));
}

#include "DeviceContext.h"
#include "EnhMetafileRecorder.h"

#include <QPainter>

TEnhMetafile RecordToolPicture(const QSize& pixels, const QString& title, const std::function<void(QPainter&)>& draw)
{
    if (pixels.width() < 1 || pixels.height() < 1)
        throw EConvertError(QStringLiteral("The picture has no size"));
    const TDeviceContext reference = TDeviceContext::InformationContext(96, 96, QSize(1920, 1080));
    TEnhMetafileRecorder recorder(
        reference, TEnhMetafileRecorder::FrameFromPixels(reference, pixels), QStringLiteral("Tamsel"), title);
    {
        QPainter painter(&recorder);
        draw(painter);
    }
    return recorder.Finish();
}
