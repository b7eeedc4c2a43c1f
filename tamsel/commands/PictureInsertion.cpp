#include "PictureInsertion.h"

#include "DeviceContext.h"
#include "DibImage.h"
#include "EnhMetafileRecorder.h"
#include "Errors.h"
#include "RichTextFormat.h"
#include "RtRichEd.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jerror.h>
#include <jpeglib.h>

namespace {

// The mime type under which the rich edit control looks for an enhanced metafile first.
constexpr auto EmfMime = "image/x-emf";

// Larger picture files are refused before they are read; no sensible picture comes near this.
constexpr qint64 MaxPictureFileBytes = qint64(256) * 1024 * 1024;
// Neither side may exceed what JPEG and the metafile's 16-bit consumers can describe.
constexpr int MaxPictureSide = 65535;
// Progressive JPEG files with thousands of scans take minutes to decode; real ones have about ten.
constexpr int MaxJpegScans = 1000;

[[noreturn]] void Damaged(const QString& path, const QString& reason = QString())
{
    QString message = QStringLiteral("The picture file is damaged: %1").arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty())
        message += QStringLiteral(" (%1)").arg(reason);
    throw EConvertError(message);
}

[[noreturn]] void TooLarge(const QString& path, qint64 width, qint64 height)
{
    throw EConvertError(QStringLiteral("The picture is too large: %1 (%2 x %3 pixels)")
                            .arg(QDir::toNativeSeparators(path))
                            .arg(width)
                            .arg(height));
}

bool IsTooLarge(qint64 width, qint64 height)
{
    return width > MaxPictureSide || height > MaxPictureSide || width * height > MaxDibPixels;
}

QByteArray ReadPictureFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    if (file.size() > MaxPictureFileBytes)
        TooLarge(path, -1, -1);
    const QByteArray bytes = file.readAll();
    if (bytes.size() != file.size())
        throw EFOpenError(path);
    if (bytes.isEmpty())
        Damaged(path, QStringLiteral("the file is empty"));
    return bytes;
}

// ---- JPEG through libjpeg ----

struct TJpegErrors {
    jpeg_error_mgr Public; // first: the library sees only this part
    std::jmp_buf Escape;
    char Message[JMSG_LENGTH_MAX];
};

// The library's own error_exit ends the program; ours returns to DecodeJpeg's setjmp.
[[noreturn]] void JpegErrorExit(j_common_ptr info)
{
    auto* errors = reinterpret_cast<TJpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Escape, 1);
}

void JpegEmitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace messages
    // The library pads a file that ends early with grey and goes on; a cut-off picture is refused.
    if (info->err->msg_code == JWRN_JPEG_EOF)
        JpegErrorExit(info);
    ++info->err->num_warnings; // damaged entropy data still decodes, as other readers show it
}

void JpegOutputMessage(j_common_ptr) { } // never to standard error

void JpegProgress(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > MaxJpegScans) {
        std::snprintf(reinterpret_cast<TJpegErrors*>(info->err)->Message, JMSG_LENGTH_MAX, "too many scans");
        std::longjmp(reinterpret_cast<TJpegErrors*>(info->err)->Escape, 1);
    }
}

enum class TJpegResult { Decoded, Failed, TooLarge };

struct TJpegJob {
    jpeg_decompress_struct Info;
    TJpegErrors Errors;
    jpeg_progress_mgr Progress;
    const unsigned char* Bytes = nullptr;
    unsigned long Size = 0;
    QImage* Image = nullptr;
    JDIMENSION Width = 0;
    JDIMENSION Height = 0;
};

