#include "polarPlots.h"

#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QPolarChart>
#include <QtCharts/QValueAxis>

#include <gtest/gtest.h>

#include <cmath>

using namespace QtCharts;

namespace {

QVector<double> gainsOf(int count)
{
    QVector<double> gains;
    for (int i = 0; i < count; ++i)
        gains.append(1.0 + std::cos(i * 0.1));
    return gains;
}

QValueAxis* axisOf(QPolarChart* chart, QPolarChart::PolarOrientation orientation)
{
    const QList<QAbstractAxis*> axes = chart->axes(orientation);
    return axes.size() == 1 ? qobject_cast<QValueAxis*>(axes.first()) : nullptr;
}

TEST(PolarBeamChart, DrawsPointsUpTo360DegreesWithOneTickPerStep)
{
    struct Case {
        int gains, step;
        int points, angularTicks;
        double lastAngle;
    };
    const Case cases[] = {
        {37, 10, 37, 37, 360.0},
        {40, 10, 37, 37, 360.0},  // gains past a full turn are dropped
        {60, 7, 52, 52, 357.0},
        {5, 10, 5, 37, 40.0},
        {0, 10, 0, 37, 0.0},
    };
    for (const Case& c : cases) {
        QChartView view;
        const QVector<double> gains = gainsOf(c.gains);
        setupPolarBeamChart(&view, gains, c.step, "beam");
        auto* chart = qobject_cast<QPolarChart*>(view.chart());
        ASSERT_NE(chart, nullptr) << c.gains << "/" << c.step;
        EXPECT_EQ(chart->title(), "beam");
        EXPECT_FALSE(chart->legend()->isVisible());

        ASSERT_EQ(chart->series().size(), 1);
        auto* series = qobject_cast<QLineSeries*>(chart->series().first());
        ASSERT_NE(series, nullptr);
        ASSERT_EQ(series->count(), c.points) << c.gains << "/" << c.step;
        for (int i = 0; i < series->count(); ++i) {
            EXPECT_EQ(series->at(i).x(), i * c.step);
            EXPECT_EQ(series->at(i).y(), gains[i]);
        }
        if (c.points > 0) {
            EXPECT_EQ(series->at(c.points - 1).x(), c.lastAngle);
        }

        QValueAxis* angular = axisOf(chart, QPolarChart::PolarOrientationAngular);
        QValueAxis* radial = axisOf(chart, QPolarChart::PolarOrientationRadial);
        ASSERT_NE(angular, nullptr);
        ASSERT_NE(radial, nullptr);
        EXPECT_EQ(angular->tickCount(), c.angularTicks);
        EXPECT_EQ(angular->labelFormat(), "%.1f");
        EXPECT_TRUE(angular->shadesVisible());
        EXPECT_EQ(angular->shadesBrush().style(), Qt::BDiagPattern);
        EXPECT_EQ(radial->tickCount(), 5);
        EXPECT_EQ(radial->labelFormat(), "%.1f");
        EXPECT_TRUE(series->attachedAxes().contains(angular));
        EXPECT_TRUE(series->attachedAxes().contains(radial));
    }
}

TEST(PolarBeamChart, ReplacesTheChartAlreadyShown)
{
    QChartView view;
    setupPolarBeamChart(&view, gainsOf(37), 10, "first");
    setupPolarBeamChart(&view, gainsOf(3), 10, "second");
    EXPECT_EQ(view.chart()->title(), "second");
    EXPECT_EQ(view.chart()->series().size(), 1);
}

TEST(PolarBeamChart, StepBelowOneDegreeLeavesTheViewAlone)
{
    QChartView view;
    QChart* before = view.chart();
    setupPolarBeamChart(&view, gainsOf(37), 0, "beam");
    EXPECT_EQ(view.chart(), before);
}

}  // namespace
