#include "options.h"

const char* rdUsage()
{
    return "usage: zelt-rd CAPTURE [--ref TX_FILE] --out DIR\n"
           "Runs the range-Doppler chain of varnex on one capture file (1,048,576 samples of\n"
           "two little-endian float32; shorter files are zero-extended) and writes rdMap.f64,\n"
           "rawEcho.f64, compressedEcho.f64 (row-major 128 x 256 float64, little-endian) and\n"
           "rdMap.png into DIR. The reference is the standard LFM train unless --ref names a\n"
           "file in tx_buff.dat format. Exit status: 0 done, 2 bad input or usage,\n"
           "1 the results could not be written.\n";
}

bool parseRdOptions(int argc, char** argv, RdOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const std::string& name, std::string& into) {
            if (arg.rfind(name + "=", 0) == 0) {
                into = arg.substr(name.size() + 1);
                return true;
            }
            if (i + 1 >= argc) {
                error = "option " + name + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            return true;
        } else if (arg == "--ref" || arg.rfind("--ref=", 0) == 0) {
            if (!value("--ref", options.ref))
                return false;
            if (options.ref.empty()) {
                error = "option --ref needs a file name";
                return false;
            }
        } else if (arg == "--out" || arg.rfind("--out=", 0) == 0) {
            if (!value("--out", options.outDir))
                return false;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (options.capture.empty()) {
            options.capture = arg;
        } else {
            error = "more than one capture file given";
            return false;
        }
    }
    if (options.capture.empty()) {
        error = "no capture file given";
        return false;
    }
    if (options.outDir.empty()) {
        error = "no output directory given (--out DIR)";
        return false;
    }
    return true;
}
