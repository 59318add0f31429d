// Streaming throughput of the driver library, in one run:
//   transmit: kovra_write_stream, CF32, 8 channels, into a host-to-card node
//             that is /dev/null;
//   receive:  kovra_read_stream, CS16, 8 channels, from a card-to-host node
//             that is a regular file of valid frames, read again and again;
// each as samples per second per channel and as a multiple of real time
// (30.72 MS/s per channel, 7500 frames/s), beside memcpy bandwidth.
//
// Usage: kovra_throughput [seconds per measurement, default 2]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "frame_builder.h"
#include "kovra_api.h"
#include "kovra_frame_format.h"

namespace {

using clock_type = std::chrono::steady_clock;
constexpr double kRealTime = 30.72e6;  // samples per second per channel
constexpr size_t kBlock = KOVRA_SAMPLES_PER_FRAME;

double since(clock_type::time_point t0)
{
    return std::chrono::duration<double>(clock_type::now() - t0).count();
}

bool write_file(const std::string& path, const void* data, size_t n)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool ok = write(fd, data, n) == static_cast<ssize_t>(n);
    close(fd);
    return ok;
}

std::vector<uint8_t> valid_frame(uint32_t seed)
{
    return kt::make_frame([seed](uint32_t r, uint32_t c) { return ((r * 8 + c) * 2654435761u + seed) & 0x3FFF3FFFu; });
}

double memcpy_gbps(double seconds)
{
    const size_t n = 64u << 20;
    std::vector<uint8_t> a(n, 1), b(n, 2);
    size_t bytes = 0;
    auto t0 = clock_type::now();
    while (since(t0) < seconds) {
        std::memcpy(b.data(), a.data(), n);
        a[bytes % n] ^= b[(bytes + 7) % n];  // keep the copies observable
        bytes += n;
    }
    return static_cast<double>(bytes) / since(t0) / 1e9;
}

double transmit_rate(kovra_device_descriptor* dev, double seconds)
{
    const uint64_t ch[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    kovra_stream* s = kovra_setup_stream(dev, KOVRA_TX, "CF32", ch, 8);
    if (!s || kovra_activate_stream(dev, s) != 0)
        return 0;
    std::vector<std::vector<float>> bufs(8, std::vector<float>(2 * kBlock));
    for (int c = 0; c < 8; ++c)
        for (size_t i = 0; i < bufs[c].size(); ++i)
            bufs[c][i] = static_cast<float>(((i * 37 + c) % 2001) / 1000.0 - 1.0);
    const void* p[8];
    for (int c = 0; c < 8; ++c)
        p[c] = bufs[c].data();
    int flags = 0;
    uint64_t samples = 0;
    auto t0 = clock_type::now();
    while (since(t0) < seconds) {
        int r = kovra_write_stream(dev, s, p, kBlock, &flags, 0, -1);
        if (r <= 0)
            break;
        samples += static_cast<uint64_t>(r);
    }
    // Count only what reached the device: wait for the ring to drain.
    kovra_ringbuf_status st;
    do {
        kovra_get_ringbuf_status(dev, 0, &st);
    } while (st.used >= KOVRA_PAYLOAD_SIZE);
    double elapsed = since(t0);
    kovra_deactivate_stream(dev, s);
    kovra_close_stream(dev, s);
    return static_cast<double>(samples) / elapsed;
}

double receive_rate(kovra_device_descriptor* dev, double seconds, uint64_t& bad)
{
    const uint64_t ch[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    kovra_stream* s = kovra_setup_stream(dev, KOVRA_RX, "CS16", ch, 8);
    if (!s || kovra_activate_stream(dev, s) != 0)
        return 0;
    std::vector<std::vector<int16_t>> bufs(8, std::vector<int16_t>(2 * kBlock));
    void* p[8];
    for (int c = 0; c < 8; ++c)
        p[c] = bufs[c].data();
    int flags = 0;
    uint64_t samples = 0;
    auto t0 = clock_type::now();
    while (since(t0) < seconds) {
        int r = kovra_read_stream(dev, s, p, kBlock, &flags, nullptr, -1);
        if (r < 0)
            break;
        samples += static_cast<uint64_t>(r);
    }
    double elapsed = since(t0);
    kovra_get_stream_stats(s, nullptr, &bad);
    kovra_deactivate_stream(dev, s);
    kovra_close_stream(dev, s);
    return static_cast<double>(samples) / elapsed;
}

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    char tmpl[] = "/tmp/kovra-bench.XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = tmpl;
    std::vector<uint8_t> window(KOVRA_REG_WINDOW_SIZE, 0);
    window[KOVRA_REG_TX_FLOWCTRL] = 1;
    window[KOVRA_REG_RX_FLOWCTRL] = 1;
    std::vector<uint8_t> frames;
    for (uint32_t k = 0; k < 16; ++k) {  // one receive request of the worker
        std::vector<uint8_t> f = valid_frame(k);
        frames.insert(frames.end(), f.begin(), f.end());
    }
    bool ok = write_file(dir + "/xdma0_user", window.data(), window.size()) &&
              write_file(dir + "/xdma0_c2h_0", frames.data(), frames.size()) &&
              symlink("/dev/null", (dir + "/xdma0_h2c_0").c_str()) == 0;
    setenv("ZELT_XDMA_DIR", dir.c_str(), 1);

    // The library's console lines would drown the figures.
    std::fflush(stdout);
    int saved_stdout = dup(STDOUT_FILENO);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, STDOUT_FILENO);
    kovra_device_descriptor* dev = ok ? kovra_open_device("devid:0") : nullptr;
    double mc = 0, tx = 0, rx = 0;
    uint64_t bad = 0;
    if (dev) {
        mc = memcpy_gbps(seconds / 2);
        tx = transmit_rate(dev, seconds);
        rx = receive_rate(dev, seconds, bad);
        kovra_close_device(dev);
    }
    std::fflush(stdout);
    dup2(saved_stdout, STDOUT_FILENO);
    close(devnull);
    close(saved_stdout);
    for (const char* n : {"/xdma0_user", "/xdma0_c2h_0", "/xdma0_h2c_0"})
        unlink((dir + n).c_str());
    rmdir(dir.c_str());
    if (!dev) {
        std::fprintf(stderr, "kovra_throughput: cannot open the benchmark board\n");
        return 1;
    }

    const double frame_gb = KOVRA_FRAME_SIZE / 1e9;
    std::printf("memcpy bandwidth          : %7.2f GB/s\n", mc);
    std::printf("real time (per direction) : %7.2f MS/s per channel, 7500 frames/s, %.2f GB/s of frames\n",
                kRealTime / 1e6, 7500 * frame_gb);
    std::printf("transmit CF32 x8 -> null  : %7.2f MS/s per channel = %5.2f x real time, %.2f GB/s of frames (%.2f of memcpy)\n",
                tx / 1e6, tx / kRealTime, tx / kBlock * frame_gb, tx / kBlock * frame_gb / mc);
    std::printf("receive  CS16 x8 <- file  : %7.2f MS/s per channel = %5.2f x real time, %.2f GB/s of frames (%.2f of memcpy)\n",
                rx / 1e6, rx / kRealTime, rx / kBlock * frame_gb, rx / kBlock * frame_gb / mc);
    std::printf("receive frames bad        : %llu\n", static_cast<unsigned long long>(bad));
    return 0;
}
