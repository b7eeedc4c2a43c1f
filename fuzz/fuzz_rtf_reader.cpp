// libFuzzer target: any bytes after "{\rtf1" must read without a crash, a hang or a sanitizer report, the
// document must stay within the character limit, and what the writer makes of it must read back to the
// same text.
#include "RichTextFormat.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include "Errors.h"

#include <QGuiApplication>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

namespace {

QString Paragraphs(const QTextDocument& document)
{
    // Hidden text is held by its object character; it must come back as it was read too.
    QStringList paragraphs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString text;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            text += it.fragment().text();
            if (format.objectType() == RichText::HiddenTextFormat)
                text += u'[' + format.stringProperty(RichText::HiddenText) + u']';
        }
        paragraphs.append(text);
    }
    return paragraphs.join(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Inputs that do not look like RTF only reach the header check; let the parser see them too.
    if (!bytes.startsWith("{\\rtf"))
        bytes.prepend("{\\rtf1 ");
    TRtfReadOptions options;
    options.maxCharacters = 1 << 16;
    QTextDocument document;
    QTextCursor cursor(&document);
    try {
        TRtfReader::Read(bytes, cursor, options);
    } catch (const EConvertError&) {
        std::abort(); // the header is always there
    }
    if (document.characterCount() > options.maxCharacters + 1)
        std::abort();

    QTextDocument copy;
    QTextCursor copyCursor(&copy);
    TRtfReader::Read(TRtfWriter::Write(document, 0, -1), copyCursor);
    if (Paragraphs(copy) != Paragraphs(document))
        std::abort();
    return 0;
}
