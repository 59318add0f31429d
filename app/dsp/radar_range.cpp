#include "radar_range.h"

#include <QLocale>

#include <cmath>

double calculateRadarRange(double Pt, double G, double f, double RCS, double Bf, double Bs,
                           double Nint, double pw, double F, double SNR, double Ls, double La)
{
    const double lambda = 3e8 / (f * 1e9);
    // 33 = 10 lg (4 pi)^3, 228.6 = -10 lg k, 24.7 for the reference noise temperature.
    const double S = 10 * std::log10(Pt) + 10 * std::log10(pw / 1e6) + 2 * G +
                     20 * std::log10(lambda) + 10 * std::log10(RCS) + 10 * std::log10(Nint) -
                     33 + 228.6 - 24.7 - F - SNR - 2 * La - Ls - 10 * std::log10(Bf / Bs);
    const double r4 = std::pow(10.0, S / 10);
    return std::sqrt(std::sqrt(r4)) / 1000;
}

const std::array<RadarRangeField, 12>& radarRangeFields()
{
    static const std::array<RadarRangeField, 12> fields = {{
        {"lineEdit_Pt", QStringLiteral("发射功率(W)"), QStringLiteral("320"),
         QStringLiteral("发射功率(Pt)"), 0, 1000000},
        {"lineEdit_G", QStringLiteral("天线增益(dB)"), QStringLiteral("19"),
         QStringLiteral("天线增益(G)"), -50, 100},
        {"lineEdit_f", QStringLiteral("频率(GHz)"), QStringLiteral("2.6"),
         QStringLiteral("频率(f, GHz)"), 0.1, 100},
        {"lineEdit_RCS", QStringLiteral("RCS"), QStringLiteral("0.01"),
         QStringLiteral("雷达截面积(RCS)"), 0.000001, 1000000},
        {"lineEdit_Bf", QStringLiteral("滤波器带宽(MHz)"), QStringLiteral("260"),
         QStringLiteral("滤波带宽(Bf, MHz)"), 0.1, 1000},
        {"lineEdit_Bs", QStringLiteral("信号带宽(MHz)"), QStringLiteral("122.88"),
         QStringLiteral("信号带宽(Bs, MHz)"), 1, 1000},
        {"lineEdit_Nint", QStringLiteral("累积脉冲数"), QStringLiteral("256"),
         QStringLiteral("积分次数(Nint)"), 1, 1000000},
        {"lineEdit_pw", QStringLiteral("脉宽(us)"), QStringLiteral("2"),
         QStringLiteral("脉宽(μs)"), 0.01, 1000000},
        {"lineEdit_NF", QStringLiteral("噪声系数"), QStringLiteral("6"),
         QStringLiteral("噪声系数(F, dB)"), 0, 50},
        {"lineEdit_SNR", QStringLiteral("检测信噪比"), QStringLiteral("17.9"),
         QStringLiteral("信噪比(SNR, dB)"), -10, 50},
        {"lineEdit_Ls", QStringLiteral("系统损耗"), QStringLiteral("11"),
         QStringLiteral("系统损耗(Ls, dB)"), 0, 50},
        {"lineEdit_La", QStringLiteral("大气损耗"), QStringLiteral("0.1"),
         QStringLiteral("大气损耗(La, dB)"), 0, 50},
    }};
    return fields;
}

RadarFieldCheck checkRadarRangeField(const QString& text, const QString& name, double min,
                                     double max)
{
    RadarFieldCheck check;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        check.message = name + QStringLiteral(" 不能为空！");
        return check;
    }
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || std::isnan(value)) {
        check.message = name + QStringLiteral(" 必须是数字！");
        return check;
    }
    if (value < min || value > max) {
        check.message = QStringLiteral("%1 超出范围 (%2 ~ %3)！")
                            .arg(name)
                            .arg(QString::number(min, 'g', QLocale::FloatingPointShortest))
                            .arg(QString::number(max, 'g', QLocale::FloatingPointShortest));
        return check;
    }
    check.ok = true;
    check.value = value;
    return check;
}

QString radarRangeErrorTitle() { return QStringLiteral("输入错误"); }

QString formatRadarRangeResult(double km)
{
    return QStringLiteral("最大探测距离: %1 km").arg(QString::number(km, 'f', 2));
}
