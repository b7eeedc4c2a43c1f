// PgRtfMailMerge.cpp: letters built from the compiled template and laid out one after another.
#include "PgRtfMailMerge.h"

#include "Errors.h"
#include "MergeTemplate.h"
#include "PgPreview.h"
#include "PgRtfPreview.h"
#include "RichEditControl.h"
#include "RichEditRecords.h"
#include "RtRichEd.h"
#include "WaitCursor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

struct TUpdateBracket {
    TPgPreview& Preview;
    explicit TUpdateBracket(TPgPreview& preview)
        : Preview(preview)
    {
        Preview.BeginUpdate();
    }
    ~TUpdateBracket() { Preview.EndUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;
};

} // namespace

TPgRtfMailMerge::TPgRtfMailMerge() = default;
TPgRtfMailMerge::~TPgRtfMailMerge() = default;

void TPgRtfMailMerge::MergeRichEdit(TRtCustomRichEdit& editor) { MergeRichEdit(editor.Control()); }

void TPgRtfMailMerge::MergeRichEdit(TRichEditControl& editor)
{
    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    TPgRtfPreview::SaveRtfToStream(editor, stream);
    stream.seek(0);
    MergeStream(stream);
}

void TPgRtfMailMerge::MergeStream(QIODevice& stream) { MergeRtf(stream.readAll()); }

QByteArray TPgRtfMailMerge::Letter(const TMergeTemplate& compiled, int record)
{
    QStringList values;
    values.reserve(FTokens.size());
    for (int t = 0; t < FTokens.size(); ++t) {
        QString value;
        // Only tokens of the template are asked for; the others keep an empty place.
        if (compiled.UsesToken(t) && OnGetField)
            OnGetField(nullptr, record, FTokens[t], value);
        values << value;
    }
    if (!OnGetField)
        values.clear(); // tokens stay as written
    return compiled.Letter(values);
}

void TPgRtfMailMerge::MergeRtf(const QByteArray& rtf)
{
    if (!FPgRtfPreview || !FPgRtfPreview->Preview() || FMergeCount <= 0)
        return;
    const TMergeTemplate compiled(rtf, FTokens);
    TPgPreview& preview = *FPgRtfPreview->Preview();
    TWaitCursor busy;
    TUpdateBracket update(preview);
    // One receiving editor for the whole merge: the pages refer to the engine's private copy of
    // each letter, so the receiver is free again as soon as a letter is laid out.
    TRichEditControl receiver;
    receiver.SetTextLimit(0x7FFFFFFF);
    QElapsedTimer sincePainted;
    sincePainted.start();
    for (int record = 1; record <= FMergeCount; ++record) {
        const QByteArray letter = Letter(compiled, record);
        if (!receiver.LoadBytes(SF_RTF, letter))
            throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
        FPgRtfPreview->LoadFromRichEdit(receiver);
        if (record < FMergeCount)
            preview.NewPage();
        if (OnMergeProgress)
            OnMergeProgress(nullptr, record, FMergeCount);
        // Each letter's private editor posts events; queued unseen through the whole merge, every
        // new one is compared with all before it, and the merge slows with the square of its size.
        QCoreApplication::sendPostedEvents();
        // The windows repaint now and then through a long merge, not after every letter.
        if (sincePainted.elapsed() >= 100) {
            ProcessMessages();
            sincePainted.restart();
        }
    }
}

QByteArray TPgRtfMailMerge::MergeToRtfDocument(const QByteArray& rtf)
{
    const TMergeTemplate compiled(rtf, FTokens);
    if (compiled.BodyEnd() < 0)
        throw EConvertError(QStringLiteral("The template is not a complete RTF document"));
    const qsizetype head = compiled.BodyStart();
    const qsizetype tail = rtf.size() - compiled.BodyEnd();
    QByteArray document = rtf.left(head);
    const int count = std::max(FMergeCount, 1);
    for (int record = 1; record <= count; ++record) {
        const QByteArray letter = Letter(compiled, record);
        // Each letter in a group of its own, so no formatting of one runs into the next, and in a
        // section of its own, so that the headers and footers of its template show its own values.
        if (record > 1)
            document += "\\sect\r\n";
        document += '{';
        document += QByteArrayView(letter).sliced(head, letter.size() - head - tail);
        document += "}\r\n";
        if (OnMergeProgress)
            OnMergeProgress(nullptr, record, count);
    }
    document += rtf.mid(compiled.BodyEnd());
    return document;
}
