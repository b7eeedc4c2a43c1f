#include "Errors.h"

QString MessageOf(const std::exception& error)
{
    if (auto* known = dynamic_cast<const Exception*>(&error))
        return known->Message();
    return QString::fromUtf8(error.what());
}

QString WithFullStop(const QString& message)
{
    if (message.endsWith(u'.'))
        return message;
    return message + u'.';
}
