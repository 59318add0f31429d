#include "plot_manager.h"

#include "images.h"
#include "mainwindow.h"
#include "polarPlots.h"
#include "spectrogram_view.h"
#include "stft.h"
#include "ui_mainwindow.h"
#include "waveform.h"
#include "zelt_constants.h"

#include <QTabWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kSampleRate = waveform::kSampleRate;
constexpr int kWaveformPoints = NUM_DATA_POINTS;
constexpr int kTestPatternSize = 2048;
constexpr double kRdDisplaySpanDb = 120.0;
constexpr int kBeamStepDegrees = 10;

enum Page { kTxPage = 0, kRxPage = 1, kDetectPage = 2 };

// Rows are overwritten in place when the shape is unchanged, so the steady
// refresh does not reallocate the 253 rows of a spectrum on every tick.
void loadSpectrum(SpectrogramView& view, const std::vector<std::complex<float> >& samples)
{
    std::vector<std::vector<double> > spectrum;
    std::vector<double> freqs;
    std::vector<double> times;
    computeSTFT(samples, spectrum, freqs, times, kSampleRate);

    view.cells.resize(static_cast<int>(spectrum.size()));
    for (std::size_t i = 0; i < spectrum.size(); ++i) {
        QVector<double>& row = view.cells[static_cast<int>(i)];
        row.resize(static_cast<int>(spectrum[i].size()));
        std::copy(spectrum[i].begin(), spectrum[i].end(), row.begin());
    }
    view.valueAxis = QVector<double>(freqs.begin(), freqs.end());
    view.keyAxis = QVector<double>(times.begin(), times.end());
}

QVector<double> cardioid()
{
    QVector<double> gains;
    for (int angle = 0; angle <= 360; angle += kBeamStepDegrees)
        gains.append(1.0 + std::cos(angle * M_PI / 180.0));
    return gains;
}
}  // namespace

PlotManager::PlotManager(MainWindow* window) : window(window) {}

void PlotManager::initializePlots()
{
    initializeTxPlot();
    initializeRxPlot();
    initializeRDPlot();
}

QCustomPlot* PlotManager::createPlot(QWidget* page)
{
    auto* plot = new QCustomPlot(window);
    auto* layout = new QVBoxLayout();
    layout->addWidget(plot);
    page->setLayout(layout);
    return plot;
}

QCustomPlot* PlotManager::createWaveformPlot(QWidget* page)
{
    QCustomPlot* plot = createPlot(page);
    plot->addGraph();
    plot->xAxis->setLabel("Time");
    plot->yAxis->setLabel("Amplitude");
    plot->xAxis->setRange(0, kWaveformPoints);
    plot->yAxis->setRange(-1, 1);
    return plot;
}

void PlotManager::initializeTxPlot()
{
    MainWindow& w = *window;
    w.txPlot = createWaveformPlot(w.ui->plotwidget_tx);
    w.txSpec.plot = createPlot(w.ui->specwidget_tx);

    // Sized by construction, which zeroes each buffer in one pass; fill()
    // would zero them and then write the zeros again.
    w.capture_words = QVector<unsigned int>(static_cast<int>(RX_BUFFER_SIZE));
    w.channel_real = QVector<QVector<double>>(NUM_CHANNELS);
    w.channel_iq = QVector<QVector<std::complex<float>>>(NUM_CHANNELS);
    for (int c = 0; c < NUM_CHANNELS; ++c) {
        w.channel_real[c] = QVector<double>(CHANNEL_DATA_SIZE);
        w.channel_iq[c] = QVector<std::complex<float>>(CHANNEL_DATA_SIZE);
    }

    loadSpectrum(w.txSpec, w.tx_buff);
    setupSpectrogram(w.txSpec.plot, w.txSpec.cells, w.txSpec.valueAxis, w.txSpec.keyAxis, &w.txSpec.colorMap,
                     &w.txSpec.colorScale);
    setupPolarBeamChart(w.ui->chartView, cardioid(), kBeamStepDegrees);
}

void PlotManager::initializeRxPlot()
{
    MainWindow& w = *window;
    w.rxPlot = createWaveformPlot(w.ui->plotwidget_rx);
    w.rxSpec.plot = createPlot(w.ui->specwidget_rx);
    w.rxTimeAxis.resize(kWaveformPoints);
    for (int i = 0; i < kWaveformPoints; ++i)
        w.rxTimeAxis[i] = i + 1;

    loadSpectrum(w.rxSpec, w.rx_signal);
    setupSpectrogram(w.rxSpec.plot, w.rxSpec.cells, w.rxSpec.valueAxis, w.rxSpec.keyAxis, &w.rxSpec.colorMap,
                     &w.rxSpec.colorScale);
    setupPolarBeamChart(w.ui->rxchartView, cardioid(), kBeamStepDegrees);
}

void PlotManager::initializeRDPlot()
{
    MainWindow& w = *window;
    QWidget* const pages[] = {w.ui->specwidget_rd, w.ui->specwidget_step1, w.ui->specwidget_step2,
                              w.ui->specwidget_step3};
    for (int k = 0; k < 4; ++k) {
        SpectrogramView& view = w.rdViews[k];
        view.plot = createPlot(pages[k]);
        loadSpectrum(view, w.rx_signal);
        setupSpectrogram(view.plot, view.cells, view.valueAxis, view.keyAxis, &view.colorMap, &view.colorScale);
    }
    createLargeColorMap(w.rdViews[3].plot, kTestPatternSize, kTestPatternSize);
    // The pattern replaced the view's own map, which the plot has deleted.
    w.rdViews[3].colorMap = nullptr;
}

