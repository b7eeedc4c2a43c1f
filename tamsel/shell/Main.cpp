// Main.cpp: the main window's controls, its life from creation to close, the status bar, the zoom,
// the side panel and the companion programs.
#include "Main.h"

#include "CharMaps.h"
#include "Clock.h"
#include "ColorComboBox.h"
#include "CommandGuard.h"
#include "DllFormU.h"
#include "EmotIcons.h"
#include "EquationBuilder.h"
#include "Errors.h"
#include "FontComboBox.h"
#include "HeaderF.h"
#include "Hints.h"
#include "History.h"
#include "Margins.h"
#include "MenuStyle.h"
#include "PageExport.h"
#include "PgPrinter.h"
#include "PresentationOptions.h"
#include "PrintPreview.h"
#include "Recovery.h"
#include "RtSpinEdit.h"
#include "Shell.h"
#include "SkinButton.h"
#include "SkinPanel.h"
#include "TamselIcons.h"
#include "TextCommands.h"
#include "WordCounter.h"
#include "TrackBar.h"
#include "WaitCursor.h"

#include <limits>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

TFrmMain* FrmMain = nullptr;

namespace {

constexpr int StatusPanelWidths[] = { 315, 150, 110, 150, 50, 50, 50, 70, 50 };
constexpr int SidePanelWidth = 304;
constexpr int FittedWidth = 1020;

const QStringList HelpLines {
    QStringLiteral("Short-Cut keys for the editor"),
    QStringLiteral("^^^^^^^^^^^^^^^^^"),
    QStringLiteral("Ctrl + O   -   Open Document..."),
    QStringLiteral("Ctrl + N   -   New Document..."),
    QStringLiteral("Ctrl + S   -   Save Document..."),
    QStringLiteral("Ctrl + P   -   Print Document..."),
    QStringLiteral("Ctrl + H   -   Document History..."),
    QString(),
    QStringLiteral("Ctrl + X   -   Cut"),
    QStringLiteral("Ctrl + C   -   Copy"),
    QStringLiteral("Ctrl + V   -   Paste"),
    QString(),
    QStringLiteral("Ctrl + B   -   Bold"),
    QStringLiteral("Ctrl + I    -   Italic"),
    QStringLiteral("Ctrl + U   -   Underline"),
    QString(),
    QStringLiteral("F3            -   Search Again"),
    QStringLiteral("Ctrl + F    -   Find Text"),
    QStringLiteral("Ctrl + R    -   Find and Replace"),
    QString(),
    QStringLiteral("Ctrl + Shift + L   -   Step through all bullet styles by toggling the L key"),
    QString(),
    QStringLiteral("F9            -   Open Custom Spell Checker with text..."),
    QStringLiteral("F10          -   Open Pelmora..."),
    QString(),
    QStringLiteral("Saved Settings"),
    QStringLiteral("^^^^^^^^^"),
    QStringLiteral("The following attributes are saved automatically when the application closes:"),
    QString(),
    QStringLiteral("- Font Name"),
    QStringLiteral("- Font Size"),
    QStringLiteral("- Editor Zoom factor"),
    QStringLiteral("- Print Preview - Page Margins"),
};

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

bool ZoomLevelFor(int position, TZoomLevel& level)
{
    struct TRow {
        int Last;
        TZoomLevel Level;
    };
    static constexpr TRow Table[] = {
        { 50, { 50, 1, 2 } },
        { 69, { 60, 3, 5 } },
        { 79, { 70, 7, 10 } },
        { 89, { 80, 4, 5 } },
        { 99, { 90, 9, 10 } },
        { 109, { 100, 0, 0 } },
        { 119, { 110, 11, 10 } },
        { 129, { 120, 6, 5 } },
        { 139, { 130, 13, 10 } },
        { 149, { 140, 7, 5 } },
        { 159, { 150, 3, 2 } },
        { 169, { 160, 8, 5 } },
        { 179, { 170, 17, 10 } },
        { 189, { 180, 9, 5 } },
        { 195, { 190, 19, 10 } },
        { 200, { 200, 2, 1 } },
    };
    if (position < 0 || position > 200)
        return false;
    for (const TRow& row : Table) {
        if (position <= row.Last) {
            level = row.Level;
            return true;
        }
    }
    return false;
}

TFrmMain::TFrmMain(IDialogs& dialogs, IShell& shell, IClock& clock, QString settingsFolder, QWidget* parent)
    : QMainWindow(parent)
    , FDialogs(dialogs)
    , FShell(shell)
    , FClock(clock)
    , FSettingsFolder(std::move(settingsFolder))
    , FWordCounter(std::make_unique<TWordCounter>())
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(DesignCaption);
    resize(1024, 570);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    CreateControls();
    FormCreate();
    CreateToolForms();
    CreatePrintForms();
    UpdateCaretPosition(); // Line and Column show from the start, before the caret first moves
    AcceptDocumentDrops();
}

TFrmMain::~TFrmMain()
{
    FDestroying = true; // a worker still waiting opens no dialog now
    WaitForWorkers();
    FreePrintForms();
    FreeToolForms();
    if (FrmMain == this)
        FrmMain = nullptr;
}

// ---- controls ----

void TFrmMain::Run(const std::function<void()>& handler) { RunCommand(FDialogs, handler); }

