// An unexpected error as the programs report it: description, number and source.
#pragma once

#include <QString>

#include <exception>

namespace vello {

struct AppError
{
    QString description;
    qint64 number = 0;
    QString source;
};

/// Thrown inside a routine to abandon it at the point its design names; caught by that routine itself and
/// shown with the standard error report. Never escapes a public operation of a logic class.
class AppException : public std::exception
{
public:
    explicit AppException(AppError error) : m_error(std::move(error)) {}
    AppException(QString description, qint64 number, QString source)
        : m_error{std::move(description), number, std::move(source)}
    {}
    const AppError& error() const { return m_error; }
    const char* what() const noexcept override { return "vello::AppException"; }

private:
    AppError m_error;
};

/// Error numbers the programs use for their own failures.
namespace errors {
constexpr qint64 TypeMismatch = 13; // a value that is not a number where one is required
constexpr qint64 FileNotFound = 53;
constexpr qint64 PermissionDenied = 70;
constexpr qint64 PathNotFound = 76;
constexpr qint64 IndexOutOfRange = 35600;
constexpr qint64 AutomationBase = 0x80040000LL;
} // namespace errors

} // namespace vello
