#pragma once
// Closes every modal dialog as soon as it opens and records its title and
// text, so that code showing message boxes can run unattended.

#include <QObject>
#include <QStringList>
#include <QTimer>

class ModalDismisser : public QObject {
    Q_OBJECT
public:
    ModalDismisser();

    QStringList titles;
    QStringList texts;

private:
    void poll();
    QTimer timer;
};
