#include "screen_placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

QPoint centeredIn(const QRect& screen, const QSize& size)
{
    return {screen.x() + (screen.width() - size.width()) / 2, screen.y() + (screen.height() - size.height()) / 2};
}

QPoint centeredOnScreenUnderCursor(const QSize& size)
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {0, 0};
    return centeredIn(screen->geometry(), size);
}
