// EquationBuilder.cpp: the equation builder.
#include "EquationBuilder.h"

#include "CharMaps.h"
#include "CommandGuard.h"
#include "EnhMetafile.h"
#include "Errors.h"
#include "GdiFontDefs.h"
#include "Hints.h"
#include "RichEditControl.h"
#include "RtRichEd.h"
#include "RtSpinEdit.h"
#include "RtfCodePages.h"
#include "SkinButton.h"
#include "SkinPanel.h"
#include "ToolClipboard.h"
#include "WindowDragger.h"

#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QPainterPath>
#include <QRawFont>
#include <QTextBlock>
#include <QTextLayout>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QTextDocument>

#include <cmath>
#include <memory>

namespace {

constexpr int PictureMargin = 5; // pixels around the formula
constexpr int MaxPictureSide = 16000;

void AddSymbols(std::vector<TSymbolButton>& buttons, std::initializer_list<int> numbers, std::initializer_list<int> codes)
{
    auto code = codes.begin();
    for (int number : numbers) {
        buttons.push_back({ number, QStringLiteral("Symbol"),
            SymbolFaceCharacter(*code++), true });
    }
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n)
        numbers.push_back(n);
    return numbers;
}

void AddSymbolRange(std::vector<TSymbolButton>& buttons, int firstNumber, int lastNumber, int firstCode)
{
    for (int n = firstNumber; n <= lastNumber; ++n)
        buttons.push_back({ n, QStringLiteral("Symbol"),
            SymbolFaceCharacter(firstCode + n - firstNumber), true });
}

std::vector<TSymbolButton> MakeButtons()
{
    std::vector<TSymbolButton> buttons;
    AddSymbolRange(buttons, 1, 26, 0x41);
    AddSymbolRange(buttons, 27, 52, 0x61);
    AddSymbols(buttons, { 53, 54, 55, 56, 57, 58, 59, 60, 61, 159, 160, 62, 71, 158 },
        { 0xC7, 0xC8, 0xC9, 0xCC, 0xCB, 0xCA, 0xCD, 0xCE, 0xCF, 0xD8, 0xD1, 0x27, 0x22, 0x24 });
    AddSymbols(buttons, { 63, 64, 65, 66, 67, 68, 69, 70, 72 }, { 0xDB, 0xDC, 0xDE, 0xDD, 0xDF, 0xAB, 0xAC, 0xAE, 0xAF });
    AddSymbols(buttons, { 80, 82, 83, 84, 85 }, { 0xA6, 0xF2, 0xE5, 0xD5, 0xA1 });
    AddSymbols(buttons, { 88, 89, 90, 91, 92, 93, 94, 95, 96 }, { 0xA3, 0xB3, 0x3C, 0x3E, 0x5C, 0xBC, 0xA5, 0xB5, 0xBE });
    AddSymbols(buttons, { 127, 128, 129, 130, 131, 132, 133, 134, 135 },
        { 0xB0, 0xA2, 0xB2, 0x7E, 0xB1, 0x23, 0xD6, 0xB8, 0xBB });
    AddSymbols(buttons, { 139, 140, 144, 145, 149, 150, 152, 153, 155 },
        { 0xB4, 0x40, 0x2D, 0xBA, 0x2B, 0xB9, 0x2E, 0x25, 0x3D });
    AddSymbols(buttons, { 154, 146, 147, 148, 141, 142, 143, 136, 137, 138 },
        { 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39 });
    AddSymbols(buttons, { 97, 98, 99, 100, 101, 102 }, { 0x5B, 0x5D, 0x7B, 0x7D, 0x28, 0x29 });
    {
        const std::vector<int> numbers = Range(103, 123);
        const int codes[] = { 0xF3, 0xE9, 0xF9, 0xEC, 0xFC, 0xE6, 0xF6, 0xF4, 0xEA, 0xFA, 0xED, 0xFD, 0xE7, 0xF7,
            0xF5, 0xEB, 0xFB, 0xEE, 0xFE, 0xE8, 0xF8 };
        for (std::size_t i = 0; i < numbers.size(); ++i)
            buttons.push_back({ numbers[i], QStringLiteral("Symbol"),
                SymbolFaceCharacter(codes[i]), true });
    }
    const int ansi[] = { 0xBA, 0xB9, 0xB2, 0xB3, 0xBC, 0xBD, 0xBE, 0x83 };
    const int ansiNumbers[] = { 73, 74, 75, 76, 77, 78, 79, 81 };
    for (int i = 0; i < 8; ++i)
        buttons.push_back({ ansiNumbers[i], QStringLiteral("Arial"), QString(QChar(SingleByteTable(CpAnsi)->map[ansi[i]])),
            false });
    buttons.push_back({ 124, QStringLiteral("Times New Roman"), QStringLiteral("sin"), false });
    buttons.push_back({ 125, QStringLiteral("Times New Roman"), QStringLiteral("cos"), false });
    buttons.push_back({ 126, QStringLiteral("Times New Roman"), QStringLiteral("tan"), false });
    return buttons;
}

} // namespace

