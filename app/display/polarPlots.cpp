#include "polarPlots.h"

#include <QBrush>
#include <QDebug>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPolarChart>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

void setupPolarBeamChart(QChartView* view, const QVector<double>& gains, int step, const QString& title)
{
    if (step < 1) {
        qWarning() << "Beam chart step must be at least 1 degree, got" << step;
        return;
    }
    auto* chart = new QPolarChart();
    chart->setTitle(title);

    auto* series = new QLineSeries();
    for (int i = 0; i < gains.size(); ++i) {
        const int angle = i * step;
        if (angle > 360)
            break;
        series->append(angle, gains.at(i));
    }
    chart->addSeries(series);
    chart->legend()->hide();

    auto* angular = new QValueAxis();
    angular->setTickCount(360 / step + 1);
    angular->setLabelFormat("%.1f");
    angular->setShadesVisible(true);
    angular->setShadesBrush(QBrush(Qt::BDiagPattern));
    chart->addAxis(angular, QPolarChart::PolarOrientationAngular);
    series->attachAxis(angular);

    auto* radial = new QValueAxis();
    radial->setTickCount(5);
    radial->setLabelFormat("%.1f");
    chart->addAxis(radial, QPolarChart::PolarOrientationRadial);
    series->attachAxis(radial);

    // The view only releases the chart it showed before, so it would outlive
    // the view unless deleted here.
    QChart* previous = view->chart();
    view->setChart(chart);
    delete previous;
}
