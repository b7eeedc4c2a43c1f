// PrintPreview.cpp: the print preview window and quick print.
#include "PrintPreview.h"

#include "CommandGuard.h"
#include "DeviceContext.h"
#include "Dialogs.h"
#include "Errors.h"
#include "HeaderF.h"
#include "Hints.h"
#include "Margins.h"
#include "PgPreview.h"
#include "PgPrinter.h"
#include "PgPropertyComboBox.h"
#include "PgPropertyGraphic.h"
#include "PgRtfPreview.h"
#include "PrinterDevice.h"
#include "RtRichEd.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinComboBox.h"
#include "SkinPanel.h"
#include "TrackBar.h"
#include "WaitCursor.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr COLORREF Silver = 12632256;
constexpr COLORREF Grey = 8421504;

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

TfrmPrintPreview::TfrmPrintPreview(IDialogs& dialogs, TRtCustomRichEdit& editor, TMarginsForm& marginsForm,
    THeaderFooterForm& headerFooterForm, TPreviewHost host, QWidget* parent)
    : QDialog(parent)
    , FDialogs(dialogs)
    , FEditor(editor)
    , FMarginsForm(marginsForm)
    , FHeaderFooterForm(headerFooterForm)
    , FHost(std::move(host))
{
    setObjectName(QStringLiteral("frmPrintPreview"));
    setWindowTitle(QStringLiteral("Pré-visu Avant Impression"));
    resize(672, 565);
    setWindowState(windowState() | Qt::WindowMaximized);
    CreateControls();
    FormCreate();
}

TfrmPrintPreview::~TfrmPrintPreview()
{
    // The pickers unregister from the preview; the paginator holds only a guarded pointer.
    delete PgRtfPreview1;
}

