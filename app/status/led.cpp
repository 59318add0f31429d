#include "led.h"

#include <QLabel>
#include <QString>

#include <iostream>

void setLED(QLabel* label, int state, int size)
{
    static const char* const colours[] = {"rgb(190,190,190)", "rgb(255,0,0)", "rgb(46,204,113)", "rgb(255,255,0)"};
    label->setText(QString());
    QString style = QStringLiteral("min-width: %1px;").arg(size) + QStringLiteral("min-height: %1px;").arg(size) +
                    QStringLiteral("max-width: %1px;").arg(size) + QStringLiteral("max-height: %1px;").arg(size) +
                    QStringLiteral("border-radius: %1px;").arg(size / 2) + QStringLiteral("border:1px solid black;") +
                    QStringLiteral("background-color:");
    if (state >= 0 && state <= 3)
        style += QLatin1String(colours[state]);
    label->setStyleSheet(style);
}

namespace StatusManager {

void setDeviceStatus(QLabel* label, DeviceStatus status, int size)
{
    if (!label)
        return;
    const char* colour = "gray";
    switch (static_cast<int>(status)) {
    case STATUS_RED: colour = "red"; break;
    case STATUS_GREEN: colour = "green"; break;
    case STATUS_YELLOW: colour = "yellow"; break;
    default: break;
    }
    label->setText(QString());
    label->setStyleSheet(QStringLiteral("QLabel { background-color: %1; border-radius: %2px; }")
                             .arg(QLatin1String(colour))
                             .arg(size / 2));
    label->setFixedSize(size, size);
}

void reportHardwareTest(const std::string& name, bool ok)
{
    if (ok)
        std::cout << name << "测试成功" << std::endl;
    else
        std::cerr << name << "测试失败" << std::endl;
}

}  // namespace StatusManager
