// Runs the zelt-rd program on synthetic captures and on bad input.

#include "noise.h"
#include "sample_file.h"
#include "waveform.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using cf = std::complex<float>;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

class ZeltRd : public ::testing::Test {
protected:
    std::string path(const std::string& name) const
    {
        return dir_.path().toStdString() + "/" + name;
    }

    Outcome run(const std::string& args) const
    {
        const std::string out = path("stdout.txt"), err = path("stderr.txt");
        const std::string cmd =
            std::string("'") + ZELT_RD_PATH + "' " + args + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(cmd.c_str());
        Outcome r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    // The standard train as received `delay` samples late, plus a target a
    // further `targetDelay` samples out, turning by fd of Doppler.
    static std::vector<cf> capture(int delay, int targetDelay, double fd)
    {
        const auto train = standardLfmPulseTrain();
        std::vector<cf> x(train.size());
        const double perPulse = 2 * M_PI * fd * 4096 / 30.72e6;
        for (std::size_t i = delay; i < x.size(); ++i) {
            const std::size_t src = i - delay;
            x[i] = train[src];
            if (src >= std::size_t(targetDelay)) {
                const std::size_t echo = src - targetDelay;
                x[i] += 0.5f * train[echo] * std::polar(1.0f, float(perPulse * double(echo / 4096)));
            }
        }
        addGaussianNoise(x, 0.01f);
        return x;
    }

    QTemporaryDir dir_;
};

TEST_F(ZeltRd, FindsTheDelayedTrainAndTheMovingTarget)
{
    ASSERT_TRUE(writeSampleFile(path("capture.bin"), capture(37, 20, 937.5)));
    const Outcome r = run("'" + path("capture.bin") + "' --out '" + path("out") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    const auto out = lines(r.out);
    ASSERT_EQ(out.size(), 2u) << r.out;
    EXPECT_EQ(out[0], "synchronisation index: 37");
    EXPECT_EQ(out[1].rfind("strongest cell: range bin 20, Doppler bin 160, ", 0), 0u) << out[1];

    for (const char* name : {"rdMap.f64", "rawEcho.f64", "compressedEcho.f64"})
        EXPECT_EQ(QFileInfo(QString::fromStdString(path("out/") + name)).size(), 128 * 256 * 8)
            << name;
    // The aligned raw echo holds the chirp: magnitude 1 at range sample 0 of pulse 0.
    std::ifstream raw(path("out/rawEcho.f64"), std::ios::binary);
    double first = 0;
    raw.read(reinterpret_cast<char*>(&first), sizeof first);
    EXPECT_NEAR(first, 1.0, 0.05);

    const QImage png(QString::fromStdString(path("out/rdMap.png")));
    EXPECT_EQ(png.width(), 256);
    EXPECT_EQ(png.height(), 128);
}

TEST_F(ZeltRd, ShortCaptureAndShortReferenceAreZeroExtended)
{
    auto x = capture(37, 20, 937.5);
    x.resize(300000);
    ASSERT_TRUE(writeSampleFile(path("short.bin"), x));
    auto tx = standardLfmPulseTrain();
    tx.resize(256);  // just the chirp
    ASSERT_TRUE(writeSampleFile(path("tx_buff.dat"), tx));
    const Outcome r = run("'" + path("short.bin") + "' --ref '" + path("tx_buff.dat") +
                      "' --out='" + path("out") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines(r.out).at(0), "synchronisation index: 37");
}

TEST_F(ZeltRd, BadInputGetsOneErrorLineAndStatusTwo)
{
    ASSERT_TRUE(writeSampleFile(path("capture.bin"), std::vector<cf>(4096, cf(1, 0))));
    { std::ofstream(path("empty.bin")); }
    { std::ofstream(path("crumb.bin")) << "abc"; }  // less than one sample
    const std::string cap = "'" + path("capture.bin") + "'";
    const std::string out = " --out '" + path("out") + "'";
    const std::pair<const char*, std::string> cases[] = {
        {"missing capture", "'" + path("nope.bin") + "'" + out},
        {"empty capture", "'" + path("empty.bin") + "'" + out},
        {"capture without a whole sample", "'" + path("crumb.bin") + "'" + out},
        {"directory as capture", "'" + path("") + "'" + out},
        {"missing reference", cap + " --ref '" + path("nope.dat") + "'" + out},
        {"empty reference", cap + " --ref '" + path("empty.bin") + "'" + out},
        {"no capture", out},
        {"no output directory", cap},
        {"unknown option", cap + out + " --fast"},
        {"option without value", cap + " --out"},
        {"two captures", cap + " " + cap + out},
    };
    for (const auto& [what, args] : cases) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_TRUE(r.out.empty()) << what << ": " << r.out;
        const auto err = lines(r.err);
        ASSERT_EQ(err.size(), 1u) << what << ": " << r.err;
        EXPECT_EQ(err[0].rfind("zelt-rd: ", 0), 0u) << what << ": " << err[0];
    }
}

TEST_F(ZeltRd, UnreadableCaptureGetsStatusTwo)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their mode";
    ASSERT_TRUE(writeSampleFile(path("locked.bin"), std::vector<cf>(16)));
    ASSERT_EQ(chmod(path("locked.bin").c_str(), 0), 0);
    const Outcome r = run("'" + path("locked.bin") + "' --out '" + path("out") + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err;
}

}  // namespace
