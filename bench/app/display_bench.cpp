// GUI-thread cost of the window's live display: one plot-timer tick per page
// (the refresh itself, then the paint events it queues) under the platform
// given by QT_QPA_PLATFORM (offscreen unless set), plus the window's start-up
// time and resident memory. Run, for example:
//   varnex_display_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "mainwindow.h"
#include "noise.h"
#include "plot_manager.h"
#include "range_doppler.h"
#include "runtime.h"
#include "spectrogram_view.h"
#include "stft.h"
#include "ui_mainwindow.h"
#include "waveform.h"
#include "zelt_constants.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTest>
#include <qcustomplot.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

MainWindow* window = nullptr;

// Milliseconds since the kernel started this process (10 ms resolution).
double msSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22 (start time in clock ticks since boot) follows the command
    // name in parentheses, which may itself hold spaces.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 22; ++i)
        rest >> field;
    unsigned long long startTicks = 0;
    rest >> startTicks;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long statusKb(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::strtol(line.c_str() + std::string(key).size(), nullptr, 10);
    return -1;
}

// The window talks a lot on standard output while it starts.
class QuietStdout {
public:
    QuietStdout()
    {
        std::fflush(stdout);
        std::cout.flush();
        saved = dup(STDOUT_FILENO);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDOUT_FILENO);
        close(devNull);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        std::cout.flush();
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }

private:
    int saved = -1;
};

// What the window holds while receiving a loopback echo: the transmitted
// reference, a 4096-sample received excerpt and the range-Doppler result of
// the whole delayed, noisy pulse train.
void loadLoopbackData(MainWindow& w)
{
    const std::vector<std::complex<float> > train = standardLfmPulseTrain();
    w.tx_ref.assign(train.begin(), train.begin() + waveform::kPulsePeriod);
    std::fill(w.tx_ref.begin() + waveform::kPulseWidth, w.tx_ref.end(), std::complex<float>(0, 0));

    std::vector<std::complex<float> > block(train.size());
    const std::size_t delay = 700;
    for (std::size_t i = delay; i < block.size(); ++i)
        block[i] = 0.5f * train[i - delay];
    addGaussianNoise(block, 0.01f);

    w.rx_signal.assign(block.begin(), block.begin() + waveform::kPulsePeriod);
    w.real_signal.resize(waveform::kPulsePeriod);
    for (int i = 0; i < waveform::kPulsePeriod; ++i)
        w.real_signal[i] = w.rx_signal[static_cast<std::size_t>(i)].real();

    RangeDopplerProcessor processor;
    w.rd_result = processor.process(block, prepareRangeDopplerReferences(train));
}

// Args: page, whether the page's data is new at every tick, window width (0
// for the size the window takes by itself; otherwise width x 9/16 of it).
// A tick is the plot manager's refresh plus the paint events it queues. Live,
// new data arrives every 200 ms, so one tick in ten is a "new data" tick and
// the others find the data already drawn.
void BM_PlotTick(benchmark::State& state)
{
    const int page = static_cast<int>(state.range(0));
    const bool newData = state.range(1) != 0;
    const QSize before = window->size();
    if (state.range(2) > 0)
        window->resize(static_cast<int>(state.range(2)), static_cast<int>(state.range(2) * 9 / 16));
    window->ui->tabWidget_main->setCurrentIndex(page);
    QCoreApplication::processEvents();
    PlotManager& plots = *window->plot_manager;
    for (auto _ : state) {
        if (!newData)
            plots.updatePlots();
        else if (page == 0)
            plots.updateTxPlot();  // what a tick does when the page's data changed
        else if (page == 1)
            plots.updateRxPlot();
        else if (page == 2)
            plots.updateRDPlot(window->rd_result);
        QCoreApplication::processEvents();
    }
    window->resize(before);
    QCoreApplication::processEvents();
}
// Pages: 0 transmit, 1 receive, 2 detection, 3 parameters (hidden views).
BENCHMARK(BM_PlotTick)
    ->ArgNames({"page", "new_data", "width"})
    ->Args({0, 1, 0})->Args({0, 0, 0})
    ->Args({1, 1, 0})->Args({1, 0, 0})
    ->Args({2, 1, 0})->Args({2, 0, 0})
    ->Args({3, 0, 0})
    ->Args({0, 1, 1920})->Args({1, 1, 1920})->Args({2, 1, 1920})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

// The pieces of a tick, to see where its time goes.
enum Part { kTxSpectrum, kTxCells, kTxWaveReplot, kTxSpecReplot, kRdCells, kRdReplot };

