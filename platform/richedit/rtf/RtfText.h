#pragma once
// RtfText.h: plain text written as RTF text, so that no character of it can be read as markup.
#include <QByteArray>
#include <QString>

/// The text as RTF source: "\\", "\{", "\}" escaped, tab as \tab, line breaks (CR LF, CR or LF) as
/// \line, other control characters dropped. With ansiCodePage, characters of Windows-1252 are written
/// as \'hh and the others as \uN; without it every non-ASCII character is written as \uN. The
/// result never changes the state of the surrounding text.
QByteArray RtfEscapedText(const QString& text, bool ansiCodePage = true);
