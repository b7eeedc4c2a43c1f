// Preview.cpp: the merge preview window.
#include "Preview.h"

#include "CommandGuard.h"
#include "CsvFile.h"
#include "Dialogs.h"
#include "Errors.h"
#include "HeaderF.h"
#include "Hints.h"
#include "IniFile.h"
#include "Margins.h"
#include "MergeSettings.h"
#include "PgPreview.h"
#include "PgPrinter.h"
#include "PgPropertyComboBox.h"
#include "PgPropertyGraphic.h"
#include "PgRtfMailMerge.h"
#include "PgRtfPreview.h"
#include "PgThumbnails.h"
#include "RtRichEd.h"
#include "RtSpinEdit.h"
#include "SkinCheckBox.h"
#include "WaitCursor.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace {

const QString JobTitle = QStringLiteral("Pelmora");
const QString InvalidRange = QStringLiteral("Invalid Range");

// Ends the preview's update however the bracketed steps end.
struct TPreviewUpdate {
    TPgPreview& Preview;
    explicit TPreviewUpdate(TPgPreview& preview)
        : Preview(preview)
    {
        Preview.BeginUpdate();
    }
    ~TPreviewUpdate() { Preview.EndUpdate(); }
};

} // namespace

TPrintPreviewForm::TPrintPreviewForm(IDialogs& dialogs, const QString& settingsFolder, TMarginsForm& marginsForm,
    THeaderFooterForm& headerFooterForm, QWidget* parent)
    : QDialog(parent)
    , FDialogs(dialogs)
    , FSettingsFolder(settingsFolder)
    , FMarginsForm(marginsForm)
    , FHeaderFooterForm(headerFooterForm)
    , FPgRtfMailMerge1(std::make_unique<TPgRtfMailMerge>())
    , FSource(std::make_unique<TMergeFieldSource>())
{
    setObjectName(QStringLiteral("PrintPreviewForm"));
    setWindowTitle(QStringLiteral("Print Preview"));
    CreateControls();
    resize(1000, 720);
    Run([this] { FormCreate(); });
}

TPrintPreviewForm::~TPrintPreviewForm()
{
    // The strip and pickers unregister from the preview; the paginator holds only a guarded pointer.
    delete PgRtfPreview1;
}

