#include "mainwindow.h"
#include "plot_manager.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QLayout>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPolarChart>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace {

constexpr double kFs = 30.72e6;
constexpr int kPoints = 4096;

std::vector<std::complex<float> > tone(double hz, int n, double amplitude = 1.0)
{
    std::vector<std::complex<float> > x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] = std::polar(static_cast<float>(amplitude),
                                                    static_cast<float>(2.0 * M_PI * hz * i / kFs));
    return x;
}

// Frequency (MHz) of the strongest value cell in one key column of a map.
double peakFrequency(QCPColorMap* map, int keyCell)
{
    QCPColorMapData* data = map->data();
    int best = 0;
    for (int j = 1; j < data->valueSize(); ++j)
        if (data->cell(keyCell, j) > data->cell(keyCell, best))
            best = j;
    double key = 0, value = 0;
    data->cellToCoord(keyCell, best, &key, &value);
    return value;
}

// One window for the whole suite: it allocates over half a gigabyte of
// capture buffers. Tests drive the plot manager directly and never spin the
// event loop, so the window's own plot timer stays out of the way.
class PlotManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scratch = new QTemporaryDir();
        previousDir = QDir::currentPath();
        QDir::setCurrent(scratch->path());
        testing::internal::CaptureStdout();
        window = new MainWindow();
        testing::internal::GetCapturedStdout();
    }

    static void TearDownTestSuite()
    {
        window->close();
        delete window;
        window = nullptr;
        QDir::setCurrent(previousDir);
        delete scratch;
    }

    void showPage(int index) { window->ui->tabWidget_main->setCurrentIndex(index); }

    static MainWindow* window;
    static QTemporaryDir* scratch;
    static QString previousDir;
};

MainWindow* PlotManagerTest::window = nullptr;
QTemporaryDir* PlotManagerTest::scratch = nullptr;
QString PlotManagerTest::previousDir;

TEST_F(PlotManagerTest, StartUpBuildsEveryViewInItsPlaceholder)
{
    Ui_MainWindow& ui = *window->ui;
    struct Placement {
        QCustomPlot* plot;
        QWidget* page;
    };
    const Placement placements[] = {
        {window->txPlot, ui.plotwidget_tx},         {window->txSpec.plot, ui.specwidget_tx},
        {window->rxPlot, ui.plotwidget_rx},         {window->rxSpec.plot, ui.specwidget_rx},
        {window->rdViews[0].plot, ui.specwidget_rd}, {window->rdViews[1].plot, ui.specwidget_step1},
        {window->rdViews[2].plot, ui.specwidget_step2}, {window->rdViews[3].plot, ui.specwidget_step3},
    };
    for (const Placement& p : placements) {
        ASSERT_NE(p.plot, nullptr) << p.page->objectName().toStdString();
        ASSERT_NE(p.page->layout(), nullptr);
        EXPECT_GE(p.page->layout()->indexOf(p.plot), 0) << p.page->objectName().toStdString();
        EXPECT_EQ(p.plot->interactions(), QCP::Interactions()) << "views are display-only";
    }
    for (QCustomPlot* plot : {window->txPlot, window->rxPlot}) {
        EXPECT_EQ(plot->graphCount(), 1);
        EXPECT_EQ(plot->xAxis->label(), "Time");
        EXPECT_EQ(plot->yAxis->label(), "Amplitude");
    }
    for (const SpectrogramView* view : {&window->txSpec, &window->rxSpec, &window->rdViews[0],
                                        &window->rdViews[1], &window->rdViews[2]}) {
        ASSERT_NE(view->colorMap, nullptr);
        ASSERT_NE(view->colorScale, nullptr);
        EXPECT_EQ(view->colorMap->colorScale(), view->colorScale);
    }
    // The test pattern replaced the step3 view's own map.
    ASSERT_EQ(window->rdViews[3].plot->plottableCount(), 1);
    auto* pattern = qobject_cast<QCPColorMap*>(window->rdViews[3].plot->plottable(0));
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(pattern->data()->keySize(), 2048);
    EXPECT_EQ(pattern->data()->valueSize(), 2048);

    ASSERT_EQ(window->rxTimeAxis.size(), kPoints);
    EXPECT_EQ(window->rxTimeAxis.first(), 1.0);
    EXPECT_EQ(window->rxTimeAxis.last(), 4096.0);

    for (QtCharts::QChartView* view : {ui.chartView, ui.rxchartView}) {
        auto* chart = qobject_cast<QtCharts::QPolarChart*>(view->chart());
        ASSERT_NE(chart, nullptr);
        EXPECT_EQ(chart->title(), QStringLiteral("水平方位波束图"));
        auto* series = qobject_cast<QtCharts::QLineSeries*>(chart->series().value(0));
        ASSERT_NE(series, nullptr);
        ASSERT_EQ(series->count(), 37);
        EXPECT_DOUBLE_EQ(series->at(0).y(), 2.0);
        EXPECT_NEAR(series->at(18).y(), 0.0, 1e-12);  // 180 degrees
    }
}