TSkinButton* TFrmMain::ToolButton(
    QWidget* parent, const QString& name, const QString& icon, const QString& hint, std::function<void()> handler)
{
    auto* button = new TSkinButton(parent);
    button->setObjectName(name);
    button->SetGlyph(TamselIcon(icon));
    button->SetGlyphSize(QSize(32, 32));
    button->SetFlat(true);
    button->SetHoverDuration(0);
    button->setFocusPolicy(Qt::NoFocus);
    SetHint(*button, hint);
    button->OnMouseMove = [this, button](QObject*, Qt::KeyboardModifiers, int, int) { BtnNewMouseMove(button); };
    if (handler)
        button->OnClick = [this, handler = std::move(handler)](QObject*) { Run(handler); };
    return button;
}

QAction* TFrmMain::KeyItem(
    const QString& name, const QString& caption, const QKeySequence& key, std::function<void()> handler)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, handler = std::move(handler)] { Run(handler); });
    addAction(action); // the main menu is hidden; the window itself carries the keys
    return action;
}

QAction* TFrmMain::MenuItem(QMenu* menu, const QString& name, const QString& caption, const QString& shortcutText,
    const QString& icon, std::function<void()> handler)
{
    // The shortcut is only shown: the keys themselves belong to the editor control.
    auto* action = new QAction(shortcutText.isEmpty() ? caption : caption + u'\t' + shortcutText, menu);
    action->setObjectName(name);
    if (!icon.isEmpty())
        action->setIcon(TamselIcon(icon));
    if (handler) {
        // A click never ticks an item by itself: the handlers set the ticks they mean.
        connect(action, &QAction::triggered, this, [this, action, handler = std::move(handler)](bool checked) {
            if (action->isCheckable())
                action->setChecked(!checked);
            Run(handler);
        });
    }
    menu->addAction(action);
    return action;
}

void TFrmMain::CreateControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    CreateMenus();
    ToolBar1 = CreateToolBar();
    column->addWidget(ToolBar1);

    auto* spacerTop = new TSkinPanel(QString(), TSkinPanelKind::pkFlat, client);
    spacerTop->setObjectName(QStringLiteral("Panel4"));
    spacerTop->setFixedHeight(10);
    spacerTop->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { ClearStatusHint(); };
    Panel4 = spacerTop;
    column->addWidget(Panel4);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    SkPanel2 = CreateSidePanel();
    row->addWidget(SkPanel2);
    auto* spacerLeft = new TSkinPanel(QString(), TSkinPanelKind::pkFlat, client);
    spacerLeft->setObjectName(QStringLiteral("Panel5"));
    spacerLeft->setFixedWidth(10);
    spacerLeft->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { ClearStatusHint(); };
    Panel5 = spacerLeft;
    row->addWidget(Panel5);

    Editor = new TRtRichEdit(client);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->SetDialogs(&FDialogs);
    Editor->SetFont(TFont {});
    Editor->SetHideSelection(false);
    Editor->SetHideScrollBars(false);
    Editor->SetScrollBars(TScrollStyle::ssVertical);
    Editor->SetStreamMode({ TRichStreamMode::smUnicode });
    Editor->SetWantTabs(true);
    // The control's own limit, 16 million characters (some 7000 pages), would cut a longer document
    // silently on opening, and the next save would write the cut over the file.
    Editor->SetMaxLength(std::numeric_limits<int>::max());
    // The window shows its own context menu from EditorMouseDown.
    Editor->setContextMenuPolicy(Qt::PreventContextMenu);
    row->addWidget(Editor, 1);
    column->addLayout(row, 1);
    setCentralWidget(client);

    CreateStatusBar();
    BindEditorEvents();
}

QWidget* TFrmMain::CreateToolBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setFixedHeight(42);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(8, 1, 0, 1);
    layout->setSpacing(0);
    auto add = [&](const QString& name, const QString& icon, const QString& hint, std::function<void()> handler) {
        TSkinButton* button = ToolButton(bar, name, icon, hint, std::move(handler));
        button->setFixedSize(55, 40);
        layout->addWidget(button);
        return button;
    };
    auto separator = [&] {
        auto* line = new QWidget(bar);
        line->setFixedSize(8, 40);
        layout->addWidget(line);
    };
    BtnNew = add(QStringLiteral("BtnNew"), QStringLiteral("new"), QStringLiteral("Créer un Nouveau Document"),
        [this] { BtnNewClick(); });
    BtnHistory = add(QStringLiteral("BtnHistory"), QStringLiteral("history"),
        QStringLiteral("Ouvrir Historique Documents..."), [this] { BtnHistoryClick(); });
    BtnOpen = add(QStringLiteral("BtnOpen"), QStringLiteral("open"), QStringLiteral("Ouvrir un Document..."),
        [this] { BtnOpenClick(); });
    BtnSave = add(QStringLiteral("BtnSave"), QStringLiteral("save"), QStringLiteral("Sauver Document Courant..."),
        [this] { BtnSaveClick(); });
    BtnSave->SetDropdownMenu(PopupMenu3);
    BtnQuickPrint = add(QStringLiteral("BtnQuickPrint"), QStringLiteral("quickprint"),
        QStringLiteral("Impression Rapide"), [this] { BtnQuickPrintClick(BtnQuickPrint); });
    BtnPrintPreview = add(QStringLiteral("BtnPrintPreview"), QStringLiteral("printpreview"),
        QStringLiteral("Aperçu Avant Impression..."), [this] { BtnPrintPreviewClick(); });
    separator();
    BtnCut = add(QStringLiteral("BtnCut"), QStringLiteral("cut"), QStringLiteral("Couper Sélection  >> Presse-papiers"),
        [this] { BtnCutClick(); });
    btnCopy = add(QStringLiteral("btnCopy"), QStringLiteral("copy"),
        QStringLiteral("Copier Sélection  >> Presse-papiers"), [this] { btnCopyClick(); });
    BtnPaste = add(QStringLiteral("BtnPaste"), QStringLiteral("paste"),
        QStringLiteral("Coller Sélection depuis Presse-papiers"), [this] { BtnPasteClick(); });
    separator();
    BtnUndo = add(QStringLiteral("BtnUndo"), QStringLiteral("undo"), QStringLiteral("Défaire Action"),
        [this] { BtnUndoClick(); });
    BtnRedo = add(QStringLiteral("BtnRedo"), QStringLiteral("redo"), QStringLiteral("Refaire Action"),
        [this] { BtnRedoClick(); });
    separator();
    btnFindT = add(QStringLiteral("btnFindT"), QStringLiteral("find"), QStringLiteral("Rechercher Texte..."),
        [this] { btnFindTClick(); });
    btnFindT->SetDropdownMenu(PopupMenu5);
    BtnDate = add(QStringLiteral("BtnDate"), QStringLiteral("date"), QStringLiteral("Insérer la Date Courante"),
        [this] { BtnDateClick(); });
    BtnPicture = add(QStringLiteral("BtnPicture"), QStringLiteral("picture"), QStringLiteral("Insérer une Image..."),
        [this] { BtnPictureClick(); });
    BtnEmoticons = add(QStringLiteral("BtnEmoticons"), QStringLiteral("emoticons"),
        QStringLiteral("Insérer une EmotIcône..."), [this] { BtnEmoticonsClick(); });
    BtnChar = add(QStringLiteral("BtnChar"), QStringLiteral("char"), QStringLiteral("Insérer un Caractère Spécial..."),
        [this] { BtnCharClick(); });
    BtnClose = add(QStringLiteral("BtnClose"), QStringLiteral("close"), QStringLiteral("Quitter Tamsel Express"),
        [this] { BtnCloseClick(); });
    layout->addStretch(1);
    return bar;
}

