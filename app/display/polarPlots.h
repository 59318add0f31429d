#pragma once
// Horizontal azimuth beam pattern as a polar line chart (Qt Charts).
// GUI thread only.

#include <QString>
#include <QVector>

namespace QtCharts {
class QChartView;
}

// Gains[i] is the gain at azimuth i * step degrees; points beyond 360 degrees
// are dropped. The angular axis gets 360 / step + 1 ticks, the radial axis 5;
// both take their ranges from the series. The view takes the new chart and
// deletes the one it showed before. A step below 1 degree draws nothing.
void setupPolarBeamChart(QtCharts::QChartView* view, const QVector<double>& gains, int step, const QString& title);
