#pragma once
// Matrices drawn as colour maps: QCustomPlot colour-map views for the
// spectrogram and detection pages, and a plain jet-coloured QImage renderer.
//
// A matrix is indexed [i][j]: row i is key cell i (horizontal), element j is
// value cell j (vertical). Of each axis vector only the first and last
// elements matter; they give the map's range along that axis.
//
// All functions run on the GUI thread. Colour maps and scales they create
// belong to the plot.

#include <QColor>
#include <QImage>
#include <QVector>

#include <complex>

class QCPColorMap;
class QCPColorScale;
class QCustomPlot;

// Redraws the plot now (refresh-hint priority) when it is on screen;
// otherwise the first time it is shown again. Plots on hidden tab pages then
// cost nothing per refresh, yet never show a stale picture.
void replotWhenVisible(QCustomPlot* plot);

// Creates a jet colour map holding m and a colour scale right of the axis
// rectangle, labels the axes "Time (us)" / "Freq (MHz)" and replots
// (replotWhenVisible).
// An empty matrix or axis vector creates nothing and leaves *mapOut and
// *scaleOut untouched; either out pointer may be null.
void setupSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m,
                      const QVector<double>& valueAxis, const QVector<double>& keyAxis,
                      QCPColorMap** mapOut, QCPColorScale** scaleOut);

// Refills an existing colour map with m (which must not be empty). With
// autoScale the colour range becomes the recorded data bounds - the widest
// range written since the map's data was last resized, not recalculated -
// and the plot is replotted (replotWhenVisible); without it only the cells
// change until the next replot.
void plotSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m,
                     const QVector<double>& valueAxis, const QVector<double>& keyAxis,
                     QCPColorMap* map, QCPColorScale* scale, bool autoScale);

// Blue-cyan-yellow-red ramp; v is clamped to [0, 1]; the result is opaque.
QColor jetColorMap(float v);

// Magnitudes of M stretched from their minimum to their maximum over the jet
// ramp; pixel (column j, row i) shows M[i][j]. Rows are taken as long as row
// 0. An empty matrix gives a null image.
QImage complexMatrixToJetImage(const QVector<QVector<std::complex<float> > >& M);