TSkinPanel* TFrmMain::CreateSidePanel()
{
    auto* panel = new TSkinPanel(QString(), TSkinPanelKind::pkPanel, this);
    panel->setObjectName(QStringLiteral("SkPanel2"));
    panel->setFixedWidth(SidePanelWidth);
    panel->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { ClearStatusHint(); };
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(8, 6, 8, 8);
    column->setSpacing(6);

    auto small = [&](QWidget* parent, const QString& name, const QString& icon, const QString& hint,
                     std::function<void()> handler) {
        TSkinButton* button = ToolButton(parent, name, icon, hint, std::move(handler));
        button->setFixedSize(40, 36);
        return button;
    };

    // Title row: help, the title, the envelope printer.
    auto* title = new QHBoxLayout;
    SpeedButton1 = small(panel, QStringLiteral("SpeedButton1"), QString(), QStringLiteral("Fichier Aide..."),
        [this] { SpeedButton1Click(); });
    SpeedButton1->SetCaption(QStringLiteral("??"));
    SpeedButton1->setCursor(Qt::WhatsThisCursor);
    title->addWidget(SpeedButton1);
    Label2 = MakeLabel(panel, QStringLiteral("Label2"), QStringLiteral("Propriétés Texte"));
    Label2->setAlignment(Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Arial"), 13, QFont::Bold);
    Label2->setFont(titleFont);
    title->addWidget(Label2, 1);
    SpeedButton2 = small(panel, QStringLiteral("SpeedButton2"), QStringLiteral("envelope"),
        QStringLiteral("Ouvrir application Imprime-Enveloppe..."), [this] { SpeedButton2Click(); });
    title->addWidget(SpeedButton2);
    column->addLayout(title);

    // Characters.
    auto* characters = new TSkinGroupPanel(QStringLiteral("Police"), panel);
    characters->setObjectName(QStringLiteral("GroupCharacters"));
    auto* charGrid = new QGridLayout(characters);
    charGrid->setSpacing(4);
    FontName = new TFontComboBox(characters);
    FontName->setObjectName(QStringLiteral("FontName"));
    FontName->SetUseFonts(true);
    SetHint(*FontName, QStringLiteral("Sélection de Police"));
    FontName->SetFontName(QStringLiteral("Arial")); // the design's face, before the handler is bound
    FontName->OnChange = [this](QObject*) { Run([this] { FontNameChange(); }); };
    charGrid->addWidget(FontName, 0, 0, 1, 4);
    ColorComboBox1 = new TColorComboBox(characters);
    ColorComboBox1->setObjectName(QStringLiteral("ColorComboBox1"));
    SetHint(*ColorComboBox1, QStringLiteral("Couleur de Police"));
    ColorComboBox1->OnClick = [this](QObject*) { Run([this] { ColorComboBox1Click(); }); };
    charGrid->addWidget(ColorComboBox1, 1, 0, 1, 3);
    sbtnFormat = small(characters, QStringLiteral("sbtnFormat"), QStringLiteral("painter"),
        QStringLiteral("Format Painter"), [this] { sbtnFormatClick(); });
    // The painter's down state follows its phase, not the click.
    charGrid->addWidget(sbtnFormat, 1, 3);
    FontSize1 = new TRtSpinEdit(characters);
    FontSize1->setObjectName(QStringLiteral("FontSize1"));
    FontSize1->SetMinValue(4);
    FontSize1->SetMaxValue(800);
    FontSize1->SetIncrement(2);
    FontSize1->SetValue(12);
    FontSize1->SetAlignment(Qt::AlignCenter);
    FontSize1->SetEditorEnabled(false);
    SetHint(*FontSize1, QStringLiteral("Taille Police"));
    FontSize1->OnChange = [this](QObject*) { Run([this] { FontSize1Change(); }); };
    FontSize1->OnTopClick = [this](QObject*) { Run([this] { FontSize1TopClick(); }); };
    FontSize1->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) { Run([&] { FontSize1KeyDown(key); }); };
    charGrid->addWidget(FontSize1, 2, 0, 1, 2);
    Label4 = MakeLabel(characters, QStringLiteral("Label4"), QStringLiteral("Texte Justifié"));
    Label4->hide();
    charGrid->addWidget(Label4, 2, 2, 1, 2);
    btnBold = small(characters, QStringLiteral("btnBold"), QStringLiteral("bold"),
        QStringLiteral("Gras|Passer Texte Sélectionné en Gras"), [this] { btnBoldClick(); });
    btnItalic = small(characters, QStringLiteral("btnItalic"), QStringLiteral("italic"),
        QStringLiteral("Italique|Passer Texte Sélectionné en Italique"), [this] { btnItalicClick(); });
    btnUnderline = small(characters, QStringLiteral("btnUnderline"), QStringLiteral("underline"),
        QStringLiteral("Souligné|Passer Texte Sélectionné en Souligné"), [this] { btnUnderlineClick(); });
    btnBackground = small(characters, QStringLiteral("btnBackground"), QStringLiteral("background"),
        QStringLiteral("Couleur du Fond Texte|Couleur du Fond Texte"), [this] { btnBackgroundClick(); });
    charGrid->addWidget(btnBold, 3, 0);
    charGrid->addWidget(btnItalic, 3, 1);
    charGrid->addWidget(btnUnderline, 3, 2);
    charGrid->addWidget(btnBackground, 3, 3);
    column->addWidget(characters);

    // Paragraphs.
    auto* paragraphs = new TSkinGroupPanel(QStringLiteral("Paragraphe"), panel);
    paragraphs->setObjectName(QStringLiteral("GroupParagraphs"));
    auto* paraGrid = new QGridLayout(paragraphs);
    paraGrid->setSpacing(4);
    btnLeftAlign = small(paragraphs, QStringLiteral("btnLeftAlign"), QStringLiteral("alignleft"),
        QStringLiteral("Aligner Texte à Gauche"), {});
    btnCenterAlign = small(paragraphs, QStringLiteral("btnCenterAlign"), QStringLiteral("aligncenter"),
        QStringLiteral("Aligner Texte au Centre"), {});
    BtnRightAlign = small(paragraphs, QStringLiteral("BtnRightAlign"), QStringLiteral("alignright"),
        QStringLiteral("Aligner Texte à Droite"), {});
    BtnRightAlign->setFixedWidth(52);
    BtnRightAlign->SetDropdownMenu(PopupMenu4);
    for (TSkinButton* button : { btnLeftAlign, btnCenterAlign, BtnRightAlign })
        button->OnClick = [this, button](QObject*) { Run([this, button] { btnLeftAlignClick(button); }); };
    paraGrid->addWidget(btnLeftAlign, 0, 0);
    paraGrid->addWidget(btnCenterAlign, 0, 1);
    paraGrid->addWidget(BtnRightAlign, 0, 2);
    btnMainIndentDec = small(paragraphs, QStringLiteral("btnMainIndentDec"), QStringLiteral("indentdec"),
        QStringLiteral("Réduire Indentation"), [this] { btnMainIndentDecClick(); });
    btnHangingIndentDec = small(paragraphs, QStringLiteral("btnHangingIndentDec"), QStringLiteral("hangingdec"),
        QStringLiteral("Réduire Indentation secondaire"), [this] { btnHangingIndentDecClick(); });
    btnHangingIndentInc = small(paragraphs, QStringLiteral("btnHangingIndentInc"), QStringLiteral("hanginginc"),
        QStringLiteral("Augmenter Indentation secondaire"), [this] { btnHangingIndentIncClick(); });
    btnMainIndentInc = small(paragraphs, QStringLiteral("btnMainIndentInc"), QStringLiteral("indentinc"),
        QStringLiteral("Augmenter Indentation"), [this] { btnMainIndentIncClick(); });
    paraGrid->addWidget(btnMainIndentDec, 1, 0);
    paraGrid->addWidget(btnHangingIndentDec, 1, 1);
    paraGrid->addWidget(btnHangingIndentInc, 1, 2);
    paraGrid->addWidget(btnMainIndentInc, 1, 3);
    btnSpacing1 = small(paragraphs, QStringLiteral("btnSpacing1"), QStringLiteral("spacing1"),
        QStringLiteral("espacement Ligne Simple"), [this] { btnSpacing1Click(); });
    btnSpacing15 = small(paragraphs, QStringLiteral("btnSpacing15"), QStringLiteral("spacing15"),
        QStringLiteral("espacement Une Ligne et Demie"), [this] { btnSpacing15Click(); });
    btnSpacing2 = small(paragraphs, QStringLiteral("btnSpacing2"), QStringLiteral("spacing2"),
        QStringLiteral("espacement Double Ligne"), [this] { btnSpacing2Click(); });
    paraGrid->addWidget(btnSpacing1, 2, 0);
    paraGrid->addWidget(btnSpacing15, 2, 1);
    paraGrid->addWidget(btnSpacing2, 2, 2);
    btnBullet = small(paragraphs, QStringLiteral("btnBullet"), QStringLiteral("bullets"),
        QStringLiteral("Puces Rondes"), [this] { btnBulletClick(); });
    btnNumbering = small(paragraphs, QStringLiteral("btnNumbering"), QStringLiteral("numbering"),
        QStringLiteral("Puces Numéros"), [this] { btnNumberingClick(); });
    paraGrid->addWidget(btnBullet, 3, 0);
    paraGrid->addWidget(btnNumbering, 3, 1);
    column->addWidget(paragraphs);

    // Companion programs.
    auto* tools = new TSkinGroupPanel(QStringLiteral("Outils"), panel);
    tools->setObjectName(QStringLiteral("GroupTools"));
    auto* toolRow = new QHBoxLayout(tools);
    btnDefault = small(tools, QStringLiteral("btnDefault"), QStringLiteral("spellcheck"),
        QStringLiteral("Ouvrir Correcteur Orthographique..."), [this] { btnDefaultClick(); });
    btnScreenHeight = small(tools, QStringLiteral("btnScreenHeight"), QStringLiteral("mailmerge"),
        QStringLiteral("Ouvrir application Mail-Merge..."), [this] { btnScreenHeightClick(); });
    toolRow->addWidget(btnDefault);
    toolRow->addWidget(btnScreenHeight);
    toolRow->addStretch(1);
    column->addWidget(tools);

    // The groups cover most of the panel; the pointer over them is over the panel.
    for (TSkinPanel* group : { static_cast<TSkinPanel*>(characters), static_cast<TSkinPanel*>(paragraphs),
             static_cast<TSkinPanel*>(tools) })
        group->OnMouseMove = [this](QObject*, Qt::KeyboardModifiers, int, int) { ClearStatusHint(); };

    ZoomBar = new TTrackBar(panel);
    ZoomBar->setObjectName(QStringLiteral("ZoomBar"));
    ZoomBar->SetMin(50);
    ZoomBar->SetMax(200);
    ZoomBar->SetFrequency(5);
    ZoomBar->SetPosition(100);
    ZoomBar->setCursor(Qt::PointingHandCursor);
    ZoomBar->OnChange = [this](QObject*) { Run([this] { ZoomBarChange(); }); };
    column->addWidget(ZoomBar);
    Label1 = MakeLabel(panel, QStringLiteral("Label1"), QStringLiteral("Zoom: 100%"));
    Label1->setAlignment(Qt::AlignCenter);
    column->addWidget(Label1);
    Label3 = MakeLabel(panel, QStringLiteral("Label3"), QStringLiteral("Mots: 0     Caractères: 0"));
    Label3->setAlignment(Qt::AlignCenter);
    column->addWidget(Label3);
    column->addStretch(1);
    return panel;
}

