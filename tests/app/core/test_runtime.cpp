#include "message_log.h"
#include "runtime.h"
#include "waveform.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <complex>
#include <vector>

namespace {

using Samples = std::vector<std::complex<float>>;

const QString kLoopbackName = QStringLiteral("0_自回环模式");

struct Captured {
    std::string out, err;
};

class LoopbackRuntime : public ::testing::Test {
protected:
    void SetUp() override
    {
        registerSampleTypes();
        runtime = std::make_unique<Runtime>();
        deviceSpy = std::make_unique<QSignalSpy>(runtime.get(), &Runtime::ui_deviceDetected);
        dataSpy = std::make_unique<QSignalSpy>(runtime.get(), &Runtime::ui_getRxData);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        runtime->detectDevices();
        listing.out = testing::internal::GetCapturedStdout();
        listing.err = testing::internal::GetCapturedStderr();
    }

    void TearDown() override
    {
        runtime->shutdown();
        dataSpy.reset();
        deviceSpy.reset();
        runtime.reset();
    }

    // Waits for the next update emitted after the call.
    QList<QVariant> nextUpdate()
    {
        dataSpy->clear();
        if (!dataSpy->wait(3000))
            return {};
        return dataSpy->takeFirst();
    }

    std::unique_ptr<Runtime> runtime;
    std::unique_ptr<QSignalSpy> deviceSpy, dataSpy;
    Captured listing;
};

TEST_F(LoopbackRuntime, ListsOnlyTheLoopbackDeviceWithoutABoard)
{
    QCoreApplication::processEvents();
    ASSERT_EQ(deviceSpy->count(), 1);
    EXPECT_EQ(deviceSpy->at(0).at(0).toString(), kLoopbackName);
    EXPECT_EQ(runtime->currentDevice(), kLoopbackName);
    ASSERT_EQ(runtime->rfConfigs().size(), 1);
    EXPECT_EQ(runtime->rfConfigs()[0].gain, 30.0);
    EXPECT_EQ(runtime->rfConfigs()[0].antenna, QStringLiteral("RX1"));
    EXPECT_NE(listing.out.find("添加自回环模式设备: 0_自回环模式"), std::string::npos);
    EXPECT_NE(listing.err.find("未检测到 XDMA 设备"), std::string::npos);
}

TEST_F(LoopbackRuntime, EmitsAnUpdateAboutEveryTwoHundredMilliseconds)
{
    dataSpy->clear();
    QTest::qWait(1100);
    EXPECT_GE(dataSpy->count(), 4);
    EXPECT_LE(dataSpy->count(), 7);
    ASSERT_FALSE(dataSpy->isEmpty());
    const QList<QVariant> update = dataSpy->last();
    const auto excerpt = update.at(1).value<Samples>();
    const auto reals = update.at(2).value<QVector<float>>();
    const auto result = update.at(3).value<RDResult>();
    ASSERT_EQ(excerpt.size(), 4096u);
    ASSERT_EQ(reals.size(), 4096);
    for (int i = 0; i < 4096; i += 511)
        EXPECT_EQ(reals[i], excerpt[i].real());
    EXPECT_EQ(result.rdMap.size(), 128);
    EXPECT_EQ(result.rdMap[0].size(), 256);
}

TEST_F(LoopbackRuntime, TransmittedTrainComesBackThroughTheLoopback)
{
    const Samples train = standardLfmPulseTrain();
    runtime->startSend(train);
    runtime->startReceive();
    // The first updates may still carry zero blocks; wait for the train.
    bool sawTrain = false;
    for (int i = 0; i < 15 && !sawTrain; ++i) {
        const QList<QVariant> update = nextUpdate();
        ASSERT_FALSE(update.isEmpty());
        const auto block = update.at(0).value<Samples>();
        ASSERT_EQ(block.size(), train.size());
        sawTrain = std::abs(block[10] - train[10]) < 0.1f && std::abs(block[10]) > 0.5f;
        if (sawTrain) {
            const auto excerpt = update.at(1).value<Samples>();
            for (int k = 0; k < 4096; k += 97)
                EXPECT_LT(std::abs(excerpt[k] - train[k]), 0.1f) << "sample " << k;
            // Loopback has no delay: every raw echo sample lies inside the chirp.
            const auto result = update.at(3).value<RDResult>();
            EXPECT_NEAR(result.rawEcho[5][17], 1.0, 0.1);
        }
    }
    EXPECT_TRUE(sawTrain);
    EXPECT_EQ(runtime->currentReferences().refSpectrum128.size(), 128u);
}

TEST_F(LoopbackRuntime, ReceptionStopsAtTheRuntimeNotTheQueue)
{
    const Samples train = standardLfmPulseTrain();
    runtime->startSend(train);
    runtime->startReceive();
    QTest::qWait(600);
    testing::internal::CaptureStdout();
    runtime->stopSend();
    runtime->stopReceive();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("停止数据发送..."), std::string::npos);
    EXPECT_NE(out.find("停止数据接收..."), std::string::npos);
    // After the stop the idle receiver hands over zero blocks again.
    bool sawZero = false;
    for (int i = 0; i < 15 && !sawZero; ++i) {
        const QList<QVariant> update = nextUpdate();
        ASSERT_FALSE(update.isEmpty());
        sawZero = update.at(1).value<Samples>()[10] == std::complex<float>(0, 0);
    }
    EXPECT_TRUE(sawZero);
}

TEST_F(LoopbackRuntime, ShortBlockWarnsAndEmitsNothing)
{
    MessageLog log;
    runtime->startSend(Samples(3000, {0.25f, 0.0f}));
    runtime->startReceive();
    QTest::qWait(800);  // let 3000-sample blocks replace the zero block
    dataSpy->clear();
    const int warningsBefore = log.countWarnings(QStringLiteral("rx_signal_std too short!"));
    QTest::qWait(700);
    EXPECT_EQ(dataSpy->count(), 0);
    EXPECT_GE(log.countWarnings(QStringLiteral("rx_signal_std too short!")) - warningsBefore, 2);
}

TEST_F(LoopbackRuntime, ShutdownWhileWaitingForDataEndsEveryWorkerCleanly)
{
    MessageLog log;
    runtime->startReceive();  // nothing sent: the receiver waits in the queue
    QTest::qWait(100);
    testing::internal::CaptureStdout();
    runtime->shutdown();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.countWarnings(QStringLiteral("Thread did not exit in time")), 0);
    // Each loop prints its farewell only when it ends by itself.
    std::size_t farewells = 0;
    for (std::size_t at = out.find("数据收发任务完成。"); at != std::string::npos;
         at = out.find("数据收发任务完成。", at + 1))
        ++farewells;
    EXPECT_EQ(farewells, 2u);
    EXPECT_NE(out.find("Runtime shutdown"), std::string::npos);
}

TEST(RuntimeWithoutDevices, ShutdownOnlyReports)
{
    Runtime runtime;
    testing::internal::CaptureStdout();
    runtime.shutdown();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Runtime shutdown\n");
}

TEST(RuntimeWithoutDevices, ReferencesStartAsZeros)
{
    Runtime runtime;
    const RangeDopplerReferences refs = runtime.currentReferences();
    ASSERT_EQ(refs.refSpectrum4096.size(), 4096u);
    for (const auto& v : refs.refSpectrum4096)
        ASSERT_EQ(v, std::complex<float>(0, 0));
}

}  // namespace
