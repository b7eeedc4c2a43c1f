// PgPropertyComboBox.cpp: the paper and printer lists and their pictures.
#include "PgPropertyComboBox.h"

#include "PrinterDevice.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>

namespace {

constexpr int ItemHeight = 20;

// Draws each item as the list was designed: its picture at x 6, its text from x 24, centred.
class TItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        const int kind = index.data(Qt::UserRole).toInt();
        painter->drawPixmap(option.rect.left() + 6, option.rect.top() + (option.rect.height() - 16) / 2,
            TPgPropertyComboBox::ItemPicture(kind));
        painter->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
        painter->drawText(option.rect.adjusted(24, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
            index.data(Qt::DisplayRole).toString());
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width() + 24, ItemHeight);
    }
};

} // namespace

TPgPropertyComboBox::TPgPropertyComboBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new TItemDelegate(this));
    connect(this, &QComboBox::activated, this, [this](int index) { PickItem(index); });
}

TPgPropertyComboBox::~TPgPropertyComboBox()
{
    if (FPreview)
        FPreview->UnregisterControl(this);
}

void TPgPropertyComboBox::SetPreview(TPgPreview* preview)
{
    if (FPreview)
        FPreview->UnregisterControl(this);
    FPreview = preview;
    if (preview)
        preview->RegisterControl(this);
    Refill();
}

void TPgPropertyComboBox::SetPreviewProperty(TPgComboPropertyType property)
{
    if (property == FProperty)
        return;
    FProperty = property;
    Refill();
}

int TPgPropertyComboBox::PaperPictureKind(TPgPaperSize paper)
{
    const int ordinal = int(paper);
    return (ordinal >= 4 && ordinal <= 7) || (ordinal >= 11 && ordinal <= 18) ? 0 : 1;
}

void TPgPropertyComboBox::Refill()
{
    if (!FPreview)
        return;
    FFilling = true;
    clear();
    QStringList candidates;
    QString selected;
    if (FProperty == TPgComboPropertyType::pgPaperList) {
        candidates = GetPaperSizeNames();
        selected = PaperSizeName(FPreview->PaperSize());
    } else if (TPrinterDevice* device = FPreview->PgPrinter().Device()) {
        candidates = device->Printers().Names();
        selected = device->Printer().Device;
    }
    for (const QString& candidate : candidates) {
        bool add = true;
        if (OnAddItem)
            OnAddItem(this, candidate, add);
        if (!add)
            continue;
        const int kind
            = FProperty == TPgComboPropertyType::pgPrinterList ? 2 : PaperPictureKind(PaperSizeFromName(candidate));
        addItem(candidate, kind);
    }
    setCurrentIndex(findText(selected, Qt::MatchExactly | Qt::MatchCaseSensitive));
    FFilling = false;
}

void TPgPropertyComboBox::PickItem(int index)
{
    if (FFilling || !FPreview || index < 0 || index >= count())
        return;
    const QString name = itemText(index);
    try {
        if (FProperty == TPgComboPropertyType::pgPaperList) {
            FPreview->SetPaperSize(PaperSizeFromName(name));
        } else if (TPrinterDevice* device = FPreview->PgPrinter().Device()) {
            FPreview->PgPrinter().SetPrinterIndex(device->Printers().IndexOf(name));
        }
    } catch (const std::exception& error) {
        Refill();
        if (OnError)
            OnError(QString::fromUtf8(error.what()));
        return;
    }
    if (OnChange)
        OnChange(this);
}

void TPgPropertyComboBox::PreviewNotification(TPgPreview&, int code)
{
    if (code == PG_PRINTERCHANGED || code == PG_PAPERSIZECHANGED)
        Refill();
}

QPixmap TPgPropertyComboBox::ItemPicture(int kind)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(64, 64, 64), 1);
    painter.setPen(outline);
    switch (kind) {
    case 0: // an envelope with its flap
        painter.setBrush(QColor(250, 240, 200));
        painter.drawRect(QRectF(1.5, 3.5, 13, 9));
        painter.drawLine(QPointF(1.5, 3.5), QPointF(8, 9));
        painter.drawLine(QPointF(14.5, 3.5), QPointF(8, 9));
        break;
    case 1: { // a sheet with a folded corner and lines of text
        QPainterPath sheet;
        sheet.moveTo(3.5, 1.5);
        sheet.lineTo(10, 1.5);
        sheet.lineTo(12.5, 4);
        sheet.lineTo(12.5, 14.5);
        sheet.lineTo(3.5, 14.5);
        sheet.closeSubpath();
        painter.setBrush(Qt::white);
        painter.drawPath(sheet);
        painter.setPen(QPen(QColor(120, 120, 200), 1));
        for (int y = 6; y <= 12; y += 2)
            painter.drawLine(QPointF(5, y + 0.5), QPointF(11, y + 0.5));
        break;
    }
    default: // a printer with a sheet coming out
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(4.5, 1.5, 7, 5));
        painter.setBrush(QColor(160, 160, 170));
        painter.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5);
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(4.5, 10.5, 7, 4));
        painter.setPen(QPen(QColor(0, 160, 0), 1));
        painter.drawPoint(QPointF(12.5, 8.5));
        break;
    }
    return picture;
}
