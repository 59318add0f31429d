#pragma once
// Command line of zelt-rd.

#include <string>

struct RdOptions {
    std::string capture;  // capture file, 1,048,576 samples of two float32 each
    std::string ref;      // "tx_buff.dat"-format reference; empty: the standard LFM train
    std::string outDir;
    bool help = false;
};

// Parses argv; on a usage error returns false and sets error to one line.
bool parseRdOptions(int argc, char** argv, RdOptions& options, std::string& error);

const char* rdUsage();
