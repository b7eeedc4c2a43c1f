#pragma once
// EmfWriter.h: collects enhanced-metafile records made by libUEMF's record constructors and puts
// the header in front of them. Internal to platform/gdi.
#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

class TEmfWriter {
public:
    /// Takes a record from a libUEMF *_set function and frees it; a null record is ignored.
    void Append(char* record);
    void AppendBytes(const QByteArray& record);
    std::uint32_t AllocateHandle();
    void FreeHandle(std::uint32_t handle);
    /// Grows the drawing's bounds, in reference device pixels.
    void AddBounds(const QRectF& deviceRect);
    bool HasBounds() const { return FHasBounds; }
    const QRectF& Bounds() const { return FBounds; }
    std::uint32_t RecordCount() const { return FRecords; }

    /// Header, records and the end record. frame is in hundredths of a millimetre (x, y, width,
    /// height, written as left, top, right, bottom); an invalid frame is made from the bounds.
    QByteArray Finish(const QRect& frame, QSize devicePixels, QSize deviceMicrometres, const QString& application,
        const QString& title);

private:
    QByteArray FBody;
    std::uint32_t FRecords = 0;
    std::vector<bool> FHandles { true }; // 0 is the metafile itself
    QRectF FBounds;
    bool FHasBounds = false;
};
