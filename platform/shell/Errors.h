#pragma once
// The program's error types. Failures throw where they are found and are shown by the program-wide
// handler; EAbort ends a command silently.
#include <QString>

#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message)
        : FMessage(std::move(message))
        , FUtf8(FMessage.toUtf8())
    {
    }
    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.constData(); }

private:
    QString FMessage;
    QByteArray FUtf8;
};

class EAbort : public Exception {
public:
    EAbort()
        : Exception(QStringLiteral("Operation aborted"))
    {
    }
};

class EOutOfResources : public Exception {
    using Exception::Exception;
};

class EFOpenError : public Exception {
public:
    explicit EFOpenError(const QString& fileName)
        : Exception(QStringLiteral("Cannot open file %1").arg(fileName))
    {
    }
};

class EFCreateError : public Exception {
public:
    explicit EFCreateError(const QString& fileName)
        : Exception(QStringLiteral("Cannot create file %1").arg(fileName))
    {
    }
};

class EConvertError : public Exception {
    using Exception::Exception;
};

class EPrinter : public Exception {
    using Exception::Exception;
};

// The message of any exception, for the error box.
QString MessageOf(const std::exception& error);
// The message with a full stop added when it does not end in one.
QString WithFullStop(const QString& message);
