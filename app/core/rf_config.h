#pragma once
// One record per listed device: what the operator entered for it.

#include <QString>

struct RFConfig {
    RFConfig() = default;
    RFConfig(const QString& name, double frequency, double rate, double gain, const QString& antenna)
        : name(name), frequency(frequency), rate(rate), gain(gain), antenna(antenna) {}

    QString name;
    double frequency = 0;  // MHz
    double rate = 0;
    double gain = 30;  // dB
    QString antenna = QStringLiteral("RX1");
};