// The library leaves by longjmp from anywhere below the setjmp, so this frame holds no object with a
// destructor; the image lives in the caller.
TJpegResult DecodeJpeg(TJpegJob& job)
{
    job.Info.err = jpeg_std_error(&job.Errors.Public);
    job.Errors.Public.error_exit = JpegErrorExit;
    job.Errors.Public.emit_message = JpegEmitMessage;
    job.Errors.Public.output_message = JpegOutputMessage;
    job.Errors.Message[0] = '\0';
    if (setjmp(job.Errors.Escape)) {
        jpeg_destroy_decompress(&job.Info);
        return TJpegResult::Failed;
    }
    jpeg_create_decompress(&job.Info);
    job.Progress.progress_monitor = JpegProgress;
    job.Info.progress = &job.Progress;
    jpeg_mem_src(&job.Info, job.Bytes, job.Size);
    jpeg_read_header(&job.Info, TRUE);
    job.Width = job.Info.image_width;
    job.Height = job.Info.image_height;
    // Checked before anything of the picture's size is allocated: the header may claim any size.
    if (IsTooLarge(job.Width, job.Height)) {
        jpeg_destroy_decompress(&job.Info);
        return TJpegResult::TooLarge;
    }
    const bool cmyk = job.Info.jpeg_color_space == JCS_CMYK || job.Info.jpeg_color_space == JCS_YCCK;
    job.Info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&job.Info);
    // Four bytes a pixel hold a CMYK row as read, converted in place below.
    *job.Image = QImage(
        int(job.Info.output_width), int(job.Info.output_height), cmyk ? QImage::Format_RGB32 : QImage::Format_RGB888);
    if (job.Image->isNull()) {
        std::snprintf(job.Errors.Message, JMSG_LENGTH_MAX, "out of memory");
        jpeg_destroy_decompress(&job.Info);
        return TJpegResult::Failed;
    }
    while (job.Info.output_scanline < job.Info.output_height) {
        JSAMPROW row = job.Image->scanLine(int(job.Info.output_scanline));
        jpeg_read_scanlines(&job.Info, &row, 1);
    }
    if (cmyk) {
        // Adobe's writers store CMYK inverted, and nearly every CMYK JPEG comes from them.
        const bool inverted = job.Info.saw_Adobe_marker;
        for (int y = 0; y < job.Image->height(); ++y) {
            auto* pixel = reinterpret_cast<QRgb*>(job.Image->scanLine(y));
            const uchar* ink = job.Image->constScanLine(y);
            for (int x = 0; x < job.Image->width(); ++x, ink += 4) {
                const int c = inverted ? ink[0] : 255 - ink[0], m = inverted ? ink[1] : 255 - ink[1];
                const int yellow = inverted ? ink[2] : 255 - ink[2], k = inverted ? ink[3] : 255 - ink[3];
                pixel[x] = qRgb(c * k / 255, m * k / 255, yellow * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&job.Info);
    jpeg_destroy_decompress(&job.Info);
    return TJpegResult::Decoded;
}

QImage JpegImage(const QString& path, const QByteArray& bytes)
{
    QImage image;
    TJpegJob job;
    job.Bytes = reinterpret_cast<const unsigned char*>(bytes.constData());
    job.Size = static_cast<unsigned long>(bytes.size());
    job.Image = &image;
    switch (DecodeJpeg(job)) {
    case TJpegResult::Decoded:
        return image;
    case TJpegResult::TooLarge:
        TooLarge(path, job.Width, job.Height);
    case TJpegResult::Failed:
        break;
    }
    Damaged(path, QString::fromLocal8Bit(job.Errors.Message));
}

// ---- GIF, BMP and PNG through Qt ----

QImage QtImage(const QString& path, const QByteArray& bytes, const char* format)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format); // by the extension, as the command promises
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (size.isValid() && IsTooLarge(size.width(), size.height()))
        TooLarge(path, size.width(), size.height());
    QImage image;
    if (!reader.read(&image))
        Damaged(path, reader.errorString());
    if (IsTooLarge(image.width(), image.height()))
        TooLarge(path, image.width(), image.height());
    return image;
}

// ---- the metafile of the picture ----

