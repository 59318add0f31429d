#pragma once
// Scoped file and scoped progress dialog.

#include <QFile>
#include <QProgressDialog>
#include <QString>

#include <memory>

class FileRAII {
public:
    // Throws std::runtime_error "无法打开文件进行<purpose>: <path>" when the file cannot be opened.
    FileRAII(const QString& path, QIODevice::OpenMode mode, const QString& purpose);
    ~FileRAII();
    FileRAII(const FileRAII&) = delete;
    FileRAII& operator=(const FileRAII&) = delete;

    QFile& get() { return file; }

private:
    QFile file;
    QString purpose;
};

class ProgressDialogRAII {
public:
    ProgressDialogRAII(const QString& label, const QString& cancelText, int minimum, int maximum, QWidget* parent);
    ProgressDialogRAII(const ProgressDialogRAII&) = delete;
    ProgressDialogRAII& operator=(const ProgressDialogRAII&) = delete;

    void setValue(int value) { dialog->setValue(value); }
    bool wasCanceled() const { return dialog->wasCanceled(); }
    QProgressDialog* get() { return dialog.get(); }

private:
    std::unique_ptr<QProgressDialog> dialog;
};
