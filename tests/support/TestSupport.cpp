#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>

#include <QDir>

QString DataPath(const QString& relative)
{
    return QDir(qEnvironmentVariable("TEST_DATA_DIR", QStringLiteral("tests/data"))).filePath(relative);
}

QString SamplePath(const QString& name)
{
    return QDir(qEnvironmentVariable("SAMPLES_DIR", QStringLiteral("../shared/rtf-samples"))).filePath(name);
}

QString ToolOutput(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPageCount(const QString& path)
{
    const auto match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                           .match(ToolOutput(QStringLiteral("pdfinfo"), { path }));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}