void TFrmMain::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    // The widest text each panel shows; a panel never cuts it, whatever the font.
    const QString widest[] = { QString(), CaretPositionText(99998, 9998), QStringLiteral("Modified"),
        QStringLiteral("Zoom Factor: 200%"), QStringLiteral("NUM"), QStringLiteral("CAPS"), QStringLiteral("SCROLL"),
        QStringLiteral("OVERWRITE"), QString() };
    for (int i = 0; i < int(std::size(StatusPanelWidths)); ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        const int needed = panel->fontMetrics().horizontalAdvance(widest[i]) + 2 * panel->frameWidth() + 8;
        panel->setFixedWidth(std::max(StatusPanelWidths[i], needed));
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
        StatusPanels.append(panel);
    }
}

void TFrmMain::CreateMenus()
{
    // The hidden main menu: only its keys are used.
    OpenDocument1 = KeyItem(QStringLiteral("OpenDocument1"), QStringLiteral("Ouvrir Document"),
        QKeySequence(Qt::CTRL | Qt::Key_O), [this] { BtnOpenClick(); });
    NewDocument1 = KeyItem(QStringLiteral("NewDocument1"), QStringLiteral("Nouveau Document"),
        QKeySequence(Qt::CTRL | Qt::Key_N), [this] { BtnNewClick(); });
    SaveDocument1 = KeyItem(QStringLiteral("SaveDocument1"), QStringLiteral("Sauver Document"),
        QKeySequence(Qt::CTRL | Qt::Key_S), [this] { BtnSaveClick(); });
    Print1 = KeyItem(QStringLiteral("Print1"), QStringLiteral("Imprimer"), QKeySequence(Qt::CTRL | Qt::Key_P),
        [this] { BtnQuickPrintClick(Print1); });
    History1 = KeyItem(QStringLiteral("History1"), QStringLiteral("Historique"), QKeySequence(Qt::CTRL | Qt::Key_H),
        [this] { BtnHistoryClick(); });
    Bold2 = KeyItem(QStringLiteral("Bold2"), QStringLiteral("Gras"), QKeySequence(Qt::CTRL | Qt::Key_B),
        [this] { btnBoldClick(); });
    Italic2 = KeyItem(QStringLiteral("Italic2"), QStringLiteral("Italique"), QKeySequence(Qt::CTRL | Qt::Key_I),
        [this] { btnItalicClick(); });
    Undeline1 = KeyItem(QStringLiteral("Undeline1"), QStringLiteral("Souligné"), QKeySequence(Qt::CTRL | Qt::Key_U),
        [this] { btnUnderlineClick(); });
    Find2 = KeyItem(QStringLiteral("Find2"), QStringLiteral("Rechercher..."), QKeySequence(Qt::CTRL | Qt::Key_F),
        [this] { btnFindTClick(); });
    Find1 = KeyItem(QStringLiteral("Find1"), QStringLiteral("Chercher et Remplacer..."),
        QKeySequence(Qt::CTRL | Qt::Key_R), [this] { btnFindTextClick(); });
    SpellCheck1 = KeyItem(QStringLiteral("SpellCheck1"), QStringLiteral("Correction Ortho..."),
        QKeySequence(Qt::Key_F9), [this] { btnDefaultClick(); });
    MailMerge1 = KeyItem(QStringLiteral("MailMerge1"), QStringLiteral("Fusion Mail..."), QKeySequence(Qt::Key_F10),
        [this] { btnScreenHeightClick(); });
    FindNext1 = KeyItem(QStringLiteral("FindNext1"), QStringLiteral("Trouver Suivant..."), QKeySequence(Qt::Key_F3),
        [this] { FindNext1Click(); });

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Cut2 = MenuItem(PopupMenu1, QStringLiteral("Cut2"), QStringLiteral("Couper"), QStringLiteral("Ctrl+X"),
        QStringLiteral("cut"), [this] { BtnCutClick(); });
    Copy2 = MenuItem(PopupMenu1, QStringLiteral("Copy2"), QStringLiteral("&Copier"), QStringLiteral("Ctrl+C"),
        QStringLiteral("copy"), [this] { btnCopyClick(); });
    Paste2 = MenuItem(PopupMenu1, QStringLiteral("Paste2"), QStringLiteral("Coller"), QStringLiteral("Ctrl+V"),
        QStringLiteral("paste"), [this] { BtnPasteClick(); });
    PopupMenu1->addSeparator();
    SelectAll2 = MenuItem(PopupMenu1, QStringLiteral("SelectAll2"), QStringLiteral("Sélectionner Tout"),
        QStringLiteral("Ctrl+A"), QStringLiteral("selectall"), [this] { SelectAll2Click(); });
    PopupMenu1->addSeparator();
    Delete2 = MenuItem(PopupMenu1, QStringLiteral("Delete2"), QStringLiteral("Effacer Sélection"),
        QStringLiteral("Ctrl+D"), QStringLiteral("delete"), [this] { Delete2Click(); });
    DeleteAll1 = MenuItem(PopupMenu1, QStringLiteral("DeleteAll1"), QStringLiteral("Effacer Tout"), QString(),
        QStringLiteral("deleteall"), [this] { DeleteAll1Click(); });
    PopupMenu1->addSeparator();
    InsertTable1 = MenuItem(PopupMenu1, QStringLiteral("InsertTable1"), QStringLiteral("Insertion Tableau..."),
        QString(), QStringLiteral("table"), [this] { InsertTable1Click(); });
    InsertFromEquationBuilder1 = MenuItem(PopupMenu1, QStringLiteral("InsertFromEquationBuilder1"),
        QStringLiteral("Insertion depuis Créateur Equations..."), QString(), QStringLiteral("equation"),
        [this] { InsertFromEquationBuilder1Click(); });
    PopupMenu1->addSeparator();
    HideSidePanel1 = MenuItem(PopupMenu1, QStringLiteral("HideSidePanel1"), QStringLiteral("Masquer Panneau Latéral"),
        QString(), QString(), [this] { HideSidePanel1Click(); });
    HideSidePanel1->setCheckable(true);

    // Never shown: its check items hold the toggle states of bold, italic, underline and bullets.
    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Bold1 = MenuItem(PopupMenu2, QStringLiteral("Bold1"), QStringLiteral("Gras"), QString(), QString(), {});
    Italic1 = MenuItem(PopupMenu2, QStringLiteral("Italic1"), QStringLiteral("Italique"), QString(), QString(), {});
    Underline1
        = MenuItem(PopupMenu2, QStringLiteral("Underline1"), QStringLiteral("Souligné"), QString(), QString(), {});
    Bullets1 = MenuItem(PopupMenu2, QStringLiteral("Bullets1"), QStringLiteral("Puces"), QString(), QString(), {});
    for (QAction* holder : { Bold1, Italic1, Underline1, Bullets1 })
        holder->setCheckable(true);

    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    SaveDocumentAs1 = MenuItem(PopupMenu3, QStringLiteral("SaveDocumentAs1"), QStringLiteral("Sauver Document Sous..."),
        QString(), QStringLiteral("saveas"), [this] { SaveDocumentAs1Click(); });

    PopupMenu4 = new QMenu(this);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    FullyJustified1 = MenuItem(PopupMenu4, QStringLiteral("FullyJustified1"), QStringLiteral("Justification complète"),
        QString(), QStringLiteral("justify"), [this] { FullyJustified1Click(); });
    PopupMenu4->addSeparator();
    SuperScript1 = MenuItem(PopupMenu4, QStringLiteral("SuperScript1"), QStringLiteral("SuperScript"), QString(),
        QStringLiteral("superscript"), [this] { SuperScript1Click(); });
    SubScript1 = MenuItem(PopupMenu4, QStringLiteral("SubScript1"), QStringLiteral("SubScript"), QString(),
        QStringLiteral("subscript"), [this] { SubScript1Click(); });
    SuperScript1->setCheckable(true);
    SubScript1->setCheckable(true);

    PopupMenu5 = new QMenu(this);
    PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    FindandReplace1 = MenuItem(PopupMenu5, QStringLiteral("FindandReplace1"), QStringLiteral("Trouver et Remplacer..."),
        QString(), QStringLiteral("replace"), [this] { btnFindTextClick(); });

    for (QMenu* menu : { PopupMenu1, PopupMenu3, PopupMenu4, PopupMenu5 })
        MakeOwnerDrawn(*menu);
}

