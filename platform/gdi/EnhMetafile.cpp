#include "EnhMetafile.h"

#include "AtomicFile.h"
#include "EmfPlayer.h"
#include "Errors.h"

#include <uemf.h>
#include <uemf_safe.h>

#include <QFile>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace {

constexpr std::uint32_t EmfSignature = 0x464D4520; // " EMF"
constexpr qsizetype MaxEmfBytes = qsizetype(512) * 1024 * 1024;

std::uint32_t Field32(const char* data, qsizetype offset)
{
    std::uint32_t value;
    std::memcpy(&value, data + offset, sizeof value);
    return value;
}

std::int32_t Signed32(const char* data, qsizetype offset) { return std::int32_t(Field32(data, offset)); }

// libUEMF has no check for the undefined and obsolete types; the player skips those anyway.
bool Checkable(std::uint32_t type)
{
    switch (type) {
    case 69: // undefined
    case 96: // POLYTEXTOUTA
    case 97: // POLYTEXTOUTW
    case 102: // GLSRECORD
    case 103: // GLSBOUNDEDRECORD
    case 105: // DRAWESCAPE
    case 106: // EXTESCAPE
    case 107: // undefined
    case 109: // FORCEUFIMAPPING
    case 110: // NAMEDESCAPE
    case 111: // COLORCORRECTPALETTE
    case 112: // SETICMPROFILEA
    case 113: // SETICMPROFILEW
    case 117: // undefined
    case 119: // SETLINKEDUFIS
    case 120: // SETTEXTJUSTIFICATION
    case 121: // COLORMATCHTOTARGETW
        return false;
    default:
        return type >= U_EMR_MIN && type <= U_EMR_MAX;
    }
}

[[noreturn]] void Malformed(const QString& why) { throw EConvertError(QStringLiteral("Not a valid enhanced metafile: %1").arg(why)); }

} // namespace

TEnhMetafile TEnhMetafile::FromBytes(const QByteArray& bytes)
{
    const qsizetype size = bytes.size();
    const char* data = bytes.constData();
    if (size < qsizetype(U_SIZE_EMRHEADER_MIN))
        Malformed(QStringLiteral("too short"));
    if (size > MaxEmfBytes)
        Malformed(QStringLiteral("too large"));
    if (Field32(data, 0) != U_EMR_HEADER || Field32(data, 40) != EmfSignature)
        Malformed(QStringLiteral("no header"));
    const std::uint32_t headerSize = Field32(data, 4);
    if (headerSize < U_SIZE_EMRHEADER_MIN || headerSize % 4 != 0 || headerSize > std::uint64_t(size))
        Malformed(QStringLiteral("bad header size"));

    qsizetype offset = 0;
    bool ended = false;
    std::uint32_t records = 0;
    while (offset + 8 <= size) {
        const std::uint32_t type = Field32(data, offset);
        const std::uint32_t recordSize = Field32(data, offset + 4);
        if (recordSize < 8 || recordSize % 4 != 0 || recordSize > std::uint64_t(size - offset))
            Malformed(QStringLiteral("record %1 has a bad size").arg(records));
        if ((offset == 0) != (type == U_EMR_HEADER))
            Malformed(QStringLiteral("misplaced header"));
        // Record types libUEMF knows are checked field by field as it checks them.
        if (Checkable(type) && !U_emf_record_safe(data + offset))
            Malformed(QStringLiteral("record %1 (type %2) does not fit its size").arg(records).arg(type));
        ++records;
        offset += recordSize;
        if (type == U_EMR_EOF) {
            ended = true;
            break;
        }
    }
    if (!ended)
        Malformed(QStringLiteral("no end record"));
    return FromCheckedBytes(bytes.left(offset));
}

TEnhMetafile TEnhMetafile::FromCheckedBytes(const QByteArray& bytes)
{
    TEnhMetafile metafile;
    if (bytes.size() < qsizetype(U_SIZE_EMRHEADER_MIN))
        return metafile;
    const char* data = bytes.constData();
    TEnhMetafileHeader& header = metafile.FHeader;
    header.Bounds = { Signed32(data, 8), Signed32(data, 12), Signed32(data, 16), Signed32(data, 20) };
    header.Frame = { Signed32(data, 24), Signed32(data, 28), Signed32(data, 32), Signed32(data, 36) };
    header.Records = Field32(data, 52);
    header.Handles = std::uint16_t(Field32(data, 56) & 0xFFFF);
    header.DevicePixels = QSize(Signed32(data, 72), Signed32(data, 76));
    header.DeviceMillimetres = QSize(Signed32(data, 80), Signed32(data, 84));
    const std::uint32_t headerSize = Field32(data, 4);
    if (headerSize >= sizeof(U_EMRHEADER))
        header.DeviceMicrometres = QSize(Signed32(data, 100), Signed32(data, 104));
    const std::uint32_t characters = Field32(data, 60);
    const std::uint32_t descriptionOffset = Field32(data, 64);
    if (characters > 0 && characters < 0x10000 && descriptionOffset >= 88 && std::uint64_t(descriptionOffset) + 2ull * characters <= headerSize) {
        QString description(qsizetype(characters), Qt::Uninitialized);
        std::memcpy(description.data(), data + descriptionOffset, 2 * std::size_t(characters));
        while (description.endsWith(QChar(u'\0')))
            description.chop(1);
        header.Description = description;
    }
    metafile.FBytes = bytes;
    return metafile;
}

TEnhMetafile TEnhMetafile::Load(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(fileName);
    if (file.size() > MaxEmfBytes)
        Malformed(QStringLiteral("too large"));
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw EFOpenError(fileName);
    return FromBytes(bytes);
}

void TEnhMetafile::Save(const QString& fileName) const
{
    WriteFileAtomically(fileName, FBytes);
}

QSize TEnhMetafile::SizeHundredthsMm() const
{
    return QSize(FHeader.Frame.right - FHeader.Frame.left, FHeader.Frame.bottom - FHeader.Frame.top);
}

QSize TEnhMetafile::SizePixels(double dpiX, double dpiY) const
{
    const QSize size = SizeHundredthsMm();
    return QSize(int(std::nearbyint(size.width() * dpiX / 2540.0)), int(std::nearbyint(size.height() * dpiY / 2540.0)));
}

void TEnhMetafile::Play(QPainter& painter, const QRectF& target) const
{
    if (IsEmpty() || !painter.isActive())
        return;
    PlayEnhMetafile(FBytes, FHeader, painter, target);
}

QImage TEnhMetafile::ToImage(QSize pixels, QImage::Format format) const
{
    if (pixels.isEmpty())
        return QImage();
    QImage image(pixels, format);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    QPainter painter(&image);
    Play(painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    return image;
}
