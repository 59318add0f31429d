#include "images.h"
#include "plot_manager.h"

#include <QSignalSpy>
#include <QTest>
#include <qcustomplot.h>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

struct JetCase {
    float v;
    int r, g, b;
};

TEST(JetColorMap, FollowsTheBlueCyanYellowRedRampAndClamps)
{
    const JetCase cases[] = {
        {0.0f, 0, 0, 127},   {0.25f, 0, 127, 255}, {0.5f, 127, 255, 127}, {0.75f, 255, 127, 0},
        {1.0f, 127, 0, 0},   {-3.0f, 0, 0, 127},   {7.0f, 127, 0, 0},
    };
    for (const JetCase& c : cases) {
        const QColor colour = jetColorMap(c.v);
        EXPECT_EQ(colour.red(), c.r) << "v = " << c.v;
        EXPECT_EQ(colour.green(), c.g) << "v = " << c.v;
        EXPECT_EQ(colour.blue(), c.b) << "v = " << c.v;
        EXPECT_EQ(colour.alpha(), 255) << "v = " << c.v;
    }
}

using ComplexMatrix = QVector<QVector<std::complex<float> > >;

TEST(ComplexMatrixToJetImage, EmptyMatrixGivesNullImage)
{
    EXPECT_TRUE(complexMatrixToJetImage(ComplexMatrix()).isNull());
}

TEST(ComplexMatrixToJetImage, EqualMagnitudesPaintTheBottomOfTheRamp)
{
    // Different phases, one magnitude: only the magnitude may matter.
    const ComplexMatrix m = {{{3, 4}, {-5, 0}, {0, 5}}, {{4, -3}, {0, -5}, {5, 0}}};
    const QImage image = complexMatrixToJetImage(m);
    ASSERT_EQ(image.width(), 3);
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image.pixel(x, y), jetColorMap(0.0f).rgb()) << x << "," << y;
}

TEST(ComplexMatrixToJetImage, StretchesMagnitudesFromMinimumToMaximum)
{
    // Row i is image row i, element j image column j.
    const ComplexMatrix m = {{{1, 0}, {0, 3}}, {{0, -2}, {5, 0}}};
    const QImage image = complexMatrixToJetImage(m);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(0, 0), jetColorMap(0.0f).rgb());          // smallest magnitude
    EXPECT_EQ(image.pixel(1, 1), jetColorMap(4.0f / 4.000001f).rgb());  // largest
    EXPECT_EQ(image.pixel(1, 0), jetColorMap(2.0f / 4.000001f).rgb());  // |3i| in the middle
    EXPECT_EQ(image.pixel(0, 1), jetColorMap(1.0f / 4.000001f).rgb());
}

using Matrix = QVector<QVector<double> >;

Matrix ramp(int nx, int ny, double offset, double stepValue)
{
    Matrix m(nx, QVector<double>(ny));
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j)
            m[i][j] = offset + stepValue * (i * ny + j);
    return m;
}

class SpectrogramTest : public ::testing::Test {
protected:
    void SetUp() override { plot = std::make_unique<QCustomPlot>(); }
    std::unique_ptr<QCustomPlot> plot;
};

TEST_F(SpectrogramTest, EmptyInputCreatesNothingAndLeavesOutPointersAlone)
{
    struct Case {
        const char* name;
        Matrix m;
        QVector<double> valueAxis, keyAxis;
    };
    const Case cases[] = {
        {"empty matrix", Matrix(), {0, 1}, {0, 1}},
        {"empty first row", Matrix(3), {0, 1}, {0, 1}},
        {"empty value axis", ramp(2, 2, 0, 1), {}, {0, 1}},
        {"empty key axis", ramp(2, 2, 0, 1), {0, 1}, {}},
    };
    auto* const mapSentinel = reinterpret_cast<QCPColorMap*>(0x1);
    auto* const scaleSentinel = reinterpret_cast<QCPColorScale*>(0x2);
    for (const Case& c : cases) {
        QCPColorMap* map = mapSentinel;
        QCPColorScale* scale = scaleSentinel;
        setupSpectrogram(plot.get(), c.m, c.valueAxis, c.keyAxis, &map, &scale);
        EXPECT_EQ(map, mapSentinel) << c.name;
        EXPECT_EQ(scale, scaleSentinel) << c.name;
        EXPECT_EQ(plot->plottableCount(), 0) << c.name;
        EXPECT_EQ(plot->plotLayout()->elementCount(), 1) << c.name;
    }
}