const std::vector<TSymbolButton>& SymbolButtons()
{
    static const std::vector<TSymbolButton> buttons = MakeButtons();
    return buttons;
}

TEnhMetafile EquationPicture(TRtRichEdit& editor)
{
    if (editor.TextLength() == 0)
        throw EConvertError(QStringLiteral("There is no equation to insert"));
    // A copy laid out without wrapping: every line at its full width, however large the font.
    std::unique_ptr<QTextDocument> copy(editor.Control().document()->clone());
    copy->setDocumentMargin(0);
    copy->setTextWidth(-1);
    copy->setTextWidth(copy->idealWidth());
    const QSizeF laidOut = copy->size();
    if (!(laidOut.width() > 0) || !(laidOut.height() > 0))
        throw EConvertError(QStringLiteral("The equation has no size"));
    const int width = int(std::ceil(laidOut.width())) + 2 * PictureMargin;
    const int height = int(std::ceil(laidOut.height())) + 2 * PictureMargin;
    if (width > MaxPictureSide || height > MaxPictureSide)
        throw EConvertError(QStringLiteral("The equation is too large for a picture"));
    // The glyphs go into the picture as outlines, so that it shows the same at any size and in any
    // program, whatever fonts or glyph caches the reader has.
    QPainterPath ink;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        (void)copy->documentLayout()->blockBoundingRect(block); // lays the block out
        const QTextLayout* layout = block.layout();
        if (!layout)
            continue;
        const QPointF origin = layout->position();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
                const QTextFragment piece = fragment.fragment();
                const int start = std::max(piece.position() - block.position(), line.textStart());
                const int end = std::min(piece.position() - block.position() + piece.length(), line.textStart() + line.textLength());
                if (end <= start)
                    continue;
                const auto alignment = piece.charFormat().verticalAlignment();
                for (const QGlyphRun& run : line.glyphRuns(start, end - start)) {
                    const QRawFont font = run.rawFont();
                    // Raised and lowered as the editor shows them; the runs come without the shift.
                    const qreal height = font.ascent() + font.descent();
                    const qreal shift = alignment == QTextCharFormat::AlignSuperScript ? -height / 2
                        : alignment == QTextCharFormat::AlignSubScript                  ? height / 6
                                                                                         : 0.0;
                    const QPointF at = origin + QPointF(0, shift);
                    const QList<quint32> glyphs = run.glyphIndexes();
                    const QList<QPointF> positions = run.positions();
                    for (qsizetype g = 0; g < glyphs.size() && g < positions.size(); ++g)
                        ink.addPath(font.pathForGlyph(glyphs[g]).translated(at + positions[g]));
                    if (run.underline() && !positions.isEmpty()) {
                        const QRectF bounds = run.boundingRect().translated(at);
                        const qreal y = at.y() + positions.first().y() + font.underlinePosition();
                        ink.addRect(QRectF(bounds.left(), y, bounds.width(), std::max<qreal>(1.0, font.lineThickness())));
                    }
                }
            }
        }
    }
    if (ink.isEmpty())
        throw EConvertError(QStringLiteral("There is no equation to insert"));
    return RecordToolPicture(QSize(width, height), QStringLiteral("Equation"), [&ink](QPainter& painter) {
        painter.translate(PictureMargin, PictureMargin);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(ink, Qt::black);
    });
}

