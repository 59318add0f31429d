// The board simulator: its options, its receiver scene (checked against
// the physics of a delayed, Doppler-shifted echo), its frame parser, and
// the running program seen from outside through its nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <vector>

#include "frames.h"
#include "kovra_frame_format.h"
#include "options.h"
#include "scene.h"
#include "sim_process.h"
#include "test_support.h"

namespace {

using xdmasim::Options;

TEST(SimOptions, ParsesEveryOptionAndRefusesBadValues)
{
    std::vector<const char*> good = {"xdma-sim", "--dir", "/tmp/x", "--board", "2", "--rate", "0",
                                     "--target", "100,500.5,0.25", "--target", "7,-3,1",
                                     "--noise", "3.5", "--temperature", "30.02", "--bad-trailer-every", "10",
                                     "--garbage", "100", "--stall-after", "40"};
    Options o;
    std::string err;
    ASSERT_TRUE(xdmasim::parse_options(static_cast<int>(good.size()), const_cast<char**>(good.data()), o, err)) << err;
    EXPECT_EQ(o.dir, "/tmp/x");
    EXPECT_EQ(o.board, 2u);
    EXPECT_EQ(o.rate, 0.0);
    ASSERT_EQ(o.targets.size(), 2u);
    EXPECT_EQ(o.targets[0].delay_samples, 100.0);
    EXPECT_EQ(o.targets[0].doppler_hz, 500.5);
    EXPECT_EQ(o.targets[0].amplitude, 0.25);
    EXPECT_EQ(o.targets[1].doppler_hz, -3.0);
    EXPECT_EQ(o.noise, 3.5);
    EXPECT_EQ(o.temperature, 30.02);
    EXPECT_EQ(o.bad_trailer_every, 10u);
    EXPECT_EQ(o.garbage_bytes, 100u);
    EXPECT_EQ(o.stall_after, 40u);

    const std::vector<std::vector<const char*>> bad = {
        {"xdma-sim", "--board", "8"},       {"xdma-sim", "--rate", "-1"},
        {"xdma-sim", "--target", "1,2"},    {"xdma-sim", "--target", "-5,0,1"},
        {"xdma-sim", "--noise", "abc"},     {"xdma-sim", "--garbage", "-3"},
        {"xdma-sim", "--frobnicate", "1"},  {"xdma-sim", "--dir"},
    };
    for (const auto& argv : bad) {
        Options b;
        EXPECT_FALSE(xdmasim::parse_options(static_cast<int>(argv.size()), const_cast<char**>(argv.data()), b, err))
            << argv[1];
    }
}

std::vector<uint8_t> payload_with(std::complex<float> (*sample)(int, int))
{
    std::vector<uint8_t> p(KOVRA_PAYLOAD_SIZE);
    for (int j = 0; j < 4096; ++j)
        for (int c = 0; c < 8; ++c) {
            std::complex<float> v = sample(j, c);
            uint32_t w = kt::iq_word(static_cast<int16_t>(v.real()), static_cast<int16_t>(v.imag()));
            std::memcpy(p.data() + (j * 8 + c) * 4, &w, 4);
        }
    return p;
}

std::complex<float> at(const std::vector<uint8_t>& p, int j, int c)
{
    int16_t v[2];
    std::memcpy(v, p.data() + (j * 8 + c) * 4, 4);
    return {static_cast<float>(v[0]), static_cast<float>(v[1])};
}

TEST(SimScene, LoopbackIsExactWithoutTargetsOrNoise)
{
    xdmasim::Scene scene({}, 0.0);
    auto tx = payload_with([](int j, int c) { return std::complex<float>(float(j - 2048), float(c * 100 - 400)); });
    std::vector<uint8_t> out(KOVRA_PAYLOAD_SIZE, 1);
    scene.render(tx.data(), out.data());
    EXPECT_EQ(out, tx);
    scene.render(nullptr, out.data());
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0; })) << "nothing sent: silence";
}

