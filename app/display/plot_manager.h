#pragma once
// The live views of the main window. The manager builds the plots inside the
// window's placeholder widgets once, then on each plot-timer tick refreshes
// the page of tabWidget_main that is shown; hidden pages cost nothing.
//
// All plot state lives in the window's members; the manager keeps a plain
// pointer back to the window, which owns it and must outlive it. GUI thread
// only: the received data it reads is written by the window's queued slot on
// the same thread.

#include "rd_result.h"

#include <QVector>

#include <complex>
#include <vector>

class MainWindow;
class QCPColorMap;
class QCPColorScale;
class QCustomPlot;
class QWidget;

namespace QtCharts {
class QChartView;
}

class PlotManager {
public:
    explicit PlotManager(MainWindow* window);

    // Transmit, receive, then detection page. Also allocates the capture
    // buffers (about 524 MB, zero-filled) with the transmit page.
    void initializePlots();
    void initializeTxPlot();
    void initializeRxPlot();
    void initializeRDPlot();

    // Page 0 transmit, 1 receive, 2 detection; any other page does nothing.
    // The visible page is redrawn only when its data differs from what its
    // views last drew: received data changes every 200 ms, the plot timer
    // ticks every 20 ms, and redrawing the same data draws the same picture.
    void updatePlots();
    void updateTxPlot();
    void updateRxPlot();
    void updateRDPlot(RDResult& result);

    void setupSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m, const QVector<double>& valueAxis,
                          const QVector<double>& keyAxis, QCPColorMap** mapOut, QCPColorScale** scaleOut);
    void plotSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m, const QVector<double>& valueAxis,
                         const QVector<double>& keyAxis, QCPColorMap* map, QCPColorScale* scale, bool autoScale);
    // Titles the chart "水平方位波束图".
    void setupPolarBeamChart(QtCharts::QChartView* view, const QVector<double>& gains, int step);

    // Replaces the plottables of plot by a nx x ny jet test pattern
    // sin(10x) cos(10y) exp(-(x^2 + y^2)) over [-1, 1] x [-1, 1]. A colour
    // scale already at the right of the plot stays; a new one is refused by
    // the layout but stays linked to the new map.
    static void createLargeColorMap(QCustomPlot* plot, int nx, int ny);

private:
    QCustomPlot* createPlot(QWidget* page);
    QCustomPlot* createWaveformPlot(QWidget* page);

    MainWindow* window;

    // Inputs of the last drawing of each page. The Qt containers are
    // implicitly shared with the window's, so comparing them costs a
    // pointer check until the window receives new data.
    std::vector<std::complex<float> > drawnTxRef;
    bool txDrawn = false;
    std::vector<std::complex<float> > drawnRxSignal;
    QVector<float> drawnRealSignal;
    bool rxDrawn = false;
    RDResult drawnRd;
    bool rdDrawn = false;
};
