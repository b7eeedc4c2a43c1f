// Main.cpp: Pelmora's main window.
#include "Main.h"

#include "CommandGuard.h"
#include "CsvFile.h"
#include "Dialogs.h"
#include "Errors.h"
#include "PgRtfPreview.h"
#include "Preview.h"
#include "Recovery.h"
#include "RtRichEd.h"
#include "Shell.h"
#include "SkinPanel.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFontComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QStringList LinesOf(const QPlainTextEdit& box)
{
    QStringList lines = box.toPlainText().split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // an empty last line is no line
    return lines;
}

QPushButton* Button(const QString& caption, const QString& hint = QString(), bool checkable = false)
{
    auto* button = new QPushButton(caption);
    button->setToolTip(hint.isEmpty() ? caption : hint);
    button->setCheckable(checkable);
    return button;
}

} // namespace

const QString TfrmMain::WebAddress = QStringLiteral("https://tamsel.invalid/");

const QString TfrmMain::HelpText = QStringLiteral(
    "This is a short help tutorial.\r\n\r\n"
    "- The Import button on the bottom left lets you import a csv file.\r\n\r\n"
    "- The Export button exports the Tokens and Field Data to a csv file.\r\n\r\n"
    "- The Clear button clears the Editor.\r\n\r\n"
    "- The Merge button merges the document with the Tokens and Field Data,\r\n"
    "   and then opens the Print Preview form.\r\n\r\n"
    "- The Open button lets you open a RTF or Text Document.\r\n\r\n"
    "- The Save button lets you save a RTF Document.\r\n\r\n"
    "- Tokens must be arranged on their own line in square brackets e.g. :\r\n"
    "                                                           [FIELDNAME1]\r\n"
    "                                                           [FIELDNAME2]\r\n"
    "                                                           [FIELDNAME3]\r\n\r\n"
    "- Field Data : For each record the field data must be on the same line\r\n"
    "   separated by a comma e.g. fieldData1,fieldData2,fieldData3");

TfrmMain::TfrmMain(IDialogs& dialogs, const QString& programFolder, QWidget* parent)
    : QMainWindow(parent)
    , FDialogs(dialogs)
    , FProgramFolder(programFolder)
{
    CreateControls();
    Bind(btnOpen, &TfrmMain::btnOpenClick);
    Bind(btnSave, &TfrmMain::btnSaveClick);
    Bind(btnOpenRTF, &TfrmMain::btnOpenRTFClick);
    Bind(btnRTFSave, &TfrmMain::btnRTFSaveClick);
    Bind(btnClear, &TfrmMain::btnClearClick);
    Bind(btnMerge, &TfrmMain::btnMergeClick);
    Bind(btnHelp, &TfrmMain::btnHelpClick);
    Bind(btnExit, &TfrmMain::btnExitClick);
    Bind(btnClearTokens, &TfrmMain::btnClearTokensClick);
    Bind(btnClearData, &TfrmMain::btnClearDataClick);
    Bind(btnBold, &TfrmMain::btnBoldClick);
    Bind(btnItalic, &TfrmMain::btnItalicClick);
    Bind(btnUnderline, &TfrmMain::btnUnderlineClick);
    for (QPushButton* button : { btnLeft, btnCenter, btnRight, btnJustified })
        connect(button, &QPushButton::clicked, this,
            [this, button] { RunCommand(FDialogs, [&] { AlignmentClick(button); }); });
    Bind(btnIncIndent, &TfrmMain::btnIncIndentClick);
    Bind(btnDecIndent, &TfrmMain::btnDecIndentClick);
    Bind(btnIncHangingIndent, &TfrmMain::btnIncHangingIndentClick);
    Bind(btnDecHangingIndent, &TfrmMain::btnDecHangingIndentClick);
    connect(btnCut, &QPushButton::clicked, this, [this] {
        Editor->CutToClipboard();
        Editor->SetModified(true);
    });
    connect(btnCopy, &QPushButton::clicked, this, [this] { Editor->CopyToClipboard(); });
    for (QPushButton* paste : { btnPaste, btnPaste2 })
        connect(paste, &QPushButton::clicked, this, [this] {
            Editor->PasteFromClipboard();
            Editor->setFocus();
        });
    Bind(btnFontColor, &TfrmMain::btnFontColorClick);
    FontComboBox1->installEventFilter(this);
    connect(btnUndo, &QPushButton::clicked, this, [this] { Editor->Undo(); });
    connect(btnRedo, &QPushButton::clicked, this, [this] { Editor->Redo(); });
    connect(FontComboBox1, &QFontComboBox::currentFontChanged, this,
        [this] { RunCommand(FDialogs, [&] { FontComboBox1Change(); }); });
    connect(sedFontSize, &QSpinBox::valueChanged, this, [this] { RunCommand(FDialogs, [&] { sedFontSizeChange(); }); });
    Editor->OnSelectionChange = [this](QObject*) { RunCommand(FDialogs, [&] { EditorSelectionChange(); }); };
    memTokens->installEventFilter(this);
    Editor->OnChange = [this](QObject*) { NoteChange(); };
    connect(memTokens, &QPlainTextEdit::textChanged, this, &TfrmMain::NoteChange);
    connect(memData, &QPlainTextEdit::textChanged, this, &TfrmMain::NoteChange);
}

