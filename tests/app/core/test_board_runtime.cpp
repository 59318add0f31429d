// The runtime driving a simulated board end to end: enumeration, the
// hardware workers streaming through the driver library, range-Doppler
// processing of the simulator's scene, channel selection and shutdown.
#include "XDMARxWorker.h"
#include "message_log.h"
#include "runtime.h"
#include "sim_process.h"
#include "waveform.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

using Samples = std::vector<std::complex<float>>;

constexpr int kTargetDelay = 37;
constexpr double kTargetDopplerHz = 937.5;  // Doppler row 128 + 937.5 * 256 / 7500 = 160
constexpr int kTargetDopplerRow = 160;
constexpr double kChannelDcStep = 1000.0;   // channel c carries a DC offset of c * step on I

struct Peak {
    int range = -1, doppler = -1;
    double db = -INFINITY;
};

Peak strongestCell(const RDResult& result)
{
    Peak peak;
    for (int r = 0; r < result.rdMap.size(); ++r)
        for (int d = 0; d < result.rdMap[r].size(); ++d)
            if (result.rdMap[r][d] > peak.db)
                peak = {r, d, result.rdMap[r][d]};
    return peak;
}

double meanReal(const Samples& block)
{
    double sum = 0;
    for (const auto& s : block)
        sum += s.real();
    return sum / static_cast<double>(block.size());
}

class SimulatedBoard : public ::testing::Test {
protected:
    void startSimulator(std::vector<std::string> extra)
    {
        ASSERT_TRUE(dir.isValid());
        extra.insert(extra.end(), {"--channel-dc", std::to_string(kChannelDcStep)});
        sim = std::make_unique<kt::SimProcess>(dir.path().toStdString(), extra);
        ASSERT_TRUE(sim->ready());
        qputenv("ZELT_XDMA_DIR", dir.path().toLocal8Bit());
    }

    void startRuntime()
    {
        registerSampleTypes();
        runtime = std::make_unique<Runtime>();
        deviceSpy = std::make_unique<QSignalSpy>(runtime.get(), &Runtime::ui_deviceDetected);
        dataSpy = std::make_unique<QSignalSpy>(runtime.get(), &Runtime::ui_getRxData);
        runtime->detectDevices();
    }

    void TearDown() override
    {
        if (runtime)
            runtime->shutdown();
        dataSpy.reset();
        deviceSpy.reset();
        runtime.reset();
        qunsetenv("ZELT_XDMA_DIR");
        sim.reset();
    }

    // The next update whose block carries the transmitted train, or an empty list.
    QList<QVariant> nextUpdateWithSignal(int timeoutMs = 15000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            dataSpy->clear();
            if (!dataSpy->wait(2000))
                continue;
            const QList<QVariant> update = dataSpy->takeFirst();
            const Samples excerpt = update.at(1).value<Samples>();
            double power = 0;
            for (const auto& s : excerpt)
                power += std::norm(s);
            if (power / excerpt.size() > 1e6)  // a chirp at full scale, not just noise
                return update;
        }
        return {};
    }

    QTemporaryDir dir;
    std::unique_ptr<kt::SimProcess> sim;
    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<QSignalSpy> deviceSpy, dataSpy;
};

TEST_F(SimulatedBoard, MovingTargetAppearsAtItsRangeAndDopplerCell)
{
    // In step with the host's reads: a loaded machine loses no frames, so the
    // pulse-to-pulse phase of the echo stays intact.
    // The direct path at half scale keeps the echo below the ADC's clip.
    startSimulator({"--rate", "0", "--loopback-gain", "0.5", "--target",
                    std::to_string(kTargetDelay) + "," + std::to_string(kTargetDopplerHz) + ",0.25"});
    startRuntime();
    QCoreApplication::processEvents();
    ASSERT_EQ(deviceSpy->count(), 2);
    EXPECT_EQ(deviceSpy->at(0).at(0).toString(), QStringLiteral("0_Device"));
    EXPECT_EQ(deviceSpy->at(1).at(0).toString(), QStringLiteral("1_自回环模式"));
    EXPECT_EQ(runtime->currentDevice(), QStringLiteral("0_Device"));

    runtime->startSend(standardLfmPulseTrain());
    runtime->startReceive();
    // Blocks straddling the start of transmission hold a partial train; take a later one.
    ASSERT_FALSE(nextUpdateWithSignal().isEmpty()) << "no block with the transmitted train arrived";
    const QList<QVariant> update = nextUpdateWithSignal();
    ASSERT_FALSE(update.isEmpty());
    const Peak peak = strongestCell(update.at(3).value<RDResult>());
    EXPECT_EQ(peak.range, kTargetDelay);
    EXPECT_EQ(peak.doppler, kTargetDopplerRow);
}

TEST_F(SimulatedBoard, ChannelSelectionTakesEffectAtTheNextBlock)
{
    // In step with the host's reads, so no block is lost on a loaded machine.
    startSimulator({"--rate", "0"});
    startRuntime();
    runtime->startReceive();
    // Without transmission the board still delivers noise around each channel's offset.
    ASSERT_TRUE(dataSpy->wait(15000));
    // Mean of the block the runtime shows once `blocks` more have come from the board.
    auto meanAfterNewBlocks = [&](int blocks) -> double {
        XDMARxWorker* rx = runtime->boardReceiver();
        const std::uint64_t target = rx->stats().blocksDelivered + static_cast<std::uint64_t>(blocks);
        QElapsedTimer clock;
        clock.start();
        while (rx->stats().blocksDelivered < target && clock.elapsed() < 30000)
            QTest::qWait(20);
        EXPECT_GE(rx->stats().blocksDelivered, target) << "the board stopped delivering blocks";
        dataSpy->clear();
        if (!dataSpy->wait(5000))
            return std::nan("");
        return meanReal(dataSpy->takeFirst().at(0).value<Samples>());
    };
    EXPECT_NEAR(meanAfterNewBlocks(1), 0.0, kChannelDcStep / 4);
    runtime->setRxChannel(3);
    EXPECT_EQ(runtime->boardRxChannel(), 3);
    EXPECT_NEAR(meanAfterNewBlocks(2), 3 * kChannelDcStep, kChannelDcStep / 4);
    for (int ignored : {8, -1}) {
        runtime->setRxChannel(ignored);
        EXPECT_EQ(runtime->boardRxChannel(), 3) << ignored;
    }
}

TEST_F(SimulatedBoard, ShutdownWithAStalledBoardEndsEveryThreadCleanly)
{
    startSimulator({"--stall-after", "300"});
    startRuntime();
    runtime->startSend(standardLfmPulseTrain());
    runtime->startReceive();
    QTest::qWait(1500);  // long enough for both directions to stall
    MessageLog log;
    testing::internal::CaptureStdout();
    runtime->shutdown();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.countWarnings(QStringLiteral("Thread did not exit in time")), 0);
    EXPECT_NE(out.find("[XDMATxWorker] 退出 TX 主循环，资源已释放"), std::string::npos);
    EXPECT_NE(out.find("[XDMARxWorker] 退出 RX 主循环，资源已释放"), std::string::npos);
    EXPECT_NE(out.find("Runtime shutdown"), std::string::npos);
}

}  // namespace
