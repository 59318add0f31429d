#pragma once
// Command line of the board simulator.

#include <cstdint>
#include <string>
#include <vector>

namespace xdmasim {

struct Target {
    double delay_samples = 0;  // echo delay, in samples at 30.72 MHz
    double doppler_hz = 0;     // Doppler shift of the echo
    double amplitude = 0;      // linear, relative to the transmitted signal
};

struct Options {
    std::string dir;             // empty: a new temporary directory
    unsigned board = 0;          // N of xdmaN_*
    double rate = 7500.0;        // card-to-host frames per second; 0 = as fast as read
    std::vector<Target> targets;
    double noise = 8.0;          // Gaussian noise, standard deviation in ADC counts
    double loopback_gain = 1.0;  // scale of the direct (looped-back) path
    double channel_dc = 0.0;     // channel c carries c x this DC offset on I (ADC counts), to tell channels apart
    double temperature = 45.0;   // degrees Celsius reported at 0x700
    uint64_t bad_trailer_every = 0;  // corrupt the trailer of every Nth frame sent
    uint64_t garbage_bytes = 0;      // bytes of garbage between frames sent
    uint64_t stall_after = 0;        // each direction stops after N frames (0: never)
    bool exit_with_parent = false;   // end when the process that started it ends
    bool help = false;
};

// Parses argv; on error returns false and fills `error`.
bool parse_options(int argc, char** argv, Options& out, std::string& error);
const char* usage();

}  // namespace xdmasim
