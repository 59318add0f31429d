#pragma once
// Error types, console logging with a level prefix, error dialogs and
// argument checks shared by the window's helpers.

#include <QString>

#include <stdexcept>
#include <string>

class HardwareError : public std::runtime_error {
public:
    explicit HardwareError(const std::string& message) : std::runtime_error(message) {}
};

class ValidationError : public std::runtime_error {
public:
    explicit ValidationError(const std::string& message) : std::runtime_error(message) {}
};

namespace ErrorHandler {
void logInfo(const std::string& message);   // "[INFO] " on standard output
void logError(const std::string& message);  // "[ERROR] " on standard error
// Modal message boxes; GUI thread only.
void handleFileError(const QString& operation, const QString& file, const std::exception& error);
void handleHardwareError(const QString& operation, const std::exception& error);
}  // namespace ErrorHandler

namespace ParameterValidator {
bool validateDevicePath(const char* path);
bool validateSampleParameters();
}  // namespace ParameterValidator
