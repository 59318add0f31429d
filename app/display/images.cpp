#include "images.h"

#include <QEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Child of one plot: remembers that the plot skipped a replot while hidden
// and makes it up when the plot is shown.
class DeferredReplot : public QObject {
    Q_OBJECT
public:
    explicit DeferredReplot(QCustomPlot* plot) : QObject(plot), plot(plot) { plot->installEventFilter(this); }

    static DeferredReplot* find(QCustomPlot* plot)
    {
        return plot->findChild<DeferredReplot*>(QString(), Qt::FindDirectChildrenOnly);
    }

    static DeferredReplot* of(QCustomPlot* plot)
    {
        DeferredReplot* existing = find(plot);
        return existing ? existing : new DeferredReplot(plot);
    }

    bool pending = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == plot && event->type() == QEvent::Show && pending) {
            pending = false;
            plot->replot(QCustomPlot::rpRefreshHint);
        }
        return false;
    }

private:
    QCustomPlot* plot;
};

void fillColorMap(QCPColorMap* map, const QVector<QVector<double> >& m, const QVector<double>& valueAxis,
                  const QVector<double>& keyAxis)
{
    const int nx = m.size();
    const int ny = m.at(0).size();
    QCPColorMapData* data = map->data();
    data->setSize(nx, ny);
    data->setRange(QCPRange(keyAxis.first(), keyAxis.last()), QCPRange(valueAxis.first(), valueAxis.last()));
    for (int i = 0; i < nx; ++i) {
        const QVector<double>& row = m.at(i);
        // A ragged row leaves its missing cells as they were rather than
        // reading past its end.
        const int n = std::min(ny, row.size());
        for (int j = 0; j < n; ++j)
            data->setCell(i, j, row.at(j));
    }
}

// The colour range always comes from the bounds the data has recorded, so a
// view keeps the widest range seen since its last resize instead of
// flickering with every frame's extremes.
void rescaleToRecordedBounds(QCPColorMap* map, QCPColorScale* scale)
{
    map->rescaleDataRange(false);
    if (scale)
        scale->setDataRange(map->dataRange());
}

QCPColorScale* addColorScale(QCustomPlot* plot, QCPColorMap* map)
{
    auto* scale = new QCPColorScale(plot);
    // The layout refuses an occupied cell; the scale is still attached to the
    // map so that ranges stay linked.
    plot->plotLayout()->addElement(0, 1, scale);
    map->setColorScale(scale);
    scale->setType(QCPAxis::atRight);
    return scale;
}

float clamp01(float v)
{
    return std::min(1.0f, std::max(0.0f, v));
}
}  // namespace

void replotWhenVisible(QCustomPlot* plot)
{
    if (plot->isVisible()) {
        plot->replot(QCustomPlot::rpRefreshHint);
        if (DeferredReplot* deferred = DeferredReplot::find(plot))
            deferred->pending = false;
        return;
    }
    DeferredReplot::of(plot)->pending = true;
}

void setupSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m, const QVector<double>& valueAxis,
                      const QVector<double>& keyAxis, QCPColorMap** mapOut, QCPColorScale** scaleOut)
{
    const int nx = m.size();
    const int ny = m.isEmpty() ? 0 : m.at(0).size();
    if (nx == 0 || ny == 0 || valueAxis.isEmpty() || keyAxis.isEmpty())
        return;

    auto* map = new QCPColorMap(plot->xAxis, plot->yAxis);
    fillColorMap(map, m, valueAxis, keyAxis);
    QCPColorScale* scale = addColorScale(plot, map);
    map->setGradient(QCPColorGradient::gpJet);
    rescaleToRecordedBounds(map, scale);

    plot->yAxis->setLabel("Freq (MHz)");
    plot->xAxis->setLabel("Time (us)");
    plot->rescaleAxes(false);
    replotWhenVisible(plot);

    if (mapOut)
        *mapOut = map;
    if (scaleOut)
        *scaleOut = scale;
}

void plotSpectrogram(QCustomPlot* plot, const QVector<QVector<double> >& m, const QVector<double>& valueAxis,
                     const QVector<double>& keyAxis, QCPColorMap* map, QCPColorScale* scale, bool autoScale)
{
    if (m.isEmpty() || valueAxis.isEmpty() || keyAxis.isEmpty())
        return;
    fillColorMap(map, m, valueAxis, keyAxis);
    if (!autoScale)
        return;
    rescaleToRecordedBounds(map, scale);
    plot->rescaleAxes(false);
    replotWhenVisible(plot);
}

QColor jetColorMap(float v)
{
    v = clamp01(v);
    const float r = clamp01(1.5f - std::fabs(4.0f * v - 3.0f));
    const float g = clamp01(1.5f - std::fabs(4.0f * v - 2.0f));
    const float b = clamp01(1.5f - std::fabs(4.0f * v - 1.0f));
    return QColor(static_cast<int>(255.0f * r), static_cast<int>(255.0f * g), static_cast<int>(255.0f * b), 255);
}

QImage complexMatrixToJetImage(const QVector<QVector<std::complex<float> > >& M)
{
    if (M.isEmpty())
        return QImage();
    const int rows = M.size();
    const int cols = M.at(0).size();

    QVector<QVector<float> > magnitude(rows, QVector<float>(cols, 0.0f));
    float maximum = 0.0f;
    float minimum = std::numeric_limits<float>::max();
    for (int i = 0; i < rows; ++i) {
        const int n = std::min(cols, M.at(i).size());
        for (int j = 0; j < n; ++j) {
            const float a = std::abs(M.at(i).at(j));
            magnitude[i][j] = a;
            maximum = std::max(maximum, a);
            minimum = std::min(minimum, a);
        }
    }
    const float span = maximum - minimum + 1e-6f;

    QImage image(cols, rows, QImage::Format_RGB32);
    for (int i = 0; i < rows; ++i) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(i));
        for (int j = 0; j < cols; ++j)
            line[j] = jetColorMap((magnitude[i][j] - minimum) / span).rgba();
    }
    return image;
}

#include "images.moc"
