#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: a failure the user must see, carrying the
// exact French text that the error box shows.
class OrnivalError : public std::runtime_error {
public:
    explicit OrnivalError(const QString& text)
        : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const noexcept { return text_; }

private:
    QString text_;
};
