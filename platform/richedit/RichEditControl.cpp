#include "RichEditControl.h"

#include "DeviceContext.h"
#include "FormatLayout.h"
#include "LinkDetector.h"
#include "ParagraphDecoration.h"
#include "PictureObject.h"
#include "RichTextFormat.h"
#include "RtfCodePages.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextTable>

#include <cmath>
#include <cstring>

using namespace RichText;

namespace {

constexpr auto RtfMime = "text/rtf";
constexpr auto RtfMimeAlternative = "application/rtf";
constexpr auto OwnerMime = "application/x-tamsel-richedit-owner";
constexpr auto EmfMime = "image/x-emf";
// Enhanced metafiles as other programs on this platform put them on the clipboard.
constexpr const char* EmfMimeAlternatives[] = { "image/emf", "application/x-openoffice-emf;windows_formatname=\"Image EMF\"" };

QByteArray EmfFrom(const QMimeData& source)
{
    if (source.hasFormat(EmfMime))
        return source.data(EmfMime);
    for (const char* name : EmfMimeAlternatives) {
        if (source.hasFormat(QString::fromLatin1(name)))
            return source.data(QString::fromLatin1(name));
    }
    return {};
}

// Bytes a stream may bring in before the transfer is refused, whatever the text limit.
constexpr qint64 MaxStreamBytes = qint64(1) << 30;

bool IsWordCharacter(QChar c) { return c.isLetterOrNumber() || c == u'_'; }

// Half a surrogate pair (damaged UTF-16) becomes U+FFFD, as it is shown; kept, the next save would
// write "?" in its place and the text saved would not be the text read.
void ReplaceLoneSurrogates(QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

BYTE UnderlineTypeOf(const QTextCharFormat& format)
{
    if (format.hasProperty(UnderlineType))
        return BYTE(format.intProperty(UnderlineType));
    if (format.underlineStyle() == QTextCharFormat::NoUnderline && format.fontUnderline())
        return CFU_UNDERLINE;
    return BYTE(UnderlineTypeFromQt(format.underlineStyle()));
}

void SetUnderlineType(QTextCharFormat& format, BYTE type)
{
    format.setProperty(UnderlineType, int(type));
    format.setUnderlineStyle(QtUnderlineFromType(type));
}

int WeightOf(const QTextCharFormat& format)
{
    return format.hasProperty(QTextFormat::FontWeight) ? format.fontWeight() : QFont::Normal;
}

QString FamilyOf(const QTextCharFormat& format)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty())
        return families.first();
    return format.property(QTextFormat::FontFamily).toString();
}

bool IsAutomatic(const QBrush& brush) { return brush.style() == Qt::NoBrush; }

// Every field of the record from a format resolved over the default format.
CHARFORMAT2 RecordFromFormat(const QTextCharFormat& format)
{
    CHARFORMAT2 record;
    record.dwMask = CFM_ALL | CFM_BACKCOLOR | CFM_WEIGHT | CFM_UNDERLINETYPE | CFM_SUBSCRIPT | CFM_LCID | CFM_SPACING
        | CFM_KERNING | CFM_STYLE;
    const int weight = WeightOf(format);
    if (weight >= QFont::DemiBold)
        record.dwEffects |= CFE_BOLD;
    if (format.fontItalic())
        record.dwEffects |= CFE_ITALIC;
    const BYTE underline = UnderlineTypeOf(format);
    if (underline != CFU_UNDERLINENONE)
        record.dwEffects |= CFE_UNDERLINE;
    if (format.fontStrikeOut())
        record.dwEffects |= CFE_STRIKEOUT;
    if (format.boolProperty(Protected))
        record.dwEffects |= CFE_PROTECTED;
    if (format.isAnchor())
        record.dwEffects |= CFE_LINK;
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        record.dwEffects |= CFE_SUBSCRIPT;
    else if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        record.dwEffects |= CFE_SUPERSCRIPT;
    if (IsAutomatic(format.foreground()))
        record.dwEffects |= CFE_AUTOCOLOR;
    else
        record.crTextColor = ColorRefFromQColor(format.foreground().color());
    if (IsAutomatic(format.background()))
        record.dwEffects |= CFE_AUTOBACKCOLOR;
    else
        record.crBackColor = ColorRefFromQColor(format.background().color());
    record.yHeight = format.hasProperty(QTextFormat::FontPointSize)
        ? LONG(std::nearbyint(format.fontPointSize() * 20))
        : 200;
    record.yOffset = format.intProperty(OffsetTwips);
    record.bCharSet = format.hasProperty(Charset) ? BYTE(format.intProperty(Charset)) : DEFAULT_CHARSET;
    record.bPitchAndFamily = BYTE(format.intProperty(PitchAndFamily));
    const QByteArray face = FamilyOf(format).toUtf8().left(LF_FACESIZE - 1);
    std::memcpy(record.szFaceName, face.constData(), size_t(face.size()));
    record.wWeight = WORD(weight);
    record.bUnderlineType = underline;
    return record;
}

// Clears the mask bits of the fields in which two records differ.
void IntersectRecords(CHARFORMAT2& into, const CHARFORMAT2& other)
{
    struct EffectMask {
        DWORD mask;
        DWORD effects;
    };
    static constexpr EffectMask effects[] = {
        { CFM_BOLD, CFE_BOLD },
        { CFM_ITALIC, CFE_ITALIC },
        { CFM_UNDERLINE, CFE_UNDERLINE },
        { CFM_STRIKEOUT, CFE_STRIKEOUT },
        { CFM_PROTECTED, CFE_PROTECTED },
        { CFM_LINK, CFE_LINK },
        { CFM_SUBSCRIPT, CFE_SUBSCRIPT | CFE_SUPERSCRIPT },
    };
    for (const auto& [mask, bits] : effects) {
        if ((into.dwEffects & bits) != (other.dwEffects & bits))
            into.dwMask &= ~mask;
    }
    if ((into.dwEffects & CFE_AUTOCOLOR) != (other.dwEffects & CFE_AUTOCOLOR) || into.crTextColor != other.crTextColor)
        into.dwMask &= ~CFM_COLOR;
    if ((into.dwEffects & CFE_AUTOBACKCOLOR) != (other.dwEffects & CFE_AUTOBACKCOLOR)
        || into.crBackColor != other.crBackColor)
        into.dwMask &= ~CFM_BACKCOLOR;
    if (into.yHeight != other.yHeight)
        into.dwMask &= ~CFM_SIZE;
    if (into.yOffset != other.yOffset)
        into.dwMask &= ~CFM_OFFSET;
    if (into.bCharSet != other.bCharSet)
        into.dwMask &= ~CFM_CHARSET;
    if (std::strncmp(into.szFaceName, other.szFaceName, LF_FACESIZE) != 0 || into.bPitchAndFamily != other.bPitchAndFamily)
        into.dwMask &= ~CFM_FACE;
    if (into.wWeight != other.wWeight)
        into.dwMask &= ~CFM_WEIGHT;
    if (into.bUnderlineType != other.bUnderlineType)
        into.dwMask &= ~CFM_UNDERLINETYPE;
}

// The properties a record's mask asks to change.
QTextCharFormat FormatFromRecord(const CHARFORMAT2& record, bool extended)
{
    QTextCharFormat format;
    const DWORD mask = record.dwMask;
    if (mask & CFM_FACE) {
        const QString face = QString::fromUtf8(record.szFaceName, int(strnlen(record.szFaceName, LF_FACESIZE)));
        if (!face.isEmpty()) {
            format.setFontFamilies(QStringList { face });
            format.setProperty(QTextFormat::FontFamily, face);
        }
        format.setProperty(PitchAndFamily, int(record.bPitchAndFamily));
    }
    if ((mask & CFM_SIZE) && record.yHeight > 0)
        format.setFontPointSize(record.yHeight / 20.0);
    if (mask & CFM_BOLD)
        format.setFontWeight(record.dwEffects & CFE_BOLD ? QFont::Bold : QFont::Normal);
    if (extended && (mask & CFM_WEIGHT) && record.wWeight >= 1 && record.wWeight <= 1000)
        format.setFontWeight(record.wWeight);
    if (mask & CFM_ITALIC)
        format.setFontItalic(record.dwEffects & CFE_ITALIC);
    if (mask & CFM_STRIKEOUT)
        format.setFontStrikeOut(record.dwEffects & CFE_STRIKEOUT);
    if (mask & CFM_UNDERLINE)
        SetUnderlineType(format, record.dwEffects & CFE_UNDERLINE ? CFU_UNDERLINE : CFU_UNDERLINENONE);
    if (extended && (mask & CFM_UNDERLINETYPE))
        SetUnderlineType(format, record.bUnderlineType);
    if (mask & CFM_COLOR) {
        if (record.dwEffects & CFE_AUTOCOLOR)
            format.setForeground(QBrush());
        else
            format.setForeground(QColorFromColorRef(record.crTextColor));
    }
    if (extended && (mask & CFM_BACKCOLOR)) {
        if (record.dwEffects & CFE_AUTOBACKCOLOR)
            format.setBackground(QBrush());
        else
            format.setBackground(QColorFromColorRef(record.crBackColor));
    }
    if (mask & CFM_CHARSET)
        format.setProperty(Charset, int(record.bCharSet));
    if (mask & CFM_OFFSET)
        format.setProperty(OffsetTwips, int(record.yOffset));
    if (mask & CFM_PROTECTED)
        format.setProperty(Protected, bool(record.dwEffects & CFE_PROTECTED));
    if (extended && (mask & CFM_SUBSCRIPT)) {
        if (record.dwEffects & CFE_SUBSCRIPT)
            format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
        else if (record.dwEffects & CFE_SUPERSCRIPT)
            format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
        else
            format.setVerticalAlignment(QTextCharFormat::AlignNormal);
    }
    if (mask & CFM_LINK)
        format.setAnchor(record.dwEffects & CFE_LINK);
    return format;
}

