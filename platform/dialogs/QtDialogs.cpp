// QtDialogs.cpp: the only place that runs Qt's dialogs. Our checks (default extension, overwrite
// question, file must exist) run after the dialog returns, so that they see the final name.
#include "QtDialogs.h"

#include "FileFilter.h"
#include "FindDialog.h"
#include "GdiColors.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPalette>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// RGB values as they are; the platform's system colours (0x800000nn) and "default" become the
// palette's text colour, the one a dialog can sensibly start from.
QColor DialogColorFromColorRef(COLORREF color)
{
    if ((color & 0xFF000000) == 0x80000000)
        return QColorFromColorRef(color); // a system colour: the colour it stands for
    if ((color & 0xFF000000) != 0)
        return QApplication::palette().color(QPalette::Text);
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

QMessageBox::StandardButtons QtButtons(TMsgDlgButtons buttons)
{
    switch (buttons) {
    case TMsgDlgButtons::mbOK:
        return QMessageBox::Ok;
    case TMsgDlgButtons::mbOKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case TMsgDlgButtons::mbAbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case TMsgDlgButtons::mbYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TMsgDlgButtons::mbYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case TMsgDlgButtons::mbRetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon QtIcon(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
        return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

TModalResult ModalResultFromButton(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return mrOk;
    case QMessageBox::Cancel:
        return mrCancel;
    case QMessageBox::Abort:
        return mrAbort;
    case QMessageBox::Retry:
        return mrRetry;
    case QMessageBox::Ignore:
        return mrIgnore;
    case QMessageBox::Yes:
        return mrYes;
    case QMessageBox::No:
        return mrNo;
    default:
        return mrNone;
    }
}

QIcon ColorSwatch(const QColor& color)
{
    QPixmap swatch(16, 16);
    swatch.fill(color);
    return QIcon(swatch);
}

}

QWidget* TQtDialogs::Owner() const { return FOwner ? FOwner.data() : QApplication::activeWindow(); }

TModalResult TQtDialogs::MessageDlg(
    const QString& caption, const QString& text, TMsgDlgType type, TMsgDlgButtons buttons)
{
    QMessageBox box(QtIcon(type), caption, text, QtButtons(buttons), Owner());
    const TModalResult answer = ModalResultFromButton(box.exec());
    return answer == mrNone ? CancelAnswer(buttons) : answer;
}

bool TQtDialogs::OpenFile(TFileDialogData& dialog) { return RunFileDialog(dialog, false); }

bool TQtDialogs::SaveFile(TFileDialogData& dialog) { return RunFileDialog(dialog, true); }

bool TQtDialogs::RunFileDialog(TFileDialogData& data, bool save)
{
    const TFileFilter filter(data.Filter);
    const QString title = !data.Title.isEmpty() ? data.Title
        : save                                  ? QStringLiteral("Save As")
                                                : QStringLiteral("Open");
    QFileDialog dialog(Owner(), title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !data.Options.FileMustExist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // asked below, once the extension is known
    if (filter.Count() > 0) {
        dialog.setNameFilters(filter.QtFilters());
        dialog.selectNameFilter(filter.QtFilter(data.FilterIndex));
    }
    if (!data.InitialDir.isEmpty())
        dialog.setDirectory(data.InitialDir);
    if (!data.FileName.isEmpty())
        dialog.selectFile(data.FileName);

    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        int index = filter.IndexOfQtFilter(dialog.selectedNameFilter());
        if (index == 0)
            index = filter.ValidIndex(data.FilterIndex);
        const QString fileName = filter.WithDefaultExtension(dialog.selectedFiles().front(), index, data.DefaultExt);
        const QFileInfo info(fileName);
        if (data.Options.PathMustExist && !info.absoluteDir().exists()) {
            MessageDlg(title, QStringLiteral("The folder of %1 does not exist.").arg(fileName), TMsgDlgType::mtWarning,
                TMsgDlgButtons::mbOK);
            continue;
        }
        if (!save && data.Options.FileMustExist && !info.isFile()) {
            MessageDlg(title, QStringLiteral("%1\nFile not found.").arg(fileName), TMsgDlgType::mtWarning,
                TMsgDlgButtons::mbOK);
            continue;
        }
        if (save && data.Options.OverwritePrompt && info.exists()
            && MessageDlg(title, OverwriteQuestion(fileName), TMsgDlgType::mtWarning, TMsgDlgButtons::mbYesNo) != mrYes)
            continue;
        data.FileName = fileName;
        data.FilterIndex = index;
        return true;
    }
}

bool TQtDialogs::ChooseColor(COLORREF& color)
{
    QColorDialog dialog(DialogColorFromColorRef(color), Owner());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    color = ColorRefFromQColor(dialog.selectedColor());
    return true;
}

// Qt's font dialog has no colour, so it is embedded in a window of ours with a colour button.
bool TQtDialogs::ChooseFont(TFontDialogData& data)
{
    QDialog window(Owner());
    window.setWindowTitle(QStringLiteral("Font"));
    auto* fonts = new QFontDialog(&window);
    fonts->setWindowFlags(Qt::Widget);
    fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    QFont font(data.Name);
    font.setPointSize(std::max(1, data.Size));
    font.setBold(data.Bold);
    font.setItalic(data.Italic);
    font.setUnderline(data.Underline);
    font.setStrikeOut(data.StrikeOut);
    fonts->setCurrentFont(font);

    QColor color = DialogColorFromColorRef(data.Color);
    auto* colorButton = new QPushButton(ColorSwatch(color), QStringLiteral("&Colour..."), &window);
    colorButton->setVisible(data.Effects);
    QObject::connect(colorButton, &QPushButton::clicked, &window, [&] {
        QColorDialog picker(color, &window);
        if (picker.exec() == QDialog::Accepted) {
            color = picker.selectedColor();
            colorButton->setIcon(ColorSwatch(color));
        }
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &window);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &window, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &window, &QDialog::reject);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(fonts);
    layout->addWidget(colorButton, 0, Qt::AlignLeft);
    layout->addWidget(buttons);

    if (window.exec() != QDialog::Accepted)
        return false;
    const QFont chosen = fonts->currentFont();
    data.Name = chosen.family();
    int size = int(std::nearbyint(chosen.pointSizeF()));
    if (data.MinSize > 0)
        size = std::max(size, data.MinSize);
    if (data.MaxSize > 0)
        size = std::min(size, data.MaxSize);
    data.Size = size;
    data.Bold = chosen.bold();
    data.Italic = chosen.italic();
    if (data.Effects) {
        data.Underline = chosen.underline();
        data.StrikeOut = chosen.strikeOut();
        data.Color = ColorRefFromQColor(color);
    }
    return true;
}

bool TQtDialogs::Print(TPrintDialogData& data)
{
    QPrinter printer;
    if (!data.PrinterName.isEmpty())
        printer.setPrinterName(data.PrinterName);
    printer.setCopyCount(std::max(1, data.Copies));
    printer.setCollateCopies(data.Collate);
    if (data.FromPage > 0 && data.FromPage <= data.ToPage)
        printer.setFromTo(data.FromPage, data.ToPage);
    switch (data.PrintRange) {
    case TPrintRange::prAllPages:
        printer.setPrintRange(QPrinter::AllPages);
        break;
    case TPrintRange::prSelection:
        printer.setPrintRange(QPrinter::Selection);
        break;
    case TPrintRange::prPageNums:
        printer.setPrintRange(QPrinter::PageRange);
        break;
    }

    QPrintDialog dialog(&printer, Owner());
    if (data.MinPage > 0 && data.MinPage <= data.MaxPage)
        dialog.setMinMax(data.MinPage, data.MaxPage);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, data.AllowSelection);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, data.AllowPageNums);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, data.AllowPrintToFile);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    data.PrinterName = printer.printerName();
    data.Copies = printer.copyCount();
    data.Collate = printer.collateCopies();
    switch (printer.printRange()) {
    case QPrinter::Selection:
        data.PrintRange = TPrintRange::prSelection;
        break;
    case QPrinter::PageRange:
        data.PrintRange = TPrintRange::prPageNums;
        data.FromPage = printer.fromPage();
        data.ToPage = printer.toPage();
        break;
    case QPrinter::AllPages:
    case QPrinter::CurrentPage:
        data.PrintRange = TPrintRange::prAllPages;
        break;
    }
    data.OutputFileName = printer.outputFileName();
    data.PrintToFile = !data.OutputFileName.isEmpty();
    return true;
}

bool TQtDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value)
{
    QInputDialog dialog(Owner());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(value);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    value = dialog.textValue();
    return true;
}

TModalResult TQtDialogs::ShowModal(QDialog& dialog)
{
    const int result = dialog.exec();
    return result == QDialog::Rejected ? mrCancel : static_cast<TModalResult>(result);
}

std::unique_ptr<IFindDialog> TQtDialogs::CreateFindDialog()
{
    return std::make_unique<TQtFindDialog>(false, *this, Owner());
}

std::unique_ptr<IFindDialog> TQtDialogs::CreateReplaceDialog()
{
    return std::make_unique<TQtFindDialog>(true, *this, Owner());
}
