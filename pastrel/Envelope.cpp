// Envelope.cpp: Pastrel's window, its settings and its Print command.
#include "Envelope.h"

#include "CommandGuard.h"
#include "Dialogs.h"
#include "EnvelopePrinter.h"
#include "FontComboBox.h"
#include "IniFile.h"
#include "PrinterDevice.h"
#include "RtSpinEdit.h"
#include "SkinButton.h"
#include "SkinCheckBox.h"
#include "SkinComboBox.h"
#include "SkinPanel.h"
#include "WaitCursor.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

const QString EnvelopeSection = QStringLiteral("Envelope");
const QString SenderSection = QStringLiteral("Sender");
const QString DefaultFont = QStringLiteral("Liberation Sans");
constexpr int MaxSenderLines = 8;

} // namespace

TfrmEnvelope::TfrmEnvelope(IDialogs& dialogs, TPrinterDevice& printer, QString settingsFolder, QWidget* parent)
    : QWidget(parent)
    , FDialogs(dialogs)
    , FPrinter(printer)
    , FSettingsFolder(std::move(settingsFolder))
{
    setWindowTitle(ApplicationTitle);
    CreateControls();
    LoadSettings();
    EnvelopeChange();
}

TfrmEnvelope::~TfrmEnvelope() = default;

void TfrmEnvelope::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* title = new TSkinPanel(QStringLiteral("Envelope"), TSkinPanelKind::pkTitle, this);
    title->setFixedHeight(28);
    layout->addWidget(title);
    auto* body = new TSkinPanel(QString(), TSkinPanelKind::pkFlat, this);
    layout->addWidget(body, 1);
    auto* grid = new QGridLayout(body);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);

    auto label = [&](const QString& caption, QWidget* buddy, int row, int column) {
        auto* l = new QLabel(caption, body);
        l->setBuddy(buddy);
        grid->addWidget(l, row, column);
    };
    memRecipient = new QPlainTextEdit(body);
    memRecipient->setObjectName(QStringLiteral("memRecipient"));
    memRecipient->setTabChangesFocus(true);
    label(QStringLiteral("&Recipient:"), memRecipient, 0, 0);
    grid->addWidget(memRecipient, 1, 0);

    chkSender = new TSkinCheckBox(QStringLiteral("&Sender:"), body);
    chkSender->setObjectName(QStringLiteral("chkSender"));
    grid->addWidget(chkSender, 0, 1);
    memSender = new QPlainTextEdit(body);
    memSender->setObjectName(QStringLiteral("memSender"));
    memSender->setTabChangesFocus(true);
    grid->addWidget(memSender, 1, 1);

    auto* options = new QGridLayout;
    cbEnvelope = new TSkinComboBox(body);
    cbEnvelope->setObjectName(QStringLiteral("cbEnvelope"));
    for (const TEnvelopeSize& size : EnvelopeSizes())
        cbEnvelope->addItem(size.Caption, size.Key);
    cbFont = new TFontComboBox(body);
    cbFont->setObjectName(QStringLiteral("cbFont"));
    seFontSize = new TRtSpinEdit(body);
    seFontSize->setObjectName(QStringLiteral("seFontSize"));
    seFontSize->SetMinValue(6);
    seFontSize->SetMaxValue(36);
    seFontSize->SetValue(12);
    seFontSize->setFixedSize(70, cbFont->sizeHint().height());
    cbPrinter = new TSkinComboBox(body);
    cbPrinter->setObjectName(QStringLiteral("cbPrinter"));
    cbPrinter->addItems(FPrinter.Printers().Names());
    cbPrinter->setCurrentIndex(FPrinter.Printers().DefaultIndex());
    auto optionLabel = [&](const QString& caption, QWidget* buddy, int row) {
        auto* l = new QLabel(caption, body);
        l->setBuddy(buddy);
        options->addWidget(l, row, 0);
        options->addWidget(buddy, row, 1, Qt::AlignLeft | Qt::AlignVCenter);
    };
    optionLabel(QStringLiteral("&Envelope:"), cbEnvelope, 0);
    optionLabel(QStringLiteral("&Font:"), cbFont, 1);
    optionLabel(QStringLiteral("Si&ze:"), seFontSize, 2);
    optionLabel(QStringLiteral("&Printer:"), cbPrinter, 3);
    for (QWidget* box : std::initializer_list<QWidget*> { cbEnvelope, cbFont, cbPrinter })
        box->setMinimumWidth(220);
    options->setRowStretch(4, 1);
    options->setColumnStretch(1, 1);
    grid->addLayout(options, 2, 0);

    pbEnvelope = new TEnvelopePicture(body);
    pbEnvelope->setObjectName(QStringLiteral("pbEnvelope"));
    grid->addWidget(pbEnvelope, 2, 1);

    auto* buttons = new QHBoxLayout;
    lblStatus = new QLabel(body);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setWordWrap(true);
    buttons->addWidget(lblStatus, 1);
    btnPrint = new TSkinButton(QStringLiteral("&Print"), body);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setMinimumSize(100, 26);
    btnClose = new TSkinButton(QStringLiteral("&Close"), body);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setMinimumSize(100, 26);
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnClose);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    btnPrint->OnClick = Guarded(FDialogs, [this](QObject*) { btnPrintClick(); });
    btnClose->OnClick = [this](QObject*) { close(); };
    auto changed = [this](QObject*) { EnvelopeChange(); };
    cbEnvelope->OnChange = changed;
    cbFont->OnChange = changed;
    seFontSize->OnChange = changed;
    chkSender->OnChange = changed;
    connect(memRecipient, &QPlainTextEdit::textChanged, this, [this] { EnvelopeChange(); });
    connect(memSender, &QPlainTextEdit::textChanged, this, [this] { EnvelopeChange(); });
    resize(640, 440);
}

