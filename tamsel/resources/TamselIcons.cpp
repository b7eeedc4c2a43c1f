#include "TamselIcons.h"

#include <QFile>

QIcon TamselIcon(QStringView name)
{
    const QString path = QStringLiteral(":/tamsel/icons/%1.svg").arg(name);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}
