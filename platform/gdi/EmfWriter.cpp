#include "EmfWriter.h"

#include <uemf.h>

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

void TEmfWriter::Append(char* record)
{
    if (!record)
        return;
    const auto* header = reinterpret_cast<const U_EMR*>(record);
    FBody.append(record, qsizetype(header->nSize));
    ++FRecords;
    std::free(record);
}

void TEmfWriter::AppendBytes(const QByteArray& record)
{
    FBody.append(record);
    ++FRecords;
}

std::uint32_t TEmfWriter::AllocateHandle()
{
    const auto free = std::find(FHandles.begin() + 1, FHandles.end(), false);
    if (free != FHandles.end()) {
        *free = true;
        return std::uint32_t(free - FHandles.begin());
    }
    FHandles.push_back(true);
    return std::uint32_t(FHandles.size() - 1);
}

void TEmfWriter::FreeHandle(std::uint32_t handle)
{
    if (handle > 0 && handle < FHandles.size())
        FHandles[handle] = false;
}

void TEmfWriter::AddBounds(const QRectF& deviceRect)
{
    const QRectF r = deviceRect.normalized();
    if (!std::isfinite(r.left()) || !std::isfinite(r.top()) || !std::isfinite(r.right()) || !std::isfinite(r.bottom()))
        return;
    if (!FHasBounds) {
        FBounds = r;
        FHasBounds = true;
        return;
    }
    FBounds.setCoords(std::min(FBounds.left(), r.left()), std::min(FBounds.top(), r.top()), std::max(FBounds.right(), r.right()),
        std::max(FBounds.bottom(), r.bottom()));
}

QByteArray TEmfWriter::Finish(const QRect& frame, QSize devicePixels, QSize deviceMicrometres, const QString& application,
    const QString& title)
{
    U_RECTL bounds { 0, 0, -1, -1 }; // nothing drawn
    if (FHasBounds) {
        bounds = { std::int32_t(std::floor(FBounds.left())), std::int32_t(std::floor(FBounds.top())),
            std::int32_t(std::ceil(FBounds.right())) - 1, std::int32_t(std::ceil(FBounds.bottom())) - 1 };
        bounds.right = std::max(bounds.right, bounds.left);
        bounds.bottom = std::max(bounds.bottom, bounds.top);
    }
    U_RECTL rclFrame;
    if (frame.isValid()) {
        rclFrame = { frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height() };
    } else if (FHasBounds && devicePixels.width() > 0 && devicePixels.height() > 0) {
        // Without a frame from the caller the drawing's own extent, in hundredths of a millimetre.
        const double mmX = deviceMicrometres.width() / 10.0 / devicePixels.width();
        const double mmY = deviceMicrometres.height() / 10.0 / devicePixels.height();
        rclFrame = { std::int32_t(std::nearbyint(bounds.left * mmX)), std::int32_t(std::nearbyint(bounds.top * mmY)),
            std::int32_t(std::nearbyint((bounds.right + 1) * mmX)), std::int32_t(std::nearbyint((bounds.bottom + 1) * mmY)) };
    } else {
        rclFrame = { 0, 0, -1, -1 };
    }

    std::vector<std::uint16_t> description;
    if (!application.isEmpty() || !title.isEmpty()) {
        for (QChar c : application)
            description.push_back(c.unicode());
        description.push_back(0);
        for (QChar c : title)
            description.push_back(c.unicode());
        description.push_back(0);
        description.push_back(0);
    }
    const U_SIZEL szlDevice { devicePixels.width(), devicePixels.height() };
    const U_SIZEL szlMillimeters { std::int32_t(std::nearbyint(deviceMicrometres.width() / 1000.0)),
        std::int32_t(std::nearbyint(deviceMicrometres.height() / 1000.0)) };
    char* header = U_EMRHEADER_set(bounds, rclFrame, nullptr, U_CBSTR(description.size()),
        description.empty() ? nullptr : description.data(), szlDevice, szlMillimeters, 0);
    if (!header)
        return {};
    const auto headerSize = reinterpret_cast<const U_EMR*>(header)->nSize;
    QByteArray bytes(header, qsizetype(headerSize));
    std::free(header);

    // The end record: no palette, and its own size last.
    QByteArray eof(20, '\0');
    qToLittleEndian<std::uint32_t>(U_EMR_EOF, eof.data());
    qToLittleEndian<std::uint32_t>(20, eof.data() + 4);
    qToLittleEndian<std::uint32_t>(0, eof.data() + 8);
    qToLittleEndian<std::uint32_t>(16, eof.data() + 12);
    qToLittleEndian<std::uint32_t>(20, eof.data() + 16);

    bytes.append(FBody);
    bytes.append(eof);
    auto* emr = reinterpret_cast<U_EMRHEADER*>(bytes.data());
    emr->nBytes = std::uint32_t(bytes.size());
    emr->nRecords = FRecords + 2;
    emr->nHandles = std::uint16_t(std::min<std::size_t>(FHandles.size(), 0xFFFF));
    if (headerSize >= sizeof(U_EMRHEADER))
        emr->szlMicrometers = { deviceMicrometres.width(), deviceMicrometres.height() };
    return bytes;
}
