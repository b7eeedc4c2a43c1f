// The message adapter of the rich edit control: checks, unpacks and dispatches to the typed methods.
#include "RichEditControl.h"

#include <QTextDocument>

#include <cstring>

namespace {

template <class Record> Record* RecordFrom(LPARAM lParam) { return reinterpret_cast<Record*>(lParam); }

// Character and paragraph records come in a short and a long size; only that many bytes are touched.
template <class Record> bool ReadSized(LPARAM lParam, UINT shortSize, Record& into)
{
    auto* source = RecordFrom<Record>(lParam);
    if (!source || (source->cbSize != shortSize && source->cbSize != sizeof(Record)))
        return false;
    std::memcpy(&into, source, source->cbSize);
    return true;
}

template <class Record> bool WriteSized(LPARAM lParam, UINT shortSize, Record value)
{
    auto* target = RecordFrom<Record>(lParam);
    if (!target || (target->cbSize != shortSize && target->cbSize != sizeof(Record)))
        return false;
    value.cbSize = target->cbSize;
    std::memcpy(target, &value, target->cbSize);
    return true;
}

LRESULT CopyUtf8(const QString& text, char* buffer, qsizetype capacity)
{
    if (!buffer || capacity <= 0)
        return 0;
    const QByteArray bytes = text.toUtf8();
    const qsizetype count = std::min(bytes.size(), capacity - 1);
    std::memcpy(buffer, bytes.constData(), size_t(count));
    buffer[count] = 0;
    return LRESULT(count);
}

} // namespace

LRESULT TRichEditControl::Perform(UINT message, WPARAM wParam, LPARAM lParam)
{
    FFailed = false;
    try {
        return Dispatch(message, wParam, lParam);
    } catch (const std::exception&) {
        FFailed = true;
    }
    return 0;
}

