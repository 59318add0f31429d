#include "board.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "frames.h"
#include "kovra_frame_format.h"
#include "scene.h"

namespace xdmasim {

namespace {
constexpr size_t kControlSize = 4096;
// The transmit gate closes when this many frames wait for the DAC and opens
// again at the lower mark; beyond the cap the board stops taking frames.
constexpr size_t kGateCloseFrames = 16;
constexpr size_t kGateOpenFrames = 4;
constexpr size_t kQueueCapFrames = 256;
constexpr int kPipeBytes = 1 << 20;

bool write_all(int fd, const uint8_t* p, size_t n)
{
    while (n > 0) {
        ssize_t r = write(fd, p, n);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// Bytes a write to the pipe can take without blocking (only this process
// writes to it, so the room can only grow until the write).
size_t pipe_room(int fd)
{
    int size = fcntl(fd, F_GETPIPE_SZ);
    int used = 0;
    if (size < 0 || ioctl(fd, FIONREAD, &used) != 0)
        return 0;
    return used < size ? static_cast<size_t>(size - used) : 0;
}

void sleep_forever()
{
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}
}  // namespace

Board::~Board()
{
    if (regs_)
        munmap(regs_, KOVRA_REG_WINDOW_SIZE);
    if (h2c_fd_ >= 0)
        close(h2c_fd_);
    if (c2h_fd_ >= 0)
        close(c2h_fd_);
}

std::string Board::node(const char* suffix) const
{
    return dir_ + "/xdma" + std::to_string(opt_.board) + "_" + suffix;
}

bool Board::create_nodes(std::string& error)
{
    if (opt_.dir.empty()) {
        char tmpl[] = "/tmp/xdma-sim.XXXXXX";
        if (!mkdtemp(tmpl)) {
            error = std::string("cannot create a temporary directory: ") + std::strerror(errno);
            return false;
        }
        dir_ = tmpl;
        made_dir_ = true;
    } else {
        dir_ = opt_.dir;
        if (mkdir(dir_.c_str(), 0755) == 0)
            made_dir_ = true;
        else if (errno != EEXIST) {
            error = "cannot create " + dir_ + ": " + std::strerror(errno);
            return false;
        }
    }

    auto make_file = [&](const std::string& path, size_t size) -> int {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
            error = "cannot create " + path + ": " + std::strerror(errno);
            if (fd >= 0)
                close(fd);
            return -1;
        }
        return fd;
    };
    int user_fd = make_file(node("user"), KOVRA_REG_WINDOW_SIZE);
    if (user_fd < 0)
        return false;
    void* map = mmap(nullptr, KOVRA_REG_WINDOW_SIZE, PROT_READ | PROT_WRITE, MAP_SHARED, user_fd, 0);
    close(user_fd);
    if (map == MAP_FAILED) {
        error = std::string("cannot map the register window: ") + std::strerror(errno);
        return false;
    }
    regs_ = static_cast<uint32_t*>(map);
    int ctl = make_file(node("control"), kControlSize);
    if (ctl < 0)
        return false;
    close(ctl);

    for (const char* s : {"h2c_0", "c2h_0"}) {
        std::string p = node(s);
        unlink(p.c_str());
        if (mkfifo(p.c_str(), 0666) != 0) {
            error = "cannot create " + p + ": " + std::strerror(errno);
            return false;
        }
    }
    // Read-write so opening never waits for a peer and hosts may come and go.
    h2c_fd_ = open(node("h2c_0").c_str(), O_RDWR | O_CLOEXEC);
    c2h_fd_ = open(node("c2h_0").c_str(), O_RDWR | O_CLOEXEC);
    if (h2c_fd_ < 0 || c2h_fd_ < 0) {
        error = std::string("cannot open the stream nodes: ") + std::strerror(errno);
        return false;
    }
    fcntl(h2c_fd_, F_SETPIPE_SZ, kPipeBytes);
    fcntl(c2h_fd_, F_SETPIPE_SZ, kPipeBytes);

    // Registers are valid before anyone is told the board is ready.
    set_reg(KOVRA_REG_TX_FLOWCTRL, 1);
    set_reg(KOVRA_REG_RX_FLOWCTRL, 1);
    set_reg(KOVRA_REG_AURORA_A, 1);
    set_reg(KOVRA_REG_AURORA_B, 1);
    set_reg(KOVRA_REG_TEMPERATURE,
            static_cast<uint32_t>(std::lround((opt_.temperature + 273.15) * 65536.0 / 503.975)));
    return true;
}

void Board::remove_nodes()
{
    for (const char* s : {"user", "control", "h2c_0", "c2h_0"})
        unlink(node(s).c_str());
    if (made_dir_)
        rmdir(dir_.c_str());
}

void Board::set_reg(uint32_t offset, uint32_t v)
{
    __atomic_store_n(&regs_[offset / 4], v, __ATOMIC_RELAXED);
}

void Board::registers_loop()
{
    const uint32_t temp =
        static_cast<uint32_t>(std::lround((opt_.temperature + 273.15) * 65536.0 / 503.975));
    for (;;) {
        set_reg(KOVRA_REG_TX_FLOWCTRL, behind_.load() ? 0u : 1u);
        set_reg(KOVRA_REG_RX_FLOWCTRL, 1);
        set_reg(KOVRA_REG_AURORA_A, 1);
        set_reg(KOVRA_REG_AURORA_B, 1);
        set_reg(KOVRA_REG_TEMPERATURE, temp);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void Board::h2c_loop()
{
    FrameParser parser;
    std::vector<uint8_t> buf(1 << 20);
    for (;;) {
        if (stalled(counters_.h2c_good.load()))
            sleep_forever();
        ssize_t r = read(h2c_fd_, buf.data(), buf.size());
        if (r < 0) {
            if (errno == EINTR)
                continue;
            std::perror("xdma-sim: h2c read");
            return;
        }
        parser.feed(buf.data(), static_cast<size_t>(r), [&](const uint8_t* payload, bool good) {
            if (!good) {
                counters_.h2c_bad++;
                return;
            }
            counters_.h2c_good++;
            std::unique_lock<std::mutex> lock(queue_mutex_);
            queue_cv_.wait(lock, [&] { return dac_queue_.size() < kQueueCapFrames; });
            dac_queue_.emplace_back(payload, payload + KOVRA_PAYLOAD_SIZE);
            if (dac_queue_.size() >= kGateCloseFrames)
                behind_ = true;
            queue_cv_.notify_all();
        });
        counters_.h2c_skipped_bytes = parser.skipped_bytes();
    }
}

void Board::c2h_loop()
{
    using clock = std::chrono::steady_clock;
    Scene scene(opt_.targets, opt_.noise, opt_.channel_dc, opt_.loopback_gain);
    std::vector<uint8_t> frame(KOVRA_FRAME_SIZE);
    build_frame(frame.data());
    std::vector<uint8_t> garbage(opt_.garbage_bytes);
    std::mt19937 rng(7);
    std::vector<uint8_t> played;

    const auto period = opt_.rate > 0 ? std::chrono::duration_cast<clock::duration>(
                                            std::chrono::duration<double>(1.0 / opt_.rate))
                                      : clock::duration::zero();
    auto next = clock::now();
    for (;;) {
        if (stalled(counters_.c2h_sent.load()))
            sleep_forever();
        if (opt_.rate > 0) {
            next += period;
            auto now = clock::now();
            if (next > now)
                std::this_thread::sleep_until(next);
            else if (now - next > std::chrono::milliseconds(100))
                next = now; // a host that stopped reading does not earn a burst
        }

        // The DAC plays one waiting frame per pulse interval. Unpaced, wait a
        // little for one rather than flood the host with idle frames.
        bool have = false;
        {
            std::unique_lock<std::mutex> lock(queue_mutex_);
            if (opt_.rate == 0 && dac_queue_.empty())
                queue_cv_.wait_for(lock, std::chrono::milliseconds(10));
            if (!dac_queue_.empty()) {
                played = std::move(dac_queue_.front());
                dac_queue_.pop_front();
                have = true;
            }
            if (dac_queue_.size() <= kGateOpenFrames)
                behind_ = false;
            queue_cv_.notify_all();
        }
        scene.render(have ? played.data() : nullptr, frame.data() + KOVRA_PAYLOAD_OFFSET);

        const uint64_t number = counters_.c2h_sent.load() + 1;
        const bool bad = opt_.bad_trailer_every && number % opt_.bad_trailer_every == 0;
        frame[KOVRA_TRAILER_CHECK_OFFSET] = bad ? 0x00 : KOVRA_TRAILER_BYTE;
        // Paced, the board runs on its own clock: a host that does not read
        // loses frames (its DAC still plays). Unpaced, it runs in lock-step
        // with the host's reads.
        if (opt_.rate > 0 && pipe_room(c2h_fd_) < frame.size() + garbage.size()) {
            counters_.c2h_dropped++;
            continue;
        }
        if (!write_all(c2h_fd_, frame.data(), frame.size())) {
            std::perror("xdma-sim: c2h write");
            return;
        }
        counters_.c2h_sent++;
        if (have)
            counters_.c2h_looped++;
        if (bad)
            counters_.c2h_bad_trailer++;
        if (!garbage.empty()) {
            for (auto& b : garbage)
                b = static_cast<uint8_t>(rng());
            write_all(c2h_fd_, garbage.data(), garbage.size());
        }
    }
}

}  // namespace xdmasim
