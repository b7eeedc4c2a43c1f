// RtRichEd.cpp: editor component; character and paragraph views of the platform control, lines and
// streams, search and replace, printing.
#include "RtRichEd.h"

#include "DeviceContext.h"
#include "Dialogs.h"
#include "PrinterDevice.h"
#include "Errors.h"
#include "RtfCodePages.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QTextBlock>
#include <QTextDocument>
#include <QVBoxLayout>

#include <cmath>
#include <cstring>

namespace {

constexpr int LineBufferSize = 4096;
constexpr qint64 MaxStreamBytes = qint64(1) << 30;

COLORREF RgbFromColor(COLORREF color)
{
    return ColorRefFromQColor(QColorFromColorRef(color));
}

DWORD LangFlags(TRichLangOptions options)
{
    DWORD flags = 0;
    if (options.Contains(TRichLangOption::rlAutoKeyboard))
        flags |= IMF_AUTOKEYBOARD;
    if (options.Contains(TRichLangOption::rlAutoFont))
        flags |= IMF_AUTOFONT;
    if (options.Contains(TRichLangOption::rlImeCancelComplete))
        flags |= IMF_IMECANCELCOMPLETE;
    if (options.Contains(TRichLangOption::rlImeAlwaysSendNotify))
        flags |= IMF_IMEALWAYSSENDNOTIFY;
    return flags;
}

bool IsAutomatic(COLORREF color) { return color == clWindowText || color == clDefault; }

// Every line break of plain text as CR LF, whatever the file used.
QByteArray WithCrLf(const QByteArray& bytes)
{
    QByteArray result;
    result.reserve(bytes.size() + bytes.size() / 16);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            result.append("\r\n", 2);
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            result.append("\r\n", 2);
        } else {
            result.append(c);
        }
    }
    return result;
}

QString DecodePlainText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE"))
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    return TextFromUtf8OrWindows1252(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes);
}

struct TStreamCookie {
    const QByteArray* bytes = nullptr;
    qsizetype offset = 0;
    QByteArray* sink = nullptr;
};

DWORD ReadCallback(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred)
{
    auto* state = reinterpret_cast<TStreamCookie*>(cookie);
    const qsizetype count = std::min<qsizetype>(size, state->bytes->size() - state->offset);
    std::memcpy(buffer, state->bytes->constData() + state->offset, size_t(count));
    state->offset += count;
    *transferred = LONG(count);
    return 0;
}

DWORD WriteCallback(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred)
{
    auto* state = reinterpret_cast<TStreamCookie*>(cookie);
    state->sink->append(reinterpret_cast<const char*>(buffer), size);
    *transferred = size;
    return 0;
}

} // namespace

// ---- TRtTextAttributes ----

TRtTextAttributes::TRtTextAttributes(TRtCustomRichEdit& editor, TAttributeType type)
    : FEditor(editor)
    , FType(type)
{
}

WPARAM TRtTextAttributes::Scope() const
{
    switch (FType) {
    case TAttributeType::atDefaultText:
        return SCF_DEFAULT;
    case TAttributeType::atWord:
        return SCF_WORD | SCF_SELECTION;
    default:
        return SCF_SELECTION;
    }
}

CHARFORMAT2 TRtTextAttributes::Get() const
{
    CHARFORMAT2 format;
    FEditor.Perform(EM_GETCHARFORMAT, FType == TAttributeType::atDefaultText ? SCF_DEFAULT : SCF_SELECTION,
        reinterpret_cast<LPARAM>(&format));
    return format;
}

void TRtTextAttributes::Set(CHARFORMAT2& format)
{
    FEditor.Perform(EM_SETCHARFORMAT, Scope(), reinterpret_cast<LPARAM>(&format));
}

QString TRtTextAttributes::Name() const { return QString::fromUtf8(Get().szFaceName); }

void TRtTextAttributes::SetName(const QString& name)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_FACE;
    const QByteArray face = name.left(LF_FACESIZE - 1).toUtf8().left(LF_FACESIZE - 1);
    std::memcpy(format.szFaceName, face.constData(), size_t(face.size()));
    Set(format);
}

int TRtTextAttributes::Size() const { return Get().yHeight / 20; }

void TRtTextAttributes::SetSize(int points)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_SIZE;
    format.yHeight = points * 20;
    Set(format);
}

int TRtTextAttributes::Height() const
{
    return -int(std::nearbyint(Get().yHeight / 20.0 * RichText::DisplayDpi / 72.0));
}

TFontStyles TRtTextAttributes::Style() const
{
    const DWORD effects = Get().dwEffects;
    TFontStyles style;
    if (effects & CFE_BOLD)
        style.Include(TFontStyle::fsBold);
    if (effects & CFE_ITALIC)
        style.Include(TFontStyle::fsItalic);
    if (effects & CFE_UNDERLINE)
        style.Include(TFontStyle::fsUnderline);
    if (effects & CFE_STRIKEOUT)
        style.Include(TFontStyle::fsStrikeOut);
    return style;
}

static DWORD EffectsFromStyle(TFontStyles style)
{
    DWORD effects = 0;
    if (style.Contains(TFontStyle::fsBold))
        effects |= CFE_BOLD;
    if (style.Contains(TFontStyle::fsItalic))
        effects |= CFE_ITALIC;
    if (style.Contains(TFontStyle::fsUnderline))
        effects |= CFE_UNDERLINE;
    if (style.Contains(TFontStyle::fsStrikeOut))
        effects |= CFE_STRIKEOUT;
    return effects;
}

void TRtTextAttributes::SetStyleBit(TFontStyle bit, bool on)
{
    // Only this bit's mask, so the other styles stay as each run of a mixed selection has them.
    CHARFORMAT2 format;
    format.dwMask = EffectsFromStyle(TFontStyles { bit });
    format.dwEffects = on ? format.dwMask : 0;
    Set(format);
}

void TRtTextAttributes::SetStyle(TFontStyles style)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT;
    format.dwEffects = EffectsFromStyle(style);
    Set(format);
}

COLORREF TRtTextAttributes::Color() const
{
    const CHARFORMAT2 format = Get();
    return (format.dwEffects & CFE_AUTOCOLOR) ? clWindowText : format.crTextColor;
}