void TFrmMain::BindEditorEvents()
{
    Editor->OnChange = [this](QObject*) { Run([this] { EditorChange(); }); };
    Editor->OnSelectionChange = [this](QObject*) { Run([this] { EditorSelectionChange(); }); };
    Editor->OnKeyDown = [this](QObject*, int& key, Qt::KeyboardModifiers) { Run([&] { EditorKeyDown(key); }); };
    Editor->OnMouseDown = [this](QObject*, TMouseButton button, Qt::KeyboardModifiers, int, int) {
        Run([this, button] { EditorMouseDown(button); });
    };
    Editor->OnMouseUp = [this](QObject*, TMouseButton button, Qt::KeyboardModifiers, int, int) {
        Run([this, button] { EditorMouseUp(button); });
    };
    Editor->OnProtectChange = [this](QObject*, int, int, bool& allow) { EditorProtectChange(allow); };
    Editor->OnTextNotFound = [this](QObject*, const QString& text) { Run([&] { EditorTextNotFound(text); }); };
    Editor->OnURLClick = [this](QObject*, const QString& text, TMouseButton) { Run([&] { EditorURLClick(text); }); };
}

// ---- life of the window ----

void TFrmMain::FormCreate()
{
    CollectSymbolFonts();
    Editor->Perform(EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY, TO_ADVANCEDTYPOGRAPHY);
    FCurrentFile = UntitledDocument;
}