// The direct path scaled by the loopback gain, with and without echoes; the
// channel offsets and the echo itself are not scaled.
TEST(SimScene, LoopbackGainScalesOnlyTheDirectPath)
{
    for (bool withTarget : {false, true}) {
        std::vector<xdmasim::Target> targets;
        if (withTarget)
            targets.push_back({100.0, 0.0, 0.5});
        xdmasim::Scene scene(targets, 0.0, 10.0, 0.5);
        auto tx = payload_with([](int j, int) { return j == 10 ? std::complex<float>(8000, -4000) : std::complex<float>(); });
        std::vector<uint8_t> out(KOVRA_PAYLOAD_SIZE);
        scene.render(tx.data(), out.data());
        EXPECT_EQ(at(out, 10, 0), std::complex<float>(4000, -2000)) << withTarget;
        EXPECT_EQ(at(out, 10, 2), std::complex<float>(4020, -2000)) << withTarget;
        if (withTarget) {
            EXPECT_EQ(at(out, 110, 0), std::complex<float>(4000, -2000));
        }
    }
}

// An impulse comes back at its own sample plus, scaled by the amplitude,
// at the target's delay, in the next pulse interval when the delay crosses
// the frame boundary.
TEST(SimScene, EchoArrivesAtTheTargetDelay)
{
    xdmasim::Scene scene({{100.0, 0.0, 0.5}, {4100.0, 0.0, 0.25}}, 0.0);
    auto tx = payload_with([](int j, int) { return j == 10 ? std::complex<float>(8000, -4000) : std::complex<float>(); });
    std::vector<uint8_t> out(KOVRA_PAYLOAD_SIZE), next(KOVRA_PAYLOAD_SIZE);
    scene.render(tx.data(), out.data());
    scene.render(nullptr, next.data());
    for (int c : {0, 7}) {
        EXPECT_EQ(at(out, 10, c), std::complex<float>(8000, -4000));
        EXPECT_EQ(at(out, 110, c), std::complex<float>(4000, -2000));
        EXPECT_EQ(at(next, 14, c), std::complex<float>(2000, -1000)) << "4110 - 4096";
    }
    size_t nonzero = 0;
    for (int j = 0; j < 4096; ++j)
        nonzero += at(out, j, 3) != std::complex<float>() ? 1 : 0;
    EXPECT_EQ(nonzero, 2u);
}

// A constant transmission reflected by a moving target: the echo's phase
// turns by 2 pi fd / fs per sample.
TEST(SimScene, EchoIsDopplerShifted)
{
    const double fd = 150000.0, fs = 30.72e6;
    xdmasim::Scene scene({{0.0, fd, 1.0}}, 0.0);
    // Loopback plus echo of a constant c: c (1 + e^{j w n}); the echo alone is
    // what remains after subtracting the loopback.
    auto tx = payload_with([](int, int) { return std::complex<float>(10000, 0); });
    std::vector<uint8_t> out(KOVRA_PAYLOAD_SIZE);
    scene.render(tx.data(), out.data());
    double max_err = 0;
    for (int j = 1; j < 4096; ++j) {
        std::complex<double> e0(at(out, j - 1, 2).real() - 10000.0, at(out, j - 1, 2).imag());
        std::complex<double> e1(at(out, j, 2).real() - 10000.0, at(out, j, 2).imag());
        double turn = std::arg(e1 / e0);
        max_err = std::max(max_err, std::abs(turn - 2 * M_PI * fd / fs));
    }
    EXPECT_LT(max_err, 1e-3);
}

TEST(SimScene, NoiseHasTheRequestedSpread)
{
    xdmasim::Scene scene({}, 20.0);
    std::vector<uint8_t> out(KOVRA_PAYLOAD_SIZE);
    double sum = 0, sum2 = 0;
    size_t n = 0;
    for (int f = 0; f < 4; ++f) {
        scene.render(nullptr, out.data());
        for (int j = 0; j < 4096; ++j)
            for (int c = 0; c < 8; ++c) {
                double v = at(out, j, c).real();
                sum += v;
                sum2 += v * v;
                ++n;
            }
    }
    double mean = sum / n, sd = std::sqrt(sum2 / n - mean * mean);
    EXPECT_NEAR(mean, 0.0, 0.5);
    EXPECT_NEAR(sd, 20.0, 1.0);
}