WORD AlignmentFromQt(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return PFA_RIGHT;
    if (alignment & Qt::AlignHCenter)
        return PFA_CENTER;
    if (alignment & Qt::AlignJustify)
        return PFA_JUSTIFY;
    return PFA_LEFT;
}

Qt::Alignment QtFromAlignment(WORD alignment)
{
    switch (alignment) {
    case PFA_RIGHT:
        return Qt::AlignRight;
    case PFA_CENTER:
        return Qt::AlignHCenter;
    case PFA_JUSTIFY:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

PARAFORMAT2 RecordFromBlock(const QTextBlockFormat& format)
{
    PARAFORMAT2 record;
    record.dwMask = PFM_ALL2;
    record.wAlignment = AlignmentFromQt(format.alignment());
    record.dxStartIndent = format.intProperty(StartIndent);
    record.dxOffset = format.intProperty(Offset);
    record.dxRightIndent = format.intProperty(RightIndent);
    record.dySpaceBefore = format.intProperty(SpaceBefore);
    record.dySpaceAfter = format.intProperty(SpaceAfter);
    record.dyLineSpacing = format.intProperty(LineSpacing);
    record.bLineSpacingRule = BYTE(format.intProperty(LineSpacingRule));
    record.wNumbering = WORD(format.intProperty(Numbering));
    record.wNumberingStyle = WORD(format.intProperty(NumberingStyle));
    record.wNumberingStart = WORD(format.hasProperty(NumberingStart) ? format.intProperty(NumberingStart) : 1);
    record.wNumberingTab = WORD(format.intProperty(NumberingTab));
    const auto tabs = format.property(TabStops).value<QList<int>>();
    record.cTabCount = SHORT(std::min<qsizetype>(tabs.size(), MAX_TAB_STOPS));
    for (int i = 0; i < record.cTabCount; ++i)
        record.rgxTabs[i] = tabs[i];
    return record;
}

void IntersectRecords(PARAFORMAT2& into, const PARAFORMAT2& other)
{
    auto differ = [&](auto PARAFORMAT2::*field, DWORD mask) {
        if (into.*field != other.*field)
            into.dwMask &= ~mask;
    };
    differ(&PARAFORMAT2::wAlignment, PFM_ALIGNMENT);
    differ(&PARAFORMAT2::dxStartIndent, PFM_STARTINDENT);
    differ(&PARAFORMAT2::dxOffset, PFM_OFFSET);
    differ(&PARAFORMAT2::dxRightIndent, PFM_RIGHTINDENT);
    differ(&PARAFORMAT2::dySpaceBefore, PFM_SPACEBEFORE);
    differ(&PARAFORMAT2::dySpaceAfter, PFM_SPACEAFTER);
    differ(&PARAFORMAT2::dyLineSpacing, PFM_LINESPACING);
    differ(&PARAFORMAT2::bLineSpacingRule, PFM_LINESPACING);
    differ(&PARAFORMAT2::wNumbering, PFM_NUMBERING);
    differ(&PARAFORMAT2::wNumberingStyle, PFM_NUMBERINGSTYLE);
    differ(&PARAFORMAT2::wNumberingStart, PFM_NUMBERINGSTART);
    differ(&PARAFORMAT2::wNumberingTab, PFM_NUMBERINGTAB);
    if (into.cTabCount != other.cTabCount
        || std::memcmp(into.rgxTabs, other.rgxTabs, sizeof(LONG) * size_t(std::max<SHORT>(0, into.cTabCount))) != 0)
        into.dwMask &= ~PFM_TABSTOPS;
}

// Applies the masked fields of a record to one paragraph's format.
void MergeParagraph(QTextBlockFormat& format, const PARAFORMAT2& record, bool extended)
{
    const DWORD mask = record.dwMask;
    if (mask & PFM_ALIGNMENT)
        format.setAlignment(QtFromAlignment(record.wAlignment));
    if (mask & PFM_STARTINDENT)
        format.setProperty(StartIndent, int(record.dxStartIndent));
    else if (mask & PFM_OFFSETINDENT)
        format.setProperty(StartIndent, format.intProperty(StartIndent) + int(record.dxStartIndent));
    if (mask & PFM_OFFSET)
        format.setProperty(Offset, int(record.dxOffset));
    if (mask & PFM_RIGHTINDENT)
        format.setProperty(RightIndent, int(record.dxRightIndent));
    if (mask & PFM_NUMBERING)
        format.setProperty(Numbering, int(record.wNumbering <= PFN_UCROMAN ? record.wNumbering : PFN_BULLET));
    if (mask & PFM_TABSTOPS) {
        QList<int> tabs;
        for (int i = 0; i < std::clamp<int>(record.cTabCount, 0, MAX_TAB_STOPS); ++i)
            tabs.append(record.rgxTabs[i] & 0xFFFFFF);
        format.setProperty(TabStops, QVariant::fromValue(tabs));
    }
    if (!extended)
        return;
    if (mask & PFM_SPACEBEFORE)
        format.setProperty(SpaceBefore, int(std::max<LONG>(0, record.dySpaceBefore)));
    if (mask & PFM_SPACEAFTER)
        format.setProperty(SpaceAfter, int(std::max<LONG>(0, record.dySpaceAfter)));
    if (mask & PFM_LINESPACING) {
        format.setProperty(LineSpacing, int(record.dyLineSpacing));
        format.setProperty(LineSpacingRule, int(std::min<BYTE>(record.bLineSpacingRule, 5)));
    }
    if (mask & PFM_NUMBERINGSTYLE)
        format.setProperty(NumberingStyle, int(record.wNumberingStyle));
    if (mask & PFM_NUMBERINGSTART)
        format.setProperty(NumberingStart, int(record.wNumberingStart));
    if (mask & PFM_NUMBERINGTAB)
        format.setProperty(NumberingTab, int(record.wNumberingTab));
}

} // namespace

// Holds back change and selection notifications while the control rebuilds its text.
// A document laid out at once after a change of all its text costs a full layout before the first
// page shows; with no page size the layout waits, and a page size set again starts the layout the
// view does a piece at a time, the visible part first.
class TDeferredLayout {
public:
    explicit TDeferredLayout(QTextDocument& document)
        : FDocument(document)
        , FPageSize(document.pageSize())
    {
        FDocument.setPageSize(QSizeF(0, 0));
    }
    ~TDeferredLayout() { FDocument.setPageSize(FPageSize); }
    TDeferredLayout(const TDeferredLayout&) = delete;
    TDeferredLayout& operator=(const TDeferredLayout&) = delete;

private:
    QTextDocument& FDocument;
    QSizeF FPageSize;
};

class TSuspendNotifications {
public:
    explicit TSuspendNotifications(TRichEditControl& control)
        : FControl(control)
    {
        ++FControl.FNotifySuspended;
    }
    ~TSuspendNotifications() { --FControl.FNotifySuspended; }
    TSuspendNotifications(const TSuspendNotifications&) = delete;
    TSuspendNotifications& operator=(const TSuspendNotifications&) = delete;

private:
    TRichEditControl& FControl;
};

TRichEditControl::TRichEditControl(QWidget* parent)
    : QTextEdit(parent)
{
    // Pages drawn at printer resolution have glyphs of a hundred pixels and more; the raster engine
    // draws those from its glyph cache only when told, else as outlines at many times the cost.
    static const bool glyphCacheSet = [] {
        if (!qEnvironmentVariableIsSet("QT_MAX_CACHED_GLYPH_SIZE"))
            qputenv("QT_MAX_CACHED_GLYPH_SIZE", "320");
        return true;
    }();
    Q_UNUSED(glyphCacheSet);
    setAcceptRichText(true);
    setUndoRedoEnabled(true);
    document()->setUndoRedoEnabled(true);
    connect(document(), &QTextDocument::contentsChanged, this, &TRichEditControl::NotifyChange);
    connect(document(), &QTextDocument::contentsChange, this, [this](int position) {
        ++FContentRevision;
        // Paragraphs from the changed one on may have other line counts now.
        FLinesValidEnd = std::min(FLinesValidEnd, document()->findBlock(position).position());
    });
    connect(this, &QTextEdit::cursorPositionChanged, this, &TRichEditControl::NotifySelectionChange);
    connect(this, &QTextEdit::selectionChanged, this, &TRichEditControl::NotifySelectionChange);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this, [this](const QSizeF& size) {
        if (!(FEventMask & ENM_REQUESTRESIZE) || FNotifySuspended)
            return;
        REQRESIZE request;
        request.rc = { 0, 0, LONG(width()), LONG(std::ceil(size.height())) };
        Notify(EN_REQUESTRESIZE, request.nmhdr);
    });
    TPictureObjectHandler::RegisterWith(*document());
    FDefaultFormat.setFontPointSize(10);
    FDefaultFormat.setProperty(Charset, int(DEFAULT_CHARSET));
    ApplyDefaultFont();
    SetAutoUrlDetect(false);
}