void TFrmMain::FormShow()
{
    if (!FArguments.isEmpty() && QFileInfo(FArguments.front()).isFile())
        OpenDocumentFrom(QFileInfo(FArguments.front()).absoluteFilePath());
    if (Editor->isEnabled() && Editor->isVisible())
        Editor->SetFocus();
    UpdateLockKeys();
    SetModifiedState(false);
}

void TFrmMain::FormActivate()
{
    if (FActivating)
        return; // the steps below let messages run, which may report the activation again
    FActivating = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset { FActivating };
    LoadSettings();
    FitToWorkArea();
}

void TFrmMain::FormResize()
{
    const QScreen* screen = this->screen();
    const int screenWidth = screen ? screen->geometry().width() : width();
    auto* layout = static_cast<QHBoxLayout*>(ToolBar1->layout());
    const QMargins margins = layout->contentsMargins();
    const int indent = screenWidth - 40 < ToolBar1->width() ? (screenWidth - 1000) / 2 : 8;
    layout->setContentsMargins(indent, margins.top(), margins.right(), margins.bottom());
    ToolBar1->update();
    statusBar()->update();
    if (!Editor->Modified())
        SetModifiedState(false);
}

bool TFrmMain::FormClose()
{
    if (Editor->Modified()) {
        try {
            PromptSaveChanges();
        } catch (const EAbort&) {
            return false;
        }
    }
    FreePrintForms();
    try {
        FShell.FadeOut(*this, 600);
    } catch (...) { // a failed fade must not keep the program alive
    }
    FClosing = true;
    QCoreApplication::quit();
    return true;
}