TfrmEBuilder::TfrmEBuilder(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , FDialogs(dialogs)
{
    SubstituteSymbolFace();
    setObjectName(QStringLiteral("frmEBuilder"));
    setWindowTitle(QStringLiteral("Equation Builder"));
    setFixedSize(848, 526);
    setAutoFillBackground(true);
    new TWindowDragger(*this);

    SkPanel1 = new TSkinPanel(QStringLiteral("Equation Builder"), TSkinPanelKind::pkTitle, this);
    SkPanel1->setGeometry(0, 0, 848, 36);
    SkPanel1->SetDragsWindow(true);

    auto* output = new TSkinGroupPanel(QStringLiteral("Equation Output Text"), this);
    output->setGeometry(8, 42, 832, 170);
    EQBuilder = new TRtRichEdit(output);
    EQBuilder->setObjectName(QStringLiteral("EQBuilder"));
    EQBuilder->setGeometry(8, 26, 700, 136);
    TFont font;
    font.Name = QStringLiteral("Symbol");
    font.Size = 14; // 19 pixels at 96 pixels per inch
    font.Charset = SYMBOL_CHARSET;
    font.Color = 0;
    EQBuilder->SetFont(font);
    EQBuilder->SetScrollBars(TScrollStyle::ssVertical);
    EQBuilder->SetStreamMode(TRichStreamModes { TRichStreamMode::smUnicode });
    EQBuilder->OnSelectionChange = [this](QObject*) { EQBuilderSelectionChange(); };
    auto* label4 = new QLabel(QStringLiteral("Font Size:"), output);
    label4->setGeometry(716, 30, 100, 22);
    RtSpinEdit1 = new TRtSpinEdit(output);
    RtSpinEdit1->setGeometry(716, 56, 100, 26);
    RtSpinEdit1->SetMinValue(8);
    RtSpinEdit1->SetMaxValue(100);
    RtSpinEdit1->SetValue(14);
    RtSpinEdit1->OnTopClick = [this](QObject*) { Guard([this] { RtSpinEdit1Change(); }); };
    RtSpinEdit1->OnBottomClick = [this](QObject*) { Guard([this] { RtSpinEdit1Change(); }); };
    RtSpinEdit1->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            Guard([this] { RtSpinEdit1Change(); });
    };

    // The palette: rows of small buttons in the order of their numbers.
    std::vector<TSymbolButton> ordered = SymbolButtons();
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.Number < b.Number; });
    constexpr int Across = 27;
    constexpr int Side = 29;
    int index = 0;
    auto place = [&](TSkinButton* button) {
        button->setGeometry(8 + (index % Across) * (Side + 1), 218 + (index / Across) * (Side + 1), Side, Side);
        ++index;
    };
    for (const TSymbolButton& symbol : ordered) {
        auto* button = new TSkinButton(symbol.Text, this);
        button->setObjectName(QStringLiteral("SkButton%1").arg(symbol.Number));
        QFont face(symbol.Font);
        face.setPixelSize(symbol.Text.size() > 1 ? 10 : 15);
        button->setFont(face);
        place(button);
        button->OnClick = [this, symbol](QObject*) { Guard([this, symbol] { SymbolClick(symbol); }); };
        FButtons.emplace_back(symbol.Number, button);
    }
    auto* tab = new TSkinButton(QStringLiteral("Tab"), this);
    tab->setObjectName(QStringLiteral("SkButton156"));
    place(tab);
    tab->OnClick = [this](QObject*) { Guard([this] { WhiteSpaceClick(QStringLiteral("\t")); }); };
    FButtons.emplace_back(156, tab);
    auto* space = new TSkinButton(QStringLiteral("Space"), this);
    space->setObjectName(QStringLiteral("SkButton157"));
    place(space);
    space->OnClick = [this](QObject*) { Guard([this] { WhiteSpaceClick(QStringLiteral(" ")); }); };
    FButtons.emplace_back(157, space);

    auto command = [this](const QString& name, const QString& caption, const QRect& where, void (TfrmEBuilder::*handler)()) {
        auto* button = new TSkinButton(caption, this);
        button->setObjectName(name);
        button->setGeometry(where);
        button->OnClick = [this, handler](QObject*) { Guard([this, handler] { (this->*handler)(); }); };
        return button;
    };
    const int y = 478;
    SkButton86 = command(QStringLiteral("SkButton86"), QStringLiteral("x²"), QRect(8, y, 40, 32), &TfrmEBuilder::SkButton86Click);
    SetHint(*SkButton86, QStringLiteral("Superscript"));
    Label1 = new QLabel(QString(), this);
    Label1->setGeometry(50, y, 10, 32);
    SkButton87 = command(QStringLiteral("SkButton87"), QStringLiteral("x₂"), QRect(62, y, 40, 32), &TfrmEBuilder::SkButton87Click);
    SetHint(*SkButton87, QStringLiteral("Subscript"));
    Label2 = new QLabel(QString(), this);
    Label2->setGeometry(104, y, 10, 32);
    btnUnderline = command(QStringLiteral("btnUnderline"), QStringLiteral("U"), QRect(116, y, 40, 32), &TfrmEBuilder::btnUnderlineClick);
    SetHint(*btnUnderline, QStringLiteral("Underline Script"));
    Label3 = new QLabel(QString(), this);
    Label3->setGeometry(158, y, 10, 32);
    btnPlainText = command(QStringLiteral("btnPlainText"), QStringLiteral("Plain Text"), QRect(172, y, 80, 32), &TfrmEBuilder::btnPlainTextClick);
    btnCopy = command(QStringLiteral("btnCopy"), QStringLiteral("   Copy"), QRect(256, y, 70, 32), &TfrmEBuilder::btnCopyClick);
    btnPaste = command(QStringLiteral("btnPaste"), QStringLiteral("  Paste"), QRect(330, y, 70, 32), &TfrmEBuilder::btnPasteClick);
    btnClear = command(QStringLiteral("btnClear"), QStringLiteral("   Clear"), QRect(404, y, 70, 32), &TfrmEBuilder::btnClearClick);
    btnInsertText = command(QStringLiteral("btnInsertText"), QStringLiteral("   Insert As Text"), QRect(478, y, 120, 32), &TfrmEBuilder::btnInsertTextClick);
    btnInsertImage = command(QStringLiteral("btnInsertImage"), QStringLiteral("   Insert As Image"), QRect(602, y, 124, 32), &TfrmEBuilder::btnInsertImageClick);
    SpeedButton1 = command(QStringLiteral("SpeedButton1"), QStringLiteral("?"), QRect(730, y, 30, 32), &TfrmEBuilder::SpeedButton1Click);
    SetHint(*SpeedButton1, QStringLiteral("Help..."));
    btnClose = new TSkinButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setGeometry(764, y, 76, 32);
    btnClose->OnClick = [this](QObject*) { done(int(TModalResult::mrCancel)); };
}