TRichEditControl::~TRichEditControl()
{
    // Tearing the view down moves the cursor and empties the document; nobody is told of that.
    disconnect(document(), nullptr, this, nullptr);
    disconnect(document()->documentLayout(), nullptr, this, nullptr);
    disconnect(this, nullptr, this, nullptr);
    ++FNotifySuspended;
    QClipboard* clipboard = QApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data && data->data(OwnerMime) == QByteArray::number(quintptr(this))) {
        ENSAVECLIPBOARD save;
        save.cch = LONG(data->text().size());
        if (Notify(EN_SAVECLIPBOARD, save.nmhdr) != 0)
            clipboard->clear();
    }
    FListener = nullptr;
}

DWORD TRichEditControl::SetEventMask(DWORD mask)
{
    return std::exchange(FEventMask, mask);
}

LRESULT TRichEditControl::Notify(UINT code, NMHDR& header)
{
    if (!FListener)
        return 0;
    header.hwndFrom = this;
    header.code = code;
    return FListener->RichEditNotify(header);
}

void TRichEditControl::NotifyChange()
{
    if (FNotifySuspended || !(FEventMask & ENM_CHANGE))
        return;
    NMHDR header;
    Notify(EN_CHANGE, header);
}

void TRichEditControl::NotifySelectionChange()
{
    if (FNotifySuspended)
        return;
    const CHARRANGE range = Selection();
    if (range.cpMin == FLastSelection.cpMin && range.cpMax == FLastSelection.cpMax)
        return;
    FLastSelection = range;
    if (!(FEventMask & ENM_SELCHANGE))
        return;
    SELCHANGE change;
    change.chrg = range;
    change.seltype = range.cpMin == range.cpMax ? SEL_EMPTY : WORD(SEL_TEXT | (range.cpMax - range.cpMin > 1 ? SEL_MULTICHAR : 0));
    Notify(EN_SELCHANGE, change.nmhdr);
}

// ---- characters ----

CHARFORMAT2 TRichEditControl::CharFormat(WPARAM scope) const
{
    auto resolved = [this](const QTextCharFormat& own) {
        QTextCharFormat format = FDefaultFormat;
        format.merge(own);
        return RecordFromFormat(format);
    };
    if (scope == SCF_DEFAULT)
        return RecordFromFormat(FDefaultFormat);
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return resolved(currentCharFormat());

    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    bool first = true;
    CHARFORMAT2 record;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            const CHARFORMAT2 next = resolved(fragment.charFormat());
            if (first) {
                record = next;
                first = false;
            } else {
                IntersectRecords(record, next);
            }
        }
    }
    return first ? resolved(cursor.charFormat()) : record;
}

bool TRichEditControl::SetCharFormat(WPARAM scope, const CHARFORMAT2& record)
{
    const bool extended = record.cbSize >= sizeof(CHARFORMAT2);
    const QTextCharFormat change = FormatFromRecord(record, extended);
    if (scope == SCF_DEFAULT) {
        FDefaultFormat.merge(change);
        ApplyDefaultFont();
        return true;
    }
    QTextCursor cursor = textCursor();
    if (IsPlainTextMode()) {
        // Plain text has one format for all of its characters.
        FDefaultFormat.merge(change);
        ApplyDefaultFont();
        cursor.select(QTextCursor::Document);
        cursor.mergeCharFormat(change);
        mergeCurrentCharFormat(change);
        return true;
    }
    if (!cursor.hasSelection() && (scope & SCF_WORD)) {
        QTextCursor word = cursor;
        word.select(QTextCursor::WordUnderCursor);
        if (word.hasSelection() && word.selectedText().trimmed().size() == word.selectedText().size())
            cursor = word;
    }
    const bool onlyProtection = (record.dwMask & ~CFM_PROTECTED) == 0;
    if (cursor.hasSelection()) {
        if (!onlyProtection && !MayEdit(cursor.selectionStart(), cursor.selectionEnd(), EM_SETCHARFORMAT))
            return false;
        cursor.mergeCharFormat(change);
    } else {
        mergeCurrentCharFormat(change);
    }
    return true;
}

void TRichEditControl::ApplyDefaultFont()
{
    QFont font = document()->defaultFont();
    const QString family = FamilyOf(FDefaultFormat);
    if (!family.isEmpty())
        font.setFamilies({ family });
    if (FDefaultFormat.hasProperty(QTextFormat::FontPointSize))
        font.setPointSizeF(FDefaultFormat.fontPointSize());
    font.setWeight(QFont::Weight(WeightOf(FDefaultFormat)));
    font.setItalic(FDefaultFormat.fontItalic());
    font.setUnderline(UnderlineTypeOf(FDefaultFormat) != CFU_UNDERLINENONE);
    font.setStrikeOut(FDefaultFormat.fontStrikeOut());
    document()->setDefaultFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::Text,
        IsAutomatic(FDefaultFormat.foreground()) ? QColorFromColorRef(clWindowText) : FDefaultFormat.foreground().color());
    setPalette(colours);
}

// ---- paragraphs ----

PARAFORMAT2 TRichEditControl::ParaFormat() const
{
    const QTextCursor cursor = textCursor();
    QTextBlock block = document()->findBlock(cursor.selectionStart());
    const QTextBlock last = document()->findBlock(cursor.selectionEnd());
    PARAFORMAT2 record = RecordFromBlock(block.blockFormat());
    while (block.isValid() && block != last) {
        block = block.next();
        IntersectRecords(record, RecordFromBlock(block.blockFormat()));
    }
    return record;
}

bool TRichEditControl::SetParaFormat(const PARAFORMAT2& record)
{
    const bool extended = record.cbSize >= sizeof(PARAFORMAT2);
    QTextCursor selection = textCursor();
    int start = selection.selectionStart();
    int end = selection.selectionEnd();
    if (IsPlainTextMode()) {
        start = 0;
        end = TextLength();
    }
    QTextBlock first = document()->findBlock(start);
    QTextBlock last = document()->findBlock(end);
    if (!MayEdit(first.position(), last.position() + last.length() - 1, EM_SETPARAFORMAT))
        return false;

    QTextCursor editor(document());
    editor.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        MergeParagraph(format, record, extended);
        ApplyDisplayProperties(format);
        editor.setPosition(block.position());
        editor.setBlockFormat(format);
        if (block == last)
            break;
    }
    if (record.dwMask & (PFM_NUMBERING | PFM_NUMBERINGSTYLE))
        RebuildLists(document()->findBlock(start), document()->findBlock(end));
    editor.endEditBlock();
    return true;
}

// Gives the numbered paragraphs around a change the list that displays their markers: each run of
// neighbouring paragraphs with the same numbering is one list.
void TRichEditControl::RebuildLists(const QTextBlock& firstChanged, const QTextBlock& lastChanged)
{
    QTextBlock first = firstChanged.previous().isValid() ? firstChanged.previous() : firstChanged;
    while (first.textList() && first.previous().isValid() && first.previous().textList() == first.textList())
        first = first.previous();
    QTextBlock last = lastChanged.next().isValid() ? lastChanged.next() : lastChanged;
    while (last.textList() && last.next().isValid() && last.next().textList() == last.textList())
        last = last.next();

    const int endPosition = last.position();
    for (QTextBlock block = first; block.isValid() && block.position() <= endPosition; block = block.next()) {
        if (QTextList* list = block.textList())
            list->remove(block);
    }
    QTextList* current = nullptr;
    int currentNumbering = 0;
    int currentStyle = 0;
    int currentStart = 1;
    QString currentBullet;
    for (QTextBlock block = first; block.isValid() && block.position() <= endPosition; block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        const int numbering = format.intProperty(Numbering);
        const int style = format.intProperty(NumberingStyle);
        const int start = format.hasProperty(NumberingStart) ? format.intProperty(NumberingStart) : 1;
        const QString bullet = format.stringProperty(NumberingBullet);
        if (numbering == 0) {
            current = nullptr;
        } else if (current && numbering == currentNumbering && style == currentStyle && start == currentStart
            && bullet == currentBullet) {
            current->add(block);
        } else {
            QTextCursor cursor(block);
            current = cursor.createList(ListFormatFor(numbering, style, start, bullet));
            currentNumbering = numbering;
            currentStyle = style;
            currentStart = start;
            currentBullet = bullet;
        }
        // Leaving a list resets the display margins the list was given.
        QTextBlockFormat display = block.blockFormat();
        ApplyDisplayProperties(display);
        QTextCursor cursor(block);
        cursor.setBlockFormat(display);
    }
}