void TFrmMain::FormDestroy() { SaveSettings(); }

void TFrmMain::closeEvent(QCloseEvent* event)
{
    if (FClosing) {
        event->accept();
        return;
    }
    bool closed = false;
    RunCommand(FDialogs, [&] { closed = FormClose(); });
    if (closed)
        event->accept();
    else
        event->ignore();
}

void TFrmMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    Run([this] { FormShow(); });
    // Without a window manager nothing activates the window, and the settings would never apply.
    activateWindow();
}

void TFrmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Run([this] { FormResize(); });
}

void TFrmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && FShown)
        Run([this] { FormActivate(); });
}

// ---- status bar, captions and zoom ----

QString TFrmMain::StatusText(int panel) const
{
    return panel >= 0 && panel < StatusPanels.size() ? StatusPanels[panel]->text() : QString();
}

void TFrmMain::SetStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < StatusPanels.size())
        StatusPanels[panel]->setText(text);
}

void TFrmMain::BtnNewMouseMove(QWidget* sender) { SetStatusText(0, HintOf(*sender)); }

void TFrmMain::ClearStatusHint() { SetStatusText(0, QString()); }

void TFrmMain::SetModifiedState(bool modified)
{
    SetStatusText(2, modified ? QStringLiteral("Modified") : QString());
    Editor->SetModified(modified);
}

bool TFrmMain::DocumentModified() const { return Editor->Modified(); }

void TFrmMain::SetCaptionFor(const QString& path)
{
    setWindowTitle(DesignCaption + QStringLiteral(" >>  [") + path + u']');
}

void TFrmMain::PromptSaveChanges()
{
    if (!Editor->Modified())
        return;
    const QString question = QStringLiteral("Save changes to %1?")
                                 .arg(QStringLiteral(" [") + QFileInfo(FCurrentFile).fileName() + QStringLiteral("] "));
    switch (FDialogs.ConfirmYesNoCancel(question)) {
    case mrYes:
        BtnSaveClick();
        Editor->SetFocus();
        // Cancelling the save dialog keeps the work: the command that asked does not go on.
        if (Editor->Modified())
            throw EAbort();
        return;
    case mrNo:
        Editor->SetFocus();
        return;
    default:
        Editor->SetFocus();
        throw EAbort();
    }
}

void TFrmMain::ApplyZoom(int position)
{
    TZoomLevel level;
    if (!ZoomLevelFor(position, level))
        return;
    Editor->Perform(EM_SETZOOM, WPARAM(level.Numerator), LPARAM(level.Denominator));
    SetStatusText(3, QStringLiteral("Zoom Factor: %1%").arg(level.Percent));
    Label1->setText(QStringLiteral("Zoom: %1%").arg(level.Percent));
}

void TFrmMain::ZoomBarChange()
{
    ApplyZoom(ZoomBar->Position());
    StoreSettings();
}

void TFrmMain::FitToWorkArea()
{
    if ((windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)) == 0) {
        const QRect area = FShell.WorkArea(this);
        // The frame (title bar and borders) is part of the fitted size.
        const QSize frame = frameGeometry().size() - geometry().size();
        move(area.left() + (area.width() - FittedWidth) / 2, area.top());
        resize(FittedWidth - frame.width(), area.height() - frame.height());
    }
    ProcessMessages();
    Editor->SetFocus();
}