void TRtTextAttributes::SetColor(COLORREF color)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_COLOR;
    if (IsAutomatic(color))
        format.dwEffects = CFE_AUTOCOLOR;
    else
        format.crTextColor = RgbFromColor(color);
    Set(format);
}

COLORREF TRtTextAttributes::BackColor() const
{
    const CHARFORMAT2 format = Get();
    return (format.dwEffects & CFE_AUTOBACKCOLOR) ? clWindow : format.crBackColor;
}

void TRtTextAttributes::SetBackColor(COLORREF color)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_BACKCOLOR;
    if (color == clWindow || color == clDefault)
        format.dwEffects = CFE_AUTOBACKCOLOR;
    else
        format.crBackColor = RgbFromColor(color);
    Set(format);
}

BYTE TRtTextAttributes::Charset() const { return Get().bCharSet; }

void TRtTextAttributes::SetCharset(BYTE charset)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_CHARSET;
    format.bCharSet = charset;
    Set(format);
}

TFontPitch TRtTextAttributes::Pitch() const
{
    switch (Get().bPitchAndFamily & 0x03) {
    case FIXED_PITCH:
        return TFontPitch::fpFixed;
    case VARIABLE_PITCH:
        return TFontPitch::fpVariable;
    default:
        return TFontPitch::fpDefault;
    }
}

TScriptPosition TRtTextAttributes::ScriptPosition() const
{
    const DWORD effects = Get().dwEffects;
    if (effects & CFE_SUBSCRIPT)
        return TScriptPosition::spSubscript;
    if (effects & CFE_SUPERSCRIPT)
        return TScriptPosition::spSuperscript;
    return TScriptPosition::spNormal;
}

void TRtTextAttributes::SetScriptPosition(TScriptPosition position)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_SUBSCRIPT | CFM_SUPERSCRIPT;
    if (position == TScriptPosition::spSubscript)
        format.dwEffects = CFE_SUBSCRIPT;
    else if (position == TScriptPosition::spSuperscript)
        format.dwEffects = CFE_SUPERSCRIPT;
    Set(format);
}

bool TRtTextAttributes::Protected() const { return Get().dwEffects & CFE_PROTECTED; }

void TRtTextAttributes::SetProtected(bool on)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_PROTECTED;
    format.dwEffects = on ? CFE_PROTECTED : 0;
    Set(format);
}

DWORD TRtTextAttributes::ConsistentAttributes() const { return Get().dwMask; }

