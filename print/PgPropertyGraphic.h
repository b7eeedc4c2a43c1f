#pragma once
// PgPropertyGraphic.h: a miniature sheet with side buttons that chooses a preview's orientation or
// the number of pages printed to a sheet, and shows the preview's current choice.
#include "PgPreview.h"

#include <QPointer>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;

enum class TPgGraphicPropertyType : int { pgMultipageGraphic = 0, pgOrientationGraphic = 1 };

class TPgPropertyGraphic : public QWidget, public IPgCompanion {
    Q_OBJECT
public:
    explicit TPgPropertyGraphic(QWidget* parent = nullptr);
    ~TPgPropertyGraphic() override;

    TPgPreview* Preview() const { return FPreview.data(); }
    void SetPreview(TPgPreview* preview);
    TPgGraphicPropertyType PreviewProperty() const { return FProperty; }
    void SetPreviewProperty(TPgGraphicPropertyType property);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool show);
    int ButtonSpacing() const { return FButtonSpacing; }
    void SetButtonSpacing(int spacing);

    void ShowOrientation(TPgOrientation orientation, bool apply);
    void ShowPagesPerSheet(TPgPagesPerSheet pages);
    TPgOrientation ShownOrientation() const { return FShownOrientation; }
    TPgPagesPerSheet ShownPagesPerSheet() const { return FShownPages; }
    /// Button 1 to 3 as the user presses it.
    void ClickButton(int number);
    /// The button numbered 1 to 3 (the third only on the multipage graphic).
    QAbstractButton* Button(int number) const;
    TPgPaperImage& Miniature() const { return *FMiniature; }

    void PreviewNotification(TPgPreview& preview, int code) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceButtons();
    void PressButton(int number);
    void PaintOverlay(QPainter& painter, const QRect& sheet);
    int ButtonCount() const { return FProperty == TPgGraphicPropertyType::pgMultipageGraphic ? 3 : 2; }

    QPointer<TPgPreview> FPreview;
    TPgGraphicPropertyType FProperty = TPgGraphicPropertyType::pgOrientationGraphic;
    bool FShowButtons = true;
    int FButtonSpacing = 8;
    TPgOrientation FShownOrientation = TPgOrientation::pgPortrait;
    TPgPagesPerSheet FShownPages = TPgPagesPerSheet::pgOnePage;
    TPgPaperImage* FMiniature;
    QButtonGroup* FGroup;
    QAbstractButton* FButtons[3];
};