void TFrmMain::UpdateLockKeys()
{
    SetStatusText(4, FShell.IsKeyToggled(TLockKey::lkNumLock) ? QStringLiteral("NUM") : QString());
    SetStatusText(5, FShell.IsKeyToggled(TLockKey::lkCapsLock) ? QStringLiteral("CAPS") : QString());
    SetStatusText(6, FShell.IsKeyToggled(TLockKey::lkScrollLock) ? QStringLiteral("SCROLL") : QString());
    SetStatusText(7, FShell.IsKeyToggled(TLockKey::lkInsert) ? QStringLiteral("OVERWRITE") : QStringLiteral("INSERT"));
}

void TFrmMain::HideSidePanel1Click()
{
    SkPanel2->setVisible(!SkPanel2->isVisibleTo(this));
    HideSidePanel1->setChecked(!SkPanel2->isVisibleTo(this));
    StoreSettings();
}

void TFrmMain::SpeedButton1Click() { FDialogs.ShowInformation(HelpLines.join(QStringLiteral("\r\n"))); }

// ---- companion programs ----

void TFrmMain::StartCompanion(const QString& program)
{
    ProcessMessages();
    (void)FShell.StartProgram(FShell.ProgramFolder() + u'/' + program); // a missing program does nothing
    ProcessMessages();
}

void TFrmMain::btnScreenHeightClick() { StartCompanion(QStringLiteral("pelmora")); }

void TFrmMain::btnDefaultClick()
{
    // The spell checker takes its text from the clipboard.
    if (Editor->SelectedText().isEmpty())
        Editor->SelectAll();
    Editor->CopyToClipboard();
    StartCompanion(QStringLiteral("ivrospell"));
}

void TFrmMain::SpeedButton2Click() { StartCompanion(QStringLiteral("pastrel")); }

void TFrmMain::EditorURLClick(const QString& urlText)
{
    (void)FShell.OpenLink(urlText); // a link never starts a program; refused ones do nothing
}

// ---- printing ----

void TFrmMain::CreatePrintForms()
{
    // In the program's window order: the preview, then the margins and header/footer dialogs it uses.
    FMarginsForm = std::make_unique<TMarginsForm>(this);
    FHeaderFooterForm = std::make_unique<THeaderFooterForm>(FDialogs, this);
    TPreviewHost host;
    host.Margins = [this] {
        return TPgPrintMargins { FTopMargin, FLeftMargin, FBottomMargin, FRightMargin, FHeaderMargin, FFooterMargin };
    };
    host.StoreMargins = [this](const TPgPrintMargins& margins) {
        SetMargins(margins.Top, margins.Left, margins.Bottom, margins.Right, margins.Header, margins.Footer);
    };
    host.DocumentTitle = [this] { return QFileInfo(FCurrentFile).fileName(); };
    FPrintPreview
        = std::make_unique<TfrmPrintPreview>(FDialogs, *Editor, *FMarginsForm, *FHeaderFooterForm, host, this);
}

void TFrmMain::FreePrintForms()
{
    FPrintPreview.reset();
    FHeaderFooterForm.reset();
    FMarginsForm.reset();
}

void TFrmMain::BtnQuickPrintClick(QObject* sender)
{
    if (!FPrintPreview)
        return;
    Editor->SetPrinter(&ProgramPrinter()); // the one printer of the program
    QuickPrint(*FPrintPreview, FDialogs, *Editor, sender == BtnQuickPrint);
}

void TFrmMain::BtnPrintPreviewClick()
{
    if (FPrintPreview)
        FPrintPreview->OpenPrintPreview();
}

TfrmExport& TFrmMain::ExportForm()
{
    if (!FExportForm)
        FExportForm = std::make_unique<TfrmExport>(this);
    return *FExportForm;
}

TfrmPresentation& TFrmMain::PresentationForm()
{
    if (!FPresentationForm)
        FPresentationForm = std::make_unique<TfrmPresentation>(FDialogs, this);
    return *FPresentationForm;
}

namespace {

// The status window closes however the export ends.
class TStatusShown {
public:
    explicit TStatusShown(TfrmExport& status)
        : FStatus(status)
    {
        FStatus.ShowStatus();
    }
    ~TStatusShown() { FStatus.close(); }
    TStatusShown(const TStatusShown&) = delete;
    TStatusShown& operator=(const TStatusShown&) = delete;

private:
    TfrmExport& FStatus;
};

} // namespace

void TFrmMain::ExportToPdf(const QString& path)
{
    {
        TWaitCursor busy;
        TStatusShown shown(ExportForm());
        ExportPagesToPdf(Editor->Control(), path, [this](const QString& progress) { FExportForm->SetProgress(progress); });
    }
    FDialogs.ShowInformation(QStringLiteral("Document succesfully exported to PDF format."));
}

void TFrmMain::ExportToPresentation(const QString& path)
{
    {
        TWaitCursor busy;
        FDialogs.ShowModal(PresentationForm()); // offers no cancel: the export goes on however it closes
        const TPresentationOptions options = FPresentationForm->Options();
        TStatusShown shown(ExportForm());
        ExportPagesToPresentation(Editor->Control(), path, options,
            [this](const QString& progress) { FExportForm->SetProgress(progress); });
    }
    FDialogs.ShowInformation(QStringLiteral("Document Succesfully Exported to Orvane Presentation File Format."));
}

void TFrmMain::BtnCloseClick() { close(); }

void TFrmMain::BtnHistoryClick()
{
    if (FHistoryForm)
        FDialogs.ShowModal(*FHistoryForm);
}