void TRichEditControl::StepNumbering()
{
    const PARAFORMAT2 current = ParaFormat();
    PARAFORMAT2 next;
    next.dwMask = PFM_NUMBERING | PFM_NUMBERINGSTYLE;
    next.wNumbering = WORD((current.wNumbering + 1) % (PFN_UCROMAN + 1));
    next.wNumberingStyle = PFNS_PERIOD;
    if (next.wNumbering != 0 && current.dxOffset == 0) {
        next.dwMask |= PFM_OFFSET;
        next.dxOffset = 360;
    }
    (void)SetParaFormat(next);
}

// ---- text ----

LONG TRichEditControl::TextLength() const
{
    return LONG(document()->characterCount() - 1);
}

LONG TRichEditControl::TextLength(const GETTEXTLENGTHEX& how) const
{
    if (how.flags & GTL_NUMBYTES) {
        const QString text = TextRange(0, -1);
        if (how.codepage == CP_UNICODE)
            return LONG(text.size() * 2 + ((how.flags & GTL_USECRLF) ? (document()->blockCount() - 1) * 2 : 0));
        const qsizetype bytes = text.toUtf8().size();
        return LONG(bytes + ((how.flags & GTL_USECRLF) ? document()->blockCount() - 1 : 0));
    }
    LONG length = TextLength();
    if (how.flags & GTL_USECRLF)
        length += LONG(document()->blockCount() - 1);
    return length;
}

CHARRANGE TRichEditControl::Selection() const
{
    const QTextCursor cursor = textCursor();
    return { LONG(cursor.selectionStart()), LONG(cursor.selectionEnd()) };
}

LONG TRichEditControl::SetSelection(CHARRANGE range)
{
    const LONG length = TextLength();
    QTextCursor cursor = textCursor();
    if (range.cpMin == 0 && range.cpMax == -1) {
        cursor.setPosition(0);
        cursor.setPosition(length, QTextCursor::KeepAnchor);
    } else if (range.cpMin < 0) {
        cursor.clearSelection();
    } else {
        const LONG anchor = std::clamp<LONG>(range.cpMin, 0, length);
        const LONG position = range.cpMax < 0 ? length : std::clamp<LONG>(range.cpMax, 0, length);
        cursor.setPosition(anchor);
        cursor.setPosition(position, QTextCursor::KeepAnchor);
    }
    setTextCursor(cursor);
    NotifySelectionChange();
    return LONG(cursor.selectionEnd());
}

void TRichEditControl::ClampRange(LONG& start, LONG& end) const
{
    const LONG length = TextLength();
    start = std::clamp<LONG>(start, 0, length);
    end = end < 0 ? length : std::clamp<LONG>(end, 0, length);
    if (end < start)
        std::swap(start, end);
}

QTextCursor TRichEditControl::CursorOver(LONG start, LONG end) const
{
    ClampRange(start, end);
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    return cursor;
}

QString TRichEditControl::TextRange(LONG start, LONG end) const
{
    // Not a cursor's selection: a selection that touches a table grows to whole cells.
    ClampRange(start, end);
    return ControlTextOfRange(*document(), int(start), int(end));
}

QString TRichEditControl::Text() const
{
    // The whole text is read after every keystroke; copying the document's buffer is several times
    // cheaper than a selection over all of it. A document with tables goes the general way: their
    // cell marks read as tabs and line ends.
    QString text = document()->toRawText();
    if (text.size() != TextLength() || !document()->rootFrame()->childFrames().isEmpty())
        return TextRange(0, -1);
    return ControlTextFromDocumentText(std::move(text));
}

void TRichEditControl::SetText(const QString& text)
{
    {
        TSuspendNotifications suspend(*this);
        document()->setUndoRedoEnabled(false);
        document()->clear();
        SetPageSetup(*document(), NoPageSetup());
        SetKeptGroups(*document(), {});
        QTextCursor cursor(document());
        InsertWithinLimit(cursor, DocumentTextFromControlText(text));
        document()->setUndoRedoEnabled(FUndoLimit > 0);
        document()->setModified(false);
        setTextCursor(QTextCursor(document()));
    }
    NotifyChange();
    NotifySelectionChange();
}

void TRichEditControl::InsertWithinLimit(QTextCursor& cursor, const QString& documentText)
{
    const qsizetype room = qsizetype(FTextLimit) - (TextLength() - (cursor.selectionEnd() - cursor.selectionStart()));
    if (room <= 0) {
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        return;
    }
    cursor.insertText(documentText.size() > room ? documentText.left(room) : documentText);
}

bool TRichEditControl::ReplaceSelection(const QString& text, bool undoable)
{
    if (!MayEditSelection(EM_REPLACESEL))
        return false;
    QTextCursor cursor = textCursor();
    const QString documentText = IsPlainTextMode() ? DocumentTextFromControlText(text).replace(ObjectCharacter, QString())
                                                   : DocumentTextFromControlText(text);
    const bool undoWasOn = document()->isUndoRedoEnabled();
    // An edit that cannot be undone leaves nothing older to undo either: the history would not fit the text.
    if (!undoable)
        document()->setUndoRedoEnabled(false);
    cursor.beginEditBlock();
    InsertWithinLimit(cursor, documentText);
    cursor.endEditBlock();
    if (!undoable)
        document()->setUndoRedoEnabled(undoWasOn);
    setTextCursor(cursor);
    return true;
}

LONG TRichEditControl::ReplaceAll(WPARAM flags, CHARRANGE range, const QString& text, const QString& replacement)
{
    // All matches are found before anything changes, so a replacement holding the searched text is
    // never found again, and they are replaced from the last back, so the earlier positions hold.
    std::vector<CHARRANGE> matches;
    CHARRANGE found { -1, -1 };
    LONG from = range.cpMin;
    while (Find(flags | FR_DOWN, { from, range.cpMax }, text, &found) >= 0) {
        matches.push_back(found);
        from = found.cpMax;
    }
    const QString documentText = IsPlainTextMode() ? DocumentTextFromControlText(replacement).replace(ObjectCharacter, QString())
                                                   : DocumentTextFromControlText(replacement);
    LONG count = 0;
    {
        TSuspendNotifications suspend(*this);
        QTextCursor cursor(document());
        QTextCursor last;
        cursor.beginEditBlock();
        for (auto match = matches.rbegin(); match != matches.rend(); ++match) {
            if (!MayEdit(match->cpMin, match->cpMax, EM_REPLACESEL))
                continue;
            cursor.setPosition(match->cpMin);
            cursor.setPosition(match->cpMax, QTextCursor::KeepAnchor);
            InsertWithinLimit(cursor, documentText);
            if (count++ == 0)
                last = cursor;
        }
        cursor.endEditBlock();
        if (count > 0) {
            // The cursor of the last replacement in the text followed the edits made before it.
            const int end = last.position();
            last.setPosition(end - int(documentText.size()));
            last.setPosition(end, QTextCursor::KeepAnchor);
            setTextCursor(last);
        }
    }
    if (count > 0) {
        NotifyChange();
        NotifySelectionChange();
    }
    return count;
}

LONG TRichEditControl::Find(WPARAM flags, CHARRANGE range, const QString& text, CHARRANGE* found) const
{
    const QString needle = DocumentTextFromControlText(text);
    if (needle.isEmpty())
        return -1;
    const Qt::CaseSensitivity sensitivity = (flags & FR_MATCHCASE) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const LONG length = TextLength();
    const bool down = flags & FR_DOWN;
    LONG low, high;
    if (down) {
        low = std::clamp<LONG>(range.cpMin, 0, length);
        high = range.cpMax < 0 ? length : std::clamp<LONG>(range.cpMax, 0, length);
    } else {
        high = range.cpMin < 0 ? length : std::clamp<LONG>(range.cpMin, 0, length);
        low = range.cpMax < 0 ? 0 : std::clamp<LONG>(range.cpMax, 0, length);
    }
    if (high < low)
        std::swap(low, high);
    if (high - low < needle.size())
        return -1;

    const QTextDocument* doc = document();
    auto characterAt = [doc](LONG position) { return doc->characterAt(position); };
    auto wholeWord = [&](LONG start, LONG end) {
        if (!(flags & FR_WHOLEWORD))
            return true;
        return (start == 0 || !IsWordCharacter(characterAt(start - 1))) && (end >= length || !IsWordCharacter(characterAt(end)));
    };
    auto report = [&](LONG start) {
        if (found)
            *found = { start, LONG(start + needle.size()) };
        return start;
    };

    if (needle.contains(ParagraphBreak)) {
        // Only a search across paragraphs needs the whole range's text at once.
        const QString haystack = DocumentTextFromControlText(ControlTextOfRange(*document(), int(low), int(high)));
        qsizetype at = down ? haystack.indexOf(needle, 0, sensitivity) : haystack.lastIndexOf(needle, -1, sensitivity);
        while (at >= 0) {
            const LONG start = low + LONG(at);
            if (wholeWord(start, start + LONG(needle.size())))
                return report(start);
            at = down ? haystack.indexOf(needle, at + 1, sensitivity) : (at == 0 ? -1 : haystack.lastIndexOf(needle, at - 1, sensitivity));
        }
        return -1;
    }

    // Paragraph by paragraph, so a search costs the distance to the next match, not the document.
    if (down) {
        for (QTextBlock block = doc->findBlock(low); block.isValid() && block.position() < high; block = block.next()) {
            const QString blockText = block.text();
            const LONG base = block.position();
            qsizetype from = std::max<LONG>(0, low - base);
            while (true) {
                const qsizetype at = blockText.indexOf(needle, from, sensitivity);
                if (at < 0 || base + at + needle.size() > high)
                    break;
                if (wholeWord(base + LONG(at), base + LONG(at + needle.size())))
                    return report(base + LONG(at));
                from = at + 1;
            }
        }
        return -1;
    }
    for (QTextBlock block = doc->findBlock(high); block.isValid() && block.position() + block.length() > low; block = block.previous()) {
        const QString blockText = block.text();
        const LONG base = block.position();
        qsizetype last = std::min<qsizetype>(blockText.size(), high - base) - needle.size();
        while (last >= 0) {
            const qsizetype at = blockText.lastIndexOf(needle, last, sensitivity);
            if (at < 0 || base + at < low)
                break;
            if (wholeWord(base + LONG(at), base + LONG(at + needle.size())))
                return report(base + LONG(at));
            last = at - 1;
        }
    }
    return -1;
}