TEnvelope TfrmEnvelope::Envelope() const
{
    TEnvelope envelope;
    envelope.Size = EnvelopeSizeFor(cbEnvelope->currentData().toString());
    envelope.Recipient = AddressLines(memRecipient->toPlainText());
    if (chkSender->Checked())
        envelope.Sender = AddressLines(memSender->toPlainText());
    envelope.FontName = cbFont->FontName().isEmpty() ? DefaultFont : cbFont->FontName();
    envelope.FontSize = seFontSize->Value();
    return envelope;
}

void TfrmEnvelope::EnvelopeChange()
{
    memSender->setEnabled(chkSender->Checked());
    pbEnvelope->SetEnvelope(Envelope());
}

void TfrmEnvelope::TakeRecipientFrom(const QString& clipboardText)
{
    if (memRecipient->toPlainText().trimmed().isEmpty() && LooksLikeAddress(clipboardText))
        memRecipient->setPlainText(AddressLines(clipboardText).join(u'\n'));
}

QString TfrmEnvelope::SettingsFileName() const { return QDir(FSettingsFolder).filePath(QStringLiteral("Pastrel.ini")); }

void TfrmEnvelope::LoadSettings()
{
    const TIniFile settings(SettingsFileName());
    const TEnvelopeSize& size = EnvelopeSizeFor(settings.ReadString(EnvelopeSection, QStringLiteral("Size"), QStringLiteral("DL")));
    cbEnvelope->setCurrentIndex(cbEnvelope->findData(size.Key));
    cbFont->SetFontName(settings.ReadString(EnvelopeSection, QStringLiteral("Font"), DefaultFont));
    seFontSize->SetValue(settings.ReadInteger(EnvelopeSection, QStringLiteral("FontSize"), 12));
    const int printer = FPrinter.Printers().IndexOf(settings.ReadString(EnvelopeSection, QStringLiteral("Printer"), QString()));
    if (printer >= 0)
        cbPrinter->setCurrentIndex(printer);
    chkSender->SetChecked(settings.ReadBool(SenderSection, QStringLiteral("Print"), false));
    QStringList sender;
    for (int line = 1; line <= MaxSenderLines; ++line) {
        const QString text = settings.ReadString(SenderSection, QStringLiteral("Line%1").arg(line), QString());
        if (!text.isEmpty())
            sender << text;
    }
    memSender->setPlainText(sender.join(u'\n'));
}

