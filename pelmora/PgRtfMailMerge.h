#pragma once
// PgRtfMailMerge.h: the merge. The template's RTF is compiled once; each record's letter is the
// template with its values, escaped as RTF text, in the token slots, laid out into the preview
// starting on a page of its own.
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QIODevice;
class TPgRtfPreview;
class TRichEditControl;
class TRtCustomRichEdit;
class TMergeTemplate;

/// Asks for the value of token field in record mergeCount (1-based); text starts empty.
using TPgGetFieldTextEvent = std::function<void(QObject* sender, int mergeCount, const QString& field, QString& text)>;
/// Record progress of total has been laid out.
using TPgMailMergeProgress = std::function<void(QObject* sender, int progress, int total)>;

class TPgRtfMailMerge {
public:
    TPgRtfMailMerge();
    ~TPgRtfMailMerge();
    TPgRtfMailMerge(const TPgRtfMailMerge&) = delete;
    TPgRtfMailMerge& operator=(const TPgRtfMailMerge&) = delete;

    TPgRtfPreview* PgRtfPreview() const { return FPgRtfPreview; }
    void SetPgRtfPreview(TPgRtfPreview* preview) { FPgRtfPreview = preview; }
    int MergeCount() const { return FMergeCount; }
    void SetMergeCount(int count) { FMergeCount = count < 0 ? 0 : count; }
    const QStringList& Tokens() const { return FTokens; }
    void SetTokens(const QStringList& tokens) { FTokens = tokens; }

    TPgGetFieldTextEvent OnGetField;
    TPgMailMergeProgress OnMergeProgress;

    /// Merges the editor's whole content.
    void MergeRichEdit(TRtCustomRichEdit& editor);
    void MergeRichEdit(TRichEditControl& editor);
    /// Merges the RTF from the stream's position to its end into the preview, one letter per
    /// record, each starting on a new page. Tokens stay as they are when OnGetField is unbound.
    void MergeStream(QIODevice& stream);
    void MergeRtf(const QByteArray& rtf);

    /// Every record's letter as one RTF document, each letter after the first on a new page.
    /// Throws EConvertError when the template is not one balanced RTF group.
    QByteArray MergeToRtfDocument(const QByteArray& rtf);

    /// One record's letter (1-based), as laid out by the merge.
    QByteArray Letter(const TMergeTemplate& compiled, int record);

private:
    int FMergeCount = 1;
    QStringList FTokens;
    TPgRtfPreview* FPgRtfPreview = nullptr;
};
