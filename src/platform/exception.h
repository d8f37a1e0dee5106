// The one base of every failure the program raises: a message text that ends up
// on the status bar or in an error box, never across Qt's event loop.
#pragma once

#include <exception>
#include <string>

namespace platform {

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }
    const std::string& message() const noexcept { return Message; }

    std::string Message;
};

} // namespace platform