// ---- lines ----

namespace {

// Lines of a block as laid out; a block not laid out yet counts its hard lines.
int LinesOf(const QTextBlock& block)
{
    const QTextLayout* layout = block.layout();
    if (layout && layout->lineCount() > 0)
        return layout->lineCount();
    return int(block.text().count(LineBreak)) + 1;
}

} // namespace

// The document keeps a line count per paragraph in its block map, so the first line of any paragraph
// is found without adding up all the paragraphs before it. The layout does not keep those counts
// itself: they are copied from the laid-out paragraphs here, from the first one changed since.
void TRichEditControl::SyncLineCounts(const QTextBlock& upTo) const
{
    document()->documentLayout()->blockBoundingRect(upTo); // lays the text out up to there
    const TLineCountKey key { document()->pageSize(), document()->textWidth(), document()->defaultFont(),
        FZoomNumerator, FZoomDenominator };
    if (!(key == FLineCountKey)) {
        // Another width or zoom wraps every paragraph anew.
        FLineCountKey = key;
        FLinesValidEnd = 0;
    }
    if (upTo.isValid() && upTo.position() < FLinesValidEnd)
        return;
    for (QTextBlock block = document()->findBlock(FLinesValidEnd); block.isValid(); block = block.next()) {
        const int lines = LinesOf(block);
        if (block.lineCount() != lines)
            block.setLineCount(lines);
        FLinesValidEnd = block.position() + block.length();
        if (block == upTo)
            break;
    }
}

LONG TRichEditControl::LineCount() const
{
    const QTextBlock last = document()->lastBlock();
    SyncLineCounts(last);
    return LONG(last.firstLineNumber() + last.lineCount());
}

LONG TRichEditControl::LineIndex(LONG line) const
{
    if (line < 0)
        line = LineFromChar(textCursor().position());
    // Counts known up to the caret's paragraph usually answer; past them the rest is brought up to date.
    QTextBlock block;
    if (FLinesValidEnd > 0) {
        SyncLineCounts(document()->findBlock(FLinesValidEnd - 1));
        const QTextBlock lastValid = document()->findBlock(std::max(0, FLinesValidEnd - 1));
        if (lastValid.isValid() && line < lastValid.firstLineNumber() + lastValid.lineCount())
            block = document()->findBlockByLineNumber(int(line));
    }
    if (!block.isValid()) {
        const QTextBlock last = document()->lastBlock();
        SyncLineCounts(last);
        if (line >= last.firstLineNumber() + last.lineCount())
            return -1;
        block = document()->findBlockByLineNumber(int(line));
    }
    if (!block.isValid())
        return -1;
    const QTextLayout* layout = block.layout();
    const int index = int(line) - block.firstLineNumber();
    if (layout && layout->lineCount() > index)
        return LONG(block.position() + layout->lineAt(index).textStart());
    return LONG(block.position());
}

LONG TRichEditControl::LineFromChar(LONG position) const
{
    position = std::clamp<LONG>(position, 0, TextLength());
    const QTextBlock target = document()->findBlock(position);
    SyncLineCounts(target);
    const LONG counted = target.firstLineNumber();
    const QTextLayout* layout = target.layout();
    if (layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineForTextPosition(position - target.position());
        return counted + (line.isValid() ? line.lineNumber() : layout->lineCount() - 1);
    }
    return counted;
}

LONG TRichEditControl::LineLength(LONG position) const
{
    const LONG line = LineFromChar(position);
    return LONG(LineText(line).remove(u'\r').size());
}

QString TRichEditControl::LineText(LONG line) const
{
    const LONG start = LineIndex(line);
    if (start < 0)
        return {};
    const QTextBlock block = document()->findBlock(start);
    const QTextLayout* layout = block.layout();
    LONG end = LONG(block.position() + block.length() - 1);
    bool endsParagraph = true;
    if (layout && layout->lineCount() > 0) {
        const QTextLine textLine = layout->lineForTextPosition(start - block.position());
        if (textLine.isValid() && textLine.lineNumber() + 1 < layout->lineCount()) {
            end = LONG(block.position() + textLine.textStart() + textLine.textLength());
            endsParagraph = false;
        }
    }
    QString text = TextRange(start, end);
    if (endsParagraph && block.next().isValid())
        text += u'\r';
    return text;
}

QPoint TRichEditControl::PosFromChar(LONG position) const
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp<LONG>(position, 0, TextLength()));
    return viewport()->mapTo(this, cursorRect(cursor).topLeft());
}

// ---- streams ----

void TRichEditControl::ReadInto(QTextCursor& cursor, WPARAM format, const QByteArray& bytes)
{
    const WPARAM base = format & 0x0F;
    if (base == SF_RTF || base == SF_RTFNOOBJS) {
        TRtfReadOptions options;
        options.maxCharacters = std::max<LONG>(0, FTextLimit - (TextLength() - (cursor.selectionEnd() - cursor.selectionStart())));
        options.defaultFormat = FDefaultFormat;
        if (cursor.hasSelection())
            cursor.removeSelectedText();
        TRtfReader::Read(bytes, cursor, options);
        return;
    }
    QString text;
    if (format & SF_UNICODE) {
        text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // Text saved as UTF-16 by other programs says so in its first two bytes.
        // The mark is taken off here; a U+FEFF after it is the text's own.
        auto decode = QStringDecoder(bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::ConvertInitialBom);
        text = decode(bytes.mid(2));
    } else {
        QByteArray plain = bytes;
        if (plain.startsWith("\xEF\xBB\xBF"))
            plain.remove(0, 3);
        text = TextFromUtf8OrWindows1252(plain);
    }
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    ReplaceLoneSurrogates(text);
    // U+FFFC stands for a picture here; read from a file it would be dropped at the next save.
    text.replace(ObjectCharacter, QChar(0xFFFD));
    if (IsPlainTextMode() || !cursor.hasSelection())
        cursor.setCharFormat(cursor.charFormat());
    InsertWithinLimit(cursor, DocumentTextFromControlText(text));
}

bool TRichEditControl::LoadBytes(WPARAM format, const QByteArray& bytes)
{
    const WPARAM base = format & 0x0F;
    if (base == SF_RTF || base == SF_RTFNOOBJS) {
        // Checked before the text is touched, so a stream that is not RTF leaves the document as it was.
        const QByteArray head = bytes.left(64).trimmed();
        if (!head.startsWith("{\\rtf"))
            return false;
    }
    if (format & SFF_SELECTION) {
        if (!MayEditSelection(EM_STREAMIN))
            return false;
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        ReadInto(cursor, format, bytes);
        cursor.endEditBlock();
        setTextCursor(cursor);
        return true;
    }
    {
        TSuspendNotifications suspend(*this);
        TDeferredLayout deferred(*document());
        document()->setUndoRedoEnabled(false);
        document()->clear();
        SetPageSetup(*document(), NoPageSetup()); // the document read says how its pages are set up
        SetKeptGroups(*document(), {});
        QTextCursor cursor(document());
        cursor.beginEditBlock();
        try {
            ReadInto(cursor, format, bytes);
        } catch (...) {
            cursor.endEditBlock();
            document()->setUndoRedoEnabled(FUndoLimit > 0);
            throw;
        }
        cursor.endEditBlock();
        document()->setUndoRedoEnabled(FUndoLimit > 0);
        document()->setModified(false);
        setTextCursor(QTextCursor(document()));
    }
    NotifyChange();
    NotifySelectionChange();
    return true;
}