void TRtTextAttributes::Assign(const TFont& font)
{
    CHARFORMAT2 format;
    format.dwMask = CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_FACE | CFM_COLOR | CFM_CHARSET;
    format.yHeight = font.Size * 20;
    format.dwEffects = EffectsFromStyle(font.Style);
    const QByteArray face = font.Name.toUtf8().left(LF_FACESIZE - 1);
    std::memcpy(format.szFaceName, face.constData(), size_t(face.size()));
    if (IsAutomatic(font.Color))
        format.dwEffects |= CFE_AUTOCOLOR;
    else
        format.crTextColor = RgbFromColor(font.Color);
    format.bCharSet = font.Charset;
    format.bPitchAndFamily = font.Pitch == TFontPitch::fpVariable ? VARIABLE_PITCH
        : font.Pitch == TFontPitch::fpFixed                      ? FIXED_PITCH
                                                                 : DEFAULT_PITCH;
    format.dwMask |= CFM_WEIGHT;
    format.wWeight = WORD(font.Weight > 0 ? font.Weight : (font.Style.Contains(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL));
    Set(format);
}

void TRtTextAttributes::Assign(const TRtTextAttributes& other)
{
    CHARFORMAT2 format = other.Get();
    Set(format);
}

void TRtTextAttributes::AssignTo(TFont& font) const
{
    font.Color = Color();
    font.Name = Name();
    font.Charset = Charset();
    font.Style = Style();
    font.Size = Size();
    font.Pitch = Pitch();
}

// ---- TRtParaAttributes ----

TRtParaAttributes::TRtParaAttributes(TRtCustomRichEdit& editor)
    : FEditor(editor)
{
}

PARAFORMAT2 TRtParaAttributes::Get() const
{
    PARAFORMAT2 format;
    FEditor.Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    return format;
}

void TRtParaAttributes::Set(PARAFORMAT2& format)
{
    FEditor.Perform(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
}

TAlignment TRtParaAttributes::Alignment() const { return TAlignment(std::clamp(int(Get().wAlignment) - 1, 0, 3)); }

void TRtParaAttributes::SetAlignment(TAlignment alignment)
{
    PARAFORMAT2 format;
    format.dwMask = PFM_ALIGNMENT;
    format.wAlignment = WORD(int(alignment) + 1);
    Set(format);
}

TRtNumberingStyle TRtParaAttributes::Numbering() const { return TRtNumberingStyle(Get().wNumbering); }

void TRtParaAttributes::SetNumbering(TRtNumberingStyle numbering)
{
    if (numbering == TRtNumberingStyle::nsNone)
        SetOffset(0);
    else if (Offset() < 10)
        SetOffset(10);
    PARAFORMAT2 format;
    format.dwMask = PFM_NUMBERING;
    format.wNumbering = WORD(numbering);
    Set(format);
}

int TRtParaAttributes::StartIndent() const { return Get().dxStartIndent / 20; }

void TRtParaAttributes::SetStartIndent(int points)
{
    PARAFORMAT2 format;
    format.dwMask = PFM_STARTINDENT;
    format.dxStartIndent = points * 20;
    Set(format);
}

int TRtParaAttributes::Offset() const { return Get().dxOffset / 20; }

void TRtParaAttributes::SetOffset(int points)
{
    PARAFORMAT2 format;
    format.dwMask = PFM_OFFSET;
    format.dxOffset = points * 20;
    Set(format);
}

int TRtParaAttributes::RightIndent() const { return Get().dxRightIndent / 20; }

void TRtParaAttributes::SetRightIndent(int points)
{
    PARAFORMAT2 format;
    format.dwMask = PFM_RIGHTINDENT;
    format.dxRightIndent = points * 20;
    Set(format);
}

int TRtParaAttributes::LineSpacing() const { return Get().dyLineSpacing / 20; }

void TRtParaAttributes::SetLineSpacing(int points)
{
    PARAFORMAT2 format = Get();
    format.dwMask = PFM_LINESPACING;
    format.dyLineSpacing = points * 20;
    Set(format);
}

int TRtParaAttributes::LineSpacingRule() const { return Get().bLineSpacingRule; }

void TRtParaAttributes::SetLineSpacingRule(int rule)
{
    PARAFORMAT2 format = Get();
    format.dwMask = PFM_LINESPACING;
    format.bLineSpacingRule = BYTE(rule);
    Set(format);
}

int TRtParaAttributes::TabCount() const { return Get().cTabCount; }

int TRtParaAttributes::Tab(int index) const
{
    const PARAFORMAT2 format = Get();
    return index >= 0 && index < format.cTabCount ? (format.rgxTabs[index] & 0xFFFFFF) / 20 : 0;
}

// ---- TConversion and TRichEditStrings ----

qint64 TConversion::ConvertReadStream(QIODevice& stream, char* buffer, qint64 size) { return stream.read(buffer, size); }

qint64 TConversion::ConvertWriteStream(QIODevice& stream, const char* buffer, qint64 size)
{
    return stream.write(buffer, size);
}

TRichEditStrings::TRichEditStrings(TRtCustomRichEdit& editor)
    : FEditor(editor)
{
}

TRichEditStrings::~TRichEditStrings() = default;

const QList<TRichConversionFormat>& TRichEditStrings::ConversionFormats()
{
    static const QList<TRichConversionFormat> formats { { QStringLiteral("txt"), true }, { QStringLiteral("rtf"), false } };
    return formats;
}

int TRichEditStrings::Count() const
{
    TRichEditControl& control = FEditor.Control();
    const int lines = int(control.LineCount());
    if (lines > 0 && control.LineText(lines - 1).isEmpty())
        return lines - 1;
    return lines;
}

QString TRichEditStrings::Get(int index) const
{
    QString line = FEditor.Control().LineText(index).left(LineBufferSize);
    if (line.endsWith(QLatin1String("\r\n")))
        line.chop(2);
    else if (line.endsWith(u'\r'))
        line.chop(1);
    return line;
}

QString TRichEditStrings::Text() const
{
    QString text;
    const int count = Count();
    for (int i = 0; i < count; ++i)
        text += Get(i) + QLatin1String("\r\n");
    return text;
}

void TRichEditStrings::SetText(const QString& text)
{
    FEditor.SetText(text);
}

void TRichEditStrings::Put(int index, const QString& text)
{
    TRichEditControl& control = FEditor.Control();
    const LONG start = control.LineIndex(index);
    if (start < 0)
        return;
    const LONG length = control.LineLength(start);
    control.SetSelection({ start, start + length });
    FEditor.ReplaceSelection(text, true);
}

void TRichEditStrings::Delete(int index)
{
    TRichEditControl& control = FEditor.Control();
    const LONG start = control.LineIndex(index);
    if (start < 0)
        return;
    LONG end = control.LineIndex(index + 1);
    if (end < 0)
        end = control.TextLength();
    control.SetSelection({ start, end });
    FEditor.ReplaceSelection(QString(), true);
}

void TRichEditStrings::Insert(int index, const QString& text)
{
    TRichEditControl& control = FEditor.Control();
    LONG start = control.LineIndex(index);
    QString inserted;
    if (start >= 0) {
        inserted = text + u'\r';
    } else {
        start = control.LineIndex(index - 1);
        if (start < 0)
            return;
        start += control.LineLength(start);
        inserted = u'\r' + text;
    }
    control.SetSelection({ start, start });
    FEditor.ReplaceSelection(inserted, true);
}

void TRichEditStrings::Clear() { FEditor.Clear(); }

void TRichEditStrings::BeginUpdate()
{
    if (FUpdateCount++ == 0 && FEditor.isVisible())
        FEditor.Perform(WM_SETREDRAW, FALSE);
}

void TRichEditStrings::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    FEditor.Perform(WM_SETREDRAW, TRUE);
    FEditor.Control().viewport()->update();
    if (FEditor.OnChange)
        FEditor.OnChange(&FEditor);
}

WPARAM TRichEditStrings::PlatformFormat(bool loading) const
{
    WPARAM format;
    switch (FStreamFormat) {
    case TRichStreamFormat::sfRichText:
        format = SF_RTF;
        break;
    case TRichStreamFormat::sfPlainText:
        format = SF_TEXT;
        break;
    default:
        format = FEditor.PlainText() ? SF_TEXT : SF_RTF;
        break;
    }
    if (FStreamMode.Contains(TRichStreamMode::smPlainRtf) && format == SF_RTF)
        format |= SFF_PLAINRTF;
    if (!loading && FStreamMode.Contains(TRichStreamMode::smNoObjects) && (format & 0x0F) == SF_RTF)
        format = (format & ~WPARAM(0x0F)) | SF_RTFNOOBJS;
    if (FStreamMode.Contains(TRichStreamMode::smUnicode) && (format & 0x0F) == SF_TEXT)
        format |= SF_UNICODE;
    if (FStreamMode.Contains(TRichStreamMode::smSelection))
        format |= SFF_SELECTION;
    return format;
}

namespace {

// The bytes the control is given for a format: plain text with CR LF line ends, and on this platform
// Unicode plain text decoded from the file's UTF-8 (or a UTF-16 file with its mark) into UTF-16.
QByteArray BytesForControl(const QByteArray& raw, WPARAM format)
{
    if ((format & 0x0F) != SF_TEXT)
        return raw;
    if (!(format & SF_UNICODE))
        return WithCrLf(raw);
    QString text = DecodePlainText(raw);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n').replace(u'\n', QLatin1String("\r\n"));
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

bool StreamInto(TRichEditControl& control, WPARAM format, const QByteArray& raw)
{
    const QByteArray bytes = BytesForControl(raw, format);
    TStreamCookie cookie { &bytes };
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&cookie);
    stream.pfnCallback = &ReadCallback;
    control.Perform(EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0 && !control.Failed();
}

} // namespace

void TRichEditStrings::LoadFromStream(QIODevice& stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = FConverter.get();
    if (!converter) {
        temporary = std::make_unique<TConversion>();
        converter = temporary.get();
    }
    const qint64 position = stream.pos();
    auto readAll = [&] {
        QByteArray bytes;
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        while (true) {
            const qint64 count = converter->ConvertReadStream(stream, chunk.data(), chunk.size());
            if (count < 0)
                throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
            if (count == 0)
                break;
            if (bytes.size() + count > MaxStreamBytes)
                throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
            bytes.append(chunk.constData(), count);
        }
        return bytes;
    };
    TRichEditControl& control = FEditor.Control();
    const WPARAM format = PlatformFormat(true);
    bool loaded = StreamInto(control, format, readAll());
    if (!loaded) {
        stream.seek(position);
        const WPARAM other = (format & 0x0F) == SF_RTF ? SF_TEXT : SF_RTF;
        loaded = StreamInto(control, other, readAll());
    }
    if (!loaded)
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
    control.SetSelection({ 0, 0 });
    control.Perform(EM_SCROLLCARET);
}

void TRichEditStrings::SaveToStream(QIODevice& stream)
{
    std::unique_ptr<TConversion> temporary;
    TConversion* converter = FConverter.get();
    if (!converter) {
        temporary = std::make_unique<TConversion>();
        converter = temporary.get();
    }
    const WPARAM format = PlatformFormat(false);
    QByteArray bytes;
    TStreamCookie cookie;
    cookie.sink = &bytes;
    EDITSTREAM edit;
    edit.dwCookie = reinterpret_cast<DWORD_PTR>(&cookie);
    edit.pfnCallback = &WriteCallback;
    TRichEditControl& control = FEditor.Control();
    control.Perform(EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&edit));
    if (edit.dwError != 0 || control.Failed())
        throw EOutOfResources(QStringLiteral("Failed to Save Stream"));
    if ((format & 0x0F) == SF_TEXT && (format & SF_UNICODE)) {
        // Unicode plain text is kept as UTF-8 on this platform.
        bytes = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2).toUtf8();
    }
    if (converter->ConvertWriteStream(stream, bytes.constData(), bytes.size()) != bytes.size())
        throw EOutOfResources(QStringLiteral("Failed to Save Stream"));
}

