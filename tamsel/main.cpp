// Tamsel's program start. Until the main window exists it shows the rich edit control in a plain
// window, and converts documents headless with --convert.
#include "Errors.h"
#include "RichEditControl.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QSaveFile>

#include <cstdio>
#include <cstring>

namespace {

WPARAM FormatForFile(const QString& path)
{
    const QString extension = QFileInfo(path).suffix();
    if (extension == QLatin1String("txt"))
        return SF_TEXT;
    return SF_RTF;
}

void SetUpControl(TRichEditControl& control)
{
    control.SetEventMask(ENM_CHANGE | ENM_SELCHANGE | ENM_REQUESTRESIZE | ENM_PROTECTED | ENM_LINK);
    control.SetTextLimit(0xFFFFFF);
    control.SetAutoUrlDetect(true);
    control.SetUndoLimit(100);
    CHARFORMAT2 font;
    font.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET | CFM_COLOR;
    std::strcpy(font.szFaceName, "Arial");
    font.yHeight = 240;
    font.bCharSet = ANSI_CHARSET;
    font.dwEffects = CFE_AUTOCOLOR;
    (void)control.SetCharFormat(SCF_DEFAULT, font);
}

// Loads a document the way its extension says; a ".doc" that is not RTF is read as plain text.
void LoadDocument(TRichEditControl& control, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    const QByteArray bytes = file.readAll();
    const WPARAM format = FormatForFile(path);
    if (control.LoadBytes(format, bytes))
        return;
    if (!control.LoadBytes(format == SF_RTF ? SF_TEXT : SF_RTF, bytes))
        throw EOutOfResources(QStringLiteral("Failed to Load Stream"));
}

void SaveDocument(TRichEditControl& control, const QString& path)
{
    const QByteArray bytes = control.SaveBytes(FormatForFile(path));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(path);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EFCreateError(path);
}

int Convert(const QString& source, const QString& target)
{
    try {
        TRichEditControl control;
        SetUpControl(control);
        LoadDocument(control, source);
        SaveDocument(control, target);
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
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamsel Express"));
    if (converting) {
        if (argc != 4) {
            std::fprintf(stderr, "usage: tamsel --convert IN OUT\n");
            return 1;
        }
        return Convert(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }

    QMainWindow window;
    auto* control = new TRichEditControl(&window);
    SetUpControl(*control);
    window.setCentralWidget(control);
    window.resize(900, 700);
    if (argc >= 2 && QFileInfo::exists(QString::fromLocal8Bit(argv[1]))) {
        const QString path = QString::fromLocal8Bit(argv[1]);
        try {
            LoadDocument(*control, path);
            window.setWindowTitle(QFileInfo(path).fileName() + QStringLiteral(" - Tamsel Express"));
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", qPrintable(MessageOf(error)));
        }
    } else {
        window.setWindowTitle(QStringLiteral("Untitled Document - Tamsel Express"));
    }
    window.show();
    return application.exec();
}