void BM_TickPart(benchmark::State& state)
{
    MainWindow& w = *window;
    w.ui->tabWidget_main->setCurrentIndex(static_cast<int>(state.range(0) >= kRdCells ? 2 : 0));
    QCoreApplication::processEvents();
    std::vector<std::vector<double> > spectrum;
    std::vector<double> freqs, times;
    for (auto _ : state) {
        switch (state.range(0)) {
        case kTxSpectrum:
            computeSTFT(w.tx_ref, spectrum, freqs, times, waveform::kSampleRate);
            benchmark::DoNotOptimize(spectrum.data());
            break;
        case kTxCells:
            w.plot_manager->plotSpectrogram(w.txSpec.plot, w.txSpec.cells, w.txSpec.valueAxis, w.txSpec.keyAxis,
                                            w.txSpec.colorMap, w.txSpec.colorScale, false);
            break;
        case kTxWaveReplot:
            w.txPlot->replot(QCustomPlot::rpRefreshHint);
            break;
        case kTxSpecReplot:
            // A changed map must be recoloured before it is drawn.
            w.txSpec.colorMap->data()->setCell(0, 0, w.txSpec.colorMap->data()->cell(0, 0));
            w.txSpec.plot->replot(QCustomPlot::rpRefreshHint);
            break;
        case kRdCells:
            for (int k = 0; k < 3; ++k)
                w.plot_manager->plotSpectrogram(w.rdViews[k].plot, w.rd_result.rdMap, w.rd_result.pulseAxis,
                                                w.rd_result.rangeAxis, w.rdViews[k].colorMap,
                                                w.rdViews[k].colorScale, false);
            break;
        case kRdReplot:
            for (int k = 0; k < 3; ++k) {
                w.rdViews[k].colorMap->data()->setCell(0, 0, w.rdViews[k].colorMap->data()->cell(0, 0));
                w.rdViews[k].plot->replot(QCustomPlot::rpRefreshHint);
            }
            break;
        }
    }
}
BENCHMARK(BM_TickPart)
    ->ArgName("part")
    ->DenseRange(kTxSpectrum, kRdReplot)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    const double beforeMainMs = msSinceProcessStart();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QElapsedTimer fromMain;
    fromMain.start();

    QApplication app(argc, argv);
    ::benchmark::Initialize(&argc, argv);
    {
        QuietStdout quiet;
        window = new MainWindow();
        window->show();
        (void)QTest::qWaitForWindowExposed(window);
        QCoreApplication::processEvents();
    }
    const double shownMs = fromMain.nsecsElapsed() / 1e6;
    const long long captureBytes =
        static_cast<long long>(window->capture_words.size()) * sizeof(unsigned int) +
        static_cast<long long>(window->channel_real.size()) * window->channel_real.value(0).size() * sizeof(double) +
        static_cast<long long>(window->channel_iq.size()) * window->channel_iq.value(0).size() *
            sizeof(std::complex<float>);
    std::printf("start-up: %.0f ms from process start to window shown (%.0f ms before main, %.0f ms in main)\n",
                beforeMainMs + shownMs, beforeMainMs, shownMs);
    std::printf("resident memory after start-up: %.1f MB (peak %.1f MB); capture buffers %lld bytes (%.1f MB)\n",
                statusKb("VmRSS:") / 1024.0, statusKb("VmHWM:") / 1024.0, captureBytes, captureBytes / 1048576.0);

    // Two pieces of the start-up, timed again on their own: the zero-filled
    // capture buffers and the 2048 x 2048 test pattern (computed at start-up,
    // drawn when its page is first shown).
    {
        QElapsedTimer t;
        t.start();
        QVector<unsigned int> words;
        words.fill(0u, static_cast<int>(RX_BUFFER_SIZE));
        QVector<QVector<double> > real(NUM_CHANNELS);
        QVector<QVector<std::complex<float> > > iq(NUM_CHANNELS);
        for (int c = 0; c < NUM_CHANNELS; ++c) {
            real[c].fill(0.0, CHANNEL_DATA_SIZE);
            iq[c].fill(std::complex<float>(0.0f, 0.0f), CHANNEL_DATA_SIZE);
        }
        const double allocMs = t.nsecsElapsed() / 1e6;

        QCustomPlot plot;
        plot.resize(window->rdViews[3].plot->size());
        t.restart();
        PlotManager::createLargeColorMap(&plot, 2048, 2048);
        const double patternMs = t.nsecsElapsed() / 1e6;
        t.restart();
        plot.replot(QCustomPlot::rpImmediateRefresh);
        const double patternDrawMs = t.nsecsElapsed() / 1e6;
        std::printf("of which: capture buffers %.0f ms; test pattern %.0f ms to compute, %.0f ms to draw once\n",
                    allocMs, patternMs, patternDrawMs);
    }

    // The bench feeds the window's data itself; the runtime's 200 ms blocks
    // would otherwise replace it, and pile up while benchmarks run without
    // an event loop.
    QObject::disconnect(window->runtime, nullptr, window, nullptr);
    QCoreApplication::processEvents();  // blocks queued before the disconnect
    {
        QuietStdout quiet;
        loadLoopbackData(*window);
    }
    ::benchmark::RunSpecifiedBenchmarks();
    std::printf("resident memory after the ticks: %.1f MB\n", statusKb("VmRSS:") / 1024.0);

    window->close();
    delete window;
    ::benchmark::Shutdown();
    return 0;
}
