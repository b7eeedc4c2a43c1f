// Tamsel's program start. Until the main window exists it shows the editor in a plain window, and
// converts documents headless with --convert.
#include "Application.h"
#include "CompressedDocument.h"
#include "Errors.h"
#include "QtDialogs.h"
#include "RtRichEd.h"

#include <QFileInfo>
#include <QMainWindow>
#include <QSaveFile>

#include <cstdio>
#include <cstring>

namespace {

void SetUpEditor(TRtRichEdit& editor)
{
    editor.SetHideSelection(false);
    editor.SetHideScrollBars(false);
    editor.SetScrollBars(TScrollStyle::ssVertical);
    editor.SetWantTabs(true);
    editor.SetStreamMode({ TRichStreamMode::smUnicode });
    editor.Perform(EM_SETTYPOGRAPHYOPTIONS, TO_ADVANCEDTYPOGRAPHY, TO_ADVANCEDTYPOGRAPHY);
}

// The extension decides: .txt is plain text, .rtc compressed rich text, .rtf rich text, anything else
// (.doc) rich text that is read as plain text when it is not RTF.
void LoadDocument(TRtRichEdit& editor, const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    editor.SetPlainText(extension == QLatin1String("txt"));
    if (extension == QLatin1String("rtc"))
        LoadCompressedDocument(editor, path);
    else
        editor.Lines()->LoadFromFile(path);
}

void SaveDocument(TRtRichEdit& editor, const QString& path)
{
    if (QFileInfo(path).suffix() == QLatin1String("rtc")) {
        editor.SetStreamFormat(TRichStreamFormat::sfRichText);
        SaveCompressedDocument(editor, path);
        return;
    }
    editor.SetStreamFormat(QFileInfo(path).suffix() == QLatin1String("txt") ? TRichStreamFormat::sfPlainText
                                                                            : TRichStreamFormat::sfRichText);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(path);
    editor.Lines()->SaveToStream(file);
    if (!file.commit())
        throw EFCreateError(path);
}

int Convert(const QString& source, const QString& target)
{
    try {
        TRtRichEdit editor;
        SetUpEditor(editor);
        LoadDocument(editor, source);
        SaveDocument(editor, target);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", qPrintable(MessageOf(error)));
        return 1;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    const bool converting = argc >= 2 && std::strcmp(argv[1], "--convert") == 0;
    if (converting && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TQtDialogs dialogs;
    TApplication application(argc, argv, dialogs);
    QApplication::setApplicationName(QStringLiteral("Tamsel Express"));
    if (converting) {
        if (argc != 4) {
            std::fprintf(stderr, "usage: tamsel --convert IN OUT\n");
            return 1;
        }
        return Convert(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }

    QMainWindow window;
    auto* editor = new TRtRichEdit(&window);
    editor->SetDialogs(&dialogs);
    SetUpEditor(*editor);
    window.setCentralWidget(editor);
    window.resize(900, 700);
    window.setWindowTitle(QStringLiteral("Untitled Document - Tamsel Express"));
    const QString path = argc >= 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        try {
            LoadDocument(*editor, path);
            window.setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - Tamsel Express"));
        } catch (const std::exception& error) {
            dialogs.ShowError(QApplication::applicationName(), WithFullStop(MessageOf(error)));
        }
    }
    window.show();
    return application.exec();
}
