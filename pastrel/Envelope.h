#pragma once
// Envelope.h: Pastrel's window: the addresses, the envelope size, the font and the printer, a picture
// of the envelope as it will print, and Print.
#include "EnvelopeLayout.h"

#include <QWidget>

class IDialogs;
class QLabel;
class QPlainTextEdit;
class TEnvelopePicture;
class TFontComboBox;
class TPrinterDevice;
class TRtSpinEdit;
class TSkinButton;
class TSkinCheckBox;
class TSkinComboBox;

class TfrmEnvelope : public QWidget {
    Q_OBJECT

public:
    static inline const QString ApplicationTitle = QStringLiteral("Pastrel");

    /// The settings file lives in settingsFolder. The collaborators must outlive the window.
    TfrmEnvelope(IDialogs& dialogs, TPrinterDevice& printer, QString settingsFolder, QWidget* parent = nullptr);
    ~TfrmEnvelope() override;

    /// A recipient's address from the clipboard text, when it looks like one and the box is empty.
    void TakeRecipientFrom(const QString& clipboardText);
    /// What the window would print now.
    TEnvelope Envelope() const;
    QString SettingsFileName() const;
    void LoadSettings();
    /// Writes the settings file atomically; throws when it cannot be written.
    void SaveSettings();

    // Commands.
    void btnPrintClick();
    void EnvelopeChange();

    QPlainTextEdit* memRecipient = nullptr;
    TSkinCheckBox* chkSender = nullptr;
    QPlainTextEdit* memSender = nullptr;
    TSkinComboBox* cbEnvelope = nullptr;
    TFontComboBox* cbFont = nullptr;
    TRtSpinEdit* seFontSize = nullptr;
    TSkinComboBox* cbPrinter = nullptr;
    TSkinButton* btnPrint = nullptr;
    TSkinButton* btnClose = nullptr;
    TEnvelopePicture* pbEnvelope = nullptr;
    QLabel* lblStatus = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();

    IDialogs& FDialogs;
    TPrinterDevice& FPrinter;
    QString FSettingsFolder;
};

/// The envelope drawn to scale with its addresses.
class TEnvelopePicture : public QWidget {
    Q_OBJECT

public:
    explicit TEnvelopePicture(QWidget* parent = nullptr);
    void SetEnvelope(const TEnvelope& envelope);
    QSize sizeHint() const override { return { 320, 170 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TEnvelope FEnvelope;
};
