#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Top-left corner that centres an area of `size` on `screen` (integer halves).
QPoint centeredIn(const QRect& screen, const QSize& size);
// The same on the screen under the mouse cursor, or the primary screen.
QPoint centeredOnScreenUnderCursor(const QSize& size);
