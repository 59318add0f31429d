#include "signal_buffer.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

SignalBuffer::Samples vectorOf(float marker, std::size_t n = 4)
{
    return SignalBuffer::Samples(n, {marker, -marker});
}

TEST(SignalBuffer, DeliversVectorsOldestFirst)
{
    SignalBuffer buffer(8);
    for (int i = 1; i <= 3; ++i)
        buffer.write(vectorOf(static_cast<float>(i)));
    for (int i = 1; i <= 3; ++i) {
        const auto v = buffer.read();
        ASSERT_EQ(v.size(), 4u);
        EXPECT_EQ(v[0].real(), static_cast<float>(i));
        EXPECT_EQ(v[3].imag(), -static_cast<float>(i));
    }
    EXPECT_EQ(buffer.size(), 0u);
}

TEST(SignalBuffer, DropsOldestAtTheBoundAndCountsThem)
{
    SignalBuffer buffer(3);
    for (int i = 1; i <= 10; ++i)
        buffer.write(vectorOf(static_cast<float>(i)));
    EXPECT_EQ(buffer.size(), 3u);
    EXPECT_EQ(buffer.droppedCount(), 7u);
    // The newest three survive, still in order.
    EXPECT_EQ(buffer.read()[0].real(), 8.0f);
    EXPECT_EQ(buffer.read()[0].real(), 9.0f);
    EXPECT_EQ(buffer.read()[0].real(), 10.0f);
}

TEST(SignalBuffer, MemoryStaysBoundedWhileNobodyReads)
{
    // A transmitter at full pace with nobody receiving: the queue never holds
    // more than its capacity of 1,048,576-sample vectors.
    SignalBuffer buffer;
    const SignalBuffer::Samples block(1u << 20);
    for (int i = 0; i < 50; ++i)
        buffer.write(block);
    EXPECT_EQ(buffer.size(), SignalBuffer::kDefaultCapacity);
    EXPECT_EQ(buffer.droppedCount(), 50u - SignalBuffer::kDefaultCapacity);
}

TEST(SignalBuffer, WaitingReaderGetsTheNextWrite)
{
    SignalBuffer buffer;
    SignalBuffer::Samples received;
    QThread* reader = QThread::create([&] { received = buffer.read(); });
    reader->start();
    QThread::msleep(50);
    buffer.write(vectorOf(5.0f, 7));
    ASSERT_TRUE(reader->wait(5000));
    delete reader;
    ASSERT_EQ(received.size(), 7u);
    EXPECT_EQ(received[0].real(), 5.0f);
}

TEST(SignalBuffer, WaitingReaderReturnsEmptyOnceItsThreadIsInterrupted)
{
    SignalBuffer buffer;
    std::atomic<bool> returned{false};
    SignalBuffer::Samples received = vectorOf(1.0f);
    QThread* reader = QThread::create([&] {
        received = buffer.read();
        returned = true;
    });
    reader->start();
    QThread::msleep(50);
    EXPECT_FALSE(returned.load());
    reader->requestInterruption();
    ASSERT_TRUE(reader->wait(5000));
    delete reader;
    EXPECT_TRUE(returned.load());
    EXPECT_TRUE(received.empty());
}

TEST(SignalBuffer, QueuedDataIsStillDeliveredAfterInterruption)
{
    // Interruption only cuts a wait short; it does not discard data.
    SignalBuffer buffer;
    buffer.write(vectorOf(3.0f));
    SignalBuffer::Samples received;
    QThread* reader = QThread::create([&] {
        QThread::currentThread()->requestInterruption();
        received = buffer.read();
    });
    reader->start();
    ASSERT_TRUE(reader->wait(5000));
    delete reader;
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].real(), 3.0f);
}

}  // namespace
