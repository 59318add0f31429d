#include "errors.h"

#include <QMessageBox>

#include <iostream>

namespace ErrorHandler {

void logInfo(const std::string& message)
{
    std::cout << "[INFO] " << message << std::endl;
}

void logError(const std::string& message)
{
    std::cerr << "[ERROR] " << message << std::endl;
}

void handleFileError(const QString& operation, const QString& file, const std::exception& error)
{
    const QString text =
        QStringLiteral("文件%1操作失败: %2\n错误: %3").arg(operation, file, QString::fromStdString(error.what()));
    QMessageBox::critical(nullptr, QStringLiteral("文件错误"), text, QMessageBox::Ok);
    std::cerr << text.toStdString() << std::endl;
}

void handleHardwareError(const QString& operation, const std::exception& error)
{
    const QString text = QStringLiteral("硬件%1操作失败\n错误: %2").arg(operation, QString::fromStdString(error.what()));
    QMessageBox::warning(nullptr, QStringLiteral("硬件错误"), text, QMessageBox::Ok);
    std::cerr << text.toStdString();
}

}  // namespace ErrorHandler

namespace ParameterValidator {

bool validateDevicePath(const char* path)
{
    if (path == nullptr || *path == '\0') {
        ErrorHandler::logError("Device path is null or empty");
        return false;
    }
    return true;
}

bool validateSampleParameters()
{
    return true;
}

}  // namespace ParameterValidator