void TRichEditStrings::LoadFromFile(const QString& fileName) { TransferFile(fileName, true); }

void TRichEditStrings::SaveToFile(const QString& fileName) { TransferFile(fileName, false); }

// A known extension, in lower case, fixes the format for the one transfer.
void TRichEditStrings::TransferFile(const QString& fileName, bool loading)
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    const TRichStreamFormat oldFormat = FStreamFormat;
    for (const auto& entry : ConversionFormats()) {
        if (entry.Extension == extension) {
            if (!FConverter)
                FConverter = std::make_unique<TConversion>();
            FStreamFormat = entry.PlainText ? TRichStreamFormat::sfPlainText : TRichStreamFormat::sfRichText;
            break;
        }
    }
    try {
        QFile file(fileName);
        if (loading) {
            if (!file.open(QIODevice::ReadOnly))
                throw EFOpenError(fileName);
            LoadFromStream(file);
        } else {
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw EFCreateError(fileName);
            SaveToStream(file);
            if (!file.flush())
                throw EFCreateError(fileName);
        }
    } catch (...) {
        FConverter.reset();
        FStreamFormat = oldFormat;
        throw;
    }
    FStreamFormat = oldFormat;
}

// ---- TRtCustomRichEdit ----

TRtCustomRichEdit::TRtCustomRichEdit(QWidget* parent)
    : QWidget(parent)
    , FSelectionAttributes(std::make_unique<TRtTextAttributes>(*this, TAttributeType::atSelected))
    , FWordAttributes(std::make_unique<TRtTextAttributes>(*this, TAttributeType::atWord))
    , FDefaultAttributes(std::make_unique<TRtTextAttributes>(*this, TAttributeType::atDefaultText))
    , FParagraphAttributes(std::make_unique<TRtParaAttributes>(*this))
    , FLines(std::make_unique<TRichEditStrings>(*this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    CreateWnd();
}

TRtCustomRichEdit::~TRtCustomRichEdit()
{
    // The dialogs may still call back while they close; they go before the control.
    FLastSearchDialog = nullptr;
    FFindDialog.reset();
    FReplaceDialog.reset();
    DestroyWnd();
}

void TRtCustomRichEdit::CreateWnd()
{
    FControl = new TRichEditControl(this);
    layout()->addWidget(FControl);
    FControl->setFrameShape(QFrame::NoFrame);
    FControl->installEventFilter(this);
    FControl->viewport()->installEventFilter(this);
    ApplyScrollBars();
    FControl->setLineWrapMode(FWordWrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    FControl->setTabChangesFocus(!FWantTabs);
    FControl->setReadOnly(FReadOnly);

    // Step 1: a Far-Eastern system other than Japanese takes its own character set.
    const QLocale::Language language = QLocale::system().language();
    if (language == QLocale::Chinese || language == QLocale::Korean)
        FFont.Charset = language == QLocale::Korean ? HANGEUL_CHARSET : GB2312_CHARSET;
    FControl->SetListener(this);
    FControl->Perform(EM_SETEVENTMASK, 0, LPARAM(ENM_CHANGE | ENM_SELCHANGE | ENM_REQUESTRESIZE | ENM_PROTECTED | ENM_LINK));
    FControl->Perform(EM_SETBKGNDCOLOR, 0, LPARAM(RgbFromColor(FColor)));
    FControl->Perform(EM_EXLIMITTEXT, 0, FMaxLength > 0 ? FMaxLength : 0xFFFFFF);
    FControl->Perform(EM_SETOPTIONS, FWordSelection ? ECOOP_OR : ECOOP_AND,
        LPARAM(FWordSelection ? ECO_AUTOWORDSELECTION : ~ECO_AUTOWORDSELECTION));
    FControl->Perform(EM_AUTOURLDETECT, FAutoURLDetect ? TRUE : FALSE);
    FUndoLimit = int(FControl->Perform(EM_SETUNDOLIMIT, WPARAM(FUndoLimit)));
    ApplyTextMode();
    FControl->Perform(EM_SETLANGOPTIONS, 0, LPARAM(LangFlags(FLangOptions)));
    FControl->Perform(EM_HIDESELECTION, FHideSelection ? TRUE : FALSE);
    FDefaultAttributes->Assign(FFont);
    if (FSavedContent) {
        FSavedContent->seek(0);
        FLines->LoadFromStream(*FSavedContent);
        FSavedContent.reset();
    }
    SetModified(FSavedModified);
    FSavedModified = false;
}

void TRtCustomRichEdit::DestroyWnd()
{
    TRichEditControl* control = std::exchange(FControl, nullptr);
    if (!control)
        return;
    control->removeEventFilter(this);
    control->viewport()->removeEventFilter(this);
    control->SetListener(nullptr);
    delete control;
}

void TRtCustomRichEdit::RecreateWnd()
{
    FSavedModified = Modified();
    FSavedContent = std::make_unique<QBuffer>();
    FSavedContent->open(QIODevice::ReadWrite);
    FLines->SaveToStream(*FSavedContent);
    DestroyWnd();
    CreateWnd();
}

void TRtCustomRichEdit::ApplyTextMode()
{
    const WPARAM mode = (FPlainText ? TM_PLAINTEXT : TM_RICHTEXT) | (FUndoLimit > 1 ? TM_MULTILEVELUNDO : TM_SINGLELEVELUNDO);
    FControl->Perform(EM_SETTEXTMODE, mode);
}

void TRtCustomRichEdit::ApplyScrollBars()
{
    const bool vertical = FScrollBars == TScrollStyle::ssVertical || FScrollBars == TScrollStyle::ssBoth;
    const bool horizontal = (FScrollBars == TScrollStyle::ssHorizontal || FScrollBars == TScrollStyle::ssBoth) && !FWordWrap;
    const Qt::ScrollBarPolicy shown = FHideScrollBars ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOn;
    FControl->setVerticalScrollBarPolicy(vertical ? shown : Qt::ScrollBarAlwaysOff);
    FControl->setHorizontalScrollBarPolicy(horizontal ? shown : Qt::ScrollBarAlwaysOff);
}

void TRtCustomRichEdit::SetPlainText(bool on)
{
    if (on == FPlainText)
        return;
    DoSetPlainText(on);
}

void TRtCustomRichEdit::DoSetPlainText(bool on)
{
    QBuffer saved;
    saved.open(QIODevice::ReadWrite);
    const TRichStreamFormat oldFormat = FLines->StreamFormat();
    const TRichStreamModes oldModes = FLines->StreamMode();
    FLines->SetStreamFormat(on ? TRichStreamFormat::sfPlainText : TRichStreamFormat::sfRichText);
    FLines->SetStreamMode({});
    FLines->SaveToStream(saved);
    const DWORD mask = DWORD(FControl->Perform(EM_GETEVENTMASK));
    FControl->Perform(EM_SETEVENTMASK, 0, LPARAM(mask & ~ENM_CHANGE));
    FControl->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    FPlainText = on;
    ApplyTextMode();
    FControl->Perform(EM_SETEVENTMASK, 0, LPARAM(mask));
    FLines->SetStreamFormat(on ? TRichStreamFormat::sfPlainText : TRichStreamFormat::sfRichText);
    saved.seek(0);
    try {
        FLines->LoadFromStream(saved);
    } catch (...) {
        FLines->SetStreamFormat(oldFormat);
        FLines->SetStreamMode(oldModes);
        throw;
    }
    FLines->SetStreamFormat(oldFormat);
    FLines->SetStreamMode(oldModes);
}

void TRtCustomRichEdit::SetUndoLimit(int limit)
{
    FUndoLimit = int(FControl->Perform(EM_SETUNDOLIMIT, WPARAM(std::max(0, limit))));
}

void TRtCustomRichEdit::SetAutoURLDetect(bool on)
{
    FAutoURLDetect = on;
    FControl->Perform(EM_AUTOURLDETECT, on ? TRUE : FALSE);
}

void TRtCustomRichEdit::SetWordSelection(bool on)
{
    FWordSelection = on;
    FControl->Perform(EM_SETOPTIONS, on ? ECOOP_OR : ECOOP_AND, LPARAM(on ? ECO_AUTOWORDSELECTION : ~ECO_AUTOWORDSELECTION));
}

void TRtCustomRichEdit::SetHideSelection(bool hide)
{
    FHideSelection = hide;
    FControl->Perform(EM_HIDESELECTION, hide ? TRUE : FALSE);
}

void TRtCustomRichEdit::SetHideScrollBars(bool hide)
{
    if (hide == FHideScrollBars)
        return;
    FHideScrollBars = hide;
    RecreateWnd();
}

void TRtCustomRichEdit::SetSelectionBar(bool on)
{
    if (on == FSelectionBar)
        return;
    FSelectionBar = on;
    RecreateWnd();
}

void TRtCustomRichEdit::SetAllowObjects(bool on)
{
    if (on == FAllowObjects)
        return;
    FAllowObjects = on;
    RecreateWnd();
}

void TRtCustomRichEdit::SetScrollBars(TScrollStyle style)
{
    FScrollBars = style;
    ApplyScrollBars();
}

void TRtCustomRichEdit::SetWordWrap(bool on)
{
    FWordWrap = on;
    FControl->setLineWrapMode(on ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    ApplyScrollBars();
}

void TRtCustomRichEdit::SetWantTabs(bool on)
{
    FWantTabs = on;
    FControl->setTabChangesFocus(!on);
}

void TRtCustomRichEdit::SetMaxLength(int length)
{
    FMaxLength = std::max(0, length);
    FControl->Perform(EM_EXLIMITTEXT, 0, FMaxLength > 0 ? FMaxLength : 0xFFFFFF);
}

void TRtCustomRichEdit::SetLangOptions(TRichLangOptions options)
{
    FLangOptions = options;
    FControl->Perform(EM_SETLANGOPTIONS, 0, LPARAM(LangFlags(options)));
}

void TRtCustomRichEdit::SetFont(const TFont& font)
{
    FFont = font;
    FDefaultAttributes->Assign(font);
}

void TRtCustomRichEdit::SetColor(COLORREF color)
{
    FColor = color;
    FControl->Perform(EM_SETBKGNDCOLOR, 0, LPARAM(RgbFromColor(color)));
}

bool TRtCustomRichEdit::ReadOnly() const { return FReadOnly; }

void TRtCustomRichEdit::SetReadOnly(bool on)
{
    FReadOnly = on;
    FControl->setReadOnly(on);
}

// ---- selection and text ----

int TRtCustomRichEdit::SelectionStart() const
{
    CHARRANGE range;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMin;
}

void TRtCustomRichEdit::SetSelectionStart(int position)
{
    CHARRANGE range { position, position };
    FControl->Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

int TRtCustomRichEdit::SelectionLength() const
{
    CHARRANGE range;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return range.cpMax - range.cpMin;
}

void TRtCustomRichEdit::SetSelectionLength(int length)
{
    CHARRANGE range;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    range.cpMax = range.cpMin + length;
    FControl->Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    FControl->Perform(EM_SCROLLCARET);
}

QString TRtCustomRichEdit::SelectedText() const
{
    CHARRANGE range;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return TextOfRange(range.cpMin, range.cpMax);
}

void TRtCustomRichEdit::SetSelectedText(const QString& text) { ReplaceSelection(text, false); }

void TRtCustomRichEdit::ReplaceSelection(const QString& text, bool fromLines)
{
    const int start = SelectionStart();
    const int before = TextLength() - SelectionLength();
    const bool undoable = !fromLines && FUndoLimit > 1;
    FControl->ReplaceSelection(text, undoable);
    if (fromLines)
        return;
    // The control counts CR LF as one character, so the inserted length is measured, not assumed.
    CHARRANGE inserted { start, start + std::max(0, TextLength() - before) };
    FControl->Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&inserted));
    FControl->Perform(EM_SCROLLCARET);
}

QString TRtCustomRichEdit::TextOfRange(int start, int end) const
{
    if (end < start && end >= 0)
        return {};
    const qsizetype capacity = end < 0 ? FControl->TextLength() - start + 1 : qsizetype(end - start) + 1;
    std::vector<char16_t> buffer(size_t(std::max<qsizetype>(capacity, 1)), 0);
    TEXTRANGEW range { { start, end }, buffer.data() };
    const LRESULT copied = FControl->Perform(EM_GETTEXTRANGEW, 0, reinterpret_cast<LPARAM>(&range));
    return QString::fromUtf16(buffer.data(), qsizetype(std::clamp<LRESULT>(copied, 0, capacity)));
}

QPoint TRtCustomRichEdit::CaretPosition() const
{
    CHARRANGE range;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    const int line = int(FControl->Perform(EM_EXLINEFROMCHAR, 0, range.cpMax));
    const int column = range.cpMax - int(FControl->Perform(EM_LINEINDEX, WPARAM(line)));
    return QPoint(column, line);
}

bool TRtCustomRichEdit::Modified() const { return FControl->Perform(EM_GETMODIFY) != 0; }

void TRtCustomRichEdit::SetModified(bool modified) { FControl->Perform(EM_SETMODIFY, modified ? TRUE : FALSE); }

QString TRtCustomRichEdit::Text() const { return FControl->Text(); }

void TRtCustomRichEdit::SetText(const QString& text) { FControl->SetText(text); }

int TRtCustomRichEdit::TextLength() const { return FControl->TextLength(); }

void TRtCustomRichEdit::Clear()
{
    // Pictures are plain characters of the text here, so emptying the text closes them.
    FControl->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    SetModified(false);
}

void TRtCustomRichEdit::SelectAll() { FControl->selectAll(); }
void TRtCustomRichEdit::ClearSelection() { FControl->Perform(WM_CLEAR); }
void TRtCustomRichEdit::CutToClipboard() { FControl->Perform(WM_CUT); }
void TRtCustomRichEdit::CopyToClipboard() { FControl->Perform(WM_COPY); }
void TRtCustomRichEdit::PasteFromClipboard() { FControl->Perform(WM_PASTE); }
void TRtCustomRichEdit::Undo() { FControl->Perform(WM_UNDO); }
void TRtCustomRichEdit::Redo() { FControl->Perform(EM_REDO); }
bool TRtCustomRichEdit::CanUndo() const { return FControl->Perform(EM_CANUNDO) != 0; }
bool TRtCustomRichEdit::CanRedo() const { return FControl->Perform(EM_CANREDO) != 0; }
void TRtCustomRichEdit::SetFocus() { FControl->setFocus(); }

bool TRtCustomRichEdit::InsertPicture(const RichText::TPicture& picture)
{
    if (!FAllowObjects)
        return false;
    return FControl->InsertPicture(picture);
}

int TRtCustomRichEdit::ObjectCount() const
{
    int count = 0;
    const QTextDocument* document = FControl->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().objectType() == RichText::ObjectTextFormat)
                count += it.fragment().length();
        }
    }
    return count;
}