TEST_F(SpectrogramTest, SetupBuildsAJetMapWithScaleRightOfTheAxes)
{
    QCPColorMap* map = nullptr;
    QCPColorScale* scale = nullptr;
    // Only the ends of the axis vectors count.
    const Matrix m = ramp(3, 4, -6.0, 1.0);
    setupSpectrogram(plot.get(), m, {-15.36, 99.0, 14.88}, {0.0, 7.0, 133.3}, &map, &scale);
    ASSERT_NE(map, nullptr);
    ASSERT_NE(scale, nullptr);

    QCPColorMapData* data = map->data();
    EXPECT_EQ(data->keySize(), 3);
    EXPECT_EQ(data->valueSize(), 4);
    EXPECT_EQ(data->keyRange(), QCPRange(0.0, 133.3));
    EXPECT_EQ(data->valueRange(), QCPRange(-15.36, 14.88));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(data->cell(i, j), m[i][j]);

    EXPECT_EQ(map->keyAxis(), plot->xAxis);
    EXPECT_EQ(map->valueAxis(), plot->yAxis);
    EXPECT_EQ(plot->plotLayout()->element(0, 1), scale);
    EXPECT_EQ(map->colorScale(), scale);
    EXPECT_EQ(scale->type(), QCPAxis::atRight);
    EXPECT_EQ(map->gradient(), QCPColorGradient(QCPColorGradient::gpJet));
    EXPECT_EQ(map->dataRange(), QCPRange(-6.0, 5.0));
    EXPECT_EQ(scale->dataRange(), QCPRange(-6.0, 5.0));
    EXPECT_EQ(plot->xAxis->label(), "Time (us)");
    EXPECT_EQ(plot->yAxis->label(), "Freq (MHz)");
    EXPECT_EQ(plot->xAxis->range(), QCPRange(0.0, 133.3));
}

TEST_F(SpectrogramTest, NullOutPointersStillBuildTheView)
{
    setupSpectrogram(plot.get(), ramp(2, 2, 0, 1), {0, 1}, {0, 1}, nullptr, nullptr);
    EXPECT_EQ(plot->plottableCount(), 1);
    EXPECT_NE(qobject_cast<QCPColorScale*>(plot->plotLayout()->element(0, 1)), nullptr);
}

