#pragma once
// EnhMetafileRecorder.h: a paint device that records QPainter drawing as an enhanced metafile
// against a reference device, whose resolution and size the metafile's header carries.
#include "DeviceContext.h"
#include "EnhMetafile.h"

#include <QPaintDevice>
#include <QRect>
#include <QString>

#include <memory>

class TEmfPaintEngine;

class TEnhMetafileRecorder : public QPaintDevice {
public:
    /// frame: the picture's extent in hundredths of a millimetre (x, y, width, height); empty to take
    /// it from what is drawn. application and title make the header's description.
    explicit TEnhMetafileRecorder(const TDeviceContext& reference, const QRect& frame = QRect(),
        const QString& application = QString(), const QString& title = QString());
    ~TEnhMetafileRecorder() override;
    TEnhMetafileRecorder(const TEnhMetafileRecorder&) = delete;
    TEnhMetafileRecorder& operator=(const TEnhMetafileRecorder&) = delete;

    /// A frame of the given size in the reference device's pixels, at the origin.
    static QRect FrameFromPixels(const TDeviceContext& reference, QSize pixels);

    const TDeviceCaps& ReferenceCaps() const { return FReference; }
    /// The frame given, or an empty rectangle.
    QRect Frame() const { return FFrame; }
    /// Ends recording and gives the metafile; painters on the recorder must have ended. A recorder
    /// finishes once; later calls give an empty metafile.
    TEnhMetafile Finish();

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    TDeviceCaps FReference;
    QRect FFrame;
    QString FApplication;
    QString FTitle;
    std::unique_ptr<TEmfPaintEngine> FEngine;
};