void TPrintPreviewForm::CreateControls()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    auto* bar = new QHBoxLayout;
    outer->addLayout(bar);
    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);

    auto button = [this](QBoxLayout* into, const QString& caption, const QString& hint) {
        auto* made = new QPushButton(caption, this);
        SetHint(*made, hint);
        into->addWidget(made);
        return made;
    };
    ToolButton1 = button(bar, QStringLiteral("|<"), QStringLiteral("First Page"));
    btnRight = button(bar, QStringLiteral("<"), QStringLiteral("Previous Page"));
    btnLeft = button(bar, QStringLiteral(">"), QStringLiteral("Next Page"));
    ToolButton2 = button(bar, QStringLiteral(">|"), QStringLiteral("Last Page"));
    btnZoomOut = button(bar, QStringLiteral("+"), QStringLiteral("Zoom In"));
    btnZoomIn = button(bar, QStringLiteral("-"), QStringLiteral("Zoom Out"));
    btnFull = button(bar, QStringLiteral("Full Page"), QStringLiteral("View Full Page"));
    btnWidth = button(bar, QStringLiteral("Full Width"), QStringLiteral("View Full Width"));
    btnPrintAl = button(bar, QStringLiteral("Print All"), QStringLiteral("Print All Pages"));
    Label3 = new QLabel(QStringLiteral("Page: 1 of 1"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    bar->addSpacing(12);
    bar->addWidget(Label3);
    bar->addStretch(1);

    auto* side = new QWidget(this);
    side->setFixedWidth(300);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 4, 0);
    body->addWidget(side);

    PgPreview1 = new TPgPreview(this);
    PgPreview1->setObjectName(QStringLiteral("PgPreview1"));
    body->addWidget(PgPreview1, 1);
    PgPreview1->SetGutter(20);
    PgPreview1->SetMinZoom(10);
    PgPreview1->ZoomIncrement = 15;
    PgPreview1->Margins().SetVisible(true);
    PgPreview1->Margins().SetPen(TPgPen { 0xC0C0C0, 1, PS_DOT, 4 });
    for (TPgHeaderFooter* part : { static_cast<TPgHeaderFooter*>(&PgPreview1->Header()),
             static_cast<TPgHeaderFooter*>(&PgPreview1->Footer()) }) {
        part->SetVisible(true);
        part->SetShowLine(false);
    }
    PgPreview1->SetPagesPerSheet(TPgPagesPerSheet::pgOnePage);
    PgPreview1->SetZoom(35);
    for (TPgValue* margin : { &PgPreview1->Margins().Left, &PgPreview1->Margins().Top, &PgPreview1->Margins().Right,
             &PgPreview1->Margins().Bottom })
        margin->SetAsInches(0.5L);
    PgRtfPreview1 = new TPgRtfPreview;
    PgRtfPreview1->SetPreview(PgPreview1);
    PgRtfPreview1->SetDialogs(&FDialogs);
    FPgRtfMailMerge1->SetPgRtfPreview(PgRtfPreview1);
    FPgRtfMailMerge1->OnGetField
        = [this](QObject*, int record, const QString& field, QString& text) { text = FSource->Value(record, field); };

    PgPreview1->OnPageChanged = [this](QObject*) { PgPreview1PageChanged(); };
    PgPreview1->OnOrientationChanged = [this](QObject*) { Run([this] { PgPreview1OrientationChanged(); }); };
    PgPreview1->OnMouseDown = [this](QObject*, TMouseButton pressed, Qt::KeyboardModifiers, int, int) {
        if (pressed == TMouseButton::mbLeft)
            PgPreview1->BeginDragScroll();
    };
    PgPreview1->OnMouseUp = [this](QObject*, TMouseButton released, Qt::KeyboardModifiers, int, int) {
        if (released == TMouseButton::mbLeft)
            PgPreview1->EndDragScroll();
    };
    PgPreview1->viewport()->installEventFilter(this);

    auto caption = [&](const QString& text) {
        auto* label = new QLabel(text, side);
        column->addWidget(label);
        return label;
    };
    caption(QStringLiteral("Printer Selection"));
    PgPropertyComboBox1 = new TPgPropertyComboBox(side);
    column->addWidget(PgPropertyComboBox1);
    PgPropertyComboBox1->SetPreviewProperty(TPgComboPropertyType::pgPrinterList);
    PgPropertyComboBox1->SetPreview(PgPreview1);
    PgPropertyComboBox1->view()->setMinimumWidth(369); // printer names are long
    PgPropertyComboBox1->OnChange = [this](QObject*) { Run([this] { PgPropertyComboBox1Change(); }); };
    PgPropertyComboBox1->OnError = [this](const QString& message) { FDialogs.ShowError(windowTitle(), message); };

    auto* row = new QGridLayout;
    column->addLayout(row);
    row->addWidget(new QLabel(QStringLiteral("Paper Size"), side), 0, 0);
    PgPropertyComboBox2 = new TPgPropertyComboBox(side);
    row->addWidget(PgPropertyComboBox2, 1, 0);
    PgPropertyComboBox2->SetPreviewProperty(TPgComboPropertyType::pgPaperList);
    PgPropertyComboBox2->SetPreview(PgPreview1);
    PgPropertyComboBox2->setMaxVisibleItems(10);
    PgPropertyComboBox2->view()->setMinimumWidth(200);
    PgPropertyComboBox2->OnChange = [this](QObject*) { Run([this] { PgPropertyComboBox2Change(); }); };
    PgPropertyComboBox2->OnError = [this](const QString& message) { FDialogs.ShowError(windowTitle(), message); };
    row->addWidget(new QLabel(QStringLiteral("Print Quality"), side), 0, 1);
    ComboBox2 = new QComboBox(side);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({ QStringLiteral("High"), QStringLiteral("Standard"), QStringLiteral("Draft"),
        QStringLiteral("Low"), QStringLiteral("Default") });
    ComboBox2->setCurrentIndex(4);
    row->addWidget(ComboBox2, 1, 1);
    connect(ComboBox2, &QComboBox::activated, this, [this] { Run([this] { ComboBox2Change(); }); });
    row->addWidget(new QLabel(QStringLiteral("Copies"), side), 0, 2);
    RtSpinEdit1 = new TRtSpinEdit(side);
    RtSpinEdit1->SetMinValue(1);
    RtSpinEdit1->SetMaxValue(1000);
    RtSpinEdit1->SetValue(1);
    RtSpinEdit1->SetMaxLength(4);
    RtSpinEdit1->setMinimumWidth(64);
    row->addWidget(RtSpinEdit1, 1, 2);
    RtSpinEdit1->OnChange = [this](QObject*) { Run([this] { RtSpinEdit1Change(); }); };

    auto* pickers = new QHBoxLayout;
    column->addLayout(pickers);
    PgPropertyGraphic1 = new TPgPropertyGraphic(side);
    PgPropertyGraphic1->setFixedSize(137, 110);
    PgPropertyGraphic1->SetPreviewProperty(TPgGraphicPropertyType::pgOrientationGraphic);
    PgPropertyGraphic1->SetPreview(PgPreview1);
    SetHint(*PgPropertyGraphic1, QStringLiteral("Page Orientation"));
    pickers->addWidget(PgPropertyGraphic1);
    PgPropertyGraphic2 = new TPgPropertyGraphic(side);
    PgPropertyGraphic2->setFixedSize(137, 110);
    PgPropertyGraphic2->SetPreviewProperty(TPgGraphicPropertyType::pgMultipageGraphic);
    PgPropertyGraphic2->SetPreview(PgPreview1);
    PgPropertyGraphic2->Miniature().Shadow.Width = 2;
    SetHint(*PgPropertyGraphic2, QStringLiteral("Econo Multi-Page Printing"));
    pickers->addWidget(PgPropertyGraphic2);

    auto* buttons = new QGridLayout;
    column->addLayout(buttons);
    auto sideButton = [&](const QString& text, int r, int c) {
        auto* made = new QPushButton(text, side);
        buttons->addWidget(made, r, c);
        return made;
    };
    SkButton3 = sideButton(QStringLiteral("All Pages"), 0, 0);
    SetHint(*SkButton3, QStringLiteral("Print All Pages"));
    btnPrintPage = sideButton(QStringLiteral("Current Page"), 0, 1);
    SkButton1 = sideButton(QStringLiteral("Range"), 0, 2);
    btnMargins = sideButton(QStringLiteral("Margins"), 1, 0);
    btnHeader = sideButton(QStringLiteral("Header && Footer"), 1, 1);
    btnClose = sideButton(QStringLiteral("Close"), 1, 2);

    PgThumbnails1 = new TPgThumbnails(side);
    PgThumbnails1->setObjectName(QStringLiteral("PgThumbnails1"));
    PgThumbnails1->SetLayout(TPgThumbLayout::pgThumbGrid);
    PgThumbnails1->SetGridWidth(4);
    PgThumbnails1->SetThumbSize(8);
    PgThumbnails1->SetShadowWidth(2);
    PgThumbnails1->SetPageCaptions(QStringLiteral("Page #"));
    PgThumbnails1->SetScrollStep(10);
    PgThumbnails1->SetPreview(PgPreview1);
    column->addWidget(PgThumbnails1, 1);

    auto bind = [this](QPushButton* pressed, std::function<void()> handler) {
        connect(pressed, &QPushButton::clicked, this, [this, handler] { Run(handler); });
    };
    bind(ToolButton1, [this] { PgPreview1->FirstPage(); });
    bind(btnRight, [this] { PgPreview1->PrevPage(); });
    bind(btnLeft, [this] { PgPreview1->NextPage(); });
    bind(ToolButton2, [this] { PgPreview1->LastPage(); });
    bind(btnZoomOut, [this] { PgPreview1->ZoomIn(); });
    bind(btnZoomIn, [this] { PgPreview1->ZoomOut(); });
    bind(btnFull, [this] { PgPreview1->ZoomToFitPage(); });
    bind(btnWidth, [this] { PgPreview1->ZoomToFitWidth(); });
    bind(btnPrintAl, [this] { btnPrintAlClick(); });
    bind(SkButton3, [this] { btnPrintAlClick(); });
    bind(btnPrintPage, [this] { btnPrintPageClick(); });
    bind(SkButton1, [this] { uxButton1Click(); });
    bind(btnMargins, [this] { btnMarginsClick(); });
    bind(btnHeader, [this] { btnHeaderClick(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrintPreviewForm::Run(const std::function<void()>& handler) { RunCommand(FDialogs, handler); }

QString TPrintPreviewForm::SettingsPath() const
{
    return QDir(FSettingsFolder).filePath(QStringLiteral("Settings.ini"));
}

void TPrintPreviewForm::FormCreate()
{
    PgPreview1->PgPrinter().SetPrintColor(TPgPrintColor::pgColor);
    const TIniFile settings(SettingsPath());
    TPreviewUpdate update(*PgPreview1);
    ApplyMergeMargins(*PgPreview1, *PgRtfPreview1, LoadMarginSettings(settings), FMarginsForm.Values().Header,
        FMarginsForm.Values().Footer);
}

void TPrintPreviewForm::FormActivate()
{
    try {
        PgPreview1->FirstPage();
        PgPreview1->ZoomToFitPage();
    } catch (const std::exception&) {
    }
}

void TPrintPreviewForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

bool TPrintPreviewForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched == PgPreview1->viewport()) {
        PgPreview1->WheelStep(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TPrintPreviewForm::PrepareMerge(TRtCustomRichEdit& editor, const TMergeFieldSource& source)
{
    FEditor = &editor;
    *FSource = source;
    Relayout();
}

void TPrintPreviewForm::Relayout()
{
    struct TLabel {
        TPrintPreviewForm& Form;
        // The count changes even when page 1 stays current, and after a failed merge too.
        ~TLabel() { Form.PgPreview1PageChanged(); }
    } label { *this };
    TWaitCursor busy;
    const int records = int(FSource->Records.size());
    FPgRtfMailMerge1->SetTokens(FSource->Tokens);
    FPgRtfMailMerge1->SetMergeCount(records);
    FPgRtfMailMerge1->OnMergeProgress = [this](QObject*, int done, int total) {
        if (done % 50 == 0 || done == total) {
            Label3->setText(QStringLiteral("Letter %1 of %2").arg(done).arg(total));
            Label3->repaint();
        }
    };
    TPreviewUpdate update(*PgPreview1);
    PgPreview1->Clear();
    if (records > 0 && FEditor)
        FPgRtfMailMerge1->MergeRichEdit(*FEditor);
    if (PgPreview1->NumPages() == 0)
        PgPreview1->Document().NewPage();
    PgPreview1->FirstPage();
}

std::pair<int, int> TPrintPreviewForm::ParseRange(const QString& text, int pageCount)
{
    const qsizetype dash = text.indexOf(u'-');
    if (dash < 0)
        throw EPrinter(InvalidRange);
    bool okFirst = false, okLast = false;
    const int first = text.left(dash).trimmed().toInt(&okFirst);
    const int last = text.mid(dash + 1).trimmed().toInt(&okLast);
    if (!okFirst || !okLast || first < 1 || first > pageCount || last < first)
        throw EPrinter(InvalidRange);
    return { first, std::min(last, pageCount) };
}

TMergeMargins TPrintPreviewForm::CurrentMargins() const
{
    TMergeMargins margins;
    margins.Left = double(PgPreview1->Margins().Left.AsMillimeters());
    margins.Top = double(PgPreview1->Margins().Top.AsMillimeters());
    margins.Right = double(PgPreview1->Margins().Right.AsMillimeters());
    margins.Bottom = double(PgPreview1->Margins().Bottom.AsMillimeters());
    margins.MarginTop = double(PgRtfPreview1->TopMargin.AsMillimeters());
    margins.MarginBottom = double(PgRtfPreview1->BottomMargin.AsMillimeters());
    return margins;
}

void TPrintPreviewForm::SaveMarginSettings()
{
    TIniFile settings(SettingsPath());
    ::SaveMarginSettings(settings, CurrentMargins());
    settings.UpdateFile();
}

void TPrintPreviewForm::PgPreview1PageChanged()
{
    Label3->setText(QStringLiteral("Page: %1 of %2").arg(PgPreview1->CurrentPage()).arg(PgPreview1->NumPages()));
}

void TPrintPreviewForm::PgPreview1OrientationChanged()
{
    Relayout();
    PgPreview1->ZoomToFitPage();
}

void TPrintPreviewForm::PgPropertyComboBox1Change()
{
    // Another printer measures text at another resolution; the choices of this window stay.
    SetQuality();
    RtSpinEdit1Change();
    Relayout();
    PgPreview1->ZoomToFitPage();
}

void TPrintPreviewForm::PgPropertyComboBox2Change()
{
    Relayout();
    PgPreview1->ZoomToFitPage();
}

void TPrintPreviewForm::SetQuality()
{
    TPgPrinter& printer = PgPreview1->PgPrinter();
    switch (ComboBox2->currentIndex()) {
    case 0:
        printer.SetPrintQuality(TPgPrintQuality::pgHigh);
        break;
    case 1:
        printer.SetPrintQuality(TPgPrintQuality::pgMedium);
        break;
    case 2:
        printer.SetPrintQuality(TPgPrintQuality::pgDraft);
        break;
    case 3:
        printer.SetPrintQuality(TPgPrintQuality::pgLow);
        break;
    default:
        break; // "Default" leaves the driver's choice
    }
    printer.SetPrintColor(TPgPrintColor::pgColor);
}

void TPrintPreviewForm::ComboBox2Change()
{
    SetQuality();
    if (ComboBox2->currentIndex() != 4)
        Relayout(); // the measuring resolution follows the quality
}

void TPrintPreviewForm::RtSpinEdit1Change()
{
    TPgPrinter& printer = PgPreview1->PgPrinter();
    printer.SetPrintCopies(RtSpinEdit1->Value());
    printer.SetPrintColor(TPgPrintColor::pgColor);
}

void TPrintPreviewForm::PrepareJob()
{
    RtSpinEdit1Change(); // every job, not just the first after a change
    TPgPrinter& printer = PgPreview1->PgPrinter();
    printer.Title = JobTitle;
    printer.SetPrintColor(TPgPrintColor::pgColor);
}

void TPrintPreviewForm::btnPrintAlClick()
{
    PrepareJob();
    PgPreview1->Print();
}

void TPrintPreviewForm::btnPrintPageClick()
{
    PrepareJob();
    PgPreview1->PrintCurrentPage();
}

void TPrintPreviewForm::uxButton1Click()
{
    const int pages = PgPreview1->NumPages();
    QString range = QStringLiteral("1-%1").arg(pages);
    if (!FDialogs.InputQuery(QStringLiteral("Print Range"), QStringLiteral("Print From Page 1 to Page %1").arg(pages), range))
        return;
    std::pair<int, int> chosen;
    try {
        chosen = ParseRange(range, pages);
    } catch (const EPrinter&) {
        FDialogs.ShowInformation(InvalidRange);
        return;
    }
    const auto [first, last] = chosen;
    if (FDialogs.ConfirmYesNo(QStringLiteral("Continue with Printing From Page %1 to Page %2").arg(first).arg(last))
        != TModalResult::mrYes)
        return;
    PrepareJob();
    PgPreview1->PrintRange(first, last); // a failure reports itself, never as a bad range
    FDialogs.ShowInformation(QStringLiteral("Printing from Page %1 to Page %2").arg(first).arg(last));
}

TPrintPreviewForm::TRelayoutAfter::~TRelayoutAfter()
{
    // Runs while a failure may be unwinding: it reports its own error instead of throwing.
    try {
        Form.Relayout();
    } catch (const std::exception& error) {
        Form.FDialogs.ShowError(Form.windowTitle(), QString::fromUtf8(error.what()));
    }
}

void TPrintPreviewForm::btnMarginsClick()
{
    TPgPrintMargins shown = FMarginsForm.Values();
    shown.Left = int(std::lround(double(PgPreview1->Margins().Left.AsMillimeters())));
    shown.Top = int(std::lround(double(PgPreview1->Margins().Top.AsMillimeters())));
    shown.Right = int(std::lround(double(PgPreview1->Margins().Right.AsMillimeters())));
    shown.Bottom = int(std::lround(double(PgPreview1->Margins().Bottom.AsMillimeters())));
    FMarginsForm.SetValues(shown);
    if (FDialogs.ShowModal(FMarginsForm) != TModalResult::mrOk)
        return;
    FMarginsForm.hide();
    const TRelayoutAfter relayout { *this }; // also when the settings cannot be written
    const TPgPrintMargins chosen = FMarginsForm.Values();
    {
        TPreviewUpdate update(*PgPreview1);
        TMergeMargins margins;
        margins.Left = chosen.Left;
        margins.Top = chosen.Top;
        margins.Right = chosen.Right;
        margins.Bottom = chosen.Bottom;
        margins.MarginTop = chosen.Top + chosen.Header;
        margins.MarginBottom = chosen.Bottom + chosen.Footer;
        ApplyMergeMargins(*PgPreview1, *PgRtfPreview1, margins, chosen.Header, chosen.Footer);
    }
    try {
        SaveMarginSettings();
    } catch (const std::exception& error) {
        FDialogs.ShowError(windowTitle(), QString::fromUtf8(error.what()));
    }
}

void TPrintPreviewForm::btnHeaderClick()
{
    FHeaderFooterForm.uxCheckBox1->SetChecked(PgPreview1->Header().ShowLine());
    FHeaderFooterForm.uxCheckBox2->SetChecked(PgPreview1->Footer().ShowLine());
    if (FDialogs.ShowModal(FHeaderFooterForm) != TModalResult::mrOk)
        return;
    FHeaderFooterForm.hide();
    const TRelayoutAfter relayout { *this };
    TPreviewUpdate update(*PgPreview1);
    ApplyHeaderFooter(FHeaderFooterForm, *PgPreview1);
}
