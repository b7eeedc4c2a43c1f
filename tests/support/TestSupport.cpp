#include "TestSupport.h"

#include <QDir>

QString DataPath(const QString& relative)
{
    return QDir(qEnvironmentVariable("TEST_DATA_DIR", QStringLiteral("tests/data"))).filePath(relative);
}

QString SamplePath(const QString& name)
{
    return QDir(qEnvironmentVariable("SAMPLES_DIR", QStringLiteral("../shared/rtf-samples"))).filePath(name);
}
