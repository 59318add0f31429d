#include "dft_reference.h"
#include "fftwf_wrapper.h"

#include <gtest/gtest.h>

#include <thread>
#include <type_traits>

static_assert(!std::is_copy_constructible_v<FftwfPlan> && std::is_move_constructible_v<FftwfPlan>,
              "a copyable plan would be destroyed twice");
static_assert(!std::is_copy_constructible_v<FftwfBuffer> &&
                  std::is_move_constructible_v<FftwfBuffer>,
              "a copyable array would be freed twice");

namespace {

constexpr double kTol = 1e-5;

class OneShotTransforms : public ::testing::TestWithParam<std::size_t> {};

TEST_P(OneShotTransforms, AgreeWithDirectDft)
{
    const auto x = testSignal(GetParam(), static_cast<unsigned>(GetParam()));
    const auto forward = directDft(x, -1);
    auto inverse = directDft(x, +1);
    for (auto& v : inverse)
        v /= double(x.size());
    std::vector<cd> conjugate(forward.size());
    for (std::size_t k = 0; k < forward.size(); ++k)
        conjugate[k] = std::conj(forward[k]);

    EXPECT_LT(maxRelativeError(fft_fftwf(x), forward), kTol);
    EXPECT_LT(maxRelativeError(fft1d_fftwf(x), forward), kTol);
    EXPECT_LT(maxRelativeError(FFTWfWrapper::instance().fft(x), forward), kTol);
    EXPECT_LT(maxRelativeError(fft_and_conjugate_fftwf(x), conjugate), kTol);
    EXPECT_LT(maxRelativeError(ifft_fftwf(x), inverse), kTol);
}

TEST_P(OneShotTransforms, RoundTripRestoresInput)
{
    const auto x = testSignal(GetParam(), 7);
    const auto back = ifft_fftwf(fft_fftwf(x));
    ASSERT_EQ(back.size(), x.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        EXPECT_NEAR(std::abs(back[i] - x[i]), 0.0, 1e-5) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Sizes, OneShotTransforms,
                         ::testing::Values(1, 2, 3, 5, 8, 16, 17, 128, 256, 1000));

TEST(OneShotTransforms, UnitImpulseHasFlatSpectrum)
{
    ComplexVector impulse(64);
    impulse[0] = 1.0f;
    for (const auto& v : fft_fftwf(impulse)) {
        EXPECT_FLOAT_EQ(v.real(), 1.0f);
        EXPECT_FLOAT_EQ(v.imag(), 0.0f);
    }
}

TEST(OneShotTransforms, ToneLandsInItsBin)
{
    const int n = 128, bin = 9;
    ComplexVector tone(n);
    for (int i = 0; i < n; ++i)
        tone[i] = std::polar(1.0f, float(2 * M_PI * bin * i / n));
    const auto spectrum = fft_fftwf(tone);
    for (int k = 0; k < n; ++k)
        EXPECT_NEAR(std::abs(spectrum[k]), k == bin ? n : 0.0, 1e-3) << "bin " << k;
}

TEST(OneShotTransforms, EmptyInputGivesEmptyOutput)
{
    EXPECT_TRUE(fft_fftwf({}).empty());
    EXPECT_TRUE(ifft_fftwf({}).empty());
    EXPECT_TRUE(fft_and_conjugate_fftwf({}).empty());
    EXPECT_TRUE(fft1d_fftwf({}).empty());
    EXPECT_TRUE(FFTWfWrapper::instance().fft({}).empty());
}

ComplexMatrix testMatrix(std::size_t rows, std::size_t cols)
{
    ComplexMatrix m;
    for (std::size_t r = 0; r < rows; ++r)
        m.push_back(testSignal(cols, 100 + unsigned(r)));
    return m;
}

TEST(WindowedMatrixTransform, AlongRowsIsHammingWindowedDftOfEachRow)
{
    const auto m = testMatrix(4, 16);
    const auto w = generateHammingWindow(16);
    const auto out = fft2d_fftwf(m, 1);
    ASSERT_EQ(out.size(), 4u);
    for (std::size_t r = 0; r < m.size(); ++r) {
        ComplexVector t(16);
        for (int c = 0; c < 16; ++c)
            t[c] = m[r][c] * w[c];
        EXPECT_LT(maxRelativeError(out[r], directDft(t, -1)), kTol) << "row " << r;
    }
}

TEST(WindowedMatrixTransform, AlongColumnsIsHammingWindowedDftOfEachColumn)
{
    const auto m = testMatrix(16, 5);
    const auto w = generateHammingWindow(16);
    const auto out = fft2d_fftwf(m, 0);
    ASSERT_EQ(out.size(), 16u);
    for (std::size_t c = 0; c < 5; ++c) {
        ComplexVector t(16), column(16);
        for (int r = 0; r < 16; ++r) {
            t[r] = m[r][c] * w[r];
            column[r] = out[r][c];
        }
        EXPECT_LT(maxRelativeError(column, directDft(t, -1)), kTol) << "column " << c;
    }
}

TEST(WindowedMatrixTransform, RejectsBadAxisButNotEmptyMatrix)
{
    try {
        fft2d_fftwf(testMatrix(4, 4), 2);
        FAIL() << "axis 2 accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "axis must be 0 (rows) or 1 (columns)");
    }
    EXPECT_TRUE(fft2d_fftwf({}, 2).empty());
    EXPECT_TRUE(fft2d_fftwf(ComplexMatrix(3), 2).empty());
}

TEST(WindowedMatrixTransform, RejectsRaggedRowsInsteadOfOverreading)
{
    ComplexMatrix m = testMatrix(4, 8);
    m[2].resize(5);
    EXPECT_THROW(fft2d_fftwf(m, 0), std::invalid_argument);
    EXPECT_THROW(fft2d_fftwf(m, 1), std::invalid_argument);
}

TEST(RowInverseTransform, InvertsEveryRowAndScalesByRowLength)
{
    const auto m = testMatrix(3, 12);
    const auto out = ifft2d_fftwf(m);
    ASSERT_EQ(out.size(), 3u);
    for (std::size_t r = 0; r < m.size(); ++r) {
        auto expected = directDft(m[r], +1);
        for (auto& v : expected)
            v /= 12.0;
        EXPECT_LT(maxRelativeError(out[r], expected), kTol) << "row " << r;
    }
}

TEST(RowInverseTransform, RejectsRowsOfDifferentLengths)
{
    ComplexMatrix m{ComplexVector(128), ComplexVector(127)};
    try {
        ifft2d_fftwf(m);
        FAIL() << "ragged matrix accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "All rows must have the same number of columns");
    }
    EXPECT_TRUE(ifft2d_fftwf({}).empty());
}

ComplexVector ramp(int n)
{
    ComplexVector v(n);
    for (int i = 0; i < n; ++i)
        v[i] = float(i);
    return v;
}

TEST(HalfSwap, MovesZeroFrequencyToTheMiddle)
{
    struct Case {
        int n;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {5, {3, 4, 2, 0, 1}},  // odd: the middle element stays
        {4, {2, 3, 0, 1}},
        {1, {0}},
        {2, {1, 0}},
    };
    for (const auto& c : cases) {
        ComplexMatrix rowWise{ramp(c.n), ramp(c.n)};
        fftshift2d(rowWise, 1);
        ComplexMatrix columnWise;
        for (int i = 0; i < c.n; ++i)
            columnWise.push_back({float(i), float(i)});
        fftshift2d(columnWise, 0);
        for (int i = 0; i < c.n; ++i) {
            EXPECT_EQ(rowWise[1][i].real(), c.expected[i]) << "n " << c.n << " index " << i;
            EXPECT_EQ(columnWise[i][1].real(), c.expected[i]) << "n " << c.n << " index " << i;
        }
    }
}

TEST(HalfSwap, SwapsPulseHalvesOf256Rows)
{
    ComplexMatrix m;
    for (int r = 0; r < 256; ++r)
        m.push_back({cf(0, float(r)), cf(1, float(r))});
    fftshift2d(m, 0);
    for (int r = 0; r < 256; ++r)
        EXPECT_EQ(m[r][1].imag(), float((r + 128) % 256));
}

TEST(HalfSwap, RejectsBadAxis)
{
    ComplexMatrix m{ramp(4)};
    try {
        fftshift2d(m, 3);
        FAIL() << "axis 3 accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "axis must be 0 or 1");
    }
    ComplexMatrix empty;
    EXPECT_NO_THROW(fftshift2d(empty, 3));
}

TEST(HammingWindow, IsSymmetricWithEndsAt008AndPeakOne)
{
    for (int n : {128, 255, 256}) {
        const auto w = generateHammingWindow(n);
        ASSERT_EQ(int(w.size()), n);
        EXPECT_NEAR(w.front(), 0.08f, 1e-6f);
        EXPECT_NEAR(w.back(), 0.08f, 1e-6f);
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(w[i], w[n - 1 - i], 1e-6f) << "n " << n << " i " << i;
        EXPECT_NEAR(*std::max_element(w.begin(), w.end()), 1.0f, 2e-4f);
    }
    EXPECT_EQ(generateHammingWindow(1), std::vector<float>{1.0f});
    EXPECT_TRUE(generateHammingWindow(0).empty());
}

TEST(PlanCache, KeepsOneRecordPerSize)
{
    auto& cache = FFTWfWrapper::instance();
    const FFTPlanCache& a = cache.getPlan(96);
    const FFTPlanCache& b = cache.getPlan(96);
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(a.size, 96u);
    EXPECT_NE(&cache.getPlan(97), &a);
}

TEST(PlanCache, SameSizeFromTwoThreadsGivesEachItsOwnResult)
{
    const std::size_t n = 512;
    const auto x1 = testSignal(n, 1), x2 = testSignal(n, 2);
    const auto e1 = fft_fftwf(x1), e2 = fft_fftwf(x2);
    bool ok1 = true, ok2 = true;
    auto worker = [n](const ComplexVector& x, const ComplexVector& expected, bool& ok) {
        for (int it = 0; it < 300 && ok; ++it) {
            const auto y = FFTWfWrapper::instance().fft(x);
            for (std::size_t k = 0; k < n; ++k)
                if (std::abs(y[k] - expected[k]) > 1e-3f * (1 + std::abs(expected[k])))
                    ok = false;
        }
    };
    std::thread t1(worker, std::cref(x1), std::cref(e1), std::ref(ok1));
    std::thread t2(worker, std::cref(x2), std::cref(e2), std::ref(ok2));
    t1.join();
    t2.join();
    EXPECT_TRUE(ok1);
    EXPECT_TRUE(ok2);
}

}  // namespace