TEST_F(SpectrogramTest, ColourRangeFollowsRecordedBoundsUntilResized)
{
    QCPColorMap* map = nullptr;
    QCPColorScale* scale = nullptr;
    setupSpectrogram(plot.get(), ramp(4, 4, 1.0, 0.0), {0, 1}, {0, 1}, &map, &scale);
    ASSERT_NE(map, nullptr);
    // A fresh map's bounds start at 0 and only widen.
    const QCPRange initial(0.0, 1.0);
    ASSERT_EQ(map->dataRange(), initial);

    // Without automatic scaling the cells change but the colours do not.
    plotSpectrogram(plot.get(), ramp(4, 4, 40.0, 0.5), {0, 1}, {0, 1}, map, scale, false);
    EXPECT_EQ(map->data()->cell(3, 3), 47.5);
    EXPECT_EQ(map->dataRange(), initial);
    EXPECT_EQ(scale->dataRange(), initial);

    plotSpectrogram(plot.get(), ramp(4, 4, 40.0, 0.5), {0, 1}, {0, 1}, map, scale, true);
    EXPECT_EQ(map->dataRange(), QCPRange(0.0, 47.5));
    EXPECT_EQ(scale->dataRange(), QCPRange(0.0, 47.5));

    // Quieter data at the same size keeps the widest range seen.
    plotSpectrogram(plot.get(), ramp(4, 4, 10.0, 0.0), {0, 1}, {0, 1}, map, scale, true);
    EXPECT_EQ(map->dataRange(), QCPRange(0.0, 47.5));

    // A new size clears the bounds back to 0.
    plotSpectrogram(plot.get(), ramp(2, 8, -3.0, 0.5), {5, 25}, {-1, 1}, map, scale, true);
    EXPECT_EQ(map->data()->keySize(), 2);
    EXPECT_EQ(map->data()->valueSize(), 8);
    EXPECT_EQ(map->data()->valueRange(), QCPRange(5, 25));
    EXPECT_EQ(map->dataRange(), QCPRange(-3.0, 4.5));
    EXPECT_EQ(plot->yAxis->range(), QCPRange(5, 25));
}

TEST_F(SpectrogramTest, HiddenPlotRedrawsWhenShownAgainNotBefore)
{
    QCPColorMap* map = nullptr;
    QCPColorScale* scale = nullptr;
    setupSpectrogram(plot.get(), ramp(4, 4, 0, 1), {0, 1}, {0, 1}, &map, &scale);
    plot->resize(320, 240);
    plot->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(plot.get()));
    QSignalSpy replots(plot.get(), &QCustomPlot::afterReplot);

    plotSpectrogram(plot.get(), ramp(4, 4, 5, 1), {0, 1}, {0, 1}, map, scale, true);
    EXPECT_EQ(replots.count(), 1) << "a visible plot redraws at once";

    plot->hide();
    plotSpectrogram(plot.get(), ramp(4, 4, 9, 1), {0, 1}, {0, 1}, map, scale, true);
    plotSpectrogram(plot.get(), ramp(4, 4, 7, 1), {0, 1}, {0, 1}, map, scale, true);
    EXPECT_EQ(replots.count(), 1) << "a hidden plot does not";

    plot->show();
    EXPECT_EQ(replots.count(), 2) << "showing it makes up the missed redraws once";

    plot->hide();
    plot->show();
    EXPECT_EQ(replots.count(), 2) << "nothing missed, nothing redrawn";
}

TEST_F(SpectrogramTest, LargeTestPatternReplacesThePlottables)
{
    QCPColorScale* firstScale = nullptr;
    setupSpectrogram(plot.get(), ramp(2, 2, 0, 1), {0, 1}, {0, 1}, nullptr, &firstScale);
    PlotManager::createLargeColorMap(plot.get(), 2048, 2048);

    ASSERT_EQ(plot->plottableCount(), 1);
    auto* map = qobject_cast<QCPColorMap*>(plot->plottable(0));
    ASSERT_NE(map, nullptr);
    QCPColorMapData* data = map->data();
    EXPECT_EQ(static_cast<long>(data->keySize()) * data->valueSize(), 4194304L);
    EXPECT_EQ(data->keyRange(), QCPRange(-1, 1));
    EXPECT_EQ(data->valueRange(), QCPRange(-1, 1));
    EXPECT_EQ(data->cell(1024, 1024), 0.0);
    // Corner cell at (-1, -1) and one off-axis cell at (-0.5, 0.25).
    EXPECT_DOUBLE_EQ(data->cell(0, 0), std::sin(-10.0) * std::cos(-10.0) * std::exp(-2.0));
    EXPECT_DOUBLE_EQ(data->cell(512, 1280), std::sin(-5.0) * std::cos(2.5) * std::exp(-(0.25 + 0.0625)));
    // The layout keeps the scale it already had.
    EXPECT_EQ(plot->plotLayout()->element(0, 1), firstScale);
}

}  // namespace