LRESULT TRichEditControl::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case EM_STREAMIN:
    case EM_STREAMOUT: {
        auto* stream = RecordFrom<EDITSTREAM>(lParam);
        if (!stream)
            return 0;
        return message == EM_STREAMIN ? StreamIn(wParam, *stream) : StreamOut(wParam, *stream);
    }
    case EM_GETCHARFORMAT: {
        CHARFORMAT2 record = CharFormat(wParam);
        WriteSized(lParam, SizeOfCharFormatA, record);
        return LRESULT(record.dwMask);
    }
    case EM_SETCHARFORMAT: {
        CHARFORMAT2 record;
        if (!ReadSized(lParam, SizeOfCharFormatA, record))
            return 0;
        return SetCharFormat(wParam, record) ? 1 : 0;
    }
    case EM_GETPARAFORMAT: {
        PARAFORMAT2 record = ParaFormat();
        WriteSized(lParam, SizeOfParaFormat, record);
        return LRESULT(record.dwMask);
    }
    case EM_SETPARAFORMAT: {
        PARAFORMAT2 record;
        if (!ReadSized(lParam, SizeOfParaFormat, record))
            return 0;
        return SetParaFormat(record) ? 1 : 0;
    }
    case EM_EXGETSEL:
        if (auto* range = RecordFrom<CHARRANGE>(lParam))
            *range = Selection();
        return 0;
    case EM_EXSETSEL:
        if (auto* range = RecordFrom<CHARRANGE>(lParam))
            return SetSelection(*range);
        return 0;
    case EM_GETSEL: {
        const CHARRANGE range = Selection();
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = DWORD(range.cpMin);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = DWORD(range.cpMax);
        return LRESULT(MAKELPARAM(WORD(range.cpMin), WORD(range.cpMax)));
    }
    case EM_SETSEL:
        SetSelection({ LONG(LPARAM(wParam)), LONG(lParam) });
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(QString::fromUtf8(reinterpret_cast<const char*>(lParam)), wParam != 0);
        return 0;
    case EM_GETTEXTRANGE: {
        auto* range = RecordFrom<TEXTRANGEA>(lParam);
        if (!range || !range->lpstrText)
            return 0;
        const QString text = TextRange(range->chrg.cpMin, range->chrg.cpMax);
        // The caller sized the buffer for the range; UTF-8 may need more, so cut whole characters.
        const qsizetype capacity = range->chrg.cpMax < 0 ? text.toUtf8().size() + 1
                                                         : qsizetype(range->chrg.cpMax - range->chrg.cpMin) + 1;
        QByteArray bytes = text.toUtf8();
        if (bytes.size() > capacity - 1) {
            qsizetype cut = capacity - 1;
            while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
                --cut;
            bytes.truncate(cut);
        }
        std::memcpy(range->lpstrText, bytes.constData(), size_t(bytes.size()));
        range->lpstrText[bytes.size()] = 0;
        return LRESULT(bytes.size());
    }
    case EM_GETTEXTRANGEW: {
        auto* range = RecordFrom<TEXTRANGEW>(lParam);
        if (!range || !range->lpstrText)
            return 0;
        const QString text = TextRange(range->chrg.cpMin, range->chrg.cpMax);
        std::memcpy(range->lpstrText, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        range->lpstrText[text.size()] = 0;
        return LRESULT(text.size());
    }
    case EM_GETTEXTLENGTHEX: {
        auto* how = reinterpret_cast<GETTEXTLENGTHEX*>(wParam);
        return how ? TextLength(*how) : TextLength();
    }
    case WM_GETTEXTLENGTH:
        return TextLength(GETTEXTLENGTHEX { GTL_USECRLF, CP_ACP });
    case WM_GETTEXT: {
        QString text = Text();
        text.replace(u'\r', QLatin1String("\r\n"));
        return CopyUtf8(text, reinterpret_cast<char*>(lParam), qsizetype(wParam));
    }
    case WM_SETTEXT:
        SetText(lParam ? QString::fromUtf8(reinterpret_cast<const char*>(lParam)) : QString());
        return 1;
    case EM_GETLINECOUNT:
        return LineCount();
    case EM_LINEINDEX:
        return LineIndex(LONG(LPARAM(wParam)));
    case EM_EXLINEFROMCHAR:
        return LineFromChar(LONG(lParam));
    case EM_LINEFROMCHAR:
        return LineFromChar(LPARAM(wParam) < 0 ? Selection().cpMin : LONG(wParam));
    case EM_LINELENGTH:
        return LineLength(LPARAM(wParam) < 0 ? Selection().cpMin : LONG(wParam));
    case EM_GETLINE: {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer)
            return 0;
        WORD capacity;
        std::memcpy(&capacity, buffer, sizeof capacity);
        const QByteArray bytes = LineText(LONG(wParam)).toUtf8();
        const qsizetype count = std::min<qsizetype>(bytes.size(), capacity);
        std::memcpy(buffer, bytes.constData(), size_t(count));
        return LRESULT(count);
    }
    case EM_POSFROMCHAR: {
        const QPoint point = PosFromChar(LONG(lParam));
        if (auto* target = reinterpret_cast<POINT*>(wParam))
            *target = { point.x(), point.y() };
        return 0;
    }
    case EM_FINDTEXTEX:
    case EM_FINDTEXTEXW: {
        QString text;
        CHARRANGE* found = nullptr;
        CHARRANGE range;
        if (message == EM_FINDTEXTEX) {
            auto* find = RecordFrom<FINDTEXTEXA>(lParam);
            if (!find || !find->lpstrText)
                return -1;
            text = QString::fromUtf8(find->lpstrText);
            range = find->chrg;
            found = &find->chrgText;
        } else {
            auto* find = RecordFrom<FINDTEXTEXW>(lParam);
            if (!find || !find->lpstrText)
                return -1;
            text = QString::fromUtf16(find->lpstrText);
            range = find->chrg;
            found = &find->chrgText;
        }
        *found = { -1, -1 };
        return Find(wParam, range, text, found);
    }
    case EM_FORMATRANGE:
        if (!lParam) {
            ClearFormatCache();
            return 0;
        }
        return FormatRange(*RecordFrom<FORMATRANGE>(lParam), wParam != 0);
    case EM_SETZOOM:
        return SetZoom(int(LPARAM(wParam)), int(lParam)) ? 1 : 0;
    case EM_GETZOOM:
        if (wParam)
            *reinterpret_cast<int*>(wParam) = FZoomNumerator;
        if (lParam)
            *reinterpret_cast<int*>(lParam) = FZoomDenominator;
        return 1;
    case EM_SETTYPOGRAPHYOPTIONS:
        FTypography = (FTypography & ~DWORD(lParam)) | (DWORD(wParam) & DWORD(lParam));
        return 1;
    case EM_GETTYPOGRAPHYOPTIONS:
        return FTypography;
    case EM_SETEVENTMASK:
        return SetEventMask(DWORD(lParam));
    case EM_GETEVENTMASK:
        return FEventMask;
    case EM_EXLIMITTEXT:
        SetTextLimit(LONG(lParam));
        return 0;
    case EM_LIMITTEXT:
        SetTextLimit(LONG(wParam));
        return 0;
    case EM_SETUNDOLIMIT:
        return SetUndoLimit(int(wParam));
    case EM_SETTEXTMODE:
        return SetTextMode(wParam) ? 0 : 1;
    case EM_GETTEXTMODE:
        return LRESULT(FTextMode);
    case EM_AUTOURLDETECT:
        SetAutoUrlDetect(wParam != 0);
        return 0;
    case EM_GETAUTOURLDETECT:
        return FAutoUrlDetect ? 1 : 0;
    case EM_SETOPTIONS:
        return SetOptions(wParam, DWORD(lParam));
    case EM_GETOPTIONS:
        return FOptions;
    case EM_HIDESELECTION:
        SetHideSelection(wParam != 0);
        return 0;
    case EM_SETBKGNDCOLOR:
        return SetBackgroundColor(wParam != 0, COLORREF(lParam));
    case EM_SETLANGOPTIONS:
        FLangOptions = DWORD(lParam);
        return 1;
    case EM_GETLANGOPTIONS:
        return FLangOptions;
    case EM_SCROLLCARET:
        ensureCursorVisible();
        return 0;
    case EM_CANPASTE:
        return CanPaste() ? 1 : 0;
    case EM_CANUNDO:
        return document()->isUndoAvailable() ? 1 : 0;
    case EM_CANREDO:
        return document()->isRedoAvailable() ? 1 : 0;
    case EM_REDO:
        if (!document()->isRedoAvailable())
            return 0;
        Redo();
        return 1;
    case EM_UNDO:
    case WM_UNDO:
        if (!document()->isUndoAvailable())
            return 0;
        Undo();
        return 1;
    case EM_EMPTYUNDOBUFFER:
        document()->clearUndoRedoStacks();
        return 0;
    case EM_GETMODIFY:
        return document()->isModified() ? 1 : 0;
    case EM_SETMODIFY:
        document()->setModified(wParam != 0);
        return 0;
    case EM_SETREADONLY:
        SetOptions(wParam ? ECOOP_OR : ECOOP_AND, wParam ? ECO_READONLY : ~ECO_READONLY);
        return 1;
    case WM_CUT:
        Cut();
        return 0;
    case WM_COPY:
        Copy();
        return 0;
    case WM_PASTE:
        Paste();
        return 0;
    case WM_CLEAR:
        Clear();
        return 0;
    case WM_SETREDRAW:
        setUpdatesEnabled(wParam != 0);
        if (wParam)
            viewport()->update();
        return 0;
    case WM_SETFONT:
        return 0;
    default:
        return 0;
    }
}
