// libFuzzer target: any bytes as an enhanced metafile, or as an old metafile converted to one, are
// refused with EConvertError or played onto a small picture without a crash or a sanitizer report.
#include "EnhMetafile.h"
#include "Errors.h"
#include "FuzzSupport.h"

#include <QImage>
#include <QPainter>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartHeadlessApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the reader; the rest is the file.
    const bool wmf = data[0] & 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    TEnhMetafile metafile;
    try {
        metafile = wmf ? TEnhMetafile::FromWmf(bytes) : TEnhMetafile::FromBytes(bytes);
    } catch (const EConvertError&) {
        return 0;
    }
    static QImage canvas(48, 48, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    metafile.Play(painter, QRectF(0, 0, 48, 48));
    painter.end();
    // What was read is a metafile that reads again.
    const TEnhMetafile again = TEnhMetafile::FromBytes(metafile.Bytes());
    Require(again.Bytes() == metafile.Bytes());
    return 0;
}
