// libFuzzer target: the picture command's loading of PNG, JPEG, BMP and GIF files: any bytes give a
// metafile of a bounded size or a clear error, never a crash or memory the header merely claims.
#include "EnhMetafile.h"
#include "Errors.h"
#include "FuzzSupport.h"
#include "PictureInsertion.h"

#include <QImageReader>

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
    static const char* const Names[] = { "picture.png", "picture.jpg", "picture.bmp", "picture.gif" };
    const QString name = QString::fromLatin1(Names[data[0] % 4]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        const TEnhMetafile metafile = LoadPictureAsMetafile(ScratchFile(bytes, name));
        const QSize pixels = metafile.SizePixels(96, 96);
        Require(pixels.width() >= 1 && pixels.height() >= 1 && pixels.width() <= 65535 && pixels.height() <= 65535);
    } catch (const Exception& error) {
        Require(error.Message().contains(name));
    }
    return 0;
}
