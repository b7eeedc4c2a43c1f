#pragma once
// TamselIcons.h: Tamsel's own pictures, by name ("bold", "file-rtf", ...), drawn at 32 x 32.
#include <QIcon>
#include <QStringView>

// The icon of that name, or a null icon when there is none.
QIcon TamselIcon(QStringView name);
