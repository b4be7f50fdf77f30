#pragma once

#include <stdexcept>
#include <string>

namespace robustez {

// Every failure of the core is an exception whose what() is the exact text
// the user is shown in the standard error box.
class RobustezError : public std::runtime_error {
public:
    explicit RobustezError(const std::string& message) : std::runtime_error(message) {}
};

// A text that does not convert to a number.
class ConversionError : public RobustezError {
public:
    using RobustezError::RobustezError;
};

// Division by zero, invalid operation or overflow in the computation.
class ArithmeticError : public RobustezError {
public:
    using RobustezError::RobustezError;
};

// A study file that cannot be opened, read or written.
class FileError : public RobustezError {
public:
    using RobustezError::RobustezError;
};

} // namespace robustez