void TfrmEnvelope::SaveSettings()
{
    QDir().mkpath(FSettingsFolder);
    TIniFile settings(SettingsFileName());
    const TEnvelope envelope = Envelope();
    settings.WriteString(EnvelopeSection, QStringLiteral("Size"), envelope.Size.Key);
    settings.WriteString(EnvelopeSection, QStringLiteral("Font"), envelope.FontName);
    settings.WriteInteger(EnvelopeSection, QStringLiteral("FontSize"), envelope.FontSize);
    settings.WriteString(EnvelopeSection, QStringLiteral("Printer"), cbPrinter->currentText());
    settings.EraseSection(SenderSection);
    settings.WriteBool(SenderSection, QStringLiteral("Print"), chkSender->Checked());
    const QStringList sender = AddressLines(memSender->toPlainText());
    for (int line = 0; line < sender.size() && line < MaxSenderLines; ++line)
        settings.WriteString(SenderSection, QStringLiteral("Line%1").arg(line + 1), sender[line]);
    settings.UpdateFile();
}

void TfrmEnvelope::btnPrintClick()
{
    const TEnvelope envelope = Envelope();
    if (envelope.Recipient.isEmpty())
        throw Exception(QStringLiteral("Type the recipient's address first"));
    FPrinter.SetPrinterIndex(cbPrinter->currentIndex());
    if (FPrinter.Printer().IsPdf) {
        TFileDialogData dialog;
        dialog.Title = QStringLiteral("Print to PDF File");
        dialog.Filter = QStringLiteral("PDF Files (*.pdf)|*.pdf");
        dialog.DefaultExt = QStringLiteral("pdf");
        dialog.Options.OverwritePrompt = true;
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QFileInfo(folder).isDir())
            folder = QDir::homePath();
        dialog.InitialDir = folder;
        dialog.FileName = QStringLiteral("Envelope.pdf");
        if (!FDialogs.SaveFile(dialog))
            return;
        FPrinter.SetOutputFileName(dialog.FileName);
    }
    RunCommand(FDialogs, [this] { SaveSettings(); }); // a settings file that cannot be written does not stop the print
    {
        TWaitCursor wait;
        PrintEnvelope(FPrinter, envelope, QStringLiteral("Envelope"));
    }
    lblStatus->setText(FPrinter.Printer().IsPdf
            ? QStringLiteral("The envelope was printed to %1.").arg(QDir::toNativeSeparators(FPrinter.JobFileName()))
            : QStringLiteral("The envelope was sent to %1.").arg(FPrinter.Printer().Device));
}

void TfrmEnvelope::closeEvent(QCloseEvent* event)
{
    RunCommand(FDialogs, [this] { SaveSettings(); });
    QWidget::closeEvent(event);
}

TEnvelopePicture::TEnvelopePicture(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(240, 130);
}

void TEnvelopePicture::SetEnvelope(const TEnvelope& envelope)
{
    FEnvelope = envelope;
    update();
}

void TEnvelopePicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF millimetres = FEnvelope.Size.Millimetres();
    if (millimetres.isEmpty())
        return;
    // The envelope as large as the picture allows, centred.
    const double scale = std::min((width() - 10) / millimetres.width(), (height() - 10) / millimetres.height());
    const QSizeF size = millimetres * scale;
    const QPointF origin((width() - size.width()) / 2, (height() - size.height()) / 2);
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    painter.setBrush(QColor(0xFB, 0xF8, 0xF0));
    painter.drawRect(QRectF(origin, size));
    DrawEnvelope(painter, FEnvelope, origin, scale * 25.4);
}
