#pragma once
// One colour-map view of the window: the plot widget, the matrix it shows and
// the colour map and scale drawn from it. The widgets belong to the window's
// widget tree; the record only points at them.

#include <QVector>

class QCPColorMap;
class QCPColorScale;
class QCustomPlot;

struct SpectrogramView {
    QCustomPlot* plot = nullptr;
    QVector<QVector<double> > cells;  // [key cell][value cell]
    QVector<double> valueAxis;        // frequency in MHz for spectra
    QVector<double> keyAxis;          // time in us for spectra
    QCPColorScale* colorScale = nullptr;
    QCPColorMap* colorMap = nullptr;
};