void PlotManager::updatePlots()
{
    const MainWindow& w = *window;
    switch (w.ui->tabWidget_main->currentIndex()) {
    case kTxPage:
        if (!txDrawn || drawnTxRef != w.tx_ref)
            updateTxPlot();
        break;
    case kRxPage:
        if (!rxDrawn || drawnRealSignal != w.real_signal || drawnRxSignal != w.rx_signal)
            updateRxPlot();
        break;
    case kDetectPage:
        if (!rdDrawn || drawnRd.rdMap != w.rd_result.rdMap || drawnRd.rawEcho != w.rd_result.rawEcho ||
            drawnRd.compressedEcho != w.rd_result.compressedEcho || drawnRd.pulseAxis != w.rd_result.pulseAxis ||
            drawnRd.rangeAxis != w.rd_result.rangeAxis)
            updateRDPlot(window->rd_result);
        break;
    default:
        break;
    }
}

void PlotManager::updateTxPlot()
{
    static QVector<double> timeData;
    static QVector<double> signalData;
    if (signalData.size() != kWaveformPoints) {
        timeData.resize(kWaveformPoints);
        signalData.resize(kWaveformPoints);
        for (int i = 0; i < kWaveformPoints; ++i)
            timeData[i] = i;
    }
    MainWindow& w = *window;
    // A reference shorter than the view is drawn silent past its end.
    const int n = static_cast<int>(std::min<std::size_t>(w.tx_ref.size(), kWaveformPoints));
    for (int j = 0; j < n; ++j)
        signalData[j] = w.tx_ref[static_cast<std::size_t>(j)].real();
    std::fill(signalData.begin() + n, signalData.end(), 0.0);

    QCPGraph* graph = w.txPlot->graph(0);
    graph->setData(timeData, signalData);
    graph->rescaleValueAxis(false, true);
    replotWhenVisible(w.txPlot);

    loadSpectrum(w.txSpec, w.tx_ref);
    plotSpectrogram(w.txSpec.plot, w.txSpec.cells, w.txSpec.valueAxis, w.txSpec.keyAxis, w.txSpec.colorMap,
                    w.txSpec.colorScale, true);
    drawnTxRef = w.tx_ref;
    txDrawn = true;
}

void PlotManager::updateRxPlot()
{
    MainWindow& w = *window;
    QVector<double> values(w.real_signal.size());
    std::copy(w.real_signal.begin(), w.real_signal.end(), values.begin());

    QCPGraph* graph = w.rxPlot->graph(0);
    graph->setData(w.rxTimeAxis, values);
    graph->rescaleValueAxis(false, false);
    replotWhenVisible(w.rxPlot);

    loadSpectrum(w.rxSpec, w.rx_signal);
    plotSpectrogram(w.rxSpec.plot, w.rxSpec.cells, w.rxSpec.valueAxis, w.rxSpec.keyAxis, w.rxSpec.colorMap,
                    w.rxSpec.colorScale, true);
    drawnRxSignal = w.rx_signal;
    drawnRealSignal = w.real_signal;
    rxDrawn = true;
}

void PlotManager::updateRDPlot(RDResult& result)
{
    SpectrogramView* views = window->rdViews;
    plotSpectrogram(views[1].plot, result.rawEcho, result.pulseAxis, result.rangeAxis, views[1].colorMap,
                    views[1].colorScale, true);
    plotSpectrogram(views[2].plot, result.compressedEcho, result.pulseAxis, result.rangeAxis, views[2].colorMap,
                    views[2].colorScale, true);

    SpectrogramView& rd = views[0];
    plotSpectrogram(rd.plot, result.rdMap, result.pulseAxis, result.rangeAxis, rd.colorMap, rd.colorScale, false);
    rd.colorMap->rescaleDataRange(false);
    // A fixed 120 dB window below the strongest cell seen keeps the noise
    // floor from washing out the targets.
    const double upper = rd.colorMap->dataRange().upper;
    rd.colorScale->setDataRange(QCPRange(upper - kRdDisplaySpanDb, upper));
    rd.plot->rescaleAxes(false);
    replotWhenVisible(rd.plot);
    drawnRd = result;
    rdDrawn = true;
}

void PlotManager::setupSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m,
                                   const QVector<double>& valueAxis, const QVector<double>& keyAxis,
                                   QCPColorMap** mapOut, QCPColorScale** scaleOut)
{
    ::setupSpectrogram(plot, m, valueAxis, keyAxis, mapOut, scaleOut);
}

void PlotManager::plotSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m,
                                  const QVector<double>& valueAxis, const QVector<double>& keyAxis, QCPColorMap* map,
                                  QCPColorScale* scale, bool autoScale)
{
    ::plotSpectrogram(plot, m, valueAxis, keyAxis, map, scale, autoScale);
}

void PlotManager::setupPolarBeamChart(QtCharts::QChartView* view, const QVector<double>& gains, int step)
{
    ::setupPolarBeamChart(view, gains, step, QStringLiteral("水平方位波束图"));
}
