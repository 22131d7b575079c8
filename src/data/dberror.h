#pragma once

#include <QString>

#include <exception>

// The one error type of the data layer. It carries the engine's message (or our own
// Italian explanation of it) and is shown to the user by the program's global error
// handler; windows never catch it.
class DbError : public std::exception
{
public:
    explicit DbError(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}

    const QString &text() const { return text_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
};

// The office's server asks for a password: none was given and ~/.pgpass holds none, or the
// one given is wrong. The program may ask the user and try again.
class DbPasswordError : public DbError
{
public:
    using DbError::DbError;
};
