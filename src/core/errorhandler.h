#pragma once

#include <exception>
#include <functional>

// The program's one global error handler: an error raised by the database or a conversion
// while a handler runs is shown in a box titled "Pratilio+", the rest of that handler is
// skipped and the program goes on.
namespace ErrorHandler {

// Raised where the program must end and the user has been told why already: not shown again.
class Ended : public std::exception
{
public:
    const char *what() const noexcept override { return "ended"; }
};

void show(const std::exception &error);
// Runs `action`, showing any error it raises; false when it raised one.
bool guard(const std::function<void()> &action);

} // namespace ErrorHandler