// Plain text written to a file shows each list paragraph's marker as the view shows it, as other
// word processors write it, and an empty field for each cell that a cell from a row above covers,
// so that the columns stay in place; the control's own text and positions stay without them.
QString TRichEditControl::WithMarkersAndCoveredCells(const QString& text, LONG start, LONG end) const
{
    // Tables put characters in the buffer that the text leaves out; positions would not match.
    if (IsPlainTextMode() || LONG(text.size()) != end - start)
        return text;
    const bool tables = !document()->rootFrame()->childFrames().isEmpty();
    QString marked;
    qsizetype copied = 0;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        if (block.position() < start || (!block.textList() && !tables))
            continue;
        QString prefix;
        if (const QTextTable* table = tables ? QTextCursor(block).currentTable() : nullptr) {
            const QTextTableCell cell = table->cellAt(block.position());
            if (cell.firstPosition() == block.position()) {
                int previousEnd = 0;
                for (int column = cell.column() - 1; column >= 0; --column) {
                    const QTextTableCell other = table->cellAt(cell.row(), column);
                    if (other.row() == cell.row()) {
                        previousEnd = other.column() + other.columnSpan();
                        break;
                    }
                }
                prefix.fill(u'\t', std::max(0, cell.column() - previousEnd));
            }
        }
        if (block.textList())
            prefix += ListMarkerText(block) + u' ';
        if (prefix.isEmpty())
            continue;
        if (marked.isEmpty())
            marked.reserve(text.size() + text.size() / 8);
        const qsizetype at = block.position() - start;
        marked += QStringView(text).mid(copied, at - copied);
        marked += prefix;
        copied = at;
    }
    if (copied == 0 && marked.isEmpty())
        return text;
    marked += QStringView(text).mid(copied);
    return marked;
}

LONG TRichEditControl::StreamIn(WPARAM format, EDITSTREAM& stream)
{
    stream.dwError = 0;
    if (!stream.pfnCallback)
        return 0;
    QByteArray bytes;
    QByteArray buffer(64 * 1024, Qt::Uninitialized);
    while (true) {
        LONG transferred = 0;
        const DWORD error = stream.pfnCallback(stream.dwCookie, reinterpret_cast<BYTE*>(buffer.data()), LONG(buffer.size()), &transferred);
        if (error != 0) {
            stream.dwError = error;
            return 0;
        }
        if (transferred <= 0)
            break;
        if (bytes.size() + transferred > MaxStreamBytes) {
            stream.dwError = ERROR_INVALID_DATA;
            return 0;
        }
        bytes.append(buffer.constData(), std::min<LONG>(transferred, LONG(buffer.size())));
    }
    const LONG before = TextLength();
    if (!LoadBytes(format, bytes)) {
        stream.dwError = ERROR_INVALID_DATA;
        return 0;
    }
    return (format & SFF_SELECTION) ? std::max<LONG>(0, TextLength() - before) : TextLength();
}

QByteArray TRichEditControl::SaveBytes(WPARAM format)
{
    const QTextCursor cursor = textCursor();
    const bool selectionOnly = format & SFF_SELECTION;
    const int start = selectionOnly ? cursor.selectionStart() : 0;
    const int end = selectionOnly ? cursor.selectionEnd() : -1;
    const WPARAM base = format & 0x0F;
    if (base == SF_RTF || base == SF_RTFNOOBJS) {
        TRtfWriteOptions options;
        options.noObjects = base == SF_RTFNOOBJS;
        options.defaultFormat = FDefaultFormat;
        return TRtfWriter::Write(*document(), start, end, options);
    }
    // Each table row is one line of the file.
    LONG from = start;
    LONG to = end;
    ClampRange(from, to);
    QString text = WithMarkersAndCoveredCells(ControlTextOfRange(*document(), int(from), int(to), false), from, to);
    text.remove(ObjectCharacter);
    // Paragraph ends first: the line breaks' own CR must not be doubled into an extra empty line.
    text.replace(u'\r', QLatin1String("\r\n"));
    text.replace(u'\v', QLatin1String("\r\n"));
    if (format & SF_UNICODE)
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    // Text that begins with U+FEFF would lose it to the mark rule when read: a mark keeps it.
    if (text.startsWith(QChar(0xFEFF)))
        return "\xEF\xBB\xBF" + text.toUtf8();
    return text.toUtf8();
}

LONG TRichEditControl::StreamOut(WPARAM format, EDITSTREAM& stream)
{
    stream.dwError = 0;
    if (!stream.pfnCallback)
        return 0;
    QByteArray bytes = SaveBytes(format);
    constexpr qsizetype chunk = 4096;
    for (qsizetype offset = 0; offset < bytes.size(); offset += chunk) {
        const LONG size = LONG(std::min(chunk, bytes.size() - offset));
        LONG transferred = 0;
        const DWORD error = stream.pfnCallback(stream.dwCookie, reinterpret_cast<BYTE*>(bytes.data() + offset), size, &transferred);
        if (error != 0) {
            stream.dwError = error;
            return LONG(offset);
        }
    }
    return LONG(bytes.size());
}

// ---- layout for devices ----

LONG TRichEditControl::FormatRange(FORMATRANGE& range, bool render)
{
    TDeviceContext* target = range.hdcTarget ? range.hdcTarget : range.hdc;
    if (!target)
        return 0;
    const int dpiX = target->GetDeviceCaps(LOGPIXELSX);
    const int dpiY = target->GetDeviceCaps(LOGPIXELSY);
    if (dpiX <= 0 || dpiY <= 0 || range.rc.right <= range.rc.left)
        return 0;
    const TFormatKey key { dpiX, dpiY, range.rc.right - range.rc.left, bool(FTypography & TO_ADVANCEDTYPOGRAPHY),
        FAutoUrlDetect };
    if (!FFormat || !(FFormat->Key() == key) || FFormat->SourceRevision() != FContentRevision)
        FFormat = std::make_unique<TFormatLayout>(*document(), key, FContentRevision);

    const LONG length = TextLength();
    const LONG start = std::clamp<LONG>(range.chrg.cpMin, 0, length);
    const LONG end = (range.chrg.cpMax < 0 || range.chrg.cpMax > length) ? length : std::max(start, range.chrg.cpMax);
    const double height = std::max(0, range.rc.bottom - range.rc.top) * double(dpiY) / 1440.0;
    const TFormatSlice slice = FFormat->Measure(start, end, height);
    range.rc.bottom = range.rc.top + LONG(std::nearbyint(slice.height * 1440.0 / dpiY));

    if (render && range.hdc && range.hdc->Painter()) {
        QPainter& painter = *range.hdc->Painter();
        const double scaleX = range.hdc->GetDeviceCaps(LOGPIXELSX) / 1440.0;
        const double scaleY = range.hdc->GetDeviceCaps(LOGPIXELSY) / 1440.0;
        painter.save();
        // Twips become the render device's logical units through its own resolution, so a caller's
        // mapping mode scales the page as a whole.
        painter.translate(range.rc.left * scaleX, range.rc.top * scaleY);
        painter.scale(scaleX * 1440.0 / dpiX, scaleY * 1440.0 / dpiY);
        FFormat->Draw(painter, slice);
        painter.restore();
    }
    return slice.next;
}

void TRichEditControl::ClearFormatCache()
{
    FFormat.reset();
}

bool TRichEditControl::SetZoom(int numerator, int denominator)
{
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    if (FZoomNumerator == 0)
        FViewDevice = layout->paintDevice();
    // The zoom it has already: laying a long document out again would change nothing.
    if (numerator == FZoomNumerator && denominator == FZoomDenominator
        && (numerator == 0 || layout->paintDevice() == &FZoomDevice))
        return true;
    if (numerator == 0 && denominator == 0) {
        FZoomNumerator = FZoomDenominator = 0;
        layout->setPaintDevice(FViewDevice);
        TDeferredLayout relayout(*document());
        return true;
    }
    if (numerator <= 0 || denominator <= 0 || numerator > 64 * denominator || denominator > 64 * numerator)
        return false;
    FZoomNumerator = numerator;
    FZoomDenominator = denominator;
    // The view lays its text out for a finer or coarser screen, so zoomed text is drawn at its real
    // size rather than scaled as a picture.
    FZoomDevice = QImage(1, 1, QImage::Format_RGB32);
    const double dpi = DisplayDpi * double(numerator) / denominator;
    FZoomDevice.setDotsPerMeterX(int(std::nearbyint(dpi / 0.0254)));
    FZoomDevice.setDotsPerMeterY(int(std::nearbyint(dpi / 0.0254)));
    layout->setPaintDevice(&FZoomDevice);
    {
        TDeferredLayout relayout(*document());
    }
    viewport()->update();
    return true;
}

// ---- options ----

void TRichEditControl::SetTextLimit(LONG limit)
{
    FTextLimit = limit > 0 ? limit : 0x10000;
}

int TRichEditControl::SetUndoLimit(int limit)
{
    FUndoLimit = std::max(0, limit);
    document()->setUndoRedoEnabled(FUndoLimit > 0);
    return FUndoLimit;
}