// ---- notifications ----

LRESULT TRtCustomRichEdit::RichEditNotify(NMHDR& header)
{
    switch (header.code) {
    case EN_CHANGE:
        if (!FSuspendSelectionChange && OnChange)
            OnChange(this);
        return 0;
    case EN_SELCHANGE:
        if (!FSuspendSelectionChange)
            SelectionChange();
        return 0;
    case EN_PROTECTED: {
        const auto& request = reinterpret_cast<ENPROTECTED&>(header);
        return ProtectChange(request.msg, request.chrg.cpMin, request.chrg.cpMax) ? 1 : 0;
    }
    case EN_REQUESTRESIZE: {
        const auto& request = reinterpret_cast<REQRESIZE&>(header);
        DoResizeRequest(QRect(QPoint(request.rc.left, request.rc.top), QPoint(request.rc.right - 1, request.rc.bottom - 1)));
        return 0;
    }
    case EN_SAVECLIPBOARD: {
        const auto& request = reinterpret_cast<ENSAVECLIPBOARD&>(header);
        return SaveClipboard(request.cObjectCount, request.cch) ? 0 : 1;
    }
    case EN_LINK: {
        const auto& link = reinterpret_cast<ENLINK&>(header);
        switch (link.msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            FLinkStart = link.chrg.cpMin;
            FLinkEnd = link.chrg.cpMax;
            FLinkButton = link.msg == WM_LBUTTONDOWN ? TMouseButton::mbLeft : TMouseButton::mbRight;
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            const TMouseButton button = link.msg == WM_LBUTTONUP ? TMouseButton::mbLeft : TMouseButton::mbRight;
            if (button == FLinkButton && FLinkStart == link.chrg.cpMin && FLinkEnd == link.chrg.cpMax)
                URLClick(TextOfRange(link.chrg.cpMin, link.chrg.cpMax), button);
            FLinkStart = FLinkEnd = -1;
            break;
        }
        default:
            break;
        }
        return 0;
    }
    default:
        return 0;
    }
}

