// MergeCommand.cpp: the headless merge, through the same substitution and page engine as the window.
#include "MergeCommand.h"

#include "AtomicFile.h"
#include "CsvFile.h"
#include "Errors.h"
#include "IniFile.h"
#include "MergeSettings.h"
#include "PgPreview.h"
#include "PgPrinter.h"
#include "PgRtfMailMerge.h"
#include "PgRtfPreview.h"
#include "PrinterDevice.h"
#include "Printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

const char* const MergeUsage = "usage: pelmora --merge TEMPLATE.rtf DATA.csv OUT.pdf|OUT.rtf [--printer NAME]\n";

namespace {

QByteArray ReadTemplate(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("{\\rtf"))
        throw EConvertError(QStringLiteral("%1 is not an RTF document").arg(path));
    return bytes;
}

} // namespace

void RunMergeCommand(const QStringList& arguments, const QString& settingsFolder,
    const std::function<void(int progress, int total)>& progress, const std::function<void(int printed, int total)>& printProgress)
{
    QStringList positional;
    QString printerName;
    bool printerGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--printer")) {
            if (printerGiven)
                throw Exception(QStringLiteral("--printer is given twice"));
            if (i + 1 >= arguments.size())
                throw Exception(QStringLiteral("--printer needs a value"));
            printerName = arguments[++i];
            printerGiven = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            throw Exception(QStringLiteral("Unknown option %1").arg(argument));
        } else {
            positional << argument;
        }
    }
    if (positional.size() != 3 && !(printerGiven && positional.size() == 2))
        throw Exception(QString::fromLatin1(MergeUsage).trimmed());
    const QString templatePath = positional[0];
    const QString dataPath = positional[1];
    const QString output = positional.size() == 3 ? positional[2] : QString();
    const QString suffix = QFileInfo(output).suffix();
    if (!output.isEmpty() && suffix != QLatin1String("pdf") && suffix != QLatin1String("rtf"))
        throw Exception(QStringLiteral("Cannot write %1: the output must end in .pdf or .rtf").arg(output));
    if (printerGiven && suffix == QLatin1String("rtf"))
        throw Exception(QStringLiteral("--printer prints; it cannot write %1").arg(output));
    // Letters written over their own template or data would destroy what they were made from.
    const QString target = QFileInfo(output).canonicalFilePath();
    for (const QString& source : { templatePath, dataPath }) {
        if (!target.isEmpty() && target == QFileInfo(source).canonicalFilePath())
            throw Exception(QStringLiteral("Cannot write %1: it is the merge's own %2")
                                .arg(output, source == templatePath ? QStringLiteral("template") : QStringLiteral("data")));
    }

    const QByteArray rtf = ReadTemplate(templatePath);
    const TCsvTable table = ReadCsvFile(dataPath);
    if (table.Names.isEmpty())
        throw EConvertError(QStringLiteral("%1 has no header of field names").arg(dataPath));
    if (table.Records.empty())
        throw EConvertError(QStringLiteral("%1 holds no records").arg(dataPath));
    if (table.Records.size() > 1000000)
        throw EConvertError(QStringLiteral("%1 holds more than 1000000 records").arg(dataPath));

    TMergeFieldSource source;
    for (const QString& name : table.Names)
        source.Tokens << TokenFromFieldName(name);
    source.Records = table.Records;

    TPgRtfMailMerge merge;
    merge.SetTokens(source.Tokens);
    merge.SetMergeCount(int(source.Records.size()));
    merge.OnGetField = [&source](QObject*, int record, const QString& field, QString& text) {
        text = source.Value(record, field);
    };
    if (progress)
        merge.OnMergeProgress = [&progress](QObject*, int done, int total) { progress(done, total); };

    if (suffix == QLatin1String("rtf")) {
        const QByteArray document = merge.MergeToRtfDocument(rtf);
        WriteFileAtomically(output, document);
        return;
    }

    TPrinterDevice& device = ProgramPrinter();
    if (printerGiven) {
        const int index = device.Printers().IndexOf(printerName);
        if (index < 0)
            throw EPrinter(QStringLiteral("There is no printer named %1").arg(printerName));
        device.SetPrinterIndex(index);
    } else {
        device.SetPrinterIndex(device.Printers().PdfIndex());
    }
    if (!output.isEmpty())
        device.SetOutputFileName(QFileInfo(output).absoluteFilePath());

    TPgPreview preview;
    TPgRtfPreview paginator;
    paginator.SetPreview(&preview);
    const TIniFile settings(QDir(settingsFolder).filePath(QStringLiteral("Settings.ini")));
    ApplyMergeMargins(preview, paginator, LoadMarginSettings(settings));
    merge.SetPgRtfPreview(&paginator);
    preview.BeginUpdate();
    try {
        preview.Clear();
        merge.MergeRtf(rtf);
        preview.FirstPage();
    } catch (...) {
        preview.EndUpdate();
        throw;
    }
    preview.EndUpdate();
    preview.PgPrinter().Title = QFileInfo(templatePath).fileName();
    if (printProgress)
        preview.OnPrintProgress = [&printProgress](QObject*, int printed, int total) { printProgress(printed, total); };
    preview.Print();
}
