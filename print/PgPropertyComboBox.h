#pragma once
// PgPropertyComboBox.h: a drop-down list of paper sizes or printers bound to a preview, which
// applies the user's choice and follows the preview's changes.
#include "PgPreview.h"

#include <QComboBox>
#include <QPointer>

#include <functional>

enum class TPgComboPropertyType : int { pgPaperList = 0, pgPrinterList = 1 };

using TPgOnAddPropertyItem = std::function<void(QObject* sender, const QString& item, bool& addItem)>;

class TPgPropertyComboBox : public QComboBox, public IPgCompanion {
    Q_OBJECT
public:
    explicit TPgPropertyComboBox(QWidget* parent = nullptr);
    ~TPgPropertyComboBox() override;

    TPgPreview* Preview() const { return FPreview.data(); }
    void SetPreview(TPgPreview* preview);
    TPgComboPropertyType PreviewProperty() const { return FProperty; }
    void SetPreviewProperty(TPgComboPropertyType property);
    void Refill();
    /// What the user picked, applied to the preview as a pick in the list does.
    void PickItem(int index);

    TPgOnAddPropertyItem OnAddItem;
    TNotifyEvent OnChange;
    /// A choice the preview or the printer refused; the list shows the setting that stayed.
    std::function<void(const QString& message)> OnError;

    void PreviewNotification(TPgPreview& preview, int code) override;
    /// The 16 x 16 picture of an item: 0 envelope, 1 sheet of paper, 2 printer.
    static QPixmap ItemPicture(int kind);
    /// The picture of the paper of that name.
    static int PaperPictureKind(TPgPaperSize paper);

private:
    QPointer<TPgPreview> FPreview;
    TPgComboPropertyType FProperty = TPgComboPropertyType::pgPrinterList;
    bool FFilling = false;
};