void TRtCustomRichEdit::SelectionChange()
{
    if (OnSelectionChange)
        OnSelectionChange(this);
}

bool TRtCustomRichEdit::ProtectChange(UINT message, int startPos, int endPos)
{
    bool allow = false;
    if (OnProtectChangeEx)
        OnProtectChangeEx(this, message, startPos, endPos, allow);
    else if (OnProtectChange)
        OnProtectChange(this, startPos, endPos, allow);
    return allow;
}

bool TRtCustomRichEdit::SaveClipboard(int numObjects, int numChars)
{
    bool save = true;
    if (OnSaveClipboard)
        OnSaveClipboard(this, numObjects, numChars, save);
    return save;
}

void TRtCustomRichEdit::URLClick(const QString& urlText, TMouseButton button)
{
    if (OnURLClick)
        OnURLClick(this, urlText, button);
}

void TRtCustomRichEdit::DoTextNotFound(const QString& findText)
{
    if (OnTextNotFound)
        OnTextNotFound(this, findText);
}

void TRtCustomRichEdit::DoResizeRequest(const QRect& rect)
{
    if (OnResizeRequest)
        OnResizeRequest(this, rect);
}

void TRtCustomRichEdit::DoCloseFindDialog(IFindDialog& dialog)
{
    if (OnCloseFindDialog)
        OnCloseFindDialog(this, dialog);
}

