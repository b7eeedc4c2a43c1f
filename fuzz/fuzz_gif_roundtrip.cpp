// libFuzzer target: frames of at most 256 colours written by the presentation writer decode (frame by
// frame, by the toolkit's own GIF reader) to the same pixels.
#include "Bitmap.h"
#include "FuzzSupport.h"
#include "GifWriter.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartHeadlessApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    const int width = 1 + data[0] % 40;
    const int height = 1 + data[1] % 40;
    const int frames = 1 + data[2] % 3;
    const int colours = 1 + data[3] % 24;
    std::size_t at = 4;
    auto next = [&]() -> std::uint8_t { return data[at++ % size]; };
    std::vector<QRgb> palette;
    for (int i = 0; i < colours; ++i) {
        const std::uint8_t r = next(), g = next(), b = next();
        palette.push_back(qRgb(r, g, b));
    }
    std::vector<QImage> expected;
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    {
        TGifWriter writer(file, { QStringLiteral("fuzz") });
        for (int frame = 0; frame < frames; ++frame) {
            TBitmap picture(width, height, 24);
            QImage image(width, height, QImage::Format_RGB32);
            for (int y = 0; y < height; ++y) {
                BYTE* row = picture.ScanLine(y);
                for (int x = 0; x < width; ++x) {
                    const QRgb colour = palette[next() % palette.size()];
                    row[3 * x] = BYTE(qBlue(colour));
                    row[3 * x + 1] = BYTE(qGreen(colour));
                    row[3 * x + 2] = BYTE(qRed(colour));
                    image.setPixel(x, y, colour);
                }
            }
            writer.AddFrame(picture, 5000);
            expected.push_back(image);
        }
        writer.Finish();
    }
    QBuffer input;
    input.setData(file.data());
    input.open(QIODevice::ReadOnly);
    QImageReader reader(&input, "gif");
    for (const QImage& image : expected) {
        QImage decoded;
        Require(reader.read(&decoded));
        decoded = decoded.convertToFormat(QImage::Format_RGB32);
        Require(decoded.size() == image.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                Require((decoded.pixel(x, y) & 0xFFFFFF) == (image.pixel(x, y) & 0xFFFFFF));
    }
    return 0;
}
