#pragma once
// Helpers shared by the library's tests: temporary directories, a board
// made of plain files, frames built by hand, and captured console output.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "frame_builder.h"
#include "kovra_frame_format.h"

namespace kt {

class TempDir {
public:
    TempDir()
    {
        char tmpl[] = "/tmp/kovra-test.XXXXXX";
        const char* p = mkdtemp(tmpl);
        if (!p)
            ADD_FAILURE() << "mkdtemp failed";
        path_ = p ? p : "/tmp";
    }
    ~TempDir()
    {
        nftw(path_.c_str(), [](const char* f, const struct stat*, int, struct FTW*) { return remove(f); },
             16, FTW_DEPTH | FTW_PHYS);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Points the library at `dir` for the lifetime of the object.
class NodeDirScope {
public:
    explicit NodeDirScope(const std::string& dir) { setenv("ZELT_XDMA_DIR", dir.c_str(), 1); }
    ~NodeDirScope() { unsetenv("ZELT_XDMA_DIR"); }
};

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes)
{
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t r = write(fd, bytes.data() + done, bytes.size() - done);
        ASSERT_GT(r, 0);
        done += static_cast<size_t>(r);
    }
    close(fd);
}

inline std::vector<uint8_t> read_file(const std::string& path)
{
    std::vector<uint8_t> out;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return out;
    uint8_t buf[65536];
    ssize_t r;
    while ((r = read(fd, buf, sizeof buf)) > 0)
        out.insert(out.end(), buf, buf + r);
    close(fd);
    return out;
}

inline off_t file_size(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// Writes one 32-bit register of a register-window file.
inline void set_register(const std::string& user_file, uint32_t offset, uint32_t value)
{
    int fd = open(user_file.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, &value, 4, offset), 4);
    close(fd);
}

inline uint32_t get_register(const std::string& user_file, uint32_t offset)
{
    uint32_t v = 0;
    int fd = open(user_file.c_str(), O_RDONLY);
    if (fd >= 0) {
        if (pread(fd, &v, 4, offset) != 4)
            v = 0xDEADBEEF;
        close(fd);
    }
    return v;
}

// A board made of plain files in `dir`: register window with both gates
// open, and regular files (or named pipes) for the stream nodes.
inline void make_plain_board(const std::string& dir, unsigned board = 0, bool pipes = false,
                             const std::vector<uint8_t>& c2h_content = {})
{
    const std::string base = dir + "/xdma" + std::to_string(board) + "_";
    std::vector<uint8_t> window(KOVRA_REG_WINDOW_SIZE, 0);
    window[KOVRA_REG_TX_FLOWCTRL] = 1;
    window[KOVRA_REG_RX_FLOWCTRL] = 1;
    write_file(base + "user", window);
    if (pipes) {
        ASSERT_EQ(mkfifo((base + "h2c_0").c_str(), 0644), 0);
        ASSERT_EQ(mkfifo((base + "c2h_0").c_str(), 0644), 0);
    } else {
        write_file(base + "h2c_0", {});
        write_file(base + "c2h_0", c2h_content);
    }
}

inline uint32_t iq_word(int16_t i, int16_t q)
{
    return static_cast<uint16_t>(i) | (static_cast<uint32_t>(static_cast<uint16_t>(q)) << 16);
}

// Console output of the library during `fn`.
template <class F>
std::string capture_stdout(F fn)
{
    fflush(stdout);
    testing::internal::CaptureStdout();
    fn();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

template <class F>
std::string capture_stderr(F fn)
{
    fflush(stderr);
    testing::internal::CaptureStderr();
    fn();
    fflush(stderr);
    return testing::internal::GetCapturedStderr();
}

}  // namespace kt

namespace kt {

// Polls `pred` until it holds or `ms` milliseconds pass.
template <class P>
bool eventually(P pred, int ms = 3000)
{
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline double seconds_since(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace kt
