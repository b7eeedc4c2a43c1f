// libFuzzer target: any bytes read as a compressed document give a document within the editor's
// limit or an error, never a crash or an inflation beyond its bound; once saved it reads back the same.
#include "CompressedDocument.h"
#include "Errors.h"
#include "FuzzSupport.h"
#include "RtRichEd.h"

#include <QFile>
#include <zlib.h>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartHeadlessApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Half the inputs are deflated first, so the fuzzer reaches the RTF behind the stream too.
    if (!bytes.isEmpty() && (bytes[0] & 1)) {
        uLongf length = compressBound(uLong(bytes.size()));
        QByteArray packed(qsizetype(length), Qt::Uninitialized);
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &length, reinterpret_cast<const Bytef*>(bytes.constData()),
                uLong(bytes.size()), 1) != Z_OK)
            return 0;
        packed.truncate(qsizetype(length));
        bytes = packed;
    }
    static TRtRichEdit editor;
    editor.SetMaxLength(1 << 16);
    // As the window sets a document up for the compressed format.
    editor.SetPlainText(false);
    editor.SetStreamMode(TRichStreamModes { TRichStreamMode::smUnicode });
    const QString path = ScratchFile(bytes, QStringLiteral("input.rtc"));
    // Loading inserts at the caret, as the window's Open does after clearing.
    editor.Clear();
    try {
        LoadCompressedDocument(editor, path);
    } catch (const Exception&) {
        return 0;
    }
    Require(editor.TextLength() <= (1 << 16));
    // Once saved, a document reads back as it was: what was not RTF (stray control characters)
    // may change on the first save, never after.
    const QString copy = ScratchFile({}, QStringLiteral("copy.rtc"));
    auto saveAndLoad = [&] {
        SaveCompressedDocument(editor, copy);
        editor.Clear();
        LoadCompressedDocument(editor, copy);
        return editor.Text();
    };
    const QString text = saveAndLoad();
    if (saveAndLoad() != text) {
        std::fprintf(stderr, "reads back as \"%s\", not \"%s\"\n", qPrintable(editor.Text()), qPrintable(text));
        std::abort();
    }
    return 0;
}
