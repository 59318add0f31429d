#pragma once
// Collects Qt debug/warning messages while in scope, so tests can check what
// the system reported.

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class MessageLog {
public:
    MessageLog();
    ~MessageLog();
    MessageLog(const MessageLog&) = delete;
    MessageLog& operator=(const MessageLog&) = delete;

    QStringList warnings() const;
    int countWarnings(const QString& text) const;

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& message);
    QtMessageHandler previous;
};
