// PageExport.cpp: the page loop of both exports and the export status window.
#include "PageExport.h"
#include "Bitmap.h"
#include "Errors.h"
#include "GdiObjects.h"
#include "GifWriter.h"
#include "PresentationOptions.h"
#include "RichEditControl.h"
#include "TPdfWriter.h"
#include "WaitCursor.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QSaveFile>
#include <QTimer>

#include <cmath>
#include <cstring>

namespace {

constexpr int PdfPageWidth = 596; // A4 in points
constexpr int PdfPageHeight = 842;
constexpr int PdfPictureWidth = 693;
constexpr int PdfPictureHeight = 950;

// The layout the control caches for EM_FORMATRANGE is released however the export ends.
class TFormatCacheRelease {
public:
    explicit TFormatCacheRelease(TRichEditControl& control)
        : FControl(control)
    {
    }
    ~TFormatCacheRelease() { FControl.ClearFormatCache(); }
    TFormatCacheRelease(const TFormatCacheRelease&) = delete;
    TFormatCacheRelease& operator=(const TFormatCacheRelease&) = delete;

private:
    TRichEditControl& FControl;
};

TBitmap WhitePage(int width, int height)
{
    TBitmap page(width, height, 32);
    for (int row = 0; row < height; ++row)
        std::memset(page.ScanLine(row), 0xFF, std::size_t(page.BytesPerLine()));
    return page;
}

// Lays the text from first onward out into the page's text rectangle; returns the first position
// that did not fit.
LONG RenderPage(TRichEditControl& control, TBitmap& page, const RECT& textTwips, LONG first, LONG length)
{
    FORMATRANGE range;
    range.hdc = &page.Canvas();
    range.hdcTarget = range.hdc;
    range.rc = textTwips;
    range.rcPage = textTwips;
    range.chrg = { first, length };
    const LONG next = control.FormatRange(range, true);
    page.ReleaseCanvas();
    return next;
}

// A page that lays out nothing while text remains would repeat forever.
void RequireAdvance(LONG next, LONG first, LONG length)
{
    if (next < length && next <= first)
        throw Exception(QStringLiteral("Cannot export the document: the text from position %1 does not fit on a page")
                            .arg(first));
}

// The writer takes red, green, blue; the page is blue, green, red with a fourth byte.
TBitmap SwapRedBlue(const TBitmap& page)
{
    TBitmap rgb(page.Width(), page.Height(), 24);
    const int bytesPerPixel = page.BitsPerPixel() / 8;
    for (int row = 0; row < page.Height(); ++row) {
        const BYTE* in = page.ScanLine(row);
        BYTE* out = rgb.ScanLine(row);
        for (int column = 0; column < page.Width(); ++column, in += bytesPerPixel, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return rgb;
}

void DrawFrame(TBitmap& page, COLORREF color)
{
    TDeviceContext& canvas = page.Canvas();
    const int width = page.Width();
    const int height = page.Height();
    canvas.SelectBrush(CreateSolidBrush(RGB(255, 255, 255)));
    canvas.SelectPen(CreatePen(PS_SOLID, 8, color));
    canvas.Rectangle(0, 0, width, height);
    canvas.SelectPen(CreatePen(PS_SOLID, 5, color));
    canvas.RoundRect(0, 0, width, height, 30, 30);
    page.ReleaseCanvas();
}

} // namespace

QString ProgressText(LONG position, LONG length)
{
    if (length <= 0)
        return QStringLiteral("100%");
    return QString::number(qint64(std::trunc(double(position) * 100.0 / double(length)))) + u'%';
}

RECT TwipsFromPixels(const RECT& pixels)
{
    return { pixels.left * 1440 / ExportPixelsPerInch, pixels.top * 1440 / ExportPixelsPerInch,
        pixels.right * 1440 / ExportPixelsPerInch, pixels.bottom * 1440 / ExportPixelsPerInch };
}

void ExportPagesToPdf(TRichEditControl& control, const QString& fileName, const TExportProgress& progress)
{
    TPdfWriter writer;
    writer.SetCompress(true);
    writer.SetPageWidth(PdfPageWidth);
    writer.SetPageHeight(PdfPageHeight);
    writer.SetPixelsPerInch(ExportPixelsPerInch, ExportPixelsPerInch);
    writer.SetFileName(fileName);
    writer.SetProducer(QStringLiteral("Orvane(R) Office - https://tamsel.invalid/"));
    writer.SetAuthor(QStringLiteral("Orvane Caddow"));
    writer.SetCreator(QStringLiteral("Tamsel Express v1.0 (c) the Tamsel Express developers"));
    writer.SetKeywords(QStringLiteral("RTF Export to PDF"));
    writer.SetSubject(QStringLiteral("Full RTF Document with Formatting and Objects."));
    writer.SetTITLE(QFileInfo(fileName).fileName());

    const RECT text = TwipsFromPixels({ 20, 20, PdfPictureWidth, PdfPictureHeight });
    TFormatCacheRelease release(control);
    const LONG length = control.TextLength();
    LONG first = 0;
    writer.BeginDoc();
    for (;;) {
        LONG next = 0;
        {
            TBitmap page = WhitePage(PdfPictureWidth, PdfPictureHeight);
            next = RenderPage(control, page, text, first, length);
            RequireAdvance(next, first, length);
            writer.DrawBitmap(25, 20, SwapRedBlue(page));
        }
        if (next < length) {
            writer.NewPage();
            first = next;
        }
        if (progress)
            progress(ProgressText(next, length));
        if (next >= length)
            break;
    }
    writer.EndDoc();
}

QStringList PresentationComments()
{
    return { QStringLiteral("Created by Tamsel Express version 1.0"),
        QStringLiteral("Application written by the Tamsel Express developers"),
        QStringLiteral("Orvane Office - Halvern version 2.2"),
        QStringLiteral("Company Name: Orvane Office"),
        QStringLiteral("Web Site: https://tamsel.invalid/"),
        QStringLiteral("This is a Orvane Office Presentation File.") };
}

void ExportPagesToPresentation(
    TRichEditControl& control, const QString& fileName, const TPresentationOptions& options, const TExportProgress& progress)
{
    if (options.Seconds < 5 || options.Seconds > 60)
        throw Exception(QStringLiteral("The display time must be between 5 and 60 seconds, not %1").arg(options.Seconds));
    const int delay = options.Seconds * 1000;
    const QSize size = options.PictureSize();
    const RECT text = TwipsFromPixels(options.TextRect());

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(fileName);
    TGifWriter animation(file, PresentationComments());
    {
        TFormatCacheRelease release(control);
        const LONG length = control.TextLength();
        LONG first = 0;
        for (;;) {
            LONG next = 0;
            {
                TBitmap page = WhitePage(size.width(), size.height());
                if (options.Frame)
                    DrawFrame(page, options.FrameColor);
                next = RenderPage(control, page, text, first, length);
                RequireAdvance(next, first, length);
                animation.AddFrame(page, delay);
            }
            if (next < length)
                first = next;
            if (progress)
                progress(ProgressText(next, length));
            if (next >= length)
                break;
        }
    }
    animation.Finish();
    // commit() alone can miss that the last buffered bytes never reached a full disk.
    if (!file.flush() || !file.commit())
        throw EFCreateError(fileName);
}

// ---- the status window ----

TExportAnimation::TExportAnimation(QWidget* parent)
    : QWidget(parent)
    , FTimer(new QTimer(this))
{
    setFixedSize(32, 32);
    FTimer->setInterval(90);
    connect(FTimer, &QTimer::timeout, this, [this] {
        FFrame = (FFrame + 1) % 8;
        update();
    });
}

bool TExportAnimation::Animating() const { return FTimer->isActive(); }

void TExportAnimation::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    FTimer->start();
}

void TExportAnimation::hideEvent(QHideEvent* event)
{
    FTimer->stop();
    QWidget::hideEvent(event);
}

void TExportAnimation::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QPointF centre(16, 16);
    for (int dot = 0; dot < 8; ++dot) {
        // The dot at the current frame is darkest; those behind it fade, a tail chasing round.
        const int age = (FFrame - dot + 8) % 8;
        painter.setBrush(QColor(0, 128, 192, 255 - age * 28));
        const double angle = dot * M_PI / 4.0;
        painter.drawEllipse(centre + QPointF(11 * std::sin(angle), -11 * std::cos(angle)), 3.2, 3.2);
    }
}