void TfrmEBuilder::Guard(const std::function<void()>& command) { RunCommand(FDialogs, command); }

TSkinButton* TfrmEBuilder::Button(int number) const
{
    for (const auto& [n, button] : FButtons)
        if (n == number)
            return button;
    return nullptr;
}

void TfrmEBuilder::PasteText(const QString& text)
{
    PutToolTextOnClipboard(text);
    EQBuilder->PasteFromClipboard();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::SymbolClick(const TSymbolButton& button)
{
    TRtTextAttributes& attributes = EQBuilder->SelectionAttributes();
    attributes.SetName(button.Font);
    attributes.SetCharset(button.Symbol ? SYMBOL_CHARSET : ANSI_CHARSET);
    PasteText(button.Text);
}

void TfrmEBuilder::WhiteSpaceClick(const QString& text) { PasteText(text); }

void TfrmEBuilder::btnCopyClick()
{
    if (EQBuilder->SelectionLength() > 0)
        EQBuilder->CopyToClipboard();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::btnPasteClick()
{
    const QMimeData* data = QApplication::clipboard() ? QApplication::clipboard()->mimeData() : nullptr;
    if (data && data->hasText())
        EQBuilder->PasteFromClipboard();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::btnInsertTextClick()
{
    EQBuilder->SelectAll();
    EQBuilder->CopyToClipboard();
    FTextRequest = true;
    done(int(TModalResult::mrOk));
}

void TfrmEBuilder::btnInsertImageClick()
{
    PutToolPictureOnClipboard(EquationPicture(*EQBuilder)); // a failure leaves no request behind
    FImageRequest = true;
    done(int(TModalResult::mrOk));
}

void TfrmEBuilder::btnClearClick()
{
    EQBuilder->Clear();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::btnPlainTextClick()
{
    EQBuilder->SelectionAttributes().SetName(QStringLiteral("Arial"));
    EQBuilder->SelectionAttributes().SetSize(RtSpinEdit1->Value());
    EQBuilder->SetFocus();
}

void TfrmEBuilder::SpeedButton1Click()
{
    const QStringList lines { QStringLiteral("This is a short help tutorial."), QString(),
        QStringLiteral("To copy part or all of your equations, simply make your selection and click on the"),
        QStringLiteral("Copy button."), QString(), QStringLiteral("Inserting equations as an image"),
        QStringLiteral("^^^^^^^^^^^^^^^^^^^^^"),
        QStringLiteral("When creating equations incorporating tabs to align your symbols,"),
        QStringLiteral("make sure to add a line at the bottom of the editor that is filled with spaces"),
        QStringLiteral("upto and a bit beyond the longest line of symbols used in your equations."), QString(),
        QStringLiteral("This will ensure that your equations fit properly inside the image.") };
    FDialogs.MessageDlg(QString(), lines.join(QStringLiteral("\r\n")), TMsgDlgType::mtInformation, TMsgDlgButtons::mbOK);
    EQBuilder->SetFocus();
}

void TfrmEBuilder::SkButton86Click()
{
    TRtTextAttributes& attributes = EQBuilder->SelectionAttributes();
    const bool on = attributes.ScriptPosition() == TScriptPosition::spSuperscript;
    attributes.SetScriptPosition(on ? TScriptPosition::spNormal : TScriptPosition::spSuperscript);
    EQBuilderSelectionChange();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::SkButton87Click()
{
    TRtTextAttributes& attributes = EQBuilder->SelectionAttributes();
    const bool on = attributes.ScriptPosition() == TScriptPosition::spSubscript;
    attributes.SetScriptPosition(on ? TScriptPosition::spNormal : TScriptPosition::spSubscript);
    EQBuilderSelectionChange();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::btnUnderlineClick()
{
    TRtTextAttributes& attributes = EQBuilder->SelectionAttributes();
    attributes.SetStyleBit(TFontStyle::fsUnderline, !attributes.Style().Contains(TFontStyle::fsUnderline));
    EQBuilderSelectionChange();
    EQBuilder->SetFocus();
}

void TfrmEBuilder::RtSpinEdit1Change()
{
    EQBuilder->SelectionAttributes().SetSize(RtSpinEdit1->Value());
    EQBuilder->SetFocus();
}

void TfrmEBuilder::EQBuilderSelectionChange()
{
    TRtTextAttributes& attributes = EQBuilder->SelectionAttributes();
    Label1->setText(attributes.ScriptPosition() == TScriptPosition::spSuperscript ? QStringLiteral("*") : QString());
    Label2->setText(attributes.ScriptPosition() == TScriptPosition::spSubscript ? QStringLiteral("*") : QString());
    Label3->setText(attributes.Style().Contains(TFontStyle::fsUnderline) ? QStringLiteral("*") : QString());
    if (attributes.Size() >= RtSpinEdit1->MinValue() && attributes.Size() <= RtSpinEdit1->MaxValue())
        RtSpinEdit1->SetValue(attributes.Size());
}

void TfrmEBuilder::showEvent(QShowEvent* event)
{
    FTextRequest = false;
    FImageRequest = false;
    const int length = EQBuilder->SelectionLength();
    EQBuilder->SetSelectionStart(length);
    EQBuilder->SetSelectionLength(0);
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    EQBuilder->SetFocus();
}
