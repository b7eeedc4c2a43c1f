#pragma once
// RTF bytes to the rich edit control's document model (see RichTextFormat.h).
#include <QByteArray>
#include <QTextCharFormat>

class QTextCursor;

struct TRtfReadOptions {
    // Characters the read may add; the rest of the text is dropped (the control's text limit).
    int maxCharacters = 0xFFFFFF;
    // The character format text starts from (the control's default format).
    QTextCharFormat defaultFormat;
};

class TRtfReader {
public:
    // Inserts the document the bytes describe at the cursor. Throws EConvertError when the bytes are
    // not RTF at all (they do not start with "{\rtf"); damaged RTF is read as far as it makes sense.
    static void Read(const QByteArray& rtf, QTextCursor& cursor, const TRtfReadOptions& options = {});
};