void TfrmPrintPreview::CreateControls()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    SkPanel1 = new TSkinPanel(QStringLiteral("Options Prévisu Impression"), TSkinPanelKind::pkGroup, this);
    SkPanel1->SetColor(0xFFFFFF);
    SkPanel1->setFixedWidth(297);
    SkPanel1->setMinimumHeight(540);
    SkPanel1->OnMouseDown
        = [this](QObject*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) { PgPreview1->viewport()->unsetCursor(); };
    layout->addWidget(SkPanel1);

    PgPreview1 = new TPgPreview(this);
    PgPreview1->setObjectName(QStringLiteral("PgPreview1"));
    layout->addWidget(PgPreview1, 1);
    PgPreview1->setFrameShape(QFrame::NoFrame);
    PgPreview1->SetGutter(20);
    PgPreview1->SetMinZoom(10);
    PgPreview1->SetMaxZoom(800);
    PgPreview1->ZoomIncrement = 15;
    PgPreview1->Shadow().Color = Grey;
    PgPreview1->Shadow().Width = 5;
    PgPreview1->PageGrid().GridPen.Color = Silver;
    PgPreview1->Margins().SetVisible(true);
    PgPreview1->Margins().SetPen(TPgPen { Silver, 1, PS_DOT, 4 });
    for (TPgHeaderFooter* part : { static_cast<TPgHeaderFooter*>(&PgPreview1->Header()),
             static_cast<TPgHeaderFooter*>(&PgPreview1->Footer()) }) {
        part->SetVisible(true);
        part->SetShowLine(false);
        for (int i = 0; i < 3; ++i)
            part->Caption(i).SetFont(PgFont(QStringLiteral("Arial"), 12));
    }
    PgPreview1->SetPagesPerSheet(TPgPagesPerSheet::pgOnePage);
    PgRtfPreview1 = new TPgRtfPreview;
    PgRtfPreview1->SetPreview(PgPreview1);
    // Between the pages of a long document the windows repaint.
    PgRtfPreview1->OnProgress = [](QObject*, int) { ProcessMessages(); };
    ApplyMargins(TPgPrintMargins {});
    PgPreview1->SetZoom(35);

    PgPreview1->OnPageChanged = [this](QObject*) { PgPreview1PageChanged(); };
    PgPreview1->OnOrientationChanged = [this](QObject*) { Run([this] { PgPreview1OrientationChanged(); }); };
    PgPreview1->OnMouseDown = [this](QObject*, TMouseButton button, Qt::KeyboardModifiers, int, int) {
        if (button == TMouseButton::mbLeft)
            PgPreview1->BeginDragScroll();
    };
    PgPreview1->OnMouseUp = [this](QObject*, TMouseButton button, Qt::KeyboardModifiers, int, int) {
        if (button == TMouseButton::mbLeft)
            PgPreview1->EndDragScroll();
    };
    PgPreview1->viewport()->installEventFilter(this);

    Label3 = new QLabel(QStringLiteral("Page: 1 de 1  Pages"), SkPanel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setAlignment(Qt::AlignCenter);
    Label3->setGeometry(8, 30, 281, 18);
    auto navigation = [this](const QString& text, const QString& hint, int x, std::function<void()> step) {
        auto* label = new QLabel(text, SkPanel1);
        label->setGeometry(x, 48, 60, 18);
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        SetHint(*label, hint);
        label->installEventFilter(this);
        label->setProperty("step", QVariant::fromValue(static_cast<void*>(new std::function<void()>(step))));
        connect(label, &QObject::destroyed, label, [pointer = label->property("step").value<void*>()] {
            delete static_cast<std::function<void()>*>(pointer);
        });
        return label;
    };
    Label6 = navigation(
        QStringLiteral("|<<<   "), QStringLiteral("Première Page"), 16, [this] { PgPreview1->FirstPage(); });
    Label7
        = navigation(QStringLiteral(" << "), QStringLiteral("<< Précédente"), 84, [this] { PgPreview1->PrevPage(); });
    Label9 = navigation(QStringLiteral(" >> "), QStringLiteral("Suivante >>"), 152, [this] { PgPreview1->NextPage(); });
    Label8 = navigation(
        QStringLiteral("   >>>|"), QStringLiteral("Dernière Page"), 220, [this] { PgPreview1->LastPage(); });

    PgPropertyGraphic1 = new TPgPropertyGraphic(SkPanel1);
    PgPropertyGraphic1->setGeometry(16, 65, 137, 110);
    PgPropertyGraphic1->SetPreviewProperty(TPgGraphicPropertyType::pgMultipageGraphic);
    PgPropertyGraphic1->SetPreview(PgPreview1);
    PgPropertyGraphic1->Miniature().Shadow.Width = 2;
    SetHint(*PgPropertyGraphic1, QStringLiteral("Multi-Page Impression Eco"));
    PgPropertyGraphic2 = new TPgPropertyGraphic(SkPanel1);
    PgPropertyGraphic2->setGeometry(152, 65, 137, 110);
    PgPropertyGraphic2->SetPreviewProperty(TPgGraphicPropertyType::pgOrientationGraphic);
    PgPropertyGraphic2->SetPreview(PgPreview1);
    SetHint(*PgPropertyGraphic2, QStringLiteral("Orientation Page"));

    SkTrackBar1 = new TTrackBar(SkPanel1);
    SkTrackBar1->setGeometry(18, 185, 260, 33);
    SkTrackBar1->SetMin(20);
    SkTrackBar1->SetMax(400);
    SkTrackBar1->SetPosition(20);
    SkTrackBar1->SetFrequency(15);
    SkTrackBar1->OnChange = [this](QObject*) { SkTrackBar1Change(); };

    auto button = [this](const QString& caption, const QRect& place, std::function<void()> handler) {
        auto* shown = new TSkinButton(caption, SkPanel1);
        shown->setGeometry(place);
        shown->OnClick = [this, handler](QObject*) { Run(handler); };
        return shown;
    };
    SkButton4 = button(QStringLiteral("Pleine Larg."), QRect(16, 224, 128, 28), [this] { SkButton4Click(); });
    SkButton5 = button(QStringLiteral("Pleine Page"), QRect(152, 224, 128, 28), [this] { SkButton5Click(); });
    SkButton6 = button(QStringLiteral("Marges"), QRect(16, 258, 128, 28), [this] { EditMargins(); });
    SkButton7 = button(QStringLiteral("Tête && Pied"), QRect(152, 258, 128, 28), [this] { EditHeaderFooter(); });

    auto caption = [this](const QString& text, int x, int y, int width) {
        auto* label = new QLabel(text, SkPanel1);
        label->setGeometry(x, y, width, 18);
        return label;
    };
    caption(QStringLiteral("Sélection Imprimante"), 16, 296, 257);
    PgPropertyComboBox1 = new TPgPropertyComboBox(SkPanel1);
    PgPropertyComboBox1->setGeometry(16, 316, 257, 26);
    PgPropertyComboBox1->SetPreviewProperty(TPgComboPropertyType::pgPrinterList);
    PgPropertyComboBox1->SetPreview(PgPreview1);
    PgPropertyComboBox1->OnError = [this](const QString& message) { FDialogs.ShowError(windowTitle(), message); };

    caption(QStringLiteral("Taille Papier"), 16, 350, 89);
    PgPropertyComboBox2 = new TPgPropertyComboBox(SkPanel1);
    PgPropertyComboBox2->setGeometry(16, 370, 89, 26);
    PgPropertyComboBox2->SetPreviewProperty(TPgComboPropertyType::pgPaperList);
    PgPropertyComboBox2->SetPreview(PgPreview1);
    PgPropertyComboBox2->view()->setMinimumWidth(200); // long paper names
    PgPropertyComboBox2->OnChange = [this](QObject*) { Run([this] { PgPropertyComboBox2Change(); }); };
    PgPropertyComboBox2->OnError = [this](const QString& message) { FDialogs.ShowError(windowTitle(), message); };

    caption(QStringLiteral("Qualité Impr."), 112, 350, 90);
    ComboBox2 = new TSkinComboBox(SkPanel1);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({ QStringLiteral("Haute"), QStringLiteral("Standard"), QStringLiteral("Brouillon"),
        QStringLiteral("Basse"), QStringLiteral("Défaut") });
    ComboBox2->setCurrentIndex(4);
    ComboBox2->setGeometry(112, 370, 100, 26);
    ComboBox2->OnChange = [this](QObject*) { Run([this] { ComboBox2Change(); }); };

    caption(QStringLiteral("Copies"), 220, 350, 60);
    RtSpinEdit1 = new TRtSpinEdit(SkPanel1);
    RtSpinEdit1->setGeometry(220, 370, 60, 26);
    RtSpinEdit1->SetMinValue(1);
    RtSpinEdit1->SetMaxValue(100);
    RtSpinEdit1->SetValue(1);
    RtSpinEdit1->SetMaxLength(2);
    RtSpinEdit1->OnChange = [this](QObject*) { Run([this] { RtSpinEdit1Change(); }); };

    btnPrintAll = button(QStringLiteral("Impr. Tout"), QRect(16, 410, 128, 32), [this] { btnPrintAllClick(); });
    btnPrintCurrent
        = button(QStringLiteral("Impr. Page"), QRect(152, 410, 128, 32), [this] { btnPrintCurrentClick(); });
    SkButton1 = button(QStringLiteral("Fermer"), QRect(84, 456, 128, 32), [this] { close(); });
    SkButton2 = button(QStringLiteral("Zoom In"), QRect(16, 496, 128, 28), [this] { PgPreview1->ZoomIn(); });
    SkButton3 = button(QStringLiteral("Zoom Out"), QRect(152, 496, 128, 28), [this] { PgPreview1->ZoomOut(); });
    SkButton2->hide();
    SkButton3->hide();
}