bool TRichEditControl::SetTextMode(WPARAM mode)
{
    // The mode can only change while the control is empty, as the formats would not survive it.
    if (TextLength() != 0)
        return false;
    WPARAM kind = mode & (TM_PLAINTEXT | TM_RICHTEXT);
    WPARAM undo = mode & (TM_SINGLELEVELUNDO | TM_MULTILEVELUNDO);
    if (!kind)
        kind = FTextMode & (TM_PLAINTEXT | TM_RICHTEXT);
    if (!undo)
        undo = FTextMode & (TM_SINGLELEVELUNDO | TM_MULTILEVELUNDO);
    FTextMode = kind | undo;
    if (undo & TM_SINGLELEVELUNDO)
        SetUndoLimit(std::min(FUndoLimit, 1));
    setAcceptRichText(!IsPlainTextMode());
    return true;
}

void TRichEditControl::SetAutoUrlDetect(bool on)
{
    FAutoUrlDetect = on;
    if (on && !FLinks)
        FLinks = std::make_unique<TLinkHighlighter>(document());
    else if (!on && FLinks)
        FLinks.reset();
    setMouseTracking(on);
}

DWORD TRichEditControl::SetOptions(WPARAM operation, DWORD options)
{
    switch (operation) {
    case ECOOP_SET:
        FOptions = options;
        break;
    case ECOOP_OR:
        FOptions |= options;
        break;
    case ECOOP_AND:
        FOptions &= options;
        break;
    case ECOOP_XOR:
        FOptions ^= options;
        break;
    default:
        return FOptions;
    }
    setReadOnly(FOptions & ECO_READONLY);
    SetHideSelection(!(FOptions & ECO_NOHIDESEL));
    return FOptions;
}

COLORREF TRichEditControl::SetBackgroundColor(bool useSystem, COLORREF color)
{
    QPalette colours = palette();
    const COLORREF previous = ColorRefFromQColor(colours.color(QPalette::Base));
    colours.setColor(QPalette::Base, useSystem ? QColorFromColorRef(clWindow) : QColorFromColorRef(color));
    setPalette(colours);
    return previous;
}

void TRichEditControl::SetHideSelection(bool hide)
{
    FHideSelection = hide;
    if (hide)
        FOptions &= ~ECO_NOHIDESEL;
    else
        FOptions |= ECO_NOHIDESEL;
    UpdateSelectionPalette();
}

void TRichEditControl::UpdateSelectionPalette()
{
    QPalette colours = palette();
    const QColor active = colours.color(QPalette::Active, QPalette::Highlight);
    const QColor activeText = colours.color(QPalette::Active, QPalette::HighlightedText);
    colours.setColor(QPalette::Inactive, QPalette::Highlight, FHideSelection ? QColor(Qt::transparent) : active);
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
        FHideSelection ? colours.color(QPalette::Active, QPalette::Text) : activeText);
    setPalette(colours);
}

// ---- protected text ----

bool TRichEditControl::TouchesProtected(LONG start, LONG end) const
{
    const QTextDocument* doc = document();
    if (start == end) {
        // An insertion is inside protected text only when both neighbours are protected.
        if (start <= 0 || start >= TextLength())
            return false;
        QTextCursor before(const_cast<QTextDocument*>(doc));
        before.setPosition(start);
        QTextCursor after(const_cast<QTextDocument*>(doc));
        after.setPosition(start + 1);
        return before.charFormat().boolProperty(Protected) && after.charFormat().boolProperty(Protected);
    }
    for (QTextBlock block = doc->findBlock(start); block.isValid() && block.position() < end; block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() >= end)
                break;
            if (fragment.position() + fragment.length() > start && fragment.charFormat().boolProperty(Protected))
                return true;
        }
    }
    return false;
}

bool TRichEditControl::MayEdit(LONG start, LONG end, UINT message) const
{
    if (!TouchesProtected(start, end))
        return true;
    if (!FListener || !(FEventMask & ENM_PROTECTED))
        return false;
    ENPROTECTED request;
    request.msg = message;
    request.chrg = { start, end };
    return const_cast<TRichEditControl*>(this)->Notify(EN_PROTECTED, request.nmhdr) != 0;
}

bool TRichEditControl::MayEditSelection(UINT message) const
{
    const CHARRANGE range = Selection();
    return MayEdit(range.cpMin, range.cpMax, message);
}

// ---- editing commands ----

bool TRichEditControl::CanPaste() const
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return !isReadOnly() && data && canInsertFromMimeData(data);
}

void TRichEditControl::Cut()
{
    if (textCursor().hasSelection() && MayEditSelection(WM_CUT))
        cut();
}

void TRichEditControl::Copy() const
{
    const_cast<TRichEditControl*>(this)->copy();
}

void TRichEditControl::Paste()
{
    if (MayEditSelection(WM_PASTE))
        paste();
}

void TRichEditControl::Clear()
{
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() && MayEditSelection(WM_CLEAR)) {
        cursor.removeSelectedText();
        setTextCursor(cursor);
    }
}

bool TRichEditControl::InsertPicture(const TPicture& picture)
{
    if (!picture.IsValid() || IsPlainTextMode() || !MayEditSelection(WM_PASTE))
        return false;
    QTextCursor cursor = textCursor();
    if (TextLength() - (cursor.selectionEnd() - cursor.selectionStart()) >= FTextLimit)
        return false;
    cursor.beginEditBlock();
    cursor.insertText(QString(ObjectCharacter), FormatForPicture(picture, cursor.charFormat()));
    cursor.endEditBlock();
    setTextCursor(cursor);
    return true;
}

QMimeData* TRichEditControl::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    const QTextCursor cursor = textCursor();
    QString text = TextRange(cursor.selectionStart(), cursor.selectionEnd());
    text.remove(ObjectCharacter);
    text.replace(u'\r', u'\n').replace(u'\v', u'\n');
    data->setText(text);
    if (!IsPlainTextMode()) {
        TRtfWriteOptions options;
        options.defaultFormat = FDefaultFormat;
        const QByteArray rtf = TRtfWriter::Write(*document(), cursor.selectionStart(), cursor.selectionEnd(), options);
        data->setData(RtfMime, rtf);
        data->setData(RtfMimeAlternative, rtf);
    }
    if (cursor.selectionEnd() - cursor.selectionStart() == 1) {
        // A lone picture also goes as a picture, for programs that take no rich text.
        QTextCursor object(document());
        object.setPosition(cursor.selectionStart() + 1);
        const TPicture picture = PictureFromFormat(object.charFormat());
        if (picture.IsValid()) {
            const QSize pixels(std::max(1, int(picture.sizeTwips.width() * DisplayDpi / 1440)),
                std::max(1, int(picture.sizeTwips.height() * DisplayDpi / 1440)));
            data->setImageData(ImageFromPicture(picture, pixels));
            if (picture.kind == TObjectKind::Emf)
                data->setData(EmfMime, picture.data);
        }
    }
    data->setData(OwnerMime, QByteArray::number(quintptr(this)));
    return data;
}

bool TRichEditControl::canInsertFromMimeData(const QMimeData* source) const
{
    if (source->hasText())
        return true;
    if (IsPlainTextMode())
        return false;
    return source->hasFormat(RtfMime) || source->hasFormat(RtfMimeAlternative) || source->hasImage()
        || !EmfFrom(*source).isEmpty();
}

void TRichEditControl::insertFromMimeData(const QMimeData* source)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    QByteArray rtf = source->data(RtfMime);
    if (rtf.isEmpty())
        rtf = source->data(RtfMimeAlternative);
    bool done = false;
    if (!IsPlainTextMode() && !rtf.isEmpty() && rtf.trimmed().startsWith("{\\rtf")) {
        try {
            ReadInto(cursor, SF_RTF, rtf);
            done = true;
        } catch (const std::exception&) {
            done = false;
        }
    }
    if (!done && !IsPlainTextMode()) {
        TPicture picture = PictureFromEmf(EmfFrom(*source));
        if (!picture.IsValid() && source->hasImage())
            picture = PictureFromImage(qvariant_cast<QImage>(source->imageData()));
        if (picture.IsValid() && TextLength() - (cursor.selectionEnd() - cursor.selectionStart()) < FTextLimit) {
            cursor.insertText(QString(ObjectCharacter), FormatForPicture(picture, cursor.charFormat()));
            done = true;
        }
    }
    if (!done && source->hasText())
        InsertWithinLimit(cursor, DocumentTextFromControlText(source->text()));
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

// ---- keyboard and mouse ----

