#pragma once
// Maximum detection range from the radar equation, and the checks of the
// calculator form's twelve fields. The form only shows what these return.

#include <QString>

#include <array>

// Parameters in form order: transmit power Pt (W), antenna gain G (dB),
// frequency f (GHz), radar cross section RCS (m^2), filter bandwidth Bf (MHz),
// signal bandwidth Bs (MHz), integrated pulses Nint, pulse width pw (us),
// noise figure F (dB), detection SNR (dB), system loss Ls (dB), atmospheric
// loss La (dB, counted out and back). Returns the range in km; Pt = 0 gives 0.
double calculateRadarRange(double Pt, double G, double f, double RCS, double Bf, double Bs,
                           double Nint, double pw, double F, double SNR, double Ls, double La);

struct RadarRangeField {
    const char* widget;   // object name of the line edit
    QString label;        // form label
    QString defaultText;
    QString name;         // name used in messages
    double min;           // inclusive bounds
    double max;
};

// The twelve fields in validation order (the order of calculateRadarRange).
const std::array<RadarRangeField, 12>& radarRangeFields();

struct RadarFieldCheck {
    bool ok = false;
    double value = 0.0;  // 0 when not ok
    QString message;     // text of the warning box when not ok
};

// Trims the text, converts it locale-independently and checks the bounds.
// NaN counts as not a number.
RadarFieldCheck checkRadarRangeField(const QString& text, const QString& name, double min,
                                     double max);

// Title of the warning box: "输入错误".
QString radarRangeErrorTitle();

// "最大探测距离: <km with 2 decimals> km".
QString formatRadarRangeResult(double km);
