#include "sample_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

static_assert(sizeof(std::complex<float>) == 8, "a sample is two packed floats");

bool writeSampleFile(const std::string& path, const std::vector<std::complex<float>>& samples)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(samples.data()),
              static_cast<std::streamsize>(samples.size() * sizeof(samples[0])));
    return static_cast<bool>(out);
}

bool readSampleFile(const std::string& path, std::size_t maxSamples,
                    std::vector<std::complex<float>>& samples, std::string& error)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = path + ": is a directory";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open for reading";
        return false;
    }
    samples.assign(maxSamples, {});
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(maxSamples * sizeof(samples[0])));
    if (in.bad()) {
        error = path + ": read error";
        return false;
    }
    const std::size_t whole = static_cast<std::size_t>(in.gcount()) / sizeof(samples[0]);
    samples.resize(whole);
    if (whole == 0) {
        error = path + ": holds no complete sample";
        return false;
    }
    return true;
}