bool TRtCustomRichEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (FControl && (watched == FControl || watched == FControl->viewport())) {
        switch (event->type()) {
        case QEvent::KeyPress:
            if (OnKeyDown && watched == FControl) {
                auto* key = static_cast<QKeyEvent*>(event);
                int code = key->key();
                OnKeyDown(this, code, key->modifiers());
                if (code == 0)
                    return true;
            }
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
            if (watched == FControl->viewport()) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                const TMouseButton button = mouse->button() == Qt::RightButton ? TMouseButton::mbRight
                    : mouse->button() == Qt::MiddleButton                      ? TMouseButton::mbMiddle
                                                                               : TMouseButton::mbLeft;
                const QPoint point = FControl->viewport()->mapTo(FControl, mouse->position().toPoint());
                const TMouseEvent& handler = event->type() == QEvent::MouseButtonPress ? OnMouseDown : OnMouseUp;
                if (handler)
                    handler(this, button, mouse->modifiers(), point.x(), point.y());
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- search ----

int TRtCustomRichEdit::SearchText(const QString& text, int start, int length, TSearchTypes options)
{
    const bool backward = options.Contains(TSearchType::stBackward);
    FINDTEXTEXW find;
    const std::u16string needle(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
    find.lpstrText = needle.c_str();
    // Backwards the range runs from start down towards the beginning of the text.
    find.chrg = backward ? CHARRANGE { start, std::max(0, start - std::abs(length)) }
                         : CHARRANGE { start, start + std::abs(length) };
    WPARAM flags = backward ? 0 : FR_DOWN;
    if (options.Contains(TSearchType::stWholeWord))
        flags |= FR_WHOLEWORD;
    if (options.Contains(TSearchType::stMatchCase))
        flags |= FR_MATCHCASE;
    const int found = int(FControl->Perform(EM_FINDTEXTEXW, flags, reinterpret_cast<LPARAM>(&find)));
    if (found >= 0 && options.Contains(TSearchType::stSetSelection)) {
        FControl->Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&find.chrgText));
        FControl->Perform(EM_SCROLLCARET);
    }
    return found;
}

bool TRtCustomRichEdit::DialogSearch(IFindDialog& dialog, bool events, bool moveDialog)
{
    const TFindOptions options = dialog.Options();
    CHARRANGE selection;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    TSearchTypes types { TSearchType::stSetSelection };
    if (options.MatchCase)
        types.Include(TSearchType::stMatchCase);
    if (options.WholeWord)
        types.Include(TSearchType::stWholeWord);
    int start, length;
    if (options.Down) {
        start = std::max(selection.cpMin, selection.cpMax);
        length = int(FControl->Perform(WM_GETTEXTLENGTH)) - start + 1;
    } else {
        types.Include(TSearchType::stBackward);
        start = std::min(selection.cpMin, selection.cpMax);
        length = start + 1;
    }
    const QString text = dialog.FindText();
    if (!text.isEmpty())
        FLastSearchDialog = &dialog;
    const bool found = SearchText(text, start, length, types) >= 0;
    if (!found) {
        if (events)
            DoTextNotFound(text);
    } else if (moveDialog) {
        MoveDialogOffSelection(dialog);
    }
    return found;
}

void TRtCustomRichEdit::MoveDialogOffSelection(IFindDialog& dialog)
{
    CHARRANGE selection;
    FControl->Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    POINT startPoint, endPoint;
    FControl->Perform(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&startPoint), selection.cpMin);
    FControl->Perform(EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&endPoint), selection.cpMax);
    const QPoint start = FControl->mapToGlobal(QPoint(startPoint.x, startPoint.y));
    const QPoint end = FControl->mapToGlobal(QPoint(endPoint.x, endPoint.y + 20));
    const QRect frame = dialog.WindowRect();
    if (!frame.contains(start) && !frame.contains(end))
        return;
    const QScreen* screen = FControl->screen();
    const int screenTop = screen ? screen->geometry().top() : 0;
    const int screenHeight = screen ? screen->geometry().height() : 0;
    if (start.y() - screenTop > frame.height() + 20)
        dialog.Move(frame.left(), start.y() - frame.height() - 20);
    else if (start.y() - screenTop + frame.height() < screenHeight)
        dialog.Move(frame.left(), start.y() + 40);
}

