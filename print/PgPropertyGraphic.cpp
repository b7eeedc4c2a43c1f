// PgPropertyGraphic.cpp: the orientation and pages-per-sheet miniatures with their buttons.
#include "PgPropertyGraphic.h"

#include <QButtonGroup>
#include <QPainter>
#include <QToolButton>

namespace {

constexpr int ButtonSize = 23;

// Pictures of the buttons: a portrait or landscape sheet, or a sheet split into one, two or four.
QIcon ButtonPicture(bool multipage, int number)
{
    QPixmap picture(18, 18);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QColor(64, 64, 64));
    painter.setBrush(Qt::white);
    if (!multipage) {
        const QRect sheet = number == 1 ? QRect(4, 1, 10, 15) : QRect(1, 4, 15, 10);
        painter.drawRect(sheet);
        painter.setPen(QColor(120, 120, 200));
        for (int y = sheet.top() + 3; y < sheet.bottom() - 1; y += 2)
            painter.drawLine(sheet.left() + 2, y, sheet.right() - 2, y);
    } else {
        const QRect sheet(2, 1, 13, 16);
        painter.drawRect(sheet);
        painter.setPen(QColor(120, 120, 200));
        if (number >= 2)
            painter.drawLine(sheet.left(), 9, sheet.right(), 9);
        if (number == 3)
            painter.drawLine(8, sheet.top(), 8, sheet.bottom());
    }
    return QIcon(picture);
}

} // namespace

TPgPropertyGraphic::TPgPropertyGraphic(QWidget* parent)
    : QWidget(parent)
    , FMiniature(new TPgPaperImage(this))
    , FGroup(new QButtonGroup(this))
{
    resize(137, 105);
    FMiniature->Zoom = 6;
    FMiniature->GutterLeft = 26;
    FMiniature->PageWidth = 8.26L;
    FMiniature->PageHeight = 11.69L;
    FMiniature->Shadow.Width = 2;
    FMiniature->OnAfterPaint = [this](QPainter& painter, const QRect& sheet) { PaintOverlay(painter, sheet); };
    FGroup->setExclusive(true);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setFixedSize(ButtonSize, ButtonSize);
        FGroup->addButton(button, i + 1);
        FButtons[i] = button;
    }
    connect(FGroup, &QButtonGroup::idClicked, this, [this](int number) { ClickButton(number); });
    FButtons[0]->setChecked(true);
    PlaceButtons();
}

TPgPropertyGraphic::~TPgPropertyGraphic()
{
    if (FPreview)
        FPreview->UnregisterControl(this);
}

QAbstractButton* TPgPropertyGraphic::Button(int number) const
{
    return number >= 1 && number <= 3 ? FButtons[number - 1] : nullptr;
}

void TPgPropertyGraphic::SetPreview(TPgPreview* preview)
{
    if (FPreview)
        FPreview->UnregisterControl(this);
    FPreview = preview;
    if (!preview)
        return;
    preview->RegisterControl(this);
    ShowOrientation(preview->Orientation(), false);
    ShowPagesPerSheet(preview->PagesPerSheet());
}

void TPgPropertyGraphic::SetPreviewProperty(TPgGraphicPropertyType property)
{
    FProperty = property;
    PlaceButtons();
    update();
}

void TPgPropertyGraphic::SetShowButtons(bool show)
{
    if (show == FShowButtons)
        return;
    FShowButtons = show;
    FMiniature->GutterLeft = show ? 30 : 0;
    PlaceButtons();
    FMiniature->update();
}

void TPgPropertyGraphic::SetButtonSpacing(int spacing)
{
    FButtonSpacing = spacing;
    PlaceButtons();
}

void TPgPropertyGraphic::resizeEvent(QResizeEvent*)
{
    FMiniature->setGeometry(rect());
    PlaceButtons();
}

void TPgPropertyGraphic::PlaceButtons()
{
    const int buttons = ButtonCount();
    const bool multipage = FProperty == TPgGraphicPropertyType::pgMultipageGraphic;
    const int gap = buttons == 3 ? 2 * FButtonSpacing : FButtonSpacing;
    const int groupTop = (height() - (ButtonSize * buttons + gap)) / 2;
    for (int i = 0; i < 3; ++i) {
        const bool shown = FShowButtons && i < buttons;
        FButtons[i]->setVisible(shown);
        if (!shown)
            continue;
        FButtons[i]->setIcon(ButtonPicture(multipage, i + 1));
        FButtons[i]->move(8, groupTop + i * (FButtonSpacing + ButtonSize));
        FButtons[i]->raise();
    }
}

void TPgPropertyGraphic::PressButton(int number)
{
    if (QAbstractButton* button = Button(number))
        button->setChecked(true);
}