TEST(SimFrames, ParserSeparatesGoodBadAndGarbage)
{
    std::vector<uint8_t> f(KOVRA_FRAME_SIZE), bad(KOVRA_FRAME_SIZE);
    xdmasim::build_frame(f.data());
    EXPECT_TRUE(xdmasim::frame_valid(f.data()));
    bad = f;
    bad[KOVRA_MARKER_OFFSET + 77] = 0;
    EXPECT_FALSE(xdmasim::frame_valid(bad.data())) << "a damaged marker word";
    std::vector<uint8_t> stream(100, 0x33);
    for (auto* x : {&f, &bad, &f})
        stream.insert(stream.end(), x->begin(), x->end());
    xdmasim::FrameParser parser;
    std::vector<bool> seen;
    // Fed in awkward pieces.
    for (size_t pos = 0; pos < stream.size(); pos += 7777)
        parser.feed(stream.data() + pos, std::min<size_t>(7777, stream.size() - pos),
                    [&](const uint8_t*, bool good) { seen.push_back(good); });
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
}

// The running program, seen through its nodes.
class SimProgram : public ::testing::Test {
protected:
    kt::TempDir dir_;
    std::string board() const { return dir_.file("b"); }
};

TEST_F(SimProgram, CreatesItsNodesAndRemovesThemOnSigterm)
{
    auto sim = std::make_unique<kt::SimProcess>(board(), std::vector<std::string>{"--board", "3", "--temperature", "30.02"});
    ASSERT_TRUE(sim->ready());
    EXPECT_EQ(sim->output().substr(0, board().size() + 1), board() + "\n") << "first line: the directory";
    struct stat st;
    ASSERT_EQ(stat((board() + "/xdma3_user").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 1048576);
    ASSERT_EQ(stat((board() + "/xdma3_control").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 4096);
    for (const char* n : {"/xdma3_h2c_0", "/xdma3_c2h_0"}) {
        ASSERT_EQ(stat((board() + n).c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << n;
    }
    const std::string user = board() + "/xdma3_user";
    EXPECT_EQ(kt::get_register(user, 0x000) & 1, 1u);
    EXPECT_EQ(kt::get_register(user, 0x100) & 1, 1u);
    EXPECT_EQ(kt::get_register(user, 0x300), 1u);
    EXPECT_EQ(kt::get_register(user, 0x400), 1u);
    EXPECT_EQ(kt::get_register(user, 0x700), 0x9A00u) << "30.02 degrees as the sensor word";
    // The board keeps its registers current.
    kt::set_register(user, 0x300, 0);
    EXPECT_TRUE(kt::eventually([&] { return kt::get_register(user, 0x300) == 1; }));

    EXPECT_EQ(sim->stop(), 0);
    EXPECT_NE(sim->output().find("c2h frames sent="), std::string::npos) << sim->output();
    EXPECT_NE(stat(board().c_str(), &st), 0) << "nodes and the directory it created are gone";
}

// Frames written straight into the host-to-card pipe: a DAC playing five
// frames a second falls behind and the transmit gate closes; a damaged frame is counted bad.
TEST_F(SimProgram, TransmitGateClosesWhileTheDacIsBehind)
{
    auto sim = std::make_unique<kt::SimProcess>(board(), std::vector<std::string>{"--rate", "5", "--noise", "0"});
    ASSERT_TRUE(sim->ready());
    const std::string user = board() + "/xdma0_user";
    int h2c = open((board() + "/xdma0_h2c_0").c_str(), O_WRONLY);
    ASSERT_GE(h2c, 0);
    std::vector<uint8_t> f(KOVRA_FRAME_SIZE), bad;
    xdmasim::build_frame(f.data());
    bad = f;
    bad[KOVRA_TRAILER_OFFSET + 5] = 0;
    auto put = [&](const std::vector<uint8_t>& x) {
        size_t done = 0;
        while (done < x.size()) {
            ssize_t r = write(h2c, x.data() + done, x.size() - done);
            ASSERT_GT(r, 0);
            done += static_cast<size_t>(r);
        }
    };
    put(bad);
    for (int k = 0; k < 20; ++k)
        put(f);
    EXPECT_TRUE(kt::eventually([&] { return (kt::get_register(user, 0x000) & 1) == 0; })) << "gate closed";
    EXPECT_TRUE(kt::eventually([&] { return (kt::get_register(user, 0x000) & 1) == 1; }, 10000))
        << "and open again once the DAC caught up";
    close(h2c);
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_NE(sim->output().find("h2c frames good=20 bad=1"), std::string::npos) << sim->output();
}

}  // namespace