IFindDialog& TRtCustomRichEdit::FindDialog(bool replace)
{
    std::unique_ptr<IFindDialog>& dialog = replace ? FReplaceDialog : FFindDialog;
    if (dialog)
        return *dialog;
    if (!FDialogs)
        throw Exception(QStringLiteral("The editor has no dialogs to search with"));
    dialog = replace ? FDialogs->CreateReplaceDialog() : FDialogs->CreateFindDialog();
    const std::unique_ptr<IFindDialog>& other = replace ? FFindDialog : FReplaceDialog;
    if (other)
        dialog->SetFindText(other->FindText());
    dialog->OnFind = [this](IFindDialog& source) { DialogSearch(source, true, true); };
    dialog->OnClose = [this](IFindDialog& source) { DoCloseFindDialog(source); };
    if (replace) {
        dialog->OnReplace = [this](IFindDialog& source) { ReplaceClick(source); };
        dialog->OnReplaceAll = [this](IFindDialog& source) { ReplaceAllClick(source); };
    }
    return *dialog;
}

IFindDialog* TRtCustomRichEdit::OpenFindDialog(const QString& text)
{
    IFindDialog& dialog = FindDialog(false);
    if (!text.isEmpty())
        dialog.SetFindText(text);
    dialog.Show();
    return &dialog;
}

IFindDialog* TRtCustomRichEdit::OpenReplaceDialog(const QString& text, const QString& replacement)
{
    IFindDialog& dialog = FindDialog(true);
    if (!text.isEmpty())
        dialog.SetFindText(text);
    if (!replacement.isEmpty())
        dialog.SetReplaceText(replacement);
    dialog.Show();
    return &dialog;
}

bool TRtCustomRichEdit::RepeatFind()
{
    if (!FControl || !FLastSearchDialog || FLastSearchDialog->FindText().isEmpty())
        return false;
    return DialogSearch(*FLastSearchDialog, true, false);
}

void TRtCustomRichEdit::ReplaceClick(IFindDialog& dialog)
{
    // Only a selection that is the searched text is replaced; anything else (an empty selection,
    // a word the user picked) stays, and the search goes on to the next occurrence.
    const TFindOptions options = dialog.Options();
    const QString selected = SelectedText();
    const QString text = dialog.FindText();
    const bool matches = !text.isEmpty()
        && selected.compare(text, options.MatchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
    if (matches)
        ReplaceSelection(dialog.ReplaceText(), false);
    DialogSearch(dialog, true, true);
}

void TRtCustomRichEdit::ReplaceAllClick(IFindDialog& dialog)
{
    // Exactly the occurrences of the searched text in the whole document, whatever the selection
    // holds, as one step the user can undo.
    const QString text = dialog.FindText();
    if (!text.isEmpty())
        FLastSearchDialog = &dialog;
    const TFindOptions options = dialog.Options();
    WPARAM flags = FR_DOWN;
    if (options.MatchCase)
        flags |= FR_MATCHCASE;
    if (options.WholeWord)
        flags |= FR_WHOLEWORD;
    const LONG count = FControl->ReplaceAll(flags, { 0, -1 }, text, dialog.ReplaceText());
    if (count == 0) {
        DoTextNotFound(text);
        return;
    }
    FControl->Perform(EM_SCROLLCARET);
    MoveDialogOffSelection(dialog);
    if (FDialogs)
        FDialogs->ShowInformation(ReplacedCountText(int(count), text));
}

QString ReplacedCountText(int count, const QString& text)
{
    return count == 1 ? QStringLiteral("1 occurrence of \"%1\" replaced.").arg(text)
                      : QStringLiteral("%1 occurrences of \"%2\" replaced.").arg(count).arg(text);
}

// ---- printing ----

void TRtCustomRichEdit::PrintDocument(const QString& title)
{
    if (!FPrinter)
        throw EPrinter(QStringLiteral("There is no printer to print on"));
    TPrinterDevice& printer = *FPrinter;
    printer.SetTitle(title);
    printer.BeginDoc();
    TDeviceContext& canvas = printer.Canvas();
    const int dpiX = canvas.GetDeviceCaps(LOGPIXELSX);
    const int dpiY = canvas.GetDeviceCaps(LOGPIXELSY);
    const bool wholePage = FPrintArea.right <= FPrintArea.left || FPrintArea.bottom <= FPrintArea.top;
    const RECT area = wholePage ? RECT { 0, 0, canvas.GetDeviceCaps(HORZRES), canvas.GetDeviceCaps(VERTRES) } : FPrintArea;
    const RECT text { area.left * 1440 / dpiX, area.top * 1440 / dpiY, area.right * 1440 / dpiX, area.bottom * 1440 / dpiY };
    FORMATRANGE range;
    range.hdc = range.hdcTarget = &canvas;
    range.rcPage = text;
    range.chrg = { 0, -1 };
    GETTEXTLENGTHEX how { GTL_DEFAULT, CP_ACP };
    const LONG length = LONG(Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how)));
    const int oldMode = canvas.SetMapMode(MM_TEXT);
    Perform(EM_FORMATRANGE, 0, 0);
    try {
        LONG printed = 0;
        while (true) {
            range.rc = text;
            range.chrg.cpMin = printed;
            const LONG next = LONG(Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
            // A control that cannot advance would print empty pages for ever.
            if (next == -1 || next <= printed || next >= length)
                break;
            printed = next;
            printer.NewPage();
        }
    } catch (...) {
        Perform(EM_FORMATRANGE, 0, 0);
        canvas.SetMapMode(oldMode);
        // The job is dropped rather than left open, so the next print can start.
        printer.Abort();
        throw;
    }
    Perform(EM_FORMATRANGE, 0, 0);
    canvas.SetMapMode(oldMode);
    printer.EndDoc();
}