TfrmMain::~TfrmMain() = default;

template <class Fn> void TfrmMain::Bind(QPushButton* button, Fn handler)
{
    connect(button, &QPushButton::clicked, this, [this, handler] { RunCommand(FDialogs, [&] { (this->*handler)(); }); });
}

void TfrmMain::CreateControls()
{
    setWindowTitle(QStringLiteral("Orvane Office - Pelmora"));
    auto* central = new QWidget;
    auto* outer = new QVBoxLayout(central);
    SkPanel1 = new TSkinPanel(QStringLiteral("Pelmora"), TSkinPanelKind::pkTitle, central);
    SkPanel1->setObjectName(QStringLiteral("SkPanel1"));
    SkPanel1->setFixedHeight(45);
    auto* band = new QHBoxLayout(SkPanel1);
    band->addStretch(1);
    Label3 = new QLabel(WebAddress, SkPanel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->setStyleSheet(QStringLiteral("color: white"));
    Label3->installEventFilter(this);
    band->addWidget(Label3);
    outer->addWidget(SkPanel1);
    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);

    auto* left = new QVBoxLayout;
    body->addLayout(left, 1);
    left->addWidget(new QLabel(QStringLiteral("Tokens - e.g. [FIELDNAME]")));
    memTokens = new QPlainTextEdit;
    memData = new QPlainTextEdit;
    for (QPlainTextEdit* box : { memTokens, memData })
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
    left->addWidget(memTokens, 1);
    btnClearTokens = Button(QStringLiteral("Clear"), QStringLiteral("Clear Tokens"));
    left->addWidget(btnClearTokens);
    left->addWidget(new QLabel(QStringLiteral("Field Data")));
    left->addWidget(memData, 2);
    btnClearData = Button(QStringLiteral("Clear"), QStringLiteral("Clear Field Data"));
    left->addWidget(btnClearData);

    auto* right = new QVBoxLayout;
    body->addLayout(right, 3);
    auto* toolbar = new QHBoxLayout;
    right->addLayout(toolbar);
    FontComboBox1 = new QFontComboBox;
    FontComboBox1->setMaximumWidth(200);
    sedFontSize = new QSpinBox;
    sedFontSize->setRange(6, 500);
    sedFontSize->setValue(11);
    toolbar->addWidget(FontComboBox1);
    toolbar->addWidget(sedFontSize);
    btnBold = Button(QStringLiteral("B"), QStringLiteral("Bold"), true);
    btnItalic = Button(QStringLiteral("I"), QStringLiteral("Italic"), true);
    btnUnderline = Button(QStringLiteral("U"), QStringLiteral("Underline"), true);
    btnLeft = Button(QStringLiteral("L"), QStringLiteral("Align Left"), true);
    btnCenter = Button(QStringLiteral("C"), QStringLiteral("Align Center"), true);
    btnRight = Button(QStringLiteral("R"), QStringLiteral("Align Right"), true);
    btnJustified = Button(QStringLiteral("J"), QStringLiteral("Justify"), true);
    btnLeft->setChecked(true);
    btnCut = Button(QStringLiteral("Cut"));
    btnCopy = Button(QStringLiteral("Copy"));
    btnPaste = Button(QStringLiteral("Paste"));
    btnDecIndent = Button(QStringLiteral("<"), QStringLiteral("Decrease Indent"));
    btnDecHangingIndent = Button(QStringLiteral("<|"), QStringLiteral("Decrease Hanging Indent"));
    btnIncHangingIndent = Button(QStringLiteral("|>"), QStringLiteral("Increase Hanging Indent"));
    btnIncIndent = Button(QStringLiteral(">"), QStringLiteral("Increase Indent"));
    btnUndo = Button(QStringLiteral("Undo"));
    btnRedo = Button(QStringLiteral("Redo"));
    btnFontColor = Button(QStringLiteral("Colour"), QStringLiteral("Font Color..."));
    for (QPushButton* button : { btnBold, btnItalic, btnUnderline, btnLeft, btnCenter, btnRight, btnJustified, btnCut,
             btnCopy, btnPaste, btnDecIndent, btnDecHangingIndent, btnIncHangingIndent, btnIncIndent, btnUndo, btnRedo, btnFontColor }) {
        // As wide as their captions, so the bar fits a small screen.
        button->setFixedWidth(std::max(28, button->fontMetrics().horizontalAdvance(button->text()) + 18));
        toolbar->addWidget(button);
    }
    toolbar->addStretch(1);
    Editor = new TRtRichEdit;
    right->addWidget(Editor, 1);

    auto* buttons = new QHBoxLayout;
    outer->addLayout(buttons);
    btnOpen = Button(QStringLiteral("Import"));
    btnSave = Button(QStringLiteral("Export"));
    btnOpenRTF = Button(QStringLiteral("Open"), QStringLiteral("Open Rtf or Text Document"));
    btnRTFSave = Button(QStringLiteral("Save"), QStringLiteral("Save Rtf Document"));
    btnPaste2 = Button(QStringLiteral("Paste"), QStringLiteral("Paste Document From Clipboard"));
    btnPaste2->hide();
    btnClear = Button(QStringLiteral("Clear"));
    btnMerge = Button(QStringLiteral("Merge"));
    btnHelp = Button(QStringLiteral("?"), QStringLiteral("Help"));
    btnExit = Button(QStringLiteral("Exit"));
    for (QPushButton* button : { btnOpen, btnSave, btnOpenRTF, btnRTFSave, btnPaste2, btnClear, btnMerge, btnHelp, btnExit })
        buttons->addWidget(button);
    setCentralWidget(central);
    resize(1000, 700);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event)
{
    // Typed letters a to z become upper case in the token list; accented letters stay as typed.
    if (watched == memTokens && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.size() == 1 && text[0] >= u'a' && text[0] <= u'z' && !(key->modifiers() & Qt::ControlModifier)) {
            memTokens->insertPlainText(text.toUpper());
            return true;
        }
    }
    if (watched == FontComboBox1 && event->type() == QEvent::FocusIn)
        FontComboBox1->view()->setMinimumWidth(250); // long font names
    if (watched == Label3) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            QFont font = Label3->font();
            font.setUnderline(event->type() == QEvent::Enter);
            Label3->setFont(font);
        } else if (event->type() == QEvent::MouseButtonRelease) {
            Label3Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

TMergeFieldSource TfrmMain::FieldSource() const
{
    TMergeFieldSource source;
    source.Tokens = LinesOf(*memTokens);
    source.Records = ParseCsvRecords(memData->toPlainText());
    return source;
}

bool TfrmMain::ConfirmDiscard(bool tokensAndData, bool templateText)
{
    const bool dataChanged = tokensAndData && (memTokens->document()->isModified() || memData->document()->isModified());
    const bool templateChanged = templateText && Editor->Modified();
    if (!dataChanged && !templateChanged)
        return true;
    const QString what = dataChanged && templateChanged ? QStringLiteral("The tokens, field data and template have")
        : dataChanged                                  ? QStringLiteral("The tokens and field data have")
                                                       : QStringLiteral("The template has");
    return FDialogs.ConfirmYesNo(what + QStringLiteral(" unsaved changes. Discard them?")) == mrYes;
}

void TfrmMain::ImportCsv(const QString& path)
{
    // Read whole before anything is replaced: a damaged file leaves the window as it was.
    const TCsvTable table = ReadCsvFile(path);
    QStringList tokens;
    for (const QString& name : table.Names)
        tokens << TokenFromFieldName(name);
    QStringList lines;
    for (const QStringList& record : table.Records)
        lines << CsvLine(record);
    memTokens->setPlainText(tokens.join(u'\n'));
    memData->setPlainText(lines.join(u'\n'));
}

void TfrmMain::ExportCsv(const QString& path) const
{
    QStringList names;
    for (const QString& token : LinesOf(*memTokens))
        names << FieldNameFromToken(token);
    WriteCsvFile(path, names, ParseCsvRecords(memData->toPlainText()));
}

void TfrmMain::btnOpenClick()
{
    if (!ConfirmDiscard(true, false))
        return;
    TFileDialogData dialog { QStringLiteral("Open CSV File"), QStringLiteral("Comma Separated Values (*.csv)|*.csv"), 1,
        QStringLiteral("csv"), FProgramFolder };
    if (!FDialogs.OpenFile(dialog))
        return;
    try {
        ImportCsv(dialog.FileName);
    } catch (const std::exception& error) {
        FDialogs.ShowError(IDialogs::ApplicationTitle(), WithFullStop(MessageOf(error)));
    }
    memTokens->setFocus();
}

void TfrmMain::btnSaveClick()
{
    if (LinesOf(*memTokens).isEmpty()) {
        FDialogs.ShowInformation(QStringLiteral("Please enter tokens before continuing."));
        memTokens->setFocus();
        return;
    }
    TFileDialogData dialog { QStringLiteral("Save CSV File"), QStringLiteral("Comma Separated Values (*.csv)|*.csv"), 1,
        QStringLiteral("csv"), FProgramFolder };
    dialog.Options.OverwritePrompt = true;
    if (!FDialogs.SaveFile(dialog))
        return;
    try {
        ExportCsv(dialog.FileName);
        memTokens->document()->setModified(false);
        memData->document()->setModified(false);
    } catch (const std::exception& error) {
        FDialogs.ShowError(IDialogs::ApplicationTitle(), WithFullStop(MessageOf(error)));
    }
    memTokens->setFocus();
}

void TfrmMain::btnOpenRTFClick()
{
    if (!ConfirmDiscard(false, true))
        return;
    TFileDialogData dialog { QStringLiteral("Open Document"),
        QStringLiteral("All Text Files (*.rtf; *.txt)|*.rtf;*.txt|Rich Text Format (*.rtf)|*.rtf|Text File (*.txt)|*.txt") };
    if (!FDialogs.OpenFile(dialog))
        return;
    try {
        if (!QFileInfo(dialog.FileName).isFile())
            throw EFOpenError(dialog.FileName);
        const QString extension = QFileInfo(dialog.FileName).suffix().toLower();
        Editor->Clear();
        if (extension == QLatin1String("txt")) {
            Editor->SetPlainText(true);
            Editor->SetStreamMode({});
        } else if (extension == QLatin1String("rtf")) {
            Editor->SetPlainText(false);
            Editor->SetStreamMode(TRichStreamModes { TRichStreamMode::smUnicode });
        }
        Editor->Lines()->LoadFromFile(dialog.FileName);
        Editor->SetModified(false);
        FTemplateFile = dialog.FileName;
    } catch (const std::exception& error) {
        FDialogs.ShowError(IDialogs::ApplicationTitle(), WithFullStop(MessageOf(error)));
    }
    Editor->setFocus();
}

void TfrmMain::btnRTFSaveClick()
{
    if (Editor->TextLength() == 0)
        return;
    TFileDialogData dialog { QStringLiteral("Save Document"), QStringLiteral("Rich Text Format (*.rtf)|*.rtf"), 1,
        QStringLiteral("rtf") };
    dialog.Options.OverwritePrompt = true;
    if (!FDialogs.SaveFile(dialog))
        return;
    try {
        // Written whole beside the target and then renamed: a failed save leaves the old file.
        QSaveFile file(dialog.FileName);
        if (!file.open(QIODevice::WriteOnly))
            throw EFCreateError(dialog.FileName);
        TPgRtfPreview::SaveRtfToStream(Editor->Control(), file);
        if (!file.flush() || !file.commit()) // commit() alone can miss a full disk's last write
            throw EFCreateError(dialog.FileName);
        Editor->SetModified(false);
        FTemplateFile = dialog.FileName;
    } catch (const std::exception& error) {
        FDialogs.ShowError(IDialogs::ApplicationTitle(), WithFullStop(MessageOf(error)));
    }
}

void TfrmMain::btnClearClick()
{
    Editor->Clear();
    Editor->setFocus();
}

void TfrmMain::btnMergeClick()
{
    if (LinesOf(*memTokens).isEmpty()) {
        FDialogs.ShowInformation(QStringLiteral("Please enter tokens before continuing."));
        memTokens->setFocus();
        return;
    }
    if (!FPreviewForm)
        return;
    FPreviewForm->PrepareMerge(*Editor, FieldSource());
    FDialogs.ShowModal(*FPreviewForm);
}

void TfrmMain::btnHelpClick() { FDialogs.ShowInformation(HelpText); }

void TfrmMain::btnExitClick() { close(); }

void TfrmMain::btnClearTokensClick()
{
    memTokens->clear();
    memTokens->setFocus();
}

void TfrmMain::btnClearDataClick()
{
    memData->clear();
    memData->setFocus();
}

void TfrmMain::EditorSelectionChange()
{
    // Filling the size box reports a change; applying that to the selection would flatten its sizes.
    FRefreshingToolbar = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset { FRefreshingToolbar };
    TRtTextAttributes& attributes = Editor->SelectionAttributes();
    const TFontStyles style = attributes.Style();
    btnBold->setChecked(style.Contains(TFontStyle::fsBold));
    btnItalic->setChecked(style.Contains(TFontStyle::fsItalic));
    btnUnderline->setChecked(style.Contains(TFontStyle::fsUnderline));
    const TAlignment alignment = Editor->ParagraphAttributes().Alignment();
    btnLeft->setChecked(alignment == TAlignment::taLeftJustify);
    btnCenter->setChecked(alignment == TAlignment::taCenter);
    btnRight->setChecked(alignment == TAlignment::taRightJustify);
    btnJustified->setChecked(alignment == TAlignment::taJustify);
    btnCopy->setEnabled(Editor->SelectionLength() > 0);
    btnCut->setEnabled(btnCopy->isEnabled());
    FontComboBox1->setCurrentFont(QFont(attributes.Name()));
    sedFontSize->setValue(attributes.Size());
}

void TfrmMain::FontComboBox1Change()
{
    if (FRefreshingToolbar)
        return;
    Editor->SelectionAttributes().SetName(FontComboBox1->currentFont().family());
    Editor->setFocus();
}

void TfrmMain::sedFontSizeChange()
{
    if (FRefreshingToolbar)
        return;
    Editor->SelectionAttributes().SetSize(sedFontSize->value());
    Editor->setFocus();
}

void TfrmMain::btnBoldClick() { Editor->SelectionAttributes().SetStyleBit(TFontStyle::fsBold, btnBold->isChecked()); }

void TfrmMain::btnItalicClick()
{
    Editor->SelectionAttributes().SetStyleBit(TFontStyle::fsItalic, btnItalic->isChecked());
}

void TfrmMain::btnUnderlineClick()
{
    Editor->SelectionAttributes().SetStyleBit(TFontStyle::fsUnderline, btnUnderline->isChecked());
}

void TfrmMain::AlignmentClick(QPushButton* button)
{
    for (QPushButton* other : { btnLeft, btnCenter, btnRight, btnJustified })
        other->setChecked(other == button);
    const TAlignment alignment = button == btnCenter ? TAlignment::taCenter
        : button == btnRight                         ? TAlignment::taRightJustify
        : button == btnJustified                     ? TAlignment::taJustify
                                                     : TAlignment::taLeftJustify;
    Editor->ParagraphAttributes().SetAlignment(alignment);
}

void TfrmMain::btnIncIndentClick()
{
    if (FMainIndent > 400) {
        FDialogs.ShowInformation(QStringLiteral("Maximum Indentation."));
        return;
    }
    Editor->ParagraphAttributes().SetStartIndent(FMainIndent + 20);
    FMainIndent += 20;
}

void TfrmMain::btnDecIndentClick()
{
    if (FMainIndent <= 0) {
        FDialogs.ShowInformation(QStringLiteral("Minimum Indentation."));
        return;
    }
    Editor->ParagraphAttributes().SetStartIndent(FMainIndent - 20);
    FMainIndent -= 20;
}

void TfrmMain::btnIncHangingIndentClick()
{
    if (FHangingIndent > 300) {
        FDialogs.ShowInformation(QStringLiteral("Maximum Hanging Indentation."));
        return;
    }
    Editor->ParagraphAttributes().SetOffset(FHangingIndent + 20);
    FHangingIndent += 20;
}

void TfrmMain::btnDecHangingIndentClick()
{
    if (FHangingIndent <= 0) {
        FDialogs.ShowInformation(QStringLiteral("Minimum Hanging Indentation."));
        return;
    }
    Editor->ParagraphAttributes().SetOffset(FHangingIndent - 20);
    FHangingIndent -= 20;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    bool leave = true;
    RunCommand(FDialogs, [&] { leave = ConfirmDiscard(true, true); });
    if (!leave) {
        event->ignore();
        return;
    }
    event->accept();
    if (FShell && isVisible())
        FShell->FadeOut(*this, 600);
}

void TfrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        RunCommand(FDialogs, [&] { FormActivate(); });
}

void TfrmMain::FormActivate()
{
    if (FShell && !(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))) {
        // The full height of the work area, 1000 pixels wide, centred.
        const QRect area = FShell->WorkArea(this);
        const int width = std::min(1000, area.width());
        setGeometry(area.left() + (area.width() - width) / 2, area.top(), width, area.height());
    }
    Editor->setFocus();
}

void TfrmMain::btnFontColorClick()
{
    COLORREF color = Editor->SelectionAttributes().Color();
    if (!FDialogs.ChooseColor(color))
        return;
    Editor->SelectionAttributes().SetColor(color);
    Editor->setFocus();
}

void TfrmMain::Label3Click()
{
    if (FShell)
        (void)FShell->OpenLink(WebAddress); // only ever a web link
}