void TfrmPrintPreview::Run(const std::function<void()>& handler) { RunCommand(FDialogs, handler); }

void TfrmPrintPreview::FormCreate()
{
    TPgPrinter& printer = PgPreview1->PgPrinter();
    printer.SetDitherType(TPgDitherType::pgNone);
    printer.SetDuplex(TPgDuplex::pgSimplex);
    printer.SetPrintColor(TPgPrintColor::pgColor);
    printer.SetPrintQuality(TPgPrintQuality::pgHigh);
}

void TfrmPrintPreview::FormActivate()
{
    ProcessMessages();
    TPgPrinter& printer = PgPreview1->PgPrinter();
    printer.SetDitherType(TPgDitherType::pgNone);
    printer.SetDuplex(TPgDuplex::pgSimplex);
    printer.SetPrintColor(TPgPrintColor::pgColor);
    ProcessMessages();
    SkTrackBar1->SetPosition(PgPreview1->Zoom());
}

void TfrmPrintPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Run([this] { FormActivate(); });
}

void TfrmPrintPreview::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (PgPreview1)
        PgPreview1->ZoomToFitPage(); // the zoom bar stays where it is
}

bool TfrmPrintPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && watched->property("step").isValid()
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        auto* step = static_cast<std::function<void()>*>(watched->property("step").value<void*>());
        Run(*step);
        return true;
    }
    if (event->type() == QEvent::Wheel && watched == PgPreview1->viewport()) {
        PgPreview1->WheelStep(static_cast<QWheelEvent*>(event)->angleDelta().y());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

TPgPrintMargins TfrmPrintPreview::ApplyMargins(TPgPrintMargins margins)
{
    if (!MarginsInLimits(margins))
        margins = TPgPrintMargins {};
    ::ApplyPrintMargins(*PgPreview1, *PgRtfPreview1, margins);
    return margins;
}

void TfrmPrintPreview::RebuildPreview()
{
    ProcessMessages();
    TWaitCursor busy;
    struct TIndicator {
        TfrmPrintPreview& Form;
        // A rebuild that keeps page 1 current raises no page change; the count may still differ.
        ~TIndicator() { Form.PgPreview1PageChanged(); }
    } indicator { *this };
    ::RebuildPreview(*PgPreview1, *PgRtfPreview1, FEditor);
    ProcessMessages();
}

void TfrmPrintPreview::OpenPrintPreview()
{
    ProcessMessages();
    {
        TWaitCursor busy;
        RebuildPreview();
        PgPreview1->ZoomToFitPage();
    }
    FDialogs.ShowModal(*this);
}

void TfrmPrintPreview::SkTrackBar1Change()
{
    ProcessMessages();
    PgPreview1->SetZoom(SkTrackBar1->Position());
    ProcessMessages();
}

void TfrmPrintPreview::SkButton4Click()
{
    PgPreview1->ZoomToFitWidth();
    SkTrackBar1->SetPosition(PgPreview1->Zoom());
}

void TfrmPrintPreview::SkButton5Click()
{
    PgPreview1->ZoomToFitPage();
    SkTrackBar1->SetPosition(PgPreview1->Zoom());
}

void TfrmPrintPreview::PgPreview1PageChanged()
{
    Label3->setText(QStringLiteral("Page: %1 of %2").arg(PgPreview1->CurrentPage()).arg(PgPreview1->NumPages()));
}

void TfrmPrintPreview::PgPreview1OrientationChanged()
{
    RebuildPreview();
    PgPreview1->ZoomToFitPage();
}

void TfrmPrintPreview::PgPropertyComboBox2Change()
{
    RebuildPreview();
    PgPreview1->ZoomToFitPage();
}

void TfrmPrintPreview::ComboBox2Change()
{
    TPgPrinter& printer = PgPreview1->PgPrinter();
    const QString text = ComboBox2->Text();
    if (text == QStringLiteral("Haute"))
        printer.SetPrintQuality(TPgPrintQuality::pgHigh);
    else if (text == QStringLiteral("Standard"))
        printer.SetPrintQuality(TPgPrintQuality::pgMedium);
    else if (text == QStringLiteral("Brouillon"))
        printer.SetPrintQuality(TPgPrintQuality::pgDraft);
    else if (text == QStringLiteral("Basse"))
        printer.SetPrintQuality(TPgPrintQuality::pgLow);
    printer.SetPrintColor(TPgPrintColor::pgColor);
}

void TfrmPrintPreview::RtSpinEdit1Change()
{
    TPgPrinter& printer = PgPreview1->PgPrinter();
    printer.SetPrintCopies(RtSpinEdit1->Value());
    printer.SetPrintColor(TPgPrintColor::pgColor);
}

void TfrmPrintPreview::ApplyJobSettings()
{
    // Choosing another printer brings back its driver's settings; the window's choices win.
    RtSpinEdit1Change();
    ComboBox2Change();
}

void TfrmPrintPreview::PrintJob(bool currentPageOnly)
{
    ApplyJobSettings();
    TPgPrinter& printer = PgPreview1->PgPrinter();
    printer.SetPrintColor(TPgPrintColor::pgColor);
    printer.Title = DocumentTitle();
    if (currentPageOnly)
        PgPreview1->PrintCurrentPage();
    else
        PgPreview1->Print();
}

void TfrmPrintPreview::btnPrintAllClick() { PrintJob(false); }

void TfrmPrintPreview::btnPrintCurrentClick() { PrintJob(true); }

void TfrmPrintPreview::EditMargins()
{
    if (FHost.Margins)
        FMarginsForm.SetValues(FHost.Margins());
    FMarginsForm.OnLoadMargins = FHost.Margins;
    FMarginsForm.OnStoreMargins = FHost.StoreMargins;
    if (FDialogs.ShowModal(FMarginsForm) != TModalResult::mrOk)
        return;
    FMarginsForm.hide();
    {
        TPreviewUpdate update(*PgPreview1);
        ApplyMargins(FMarginsForm.Values());
    }
    RebuildPreview();
    ProcessMessages();
}

void TfrmPrintPreview::EditHeaderFooter()
{
    TPgHeader& header = PgPreview1->Header();
    TPgFooter& footer = PgPreview1->Footer();
    FHeaderFooterForm.uxCheckBox1->SetChecked(header.ShowLine());
    FHeaderFooterForm.uxCheckBox2->SetChecked(footer.ShowLine());
    header.SetVisible(true);
    footer.SetVisible(true);
    if (FDialogs.ShowModal(FHeaderFooterForm) != TModalResult::mrOk)
        return;
    FHeaderFooterForm.hide();
    struct TRebuild {
        TfrmPrintPreview& Form;
        ~TRebuild() { Form.RebuildPreview(); }
    } rebuild { *this };
    TPreviewUpdate update(*PgPreview1);
    ApplyHeaderFooter(FHeaderFooterForm, *PgPreview1);
}

// ---- quick print ----

int PrintSelection(
    TRtCustomRichEdit& editor, TPrinterDevice& printer, const QString& title, const RECT& area, LONG first, LONG last)
{
    printer.SetTitle(title);
    printer.BeginDoc();
    int pages = 1;
    TDeviceContext& canvas = printer.Canvas();
    const int oldMode = canvas.SetMapMode(MM_TEXT);
    editor.Perform(EM_FORMATRANGE, 0, 0);
    try {
        const int dpiX = canvas.GetDeviceCaps(LOGPIXELSX);
        const int dpiY = canvas.GetDeviceCaps(LOGPIXELSY);
        if (area.right <= area.left || area.bottom <= area.top)
            throw EPrinter(QStringLiteral("The margins leave no room for text on the page"));
        const RECT text { area.left * 1440 / dpiX, area.top * 1440 / dpiY, area.right * 1440 / dpiX,
            area.bottom * 1440 / dpiY };
        FORMATRANGE range;
        range.hdc = range.hdcTarget = &canvas;
        range.rcPage
            = { 0, 0, canvas.GetDeviceCaps(HORZRES) * 1440 / dpiX, canvas.GetDeviceCaps(VERTRES) * 1440 / dpiY };
        range.chrg = { first, last };
        LONG printed = first;
        while (true) {
            range.rc = text;
            range.chrg.cpMin = printed;
            const LONG next = LONG(editor.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&range)));
            // A slice that does not advance (a picture taller than the page) would repeat for ever.
            if (next <= printed || next >= last)
                break;
            printed = next;
            printer.NewPage();
            ++pages;
        }
    } catch (...) {
        editor.Perform(EM_FORMATRANGE, 0, 0);
        canvas.SetMapMode(oldMode);
        printer.Abort();
        throw;
    }
    editor.Perform(EM_FORMATRANGE, 0, 0);
    canvas.SetMapMode(oldMode);
    printer.EndDoc();
    return pages;
}

