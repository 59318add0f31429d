#include "raii.h"

#include <stdexcept>

FileRAII::FileRAII(const QString& path, QIODevice::OpenMode mode, const QString& purpose)
    : file(path), purpose(purpose)
{
    if (!file.open(mode))
        throw std::runtime_error((QStringLiteral("无法打开文件进行") + purpose + QStringLiteral(": ") + path).toStdString());
}

FileRAII::~FileRAII()
{
    if (file.isOpen())
        file.close();
}

ProgressDialogRAII::ProgressDialogRAII(const QString& label, const QString& cancelText, int minimum, int maximum,
                                       QWidget* parent)
    : dialog(std::make_unique<QProgressDialog>(label, cancelText, minimum, maximum, parent))
{
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setMinimumDuration(500);
}
