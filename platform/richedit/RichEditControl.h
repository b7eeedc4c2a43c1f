#pragma once
// The rich edit control: a QTextEdit over the document model of RichTextFormat.h, with the typed
// operations behind the platform's messages and one message adapter, Perform().
#include "RichEditRecords.h"
#include "RichTextFormat.h"

#include <QTextCharFormat>
#include <QImage>
#include <QTextEdit>

#include <memory>

class QIODevice;
class QTextBlock;
class TLinkHighlighter;
class TFormatLayout;

// Receives the control's notifications (EN_CHANGE as a header with that code). The result matters for
// EN_PROTECTED (non-zero allows the change), EN_LINK (non-zero: the control ignores the mouse message)
// and EN_SAVECLIPBOARD (non-zero: the clipboard is emptied).
class IRichEditListener {
public:
    virtual ~IRichEditListener() = default;
    virtual LRESULT RichEditNotify(NMHDR& header) = 0;
};

class TRichEditControl : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEditControl(QWidget* parent = nullptr);
    ~TRichEditControl() override;

    // The message adapter: checks, unpacks and dispatches; never throws.
    LRESULT Perform(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    void SetListener(IRichEditListener* listener) { FListener = listener; }
    DWORD EventMask() const { return FEventMask; }
    DWORD SetEventMask(DWORD mask);

    // Characters and paragraphs. Scope: SCF_DEFAULT, SCF_SELECTION, SCF_WORD | SCF_SELECTION.
    CHARFORMAT2 CharFormat(WPARAM scope) const;
    [[nodiscard]] bool SetCharFormat(WPARAM scope, const CHARFORMAT2& format);
    PARAFORMAT2 ParaFormat() const;
    [[nodiscard]] bool SetParaFormat(const PARAFORMAT2& format);
    const QTextCharFormat& DefaultCharFormat() const { return FDefaultFormat; }

    // Text and selection, in the control's character positions.
    LONG TextLength() const;
    LONG TextLength(const GETTEXTLENGTHEX& how) const;
    CHARRANGE Selection() const;
    LONG SetSelection(CHARRANGE range);
    QString TextRange(LONG start, LONG end) const; // CR for paragraph breaks, VT for line breaks
    QString Text() const; // the same as TextRange(0, -1)
    void SetText(const QString& text); // replaces everything, not undoable
    // Replaces the selection, refused (false) when it touches protected text and the listener disallows.
    bool ReplaceSelection(const QString& text, bool undoable);
    LONG Find(WPARAM flags, CHARRANGE range, const QString& text, CHARRANGE* found) const;
    // Replaces every occurrence of text within range (FR_MATCHCASE, FR_WHOLEWORD) as one undoable
    // edit; occurrences in protected text the listener refuses stay. Returns how many were replaced
    // and leaves the last replacement selected.
    LONG ReplaceAll(WPARAM flags, CHARRANGE range, const QString& text, const QString& replacement);

    // Lines as the control shows them (wrapped lines when word wrap is on).
    LONG LineCount() const;
    LONG LineIndex(LONG line) const; // -1: the caret's line
    LONG LineFromChar(LONG position) const;
    LONG LineLength(LONG position) const;
    QString LineText(LONG line) const;
    QPoint PosFromChar(LONG position) const;

    // Streams. Format: SF_TEXT, SF_RTF, SF_RTFNOOBJS with SF_UNICODE, SFF_PLAINRTF, SFF_SELECTION.
    // Return the characters (in) or bytes (out) transferred; a failure sets stream.dwError.
    LONG StreamIn(WPARAM format, EDITSTREAM& stream);
    LONG StreamOut(WPARAM format, EDITSTREAM& stream);
    // Convenience over the same paths, for callers holding bytes; false when the format failed.
    [[nodiscard]] bool LoadBytes(WPARAM format, const QByteArray& bytes);
    QByteArray SaveBytes(WPARAM format);

    // Lays out [chrg.cpMin, chrg.cpMax) against hdcTarget's resolution into rc (twips) and, when asked,
    // draws it onto hdc. Returns the first character that did not fit and writes the height used back
    // into rc.bottom. The layout is kept for the following calls until ClearFormatCache().
    LONG FormatRange(FORMATRANGE& range, bool render);
    void ClearFormatCache();
    // The view's zoom as a fraction; 0/0 is 100 %.
    [[nodiscard]] bool SetZoom(int numerator, int denominator);
    std::pair<int, int> Zoom() const { return { FZoomNumerator, FZoomDenominator }; }

    // Options.
    LONG TextLimit() const { return FTextLimit; }
    void SetTextLimit(LONG limit);
    int UndoLimit() const { return FUndoLimit; }
    int SetUndoLimit(int limit);
    WPARAM TextMode() const { return FTextMode; }
    [[nodiscard]] bool SetTextMode(WPARAM mode);
    bool AutoUrlDetect() const { return FAutoUrlDetect; }
    void SetAutoUrlDetect(bool on);
    DWORD Options() const { return FOptions; }
    DWORD SetOptions(WPARAM operation, DWORD options);
    DWORD TypographyOptions() const { return FTypography; }
    DWORD LangOptions() const { return FLangOptions; }
    COLORREF SetBackgroundColor(bool useSystem, COLORREF color);
    void SetHideSelection(bool hide);
    bool IsPlainTextMode() const { return FTextMode & TM_PLAINTEXT; }

    // Editing commands.
    bool CanPaste() const;
    void Cut();
    void Copy() const;
    void Paste();
    void Clear(); // deletes the selection
    void Undo() { undo(); }
    void Redo() { redo(); }

    // Inserts a picture as one object character in place of the selection (undoable).
    bool InsertPicture(const RichText::TPicture& picture);

    // The link (detected or from a hyperlink field) that covers a position, or {-1, -1}.
    CHARRANGE LinkAt(LONG position) const;
    // The last operation caught an exception in Perform().
    bool Failed() const { return FFailed; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Notify(UINT code, NMHDR& header);
    void NotifyChange();
    void NotifySelectionChange();
    // Asks the listener before an edit of [start, end) that touches protected text.
    bool MayEdit(LONG start, LONG end, UINT message) const;
    bool MayEditSelection(UINT message) const;
    bool TouchesProtected(LONG start, LONG end) const;
    bool SendLinkNotification(QMouseEvent* event, UINT message);
    void StepNumbering();
    void KeepTypingOutOfFieldEnd();
    void InsertWithinLimit(QTextCursor& cursor, const QString& documentText);
    void RebuildLists(const QTextBlock& first, const QTextBlock& last);
    QTextCursor CursorOver(LONG start, LONG end) const;
    void ClampRange(LONG& start, LONG& end) const;
    void ApplyDefaultFont();
    void UpdateSelectionPalette();
    void ReadInto(QTextCursor& cursor, WPARAM format, const QByteArray& bytes);
    void SyncLineCounts(const QTextBlock& upTo) const;
    QString WithMarkersAndCoveredCells(const QString& text, LONG start, LONG end) const;

    IRichEditListener* FListener = nullptr;
    DWORD FEventMask = 0;
    QTextCharFormat FDefaultFormat;
    LONG FTextLimit = 0xFFFFFF;
    int FUndoLimit = 100;
    WPARAM FTextMode = TM_RICHTEXT | TM_MULTILEVELUNDO;
    bool FAutoUrlDetect = false;
    DWORD FOptions = ECO_AUTOWORDSELECTION | ECO_AUTOVSCROLL | ECO_SAVESEL;
    DWORD FTypography = 0;
    DWORD FLangOptions = IMF_AUTOFONT;
    bool FHideSelection = true;
    bool FFailed = false;
    int FNotifySuspended = 0;
    CHARRANGE FLastSelection { -1, -1 };
    CHARRANGE FPressedLink { -1, -1 };
    std::unique_ptr<TLinkHighlighter> FLinks;
    std::unique_ptr<TFormatLayout> FFormat;
    int FContentRevision = 0;
    // What the paragraphs' line counts were taken under; they hold before FLinesValidEnd.
    struct TLineCountKey {
        QSizeF PageSize;
        qreal TextWidth = -1;
        QFont Font;
        int ZoomNumerator = -1;
        int ZoomDenominator = -1;
        bool operator==(const TLineCountKey&) const = default;
    };
    mutable TLineCountKey FLineCountKey;
    mutable int FLinesValidEnd = 0;
    int FZoomNumerator = 0;
    int FZoomDenominator = 0;
    QImage FZoomDevice;
    QPaintDevice* FViewDevice = nullptr; // the view's own, while zoomed
    friend class TSuspendNotifications;
};
