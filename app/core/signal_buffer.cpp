#include "signal_buffer.h"

#include <QMutexLocker>
#include <QThread>

namespace {
// How often a waiting reader looks at its thread's interruption flag.
constexpr unsigned long kInterruptPollMs = 20;
}  // namespace

SignalBuffer::SignalBuffer(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

void SignalBuffer::write(const Samples& v)
{
    Samples copy(v);  // copied outside the lock: the reader is not held up by 8 MiB copies
    QMutexLocker lock(&mutex);
    while (queue.size() >= capacity_) {
        queue.pop_front();
        ++dropped_;
    }
    queue.push_back(std::move(copy));
    not_empty.wakeOne();
}

SignalBuffer::Samples SignalBuffer::read()
{
    QMutexLocker lock(&mutex);
    while (queue.empty()) {
        QThread* self = QThread::currentThread();
        if (self->isInterruptionRequested())
            return {};
        not_empty.wait(&mutex, kInterruptPollMs);
    }
    Samples front = std::move(queue.front());
    queue.pop_front();
    return front;
}

std::size_t SignalBuffer::size() const
{
    QMutexLocker lock(&mutex);
    return queue.size();
}

unsigned long long SignalBuffer::droppedCount() const
{
    QMutexLocker lock(&mutex);
    return dropped_;
}
