#include "CompressedDocument.h"

#include "Errors.h"
#include "RtRichEd.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>

#include <zlib.h>

namespace {

constexpr int ChunkSize = 64 * 1024;

// Ends the update bracket of the lines on every path.
class TUpdateBracket {
public:
    explicit TUpdateBracket(TRichEditStrings& lines)
        : FLines(lines)
    {
        FLines.BeginUpdate();
    }
    ~TUpdateBracket() { FLines.EndUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    TRichEditStrings& FLines;
};

class TDeflater {
public:
    TDeflater()
    {
        if (deflateInit2(&FStream, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw EOutOfResources(QStringLiteral("error"));
    }
    ~TDeflater() { deflateEnd(&FStream); }
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream {};
};

class TInflater {
public:
    TInflater()
    {
        if (inflateInit2(&FStream, 15) != Z_OK)
            throw EOutOfResources(QStringLiteral("error"));
    }
    ~TInflater() { inflateEnd(&FStream); }
    TInflater(const TInflater&) = delete;
    TInflater& operator=(const TInflater&) = delete;
    z_stream& Stream() { return FStream; }

private:
    z_stream FStream {};
};

void Compress(QIODevice& source, QIODevice& target, const QString& path)
{
    TDeflater deflater;
    z_stream& stream = deflater.Stream();
    QByteArray input(ChunkSize, Qt::Uninitialized);
    QByteArray output(ChunkSize, Qt::Uninitialized);
    int flush = Z_NO_FLUSH;
    while (flush != Z_FINISH) {
        const qint64 read = source.read(input.data(), input.size());
        if (read < 0)
            throw EFCreateError(path);
        flush = source.atEnd() || read == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = uInt(read);
        do {
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = uInt(output.size());
            if (deflate(&stream, flush) == Z_STREAM_ERROR)
                throw EFCreateError(path);
            const qint64 produced = output.size() - stream.avail_out;
            if (target.write(output.constData(), produced) != produced)
                throw EFCreateError(path);
        } while (stream.avail_out == 0);
    }
}

// The whole stream inflated, stopping at its end; no more than limit bytes are ever held.
QByteArray Decompress(QIODevice& source, qint64 limit)
{
    TInflater inflater;
    z_stream& stream = inflater.Stream();
    QByteArray input(ChunkSize, Qt::Uninitialized);
    QByteArray output(ChunkSize, Qt::Uninitialized);
    QByteArray result;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const qint64 read = source.read(input.data(), input.size());
        if (read <= 0)
            throw EConvertError(QStringLiteral("error")); // truncated or unreadable
        stream.next_in = reinterpret_cast<Bytef*>(input.data());
        stream.avail_in = uInt(read);
        while (stream.avail_in > 0 && status != Z_STREAM_END) {
            stream.next_out = reinterpret_cast<Bytef*>(output.data());
            stream.avail_out = uInt(output.size());
            status = inflate(&stream, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END)
                throw EConvertError(QStringLiteral("error"));
            const qint64 produced = output.size() - stream.avail_out;
            if (result.size() + produced > limit)
                throw EConvertError(QStringLiteral("error"));
            result.append(output.constData(), produced);
        }
    }
    return result;
}

} // namespace

void SaveCompressedDocument(TRtRichEdit& editor, const QString& path)
{
    const QString temporaryPath = path + QStringLiteral(".tmp");
    QFile temporary(temporaryPath);
    // The temporary file goes on every path, written or not.
    struct TRemover {
        QFile& file;
        ~TRemover()
        {
            file.close();
            file.remove();
        }
    } remover { temporary };
    if (!temporary.open(QIODevice::ReadWrite | QIODevice::Truncate))
        throw EFCreateError(temporaryPath);
    editor.Lines()->SaveToStream(temporary);
    if (!temporary.flush() || !temporary.seek(0))
        throw EFCreateError(temporaryPath);

    QSaveFile target(path);
    if (!target.open(QIODevice::WriteOnly))
        throw EFCreateError(path);
    Compress(temporary, target, path);
    // commit() alone can miss that the last buffered bytes never reached a full disk.
    if (!target.flush() || !target.commit())
        throw EFCreateError(path);
}

void LoadCompressedDocument(TRtRichEdit& editor, const QString& path)
{
    TUpdateBracket update(*editor.Lines());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    // RTF needs several bytes for each character the editor holds; more than that is no document.
    const qint64 limit = qint64(editor.MaxLength() > 0 ? editor.MaxLength() : 0xFFFFFF) * 8;
    QByteArray rtf = Decompress(file, limit);
    QBuffer buffer(&rtf);
    buffer.open(QIODevice::ReadOnly);
    editor.Lines()->LoadFromStream(buffer);
}