TEnhMetafile Recorded(const QString& path, QSize pixels, const auto& draw)
{
    if (pixels.width() < 1 || pixels.height() < 1)
        Damaged(path, QStringLiteral("the picture has no size"));
    if (pixels.width() > MaxPictureSide || pixels.height() > MaxPictureSide)
        TooLarge(path, pixels.width(), pixels.height());
    // A display of the control's resolution, so that the pasted object shows at the picture's pixel size.
    const TDeviceContext reference
        = TDeviceContext::InformationContext(RichText::DisplayDpi, RichText::DisplayDpi, QSize(1920, 1080));
    TEnhMetafileRecorder recorder(reference, TEnhMetafileRecorder::FrameFromPixels(reference, pixels),
        QStringLiteral("Tamsel"), QFileInfo(path).fileName());
    {
        QPainter painter(&recorder);
        draw(painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
    }
    return recorder.Finish();
}

TEnhMetafile MetafileOfImage(const QString& path, const QImage& image)
{
    // The recorder leaves pixels out by their alpha: a transparent GIF colour or PNG pixel is not drawn.
    return Recorded(
        path, image.size(), [&image](QPainter& painter, const QRectF& target) { painter.drawImage(target, image); });
}

TEnhMetafile MetafileOfMetafile(const QString& path, const TEnhMetafile& source)
{
    const QSize pixels = source.SizePixels(RichText::DisplayDpi, RichText::DisplayDpi);
    return Recorded(path, pixels, [&source](QPainter& painter, const QRectF& target) { source.Play(painter, target); });
}

} // namespace

QString OpenPictureFilter()
{
    return QStringLiteral("All (*.gif;*.jpg;*.jpeg;*.bmp;*.png;*.emf;*.wmf)|*.gif;*.jpg;*.jpeg;*.bmp;*.png;*.emf;*.wmf"
                          "|CompuServe GIF Image (*.gif)|*.gif"
                          "|JPEG Image File (*.jpg)|*.jpg"
                          "|JPEG Image File (*.jpeg)|*.jpeg"
                          "|PNG Image (*.png)|*.png"
                          "|Bitmaps (*.bmp)|*.bmp"
                          "|Enhanced Metafiles (*.emf)|*.emf"
                          "|Metafiles (*.wmf)|*.wmf");
}

TEnhMetafile LoadPictureAsMetafile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    const char* qtFormat = nullptr;
    for (const char* format : { "gif", "bmp", "png" })
        if (extension == QLatin1StringView(format))
            qtFormat = format;
    const bool jpeg = extension == u"jpg" || extension == u"jpeg";
    const bool emf = extension == u"emf";
    const bool wmf = extension == u"wmf";
    if (!qtFormat && !jpeg && !emf && !wmf)
        throw EConvertError(QStringLiteral("Unsupported picture format: %1").arg(QFileInfo(path).fileName()));

    const QByteArray bytes = ReadPictureFile(path);
    if (jpeg)
        return MetafileOfImage(path, JpegImage(path, bytes));
    if (qtFormat)
        return MetafileOfImage(path, QtImage(path, bytes, qtFormat));
    TEnhMetafile source;
    try {
        source = emf ? TEnhMetafile::FromBytes(bytes) : TEnhMetafile::FromWmf(bytes);
    } catch (const EConvertError& error) {
        Damaged(path, error.Message());
    }
    return MetafileOfMetafile(path, source);
}

void PutMetafileOnClipboard(const TEnhMetafile& metafile)
{
    QClipboard* clipboard = QApplication::clipboard();
    if (!clipboard)
        throw EOutOfResources(QStringLiteral("The clipboard is not available"));
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(EmfMime), metafile.Bytes());
    clipboard->setMimeData(data); // the clipboard owns it now
}

void InsertPictureFile(TRtRichEdit& editor, const QString& path)
{
    const TEnhMetafile metafile = LoadPictureAsMetafile(path);
    PutMetafileOnClipboard(metafile);
    editor.PasteFromClipboard();
}
