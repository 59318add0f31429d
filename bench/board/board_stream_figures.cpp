// Prints, for the simulator at real time and at its fastest: receive blocks
// per second handed to the runtime (and the ratio to the 29.3 blocks/s of
// real time), frames accepted and rejected by the library, the simulator's
// own frame counters, and the CPU use of this process while it receives and
// transmits.
#include "XDMARxWorker.h"
#include "runtime.h"
#include "waveform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <iostream>

namespace {

constexpr double kRealTimeBlocksPerSecond = 30.72e6 / 1048576.0;
constexpr int kMeasureMs = 6000;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void measure(const char* label, const QStringList& simArgs)
{
    QTemporaryDir dir;
    QProcess sim;
    sim.start(QStringLiteral(XDMA_SIM_PATH), QStringList{QStringLiteral("--dir"), dir.path()} + simArgs);
    sim.waitForStarted();
    QByteArray simOut;
    while (!simOut.contains("ready") && sim.waitForReadyRead(5000))
        simOut += sim.readAllStandardOutput();
    qputenv("ZELT_XDMA_DIR", dir.path().toLocal8Bit());

    std::cout.setstate(std::ios::failbit);  // keep the runtime's progress lines out of the figures
    auto* runtime = new Runtime();
    runtime->detectDevices();
    runtime->startSend(standardLfmPulseTrain());
    runtime->startReceive();

    // Let the pipeline fill before measuring.
    QElapsedTimer warmup;
    warmup.start();
    while (warmup.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    XDMARxWorker* rx = runtime->boardReceiver();
    const XDMARxWorker::Stats before = rx ? rx->stats() : XDMARxWorker::Stats{};
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kMeasureMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    const double wall = clock.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuBefore;
    const XDMARxWorker::Stats after = rx ? rx->stats() : XDMARxWorker::Stats{};

    runtime->shutdown();
    delete runtime;
    std::cout.clear();
    sim.terminate();
    sim.waitForFinished(5000);
    simOut += sim.readAllStandardOutput();
    const QList<QByteArray> lines = simOut.trimmed().split('\n');

    const double blocksPerSecond = (after.blocksDelivered - before.blocksDelivered) / wall;
    std::printf("%-24s blocks/s %6.1f (%.2f x real time)  frames ok %llu bad %llu  CPU %.0f %% of one core\n", label,
                blocksPerSecond, blocksPerSecond / kRealTimeBlocksPerSecond,
                static_cast<unsigned long long>(after.framesOk), static_cast<unsigned long long>(after.framesBad),
                100.0 * cpu / wall);
    std::printf("                         simulator: %s\n", lines.isEmpty() ? "" : lines.last().constData());
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    registerSampleTypes();
    const QStringList scene = {QStringLiteral("--target"), QStringLiteral("37,937.5,0.5")};
    measure("real time", QStringList{QStringLiteral("--rate"), QStringLiteral("7500")} + scene);
    measure("fastest", QStringList{QStringLiteral("--rate"), QStringLiteral("0")} + scene);
    // Plain loopback costs the simulator a copy per frame, so this shows what the host side can take.
    measure("fastest, plain loopback",
            {QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--noise"), QStringLiteral("0")});
    return 0;
}
