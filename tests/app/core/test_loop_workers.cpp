#include "loopRxWorker.h"
#include "loopTxWorker.h"
#include "signal_buffer.h"
#include "waveform.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <memory>
#include <vector>

namespace {

using Samples = std::vector<std::complex<float>>;

// The two loopback workers in their own threads over one queue, with every
// delivered block collected.
class LoopbackPair : public ::testing::Test {
protected:
    void SetUp() override
    {
        tx = new LoopTxWorker(&buffer);
        rx = new LoopRxWorker(&buffer);
        tx->moveToThread(&txThread);
        rx->moveToThread(&rxThread);
        QObject::connect(&txThread, &QThread::started, tx, &LoopTxWorker::processLoopTx);
        QObject::connect(&rxThread, &QThread::started, rx, &LoopRxWorker::processLoopRx);
        QObject::connect(
            rx, &LoopRxWorker::getLoopRxData, rx,
            [this](const Samples& block) {
                QMutexLocker lock(&mutex);
                blocks.push_back(block);
            },
            Qt::DirectConnection);
        txThread.start();
        rxThread.start();
    }

    void TearDown() override
    {
        for (QThread* t : {&txThread, &rxThread}) {
            t->requestInterruption();
            t->quit();
            EXPECT_TRUE(t->wait(2000)) << "a loopback worker did not stop";
        }
        delete tx;
        delete rx;
    }

    // Waits until at least n blocks arrived after `from`; returns the count.
    std::size_t waitForBlocks(std::size_t n, int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            {
                QMutexLocker lock(&mutex);
                if (blocks.size() >= n)
                    return blocks.size();
            }
            QThread::msleep(5);
        }
        QMutexLocker lock(&mutex);
        return blocks.size();
    }

    std::vector<Samples> takeBlocks()
    {
        QMutexLocker lock(&mutex);
        std::vector<Samples> out;
        out.swap(blocks);
        return out;
    }

    static float maxDeviation(const Samples& a, const Samples& b)
    {
        float worst = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            worst = std::max(worst, std::abs(a[i] - b[i]));
        return worst;
    }

    SignalBuffer buffer;
    QThread txThread, rxThread;
    LoopTxWorker* tx = nullptr;
    LoopRxWorker* rx = nullptr;
    QMutex mutex;
    std::vector<Samples> blocks;
};

TEST_F(LoopbackPair, IdleReceiverDeliversZeroBlocksOfFullLength)
{
    ASSERT_GE(waitForBlocks(3), 3u);
    for (const Samples& block : takeBlocks()) {
        ASSERT_EQ(block.size(), 1u << 20);
        EXPECT_EQ(block.front(), std::complex<float>(0, 0));
        EXPECT_EQ(block.back(), std::complex<float>(0, 0));
    }
}

TEST_F(LoopbackPair, ReceivedBlocksAreTheTransmitBufferPlusFreshNoise)
{
    const Samples train = standardLfmPulseTrain();
    rx->startReceive();
    tx->startSend(train);
    waitForBlocks(1);
    takeBlocks();  // may still hold zero blocks from before the start
    ASSERT_GE(waitForBlocks(2), 2u);
    const std::vector<Samples> got = takeBlocks();
    ASSERT_EQ(got[0].size(), train.size());
    ASSERT_EQ(got[1].size(), train.size());
    // Noise of deviation 0.01 per part stays far below 0.1.
    EXPECT_LT(maxDeviation(got[0], train), 0.1f);
    EXPECT_LT(maxDeviation(got[1], train), 0.1f);
    EXPECT_GT(maxDeviation(got[0], got[1]), 0.0f) << "two blocks carried the same noise";
}

TEST_F(LoopbackPair, SendingWithoutReceivingKeepsTheQueueBounded)
{
    tx->startSend(Samples(1u << 20, {1.0f, 0.0f}));
    QElapsedTimer clock;
    clock.start();
    while (buffer.droppedCount() < 3 && clock.elapsed() < 10000) {
        EXPECT_LE(buffer.size(), buffer.capacity());
        QThread::msleep(10);
    }
    EXPECT_GE(buffer.droppedCount(), 3u);
    EXPECT_LE(buffer.size(), buffer.capacity());
}

TEST_F(LoopbackPair, ShortBufferGivesShortBlocksAndZeroBlocksKeepTheirLength)
{
    const Samples shortTrain(4096, {0.5f, 0.5f});
    rx->startReceive();
    tx->startSend(shortTrain);
    QElapsedTimer clock;
    clock.start();
    bool sawShort = false;
    while (!sawShort && clock.elapsed() < 5000) {
        waitForBlocks(1);
        for (const Samples& b : takeBlocks())
            sawShort = sawShort || b.size() == 4096;
    }
    ASSERT_TRUE(sawShort);
    tx->stopSend();
    rx->stopReceive();
    QThread::msleep(100);
    takeBlocks();
    ASSERT_GE(waitForBlocks(2), 2u);
    for (const Samples& b : takeBlocks()) {
        EXPECT_EQ(b.size(), 4096u);
        EXPECT_EQ(b[100], std::complex<float>(0, 0));
    }
}

TEST_F(LoopbackPair, ReceiverWaitingForDataStopsWhenAsked)
{
    rx->startReceive();  // nothing is sent: the receiver waits in the queue
    QThread::msleep(100);
    rxThread.requestInterruption();
    rxThread.quit();
    EXPECT_TRUE(rxThread.wait(2000));
}

}  // namespace
