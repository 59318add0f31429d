#include "options.h"

#include <cstdlib>
#include <cstring>

namespace xdmasim {

const char* usage()
{
    return "usage: xdma-sim [--dir D] [--board N] [--rate FPS] [--target DELAY,DOPPLER_HZ,AMPL]...\n"
           "                [--noise SIGMA] [--temperature C] [--bad-trailer-every N]\n"
           "                [--garbage N] [--stall-after N] [--channel-dc STEP] [--loopback-gain G]\n"
           "Plays XDMA board N in directory D (default: a new temporary directory).\n"
           "  --rate FPS             card-to-host frames per second (7500 = real time; frames the\n"
           "                         host does not read in time are dropped); 0 = in step with\n"
           "                         the host's reads. The DAC plays one frame per frame produced\n"
           "  --target D,F,A         point target: delay in samples, Doppler in Hz, amplitude\n"
           "  --noise SIGMA          Gaussian noise, standard deviation in ADC counts (default 8)\n"
           "  --temperature C        board temperature reported at 0x700 (default 45)\n"
           "  --bad-trailer-every N  corrupt the trailer of every Nth frame sent to the host\n"
           "  --garbage N            N garbage bytes between frames sent to the host\n"
           "  --stall-after N        stop moving data in each direction after N frames\n"
           "  --exit-with-parent     end (removing the nodes) when the starting process ends\n"
           "  --channel-dc STEP      add c x STEP ADC counts to I of channel c, to tell channels apart\n"
           "  --loopback-gain G      scale the looped-back direct path by G (default 1); below 1 it\n"
           "                         leaves the echoes headroom before the ADC clips\n"
           "Then run any program with ZELT_XDMA_DIR=D.\n";
}

static bool to_u64(const char* s, uint64_t& v)
{
    char* end = nullptr;
    unsigned long long x = std::strtoull(s, &end, 10);
    if (!*s || *end || s[0] == '-')
        return false;
    v = x;
    return true;
}

static bool to_double(const char* s, double& v)
{
    char* end = nullptr;
    v = std::strtod(s, &end);
    return *s && !*end;
}

static bool parse_target(const char* s, Target& t)
{
    double v[3];
    const char* p = s;
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        v[i] = std::strtod(p, &end);
        if (end == p)
            return false;
        if (i < 2) {
            if (*end != ',')
                return false;
            p = end + 1;
        } else if (*end) {
            return false;
        }
    }
    if (v[0] < 0)
        return false;
    t.delay_samples = v[0];
    t.doppler_hz = v[1];
    t.amplitude = v[2];
    return true;
}

bool parse_options(int argc, char** argv, Options& o, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help") {
            o.help = true;
            continue;
        }
        if (a == "--exit-with-parent") {
            o.exit_with_parent = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = "missing value for " + a;
            return false;
        }
        const char* v = argv[++i];
        uint64_t u = 0;
        bool ok = true;
        if (a == "--dir") {
            o.dir = v;
        } else if (a == "--board") {
            ok = to_u64(v, u) && u <= 7;
            o.board = static_cast<unsigned>(u);
        } else if (a == "--rate") {
            ok = to_double(v, o.rate) && o.rate >= 0;
        } else if (a == "--target") {
            Target t;
            ok = parse_target(v, t);
            o.targets.push_back(t);
        } else if (a == "--noise") {
            ok = to_double(v, o.noise) && o.noise >= 0;
        } else if (a == "--loopback-gain") {
            ok = to_double(v, o.loopback_gain) && o.loopback_gain >= 0;
        } else if (a == "--channel-dc") {
            ok = to_double(v, o.channel_dc);
        } else if (a == "--temperature") {
            ok = to_double(v, o.temperature);
        } else if (a == "--bad-trailer-every") {
            ok = to_u64(v, o.bad_trailer_every);
        } else if (a == "--garbage") {
            ok = to_u64(v, o.garbage_bytes);
        } else if (a == "--stall-after") {
            ok = to_u64(v, o.stall_after);
        } else {
            error = "unknown option " + a;
            return false;
        }
        if (!ok) {
            error = "bad value for " + a + ": " + v;
            return false;
        }
    }
    return true;
}

}  // namespace xdmasim
