#pragma once
// Blocking FIFO of sample vectors between the loopback transmit and receive
// workers.
//
// The queue is bounded: a transmitter that runs while nobody reads would
// otherwise pile up one 8 MiB vector per millisecond until memory runs out.
// At the bound the oldest vector is dropped (the receiver wants the newest
// data anyway) and counted in droppedCount().
//
// read() also returns, with an empty vector, once the calling thread's
// interruption has been requested, so a receiver waiting on an empty queue
// stops without being terminated.

#include <QMutex>
#include <QWaitCondition>

#include <complex>
#include <cstddef>
#include <deque>
#include <vector>

class SignalBuffer {
public:
    using Samples = std::vector<std::complex<float>>;

    static constexpr std::size_t kDefaultCapacity = 4;

    explicit SignalBuffer(std::size_t capacity = kDefaultCapacity);

    void write(const Samples& v);
    Samples read();

    std::size_t size() const;
    std::size_t capacity() const { return capacity_; }
    unsigned long long droppedCount() const;

private:
    const std::size_t capacity_;
    std::deque<Samples> queue;
    mutable QMutex mutex;
    QWaitCondition not_empty;
    unsigned long long dropped_ = 0;
};