void QuickPrint(TfrmPrintPreview& form, IDialogs& dialogs, TRtCustomRichEdit& editor, bool fromToolButton)
{
    TPgPreview& preview = form.Preview();
    TPgPrinter& engine = preview.PgPrinter();
    TPrinterDevice& printer = ProgramPrinter();
    struct TFinally {
        TPrinterDevice& Printer;
        // A job left open by a failure would block every later print; nothing waits on it.
        ~TFinally()
        {
            if (Printer.Printing())
                Printer.Abort();
        }
    } finish { printer };

    const QString jobTitle = form.DocumentTitle();
    if (editor.SelectionLength() == 0 && fromToolButton) {
        form.ApplyJobSettings();
        TWaitCursor busy;
        ::QuickPrint(preview, form.Paginator(), editor, jobTitle);
        return;
    }

    TPrintDialogData data = PrintDialogDataFor(printer);
    data.AllowPrintToFile = true;
    data.AllowSelection = true;
    data.PrintRange = editor.SelectionLength() >= 1 ? TPrintRange::prSelection : TPrintRange::prAllPages;
    ProcessMessages();
    if (!dialogs.Print(data))
        return;
    ApplyPrintDialog(printer, data);
    ProcessMessages();
    engine.Measure();
    const int kx = engine.Info().PixelsPerInchX() / 25;
    const int ky = engine.Info().PixelsPerInchY() / 25;
    const int left = qRound(double(preview.Margins().Left.AsMillimeters())) + 5;
    const int right = qRound(double(preview.Margins().Right.AsMillimeters())) + 5;
    const int top = qRound(double(preview.Margins().Top.AsMillimeters()));
    const int bottom = qRound(double(preview.Margins().Bottom.AsMillimeters()));
    TDeviceContext& info = printer.Canvas();
    const RECT area { left * kx, top * ky, info.GetDeviceCaps(HORZRES) - right * kx,
        info.GetDeviceCaps(VERTRES) - bottom * ky };
    editor.SetPrintArea(area);
    editor.SetPrinter(&printer);
    if (data.PrintRange == TPrintRange::prSelection) {
        const LONG start = editor.SelectionStart();
        PrintSelection(editor, printer, jobTitle, area, start, start + editor.SelectionLength());
    } else {
        editor.PrintDocument(jobTitle);
    }
}
