#include "radar_range.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Params {
    double v[12];
    double range() const
    {
        return calculateRadarRange(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                   v[10], v[11]);
    }
};

Params defaults()
{
    Params p{};
    const auto& fields = radarRangeFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        p.v[i] = fields[i].defaultText.toDouble();
    return p;
}

TEST(RadarEquation, DefaultFormGivesOnePointTwoFiveKilometres)
{
    const double r = defaults().range();
    EXPECT_NEAR(r, 1.254, 0.001);
    EXPECT_EQ(formatRadarRangeResult(r), QStringLiteral("最大探测距离: 1.25 km"));
}

TEST(RadarEquation, ScalesAsTheFourthRoot)
{
    const double base = defaults().range();
    struct Case {
        int field;
        double factorOrOffset;
        bool additive;
        double expectedRatio;
    };
    const Case cases[] = {
        {0, 16, false, 2.0},                        // power x16 doubles the range
        {3, 16, false, 2.0},                        // so does the cross section
        {6, 1.0 / 16, false, 0.5},                  // and fewer integrated pulses halve it
        {11, 1, true, std::pow(10, -2.0 / 40)},     // +1 dB atmosphere, out and back: S - 2 dB
        {10, 4, true, std::pow(10, -4.0 / 40)},     // system loss counts once
        {1, 1, true, std::pow(10, 2.0 / 40)},       // gain counts twice
    };
    for (const auto& c : cases) {
        Params p = defaults();
        p.v[c.field] = c.additive ? p.v[c.field] + c.factorOrOffset : p.v[c.field] * c.factorOrOffset;
        EXPECT_NEAR(p.range() / base, c.expectedRatio, 1e-9) << "field " << c.field;
    }
    Params silent = defaults();
    silent.v[0] = 0;
    EXPECT_EQ(silent.range(), 0.0);
    EXPECT_EQ(formatRadarRangeResult(silent.range()), QStringLiteral("最大探测距离: 0.00 km"));
}

const RadarRangeField& field(const char* widget)
{
    for (const auto& f : radarRangeFields())
        if (QLatin1String(f.widget) == QLatin1String(widget))
            return f;
    throw std::out_of_range(widget);
}

TEST(RadarForm, FieldChecksGiveTheOperatorsMessages)
{
    struct Case {
        const char* widget;
        QString text;
        bool ok;
        double value;
        QString message;
    };
    const Case cases[] = {
        {"lineEdit_Pt", "", false, 0, "发射功率(Pt) 不能为空！"},
        {"lineEdit_Pt", "   ", false, 0, "发射功率(Pt) 不能为空！"},
        {"lineEdit_G", "abc", false, 0, "天线增益(G) 必须是数字！"},
        {"lineEdit_f", " 2.6 ", true, 2.6, ""},
        {"lineEdit_f", "2,6", false, 0, "频率(f, GHz) 必须是数字！"},
        {"lineEdit_f", "nan", false, 0, "频率(f, GHz) 必须是数字！"},
        {"lineEdit_f", "0.05", false, 0, "频率(f, GHz) 超出范围 (0.1 ~ 100)！"},
        {"lineEdit_f", "0.1", true, 0.1, ""},
        {"lineEdit_f", "100", true, 100, ""},
        {"lineEdit_Pt", "1000001", false, 0, "发射功率(Pt) 超出范围 (0 ~ 1e+06)！"},
        {"lineEdit_Pt", "0", true, 0, ""},
        {"lineEdit_RCS", "1e-7", false, 0, "雷达截面积(RCS) 超出范围 (1e-06 ~ 1e+06)！"},
        {"lineEdit_SNR", "-10.5", false, 0, "信噪比(SNR, dB) 超出范围 (-10 ~ 50)！"},
        {"lineEdit_G", "-inf", false, 0, "天线增益(G) 超出范围 (-50 ~ 100)！"},
    };
    for (const auto& c : cases) {
        const auto& f = field(c.widget);
        const RadarFieldCheck check = checkRadarRangeField(c.text, f.name, f.min, f.max);
        EXPECT_EQ(check.ok, c.ok) << c.widget << " '" << c.text.toStdString() << "'";
        EXPECT_EQ(check.value, c.value) << c.widget << " '" << c.text.toStdString() << "'";
        EXPECT_EQ(check.message, c.message) << check.message.toStdString();
    }
    EXPECT_EQ(radarRangeErrorTitle(), QStringLiteral("输入错误"));
}

TEST(RadarForm, DefaultTextsAllPassTheirOwnChecks)
{
    for (const auto& f : radarRangeFields())
        EXPECT_TRUE(checkRadarRangeField(f.defaultText, f.name, f.min, f.max).ok) << f.widget;
}

}  // namespace
