#include "message_log.h"

#include <QMutexLocker>

namespace {
QMutex logMutex;
QStringList collected;
}  // namespace

MessageLog::MessageLog()
{
    QMutexLocker lock(&logMutex);
    collected.clear();
    previous = qInstallMessageHandler(&MessageLog::handler);
}

MessageLog::~MessageLog()
{
    qInstallMessageHandler(previous);
}

void MessageLog::handler(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtWarningMsg && type != QtCriticalMsg)
        return;
    QMutexLocker lock(&logMutex);
    collected.append(message);
}

QStringList MessageLog::warnings() const
{
    QMutexLocker lock(&logMutex);
    return collected;
}

int MessageLog::countWarnings(const QString& text) const
{
    int n = 0;
    for (const QString& w : warnings())
        if (w.contains(text))
            ++n;
    return n;
}