TEST_F(PlotManagerTest, AllocatesTheCaptureBuffers)
{
    EXPECT_EQ(window->capture_words.size(), 72000000);
    ASSERT_EQ(window->channel_real.size(), 8);
    ASSERT_EQ(window->channel_iq.size(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(window->channel_real[c].size(), 1843200);
        EXPECT_EQ(window->channel_iq[c].size(), 1843200);
    }
    EXPECT_EQ(window->capture_words.last(), 0u);
    EXPECT_EQ(window->channel_real[7].last(), 0.0);
}

TEST_F(PlotManagerTest, TransmitPageIsFlatBeforeAnyTransmission)
{
    window->tx_ref.assign(kPoints, {0.0f, 0.0f});
    showPage(0);
    window->plot_manager->updatePlots();
    QCPGraph* graph = window->txPlot->graph(0);
    ASSERT_EQ(graph->dataCount(), kPoints);
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        ASSERT_EQ(it->value, 0.0);
    EXPECT_EQ(window->txPlot->xAxis->range(), QCPRange(0, 4096));
}

TEST_F(PlotManagerTest, TransmitPageShowsTheReferenceAndItsSpectrum)
{
    // A +5 MHz burst over the first 256 samples, then silence, as after a
    // transmission start.
    std::vector<std::complex<float> > ref = tone(5e6, 256, 0.8);
    ref.resize(kPoints, {0.0f, 0.0f});
    window->tx_ref = ref;
    showPage(0);
    window->plot_manager->updatePlots();

    QCPGraph* graph = window->txPlot->graph(0);
    ASSERT_EQ(graph->dataCount(), kPoints);
    for (int j = 0; j < kPoints; ++j) {
        ASSERT_EQ(graph->data()->at(j)->key, j);
        ASSERT_FLOAT_EQ(graph->data()->at(j)->value, ref[static_cast<std::size_t>(j)].real()) << j;
    }
    // The value axis follows the burst's amplitude.
    EXPECT_NEAR(window->txPlot->yAxis->range().upper, 0.8, 0.01);
    EXPECT_NEAR(window->txPlot->yAxis->range().lower, -0.8, 0.01);

    QCPColorMap* spectrum = window->txSpec.colorMap;
    ASSERT_EQ(spectrum->data()->keySize(), 253);
    ASSERT_EQ(spectrum->data()->valueSize(), 64);
    EXPECT_NEAR(peakFrequency(spectrum, 4), 5.0, 0.48);  // a frame inside the burst
    // The time axis runs to the last sample, in microseconds.
    EXPECT_NEAR(spectrum->data()->keyRange().upper, 4095 / 30.72, 1e-9);
}

TEST_F(PlotManagerTest, ReceivePageShowsTheNewestExcerptAndItsSpectrum)
{
    window->rx_signal = tone(-7e6, kPoints, 0.5);
    window->real_signal.resize(kPoints);
    for (int i = 0; i < kPoints; ++i)
        window->real_signal[i] = window->rx_signal[static_cast<std::size_t>(i)].real();
    showPage(1);
    window->plot_manager->updatePlots();

    QCPGraph* graph = window->rxPlot->graph(0);
    ASSERT_EQ(graph->dataCount(), kPoints);
    EXPECT_EQ(graph->data()->at(0)->key, 1.0);
    EXPECT_EQ(graph->data()->at(kPoints - 1)->key, 4096.0);
    EXPECT_FLOAT_EQ(graph->data()->at(100)->value, window->real_signal[100]);
    EXPECT_NEAR(peakFrequency(window->rxSpec.colorMap, 120), -7.0, 0.48);
}

TEST_F(PlotManagerTest, DetectionPageScalesTheMapToTheTop120Decibels)
{
    RDResult result(128, 256);
    for (int r = 0; r < 128; ++r)
        for (int d = 0; d < 256; ++d) {
            result.rdMap[r][d] = -60.0 + 0.25 * ((r * 7 + d * 3) % 97);
            result.rawEcho[r][d] = 0.01 * r;
            result.compressedEcho[r][d] = 0.5 * d;
        }
    result.rdMap[40][200] = 17.5;  // one strong target
    for (int d = 0; d < 256; ++d)
        result.pulseAxis[d] = d;
    for (int r = 0; r < 128; ++r)
        result.rangeAxis[r] = r;
    window->rd_result = result;
    // Start from freshly sized maps, whatever earlier ticks recorded.
    for (int k = 0; k < 3; ++k)
        window->rdViews[k].colorMap->data()->setSize(1, 1);
    showPage(2);
    window->plot_manager->updatePlots();

    const SpectrogramView& rd = window->rdViews[0];
    const QCPRange range = rd.colorScale->dataRange();
    EXPECT_DOUBLE_EQ(range.upper, 17.5);
    EXPECT_DOUBLE_EQ(range.size(), 120.0);
    EXPECT_EQ(rd.colorMap->dataRange(), range);
    EXPECT_EQ(rd.colorMap->data()->cell(40, 200), 17.5);
    // Range bins across, Doppler bins up.
    EXPECT_EQ(rd.plot->xAxis->range(), QCPRange(0, 127));
    EXPECT_EQ(rd.plot->yAxis->range(), QCPRange(0, 255));

    // The echo views scale to their own data (the map was resized, so its
    // bounds restarted from 0).
    EXPECT_DOUBLE_EQ(window->rdViews[1].colorScale->dataRange().upper, 1.27);
    EXPECT_DOUBLE_EQ(window->rdViews[2].colorScale->dataRange().upper, 127.5);
    EXPECT_DOUBLE_EQ(window->rdViews[1].colorMap->data()->cell(100, 0), 1.0);

    // A weaker map at the same size keeps the top seen so far.
    window->rd_result.rdMap[40][200] = -10.0;
    window->plot_manager->updatePlots();
    EXPECT_DOUBLE_EQ(rd.colorScale->dataRange().upper, 17.5);
    EXPECT_DOUBLE_EQ(rd.colorScale->dataRange().size(), 120.0);
}

struct Refreshed {
    bool tx, rx, rd;
};

TEST_F(PlotManagerTest, TickRefreshesOnlyTheVisiblePage)
{
    // Marks every live view stale, gives every page new data, runs one tick
    // on the given page and reports which views were refreshed.
    int round = 0;
    auto tick = [&](int page) {
        ++round;
        window->tx_ref = tone(1e6 * round, kPoints);
        window->rx_signal = tone(-1e6 * round, kPoints);
        window->real_signal.fill(0.01f * round, kPoints);
        window->rd_result = RDResult(128, 256);
        window->rd_result.rdMap[0][0] = round;

        window->txPlot->graph(0)->data()->clear();
        window->rxPlot->graph(0)->data()->clear();
        window->txSpec.colorMap->data()->setSize(1, 1);
        window->rxSpec.colorMap->data()->setSize(1, 1);
        for (int k = 0; k < 3; ++k)
            window->rdViews[k].colorMap->data()->setSize(1, 1);
        showPage(page);
        window->plot_manager->updatePlots();
        const bool rdRefreshed = window->rdViews[0].colorMap->data()->keySize() == 128;
        EXPECT_EQ(window->rdViews[1].colorMap->data()->keySize() == 128, rdRefreshed) << page;
        EXPECT_EQ(window->rdViews[2].colorMap->data()->keySize() == 128, rdRefreshed) << page;
        EXPECT_EQ(window->txPlot->graph(0)->dataCount() > 0, window->txSpec.colorMap->data()->keySize() > 1)
            << page;
        EXPECT_EQ(window->rxPlot->graph(0)->dataCount() > 0, window->rxSpec.colorMap->data()->keySize() > 1)
            << page;
        return Refreshed{window->txPlot->graph(0)->dataCount() > 0, window->rxPlot->graph(0)->dataCount() > 0,
                         rdRefreshed};
    };

    struct Case {
        int page;
        Refreshed expected;
    };
    QVector<Case> cases = {{0, {true, false, false}}, {1, {false, true, false}}, {2, {false, false, true}}};
    // The parameter page and every page after it cost nothing.
    ASSERT_GT(window->ui->tabWidget_main->count(), 3);
    for (int page = 3; page < window->ui->tabWidget_main->count(); ++page)
        cases.append(Case{page, {false, false, false}});
    for (const Case& c : cases) {
        const Refreshed r = tick(c.page);
        EXPECT_EQ(r.tx, c.expected.tx) << "page " << c.page;
        EXPECT_EQ(r.rx, c.expected.rx) << "page " << c.page;
        EXPECT_EQ(r.rd, c.expected.rd) << "page " << c.page;
    }
}

// Ticks between two received blocks leave the picture alone; any change of
// the page's data, in place or by replacement, is drawn at the next tick.
TEST_F(PlotManagerTest, TickRedrawsExactlyWhenThePageDataChanged)
{
    struct Case {
        const char* name;
        int page;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"reference sample written", 0, [] { window->tx_ref[4000] = {0.25f, 0.0f}; }},
        {"reference replaced", 0, [] { window->tx_ref = tone(2e6, kPoints); }},
        {"real parts written in place", 1, [] { window->real_signal[17] += 0.5f; }},
        {"real parts replaced", 1, [] { window->real_signal = QVector<float>(kPoints, 0.125f); }},
        {"excerpt sample written", 1, [] { window->rx_signal[5] = {0.0f, 0.75f}; }},
        {"map cell written in place", 2, [] { window->rd_result.rdMap[3][4] -= 1.0; }},
        {"raw echo cell written in place", 2, [] { window->rd_result.rawEcho[100][7] += 1.0; }},
        {"compressed echo cell written in place", 2, [] { window->rd_result.compressedEcho[9][9] += 1.0; }},
        {"result replaced", 2, [] { window->rd_result = RDResult(128, 256); }},
    };
    window->tx_ref = tone(1e6, kPoints);
    window->rx_signal = tone(-2e6, kPoints);
    window->real_signal = QVector<float>(kPoints, 0.5f);
    window->rd_result = RDResult(128, 256);
    window->rd_result.rdMap[3][4] = 50.0;

    // The views of each page, as a probe of whether a tick drew them: the
    // probe is cleared before the tick and refilled only by a redraw.
    auto clearProbe = [](int page) {
        if (page == 0)
            window->txPlot->graph(0)->data()->clear();
        else if (page == 1)
            window->rxPlot->graph(0)->data()->clear();
        else
            window->rdViews[1].colorMap->data()->setSize(1, 1);
    };
    auto redrawn = [](int page) {
        if (page == 0)
            return window->txPlot->graph(0)->dataCount() > 0;
        if (page == 1)
            return window->rxPlot->graph(0)->dataCount() > 0;
        return window->rdViews[1].colorMap->data()->keySize() == 128;
    };
    for (const Case& c : cases) {
        showPage(c.page);
        window->plot_manager->updatePlots();  // draw whatever is pending
        clearProbe(c.page);
        window->plot_manager->updatePlots();
        EXPECT_FALSE(redrawn(c.page)) << c.name << ": unchanged data redrawn";
        c.change();
        window->plot_manager->updatePlots();
        EXPECT_TRUE(redrawn(c.page)) << c.name << ": new data not drawn";
    }
}

TEST_F(PlotManagerTest, WindowForwardersReachThePlotManager)
{
    window->tx_ref = tone(3e6, kPoints);
    window->txPlot->graph(0)->data()->clear();
    showPage(4);  // forwarders refresh regardless of the page shown
    window->updateTxPlot();
    EXPECT_EQ(window->txPlot->graph(0)->dataCount(), kPoints);

    window->rxPlot->graph(0)->data()->clear();
    window->real_signal.fill(0.5f, kPoints);
    window->updateRxPlot();
    EXPECT_EQ(window->rxPlot->graph(0)->dataCount(), kPoints);

    window->rdViews[0].colorMap->data()->setSize(1, 1);
    RDResult result(128, 256);
    result.rdMap[1][2] = 33.0;
    window->updataRDPlot(result);
    EXPECT_DOUBLE_EQ(window->rdViews[0].colorScale->dataRange().upper, 33.0);

    window->txPlot->graph(0)->data()->clear();
    window->tx_ref = tone(4e6, kPoints);
    showPage(0);
    window->updatePlot();
    EXPECT_EQ(window->txPlot->graph(0)->dataCount(), kPoints);
}

}  // namespace
