#include "images.h"
#include "plot_manager.h"

#include <qcustomplot.h>

#include <cmath>

// Kept apart from the rest of the plot manager, which works on the window's
// members, so that the pattern can be drawn and tested without a window.
void PlotManager::createLargeColorMap(QCustomPlot* plot, int nx, int ny)
{
    plot->clearPlottables();
    auto* map = new QCPColorMap(plot->xAxis, plot->yAxis);
    QCPColorMapData* data = map->data();
    data->setSize(nx, ny);
    data->setRange(QCPRange(-1, 1), QCPRange(-1, 1));
    const double keyLower = data->keyRange().lower;
    const double valueLower = data->valueRange().lower;
    for (int i = 0; i < nx; ++i) {
        const double x = keyLower + (2.0 / nx) * i;
        for (int j = 0; j < ny; ++j) {
            const double y = valueLower + (2.0 / ny) * j;
            data->setCell(i, j, std::sin(10.0 * x) * std::cos(10.0 * y) * std::exp(-(x * x + y * y)));
        }
    }
    map->setGradient(QCPColorGradient::gpJet);
    map->rescaleDataRange(false);

    // On a view set up before, the layout keeps its first scale and refuses
    // this one, which then only stays linked to the map.
    auto* scale = new QCPColorScale(plot);
    plot->plotLayout()->addElement(0, 1, scale);
    map->setColorScale(scale);
    scale->setType(QCPAxis::atRight);

    plot->rescaleAxes();
    replotWhenVisible(plot);
}