void TRichEditControl::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_L && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        StepNumbering();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        event->accept();
        return;
    }
    if (event == QKeySequence::Copy) {
        Copy();
        event->accept();
        return;
    }
    // Ctrl+Y redoes here too, as users of word processors expect, beside the platform's own key.
    if (event->key() == Qt::Key_Y && modifiers == Qt::ControlModifier) {
        if (!isReadOnly())
            redo();
        event->accept();
        return;
    }
    if (isReadOnly()) {
        QTextEdit::keyPressEvent(event);
        return;
    }
    const QTextCursor cursor = textCursor();
    const LONG position = cursor.position();
    LONG start = cursor.selectionStart();
    LONG end = cursor.selectionEnd();
    UINT message = WM_KEYDOWN;
    bool edits = true;
    QString inserted;
    if (event == QKeySequence::Cut) {
        message = WM_CUT;
    } else if (event == QKeySequence::Paste) {
        message = WM_PASTE;
    } else if (event == QKeySequence::Undo || event == QKeySequence::Redo) {
        edits = false;
    } else if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
        // With a selection the selection goes; without, the character beside the caret.
        if (!cursor.hasSelection() && event->key() == Qt::Key_Backspace)
            start = std::max<LONG>(0, position - 1);
        else if (!cursor.hasSelection())
            end = std::min<LONG>(TextLength(), position + 1);
    } else if (event == QKeySequence::DeleteStartOfWord && !cursor.hasSelection()) {
        QTextCursor word = cursor;
        word.movePosition(QTextCursor::PreviousWord, QTextCursor::KeepAnchor);
        start = word.selectionStart();
    } else if (event == QKeySequence::DeleteEndOfWord && !cursor.hasSelection()) {
        QTextCursor word = cursor;
        word.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor);
        end = word.selectionEnd();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        inserted = QStringLiteral("\r");
    } else if (!event->text().isEmpty() && (event->text().at(0).isPrint() || event->text() == u"\t")
        && !(modifiers & Qt::ControlModifier)) {
        inserted = event->text();
        if (overwriteMode() && !cursor.hasSelection() && position < TextLength())
            end = position + 1;
    } else {
        edits = false;
    }
    if (edits) {
        if (!MayEdit(start, end, message)) {
            event->accept();
            return;
        }
        if (!inserted.isEmpty() && TextLength() - (end - start) + inserted.size() > FTextLimit) {
            QApplication::beep();
            event->accept();
            return;
        }
    }
    if (message == WM_CUT) {
        cut();
        event->accept();
        return;
    }
    if (message == WM_PASTE) {
        paste();
        event->accept();
        return;
    }
    if (!inserted.isEmpty())
        KeepTypingOutOfFieldEnd();
    QTextEdit::keyPressEvent(event);
}

// Text typed at the end of a field's result (a page number, a date) is the user's: the field's next
// update, here or in another program, would replace it.
void TRichEditControl::KeepTypingOutOfFieldEnd()
{
    const QTextCursor cursor = textCursor();
    QTextCharFormat format = cursor.charFormat();
    if (cursor.hasSelection() || !format.hasProperty(FieldInstruction))
        return;
    if (!cursor.atBlockEnd()) {
        QTextCursor next = cursor;
        next.movePosition(QTextCursor::NextCharacter);
        if (next.charFormat().property(FieldInstruction) == format.property(FieldInstruction))
            return;
    }
    format.clearProperty(FieldInstruction);
    setCurrentCharFormat(format);
}

void TRichEditControl::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty() && !MayEditSelection(WM_CHAR)) {
        event->accept();
        return;
    }
    QTextEdit::inputMethodEvent(event);
}

CHARRANGE TRichEditControl::LinkAt(LONG position) const
{
    if (position < 0 || position >= TextLength())
        return { -1, -1 };
    const QTextBlock block = document()->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (position < fragment.position() || position >= fragment.position() + fragment.length())
            continue;
        const QString href = fragment.charFormat().anchorHref();
        if (href.isEmpty())
            break;
        // A field result may be split into several runs of different formats with one target.
        LONG start = fragment.position();
        LONG end = fragment.position() + fragment.length();
        for (auto back = block.begin(); !back.atEnd(); ++back) {
            const QTextFragment other = back.fragment();
            if (other.charFormat().anchorHref() != href)
                continue;
            if (other.position() + other.length() == start)
                start = other.position();
        }
        for (auto forward = it; !forward.atEnd(); ++forward) {
            const QTextFragment other = forward.fragment();
            if (other.position() == end && other.charFormat().anchorHref() == href)
                end = other.position() + other.length();
        }
        return { start, end };
    }
    if (FAutoUrlDetect) {
        const int offset = position - block.position();
        for (const auto& span : FindLinks(block.text())) {
            if (offset >= span.start && offset < span.start + span.length)
                return { LONG(block.position() + span.start), LONG(block.position() + span.start + span.length) };
        }
    }
    return { -1, -1 };
}

bool TRichEditControl::SendLinkNotification(QMouseEvent* event, UINT message)
{
    const QPointF point = event->position() + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(point, Qt::ExactHit);
    const CHARRANGE link = position < 0 ? CHARRANGE { -1, -1 } : LinkAt(position);
    if (message == WM_SETCURSOR)
        viewport()->setCursor(link.cpMin >= 0 ? Qt::PointingHandCursor : Qt::IBeamCursor);
    if (link.cpMin < 0 || !(FEventMask & ENM_LINK))
        return false;
    ENLINK notice;
    notice.msg = message;
    notice.wParam = 0;
    notice.lParam = MAKELPARAM(WORD(event->position().x()), WORD(event->position().y()));
    notice.chrg = link;
    return Notify(EN_LINK, notice.nmhdr) != 0;
}

void TRichEditControl::mousePressEvent(QMouseEvent* event)
{
    const UINT message = event->button() == Qt::LeftButton ? WM_LBUTTONDOWN
        : event->button() == Qt::RightButton              ? WM_RBUTTONDOWN
                                                          : 0;
    if (message && SendLinkNotification(event, message)) {
        event->accept();
        return;
    }
    QTextEdit::mousePressEvent(event);
}

void TRichEditControl::mouseReleaseEvent(QMouseEvent* event)
{
    const UINT message = event->button() == Qt::LeftButton ? WM_LBUTTONUP
        : event->button() == Qt::RightButton              ? WM_RBUTTONUP
                                                          : 0;
    if (message && SendLinkNotification(event, message)) {
        event->accept();
        return;
    }
    QTextEdit::mouseReleaseEvent(event);
}

void TRichEditControl::mouseMoveEvent(QMouseEvent* event)
{
    if (SendLinkNotification(event, event->buttons() ? WM_MOUSEMOVE : WM_SETCURSOR)) {
        event->accept();
        return;
    }
    QTextEdit::mouseMoveEvent(event);
}

void TRichEditControl::contextMenuEvent(QContextMenuEvent* event)
{
    // The control has no menu of its own; its owner shows one if it wants to.
    event->ignore();
}

void TRichEditControl::focusOutEvent(QFocusEvent* event)
{
    QTextEdit::focusOutEvent(event);
    UpdateSelectionPalette();
}

void TRichEditControl::focusInEvent(QFocusEvent* event)
{
    QTextEdit::focusInEvent(event);
    UpdateSelectionPalette();
}

// The markers of lists that start elsewhere than 1 or show other bullets, which the document
// layout cannot draw.
void TRichEditControl::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    QTextDocument* text = document();
    QAbstractTextDocumentLayout* layout = text->documentLayout();
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const QRect area = event->rect().translated(scroll);
    QPainter painter(viewport());
    painter.translate(-scroll);
    // Only the blocks in view: the cost does not grow with the document.
    const QPaintDevice* device = layout->paintDevice();
    const double pixelsPerTwip = (device ? device->logicalDpiX() : DisplayDpi) / 1440.0;
    for (QTextBlock block = cursorForPosition(event->rect().topLeft()).block(); block.isValid(); block = block.next()) {
        const QRectF bounds = layout->blockBoundingRect(block);
        if (bounds.top() > area.bottom())
            break;
        // Borders; the shading is the block's background, which the view paints itself.
        if (block.blockFormat().hasProperty(ParagraphBorders) && !QTextCursor(block).currentTable()) {
            QRectF box = ParagraphBox(block, block.layout()->position());
            if (JoinsNextParagraph(block) && block.next().layout()->lineCount() > 0
                && !QTextCursor(block.next()).currentTable())
                box.setBottom(block.next().layout()->position().y() + block.next().layout()->lineAt(0).y());
            DrawParagraphDecoration(painter, block, box, pixelsPerTwip, false);
        }
        const QTextList* list = block.textList();
        if (!list || !(list->format().hasProperty(ListNumbering) || list->format().hasProperty(ListBullet)) || !block.layout()
            || block.layout()->lineCount() == 0)
            continue;
        const QTextCharFormat format = MarkerCharFormat(block);
        const QFont font = format.font().resolve(text->defaultFont());
        const QFontMetricsF metrics(font, viewport());
        const QString marker = ListMarkerText(block);
        const QTextLine first = block.layout()->lineAt(0);
        const QPointF origin = block.layout()->position();
        const double x = origin.x() + first.x() - metrics.horizontalAdvance(marker) - metrics.horizontalAdvance(u' ');
        painter.setFont(font);
        painter.setPen(format.foreground().style() != Qt::NoBrush ? format.foreground().color() : palette().text().color());
        painter.drawText(QPointF(std::max(0.0, x), origin.y() + first.y() + first.ascent()), marker);
    }
}

void TRichEditControl::dropEvent(QDropEvent* event)
{
    const QTextCursor target = cursorForPosition(event->position().toPoint());
    if (!MayEdit(target.position(), target.position(), WM_PASTE)) {
        event->ignore();
        return;
    }
    QTextEdit::dropEvent(event);
}
