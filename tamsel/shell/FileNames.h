#pragma once
// FileNames.h: the extension that chooses a document's format, taken from the path as written.
#include <QString>

#include <algorithm>

// From the last dot after the last folder separator, dot included, letter case kept: ".RTF" is not
// ".rtf". Backslashes count as separators too, for paths kept from other systems.
inline QString ExtensionOf(const QString& path)
{
    const qsizetype separator = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot > separator ? path.mid(dot) : QString();
}
