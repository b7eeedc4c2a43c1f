// libFuzzer target: plain text decoding. UTF-8 when the bytes are valid UTF-8, else one character per
// byte; and a text file read into the editor and saved reads back to the same text, but for line
// breaks (VT), which a plain-text file holds as line ends.
#include "FuzzSupport.h"
#include "RtRichEd.h"
#include "RtfCodePages.h"

#include <QBuffer>
#include <QStringDecoder>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartHeadlessApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString decoded = TextFromUtf8OrWindows1252(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString asUtf8 = utf8.decode(bytes);
    if (!utf8.hasError())
        Require(decoded == asUtf8);
    else
        Require(decoded.size() == bytes.size());

    if (size > 4096)
        return 0;
    static TRtRichEdit editor;
    editor.SetPlainText(true);
    editor.SetStreamMode({});
    QBuffer input;
    input.setData(bytes);
    input.open(QIODevice::ReadOnly);
    editor.Lines()->LoadFromStream(input);
    const QString text = QString(editor.Text()).replace(u'\v', u'\r');
    QBuffer output;
    output.open(QIODevice::WriteOnly);
    editor.Lines()->SaveToStream(output);
    QBuffer again;
    again.setData(output.data());
    again.open(QIODevice::ReadOnly);
    editor.Lines()->LoadFromStream(again);
    if (editor.Text() != text) {
        std::fprintf(stderr, "reads back as \"%s\", not \"%s\"\n", qPrintable(editor.Text().toHtmlEscaped()),
            qPrintable(text.toHtmlEscaped()));
        std::abort();
    }
    return 0;
}
