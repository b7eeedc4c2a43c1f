#pragma once
// CompressedDocument.h: the compressed rich text format (.rtc): the document's RTF as one zlib stream,
// nothing before it and nothing after it.
#include <QString>

class TRtRichEdit;

// Writes the editor's RTF compressed at level 1 (window 15, memory level 8) to the path. The RTF goes
// to "<path>.tmp" first, which is removed afterwards; the target is replaced only once complete.
void SaveCompressedDocument(TRtRichEdit& editor, const QString& path);
// Reads any zlib stream; bytes after its end are ignored. Damaged data raises "error", as does data
// that would expand beyond what the editor can hold.
void LoadCompressedDocument(TRtRichEdit& editor, const QString& path);
