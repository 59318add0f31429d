#pragma once
// The simulated board: its nodes in a directory, its register window and
// the three activities of a real board (status registers, the DAC consuming
// host-to-card frames, the receiver producing card-to-host frames).

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "options.h"

namespace xdmasim {

struct Counters {
    std::atomic<uint64_t> h2c_good{0};
    std::atomic<uint64_t> h2c_bad{0};
    std::atomic<uint64_t> h2c_skipped_bytes{0};
    std::atomic<uint64_t> c2h_sent{0};
    std::atomic<uint64_t> c2h_looped{0};
    std::atomic<uint64_t> c2h_bad_trailer{0};
    std::atomic<uint64_t> c2h_dropped{0};  // paced frames the host did not take in time
};

class Board {
public:
    explicit Board(Options opt) : opt_(std::move(opt)) {}
    ~Board();

    // Creates the directory (if needed) and the nodes; false with a message.
    bool create_nodes(std::string& error);
    // Removes the nodes (and the directory if this board created it).
    void remove_nodes();

    const std::string& dir() const { return dir_; }
    const Counters& counters() const { return counters_; }

    // Thread bodies; they run until the process ends.
    void registers_loop();
    void h2c_loop();
    void c2h_loop();

private:
    std::string node(const char* suffix) const;
    void set_reg(uint32_t offset, uint32_t v);
    bool stalled(uint64_t frames) const { return opt_.stall_after && frames >= opt_.stall_after; }

    Options opt_;
    std::string dir_;
    bool made_dir_ = false;
    uint32_t* regs_ = nullptr;
    int h2c_fd_ = -1;
    int c2h_fd_ = -1;

    // Host-to-card payloads waiting for the DAC, oldest first.
    std::mutex queue_mutex_;
    std::condition_variable queue_cv_;
    std::deque<std::vector<uint8_t>> dac_queue_;
    std::atomic<bool> behind_{false};

    Counters counters_;
};

}  // namespace xdmasim