TfrmExport::TfrmExport(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Document Export Status..."));
    setFixedSize(306, 125);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);

    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(32);
    font.setBold(true);
    font.setItalic(true);

    RtGIFAnimator1 = new TExportAnimation(this);
    RtGIFAnimator1->move(104, 24);
    lblProgBar = new QLabel(QStringLiteral("0%"), this);
    lblProgBar->setFont(font);
    lblProgBar->setAlignment(Qt::AlignCenter);
    lblProgBar->setGeometry(150, 24, 120, 36);
    lblStatus = new QLabel(QStringLiteral("Exporting Data..."), this);
    lblStatus->setFont(font);
    lblStatus->setAlignment(Qt::AlignCenter);
    lblStatus->setWordWrap(true);
    lblStatus->setGeometry(24, 72, 257, 40);
}

void TfrmExport::ShowStatus()
{
    if (parentWidget())
        move(parentWidget()->window()->geometry().center() - rect().center());
    show();
    ProcessMessages();
}

void TfrmExport::SetProgress(const QString& progress)
{
    lblProgBar->setText(progress);
    if (OnProgress)
        OnProgress(progress);
    ProcessMessages();
}

void TfrmExport::FormClose() { lblProgBar->setText(QStringLiteral("0%")); }

void TfrmExport::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void TfrmExport::hideEvent(QHideEvent* event)
{
    FormClose();
    QDialog::hideEvent(event);
}