void TPgPropertyGraphic::ClickButton(int number)
{
    if (FProperty == TPgGraphicPropertyType::pgOrientationGraphic) {
        if (number == 1 || number == 2)
            ShowOrientation(number == 1 ? TPgOrientation::pgPortrait : TPgOrientation::pgLandscape, true);
        return;
    }
    static const TPgPagesPerSheet Pages[]
        = { TPgPagesPerSheet::pgOnePage, TPgPagesPerSheet::pgTwoPage, TPgPagesPerSheet::pgFourPage };
    if (number >= 1 && number <= 3)
        ShowPagesPerSheet(Pages[number - 1]);
}

void TPgPropertyGraphic::ShowOrientation(TPgOrientation orientation, bool apply)
{
    FShownOrientation = orientation;
    if (FProperty == TPgGraphicPropertyType::pgOrientationGraphic)
        PressButton(orientation == TPgOrientation::pgPortrait ? 1 : 2);
    TPgOrientation shown = orientation;
    // Two pages share a sheet turned the other way, as they print.
    if (FProperty == TPgGraphicPropertyType::pgMultipageGraphic && FShownPages == TPgPagesPerSheet::pgTwoPage)
        shown = shown == TPgOrientation::pgPortrait ? TPgOrientation::pgLandscape : TPgOrientation::pgPortrait;
    const TPgExtended small = std::min(FMiniature->PageWidth, FMiniature->PageHeight);
    const TPgExtended large = std::max(FMiniature->PageWidth, FMiniature->PageHeight);
    FMiniature->PageWidth = shown == TPgOrientation::pgPortrait ? small : large;
    FMiniature->PageHeight = shown == TPgOrientation::pgPortrait ? large : small;
    if (apply && FPreview)
        FPreview->SetOrientation(FShownOrientation);
    FMiniature->update();
}

void TPgPropertyGraphic::ShowPagesPerSheet(TPgPagesPerSheet pages)
{
    if (pages == FShownPages)
        return;
    FShownPages = pages;
    if (FProperty == TPgGraphicPropertyType::pgMultipageGraphic)
        PressButton(int(pages) + 1);
    ShowOrientation(FPreview ? FPreview->Orientation() : TPgOrientation::pgPortrait, false);
    if (FPreview)
        FPreview->SetPagesPerSheet(pages);
    FMiniature->update();
}

void TPgPropertyGraphic::PreviewNotification(TPgPreview& preview, int code)
{
    if (code == PG_ORIENTATIONCHANGED)
        ShowOrientation(preview.Orientation(), false);
    else if (code == PG_PAGESPERSHEETCHANGED)
        ShowPagesPerSheet(preview.PagesPerSheet());
}

void TPgPropertyGraphic::PaintOverlay(QPainter& painter, const QRect& sheet)
{
    painter.save();
    const QColor silver(192, 192, 192);
    painter.setPen(silver);
    const auto text = [&](const QRect& box, const QString& label, int points) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(points);
        painter.setFont(font);
        painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, label);
    };
    if (FProperty == TPgGraphicPropertyType::pgOrientationGraphic) {
        text(sheet, FShownOrientation == TPgOrientation::pgLandscape ? QStringLiteral("L") : QStringLiteral("P"), 18);
        painter.restore();
        return;
    }
    const int halfWidth = sheet.width() / 2;
    const int halfHeight = sheet.height() / 2;
    const QPoint origin = sheet.topLeft() + QPoint(1, 1);
    switch (FShownPages) {
    case TPgPagesPerSheet::pgOnePage:
        text(sheet, QStringLiteral("1"), 16);
        break;
    case TPgPagesPerSheet::pgTwoPage:
        if (FMiniature->PageWidth <= FMiniature->PageHeight) {
            painter.drawLine(origin + QPoint(0, halfHeight), origin + QPoint(sheet.width() - 2, halfHeight));
            text(QRect(origin, QSize(sheet.width(), halfHeight)), QStringLiteral("1"), 12);
            text(QRect(origin + QPoint(0, halfHeight), QSize(sheet.width(), halfHeight)), QStringLiteral("2"), 12);
        } else {
            painter.drawLine(origin + QPoint(halfWidth, 0), origin + QPoint(halfWidth, sheet.height() - 2));
            text(QRect(origin, QSize(halfWidth, sheet.height())), QStringLiteral("1"), 12);
            text(QRect(origin + QPoint(halfWidth, 0), QSize(halfWidth, sheet.height())), QStringLiteral("2"), 12);
        }
        break;
    case TPgPagesPerSheet::pgFourPage:
        painter.drawLine(origin + QPoint(0, halfHeight), origin + QPoint(sheet.width() - 2, halfHeight));
        painter.drawLine(origin + QPoint(halfWidth, 0), origin + QPoint(halfWidth, sheet.height() - 2));
        for (int i = 0; i < 4; ++i)
            text(QRect(origin + QPoint(i % 2 * halfWidth, i / 2 * halfHeight), QSize(halfWidth, halfHeight)),
                QString::number(i + 1), 10);
        break;
    }
    painter.restore();
}
