#pragma once
// Runs xdma-sim as a child process for a test: started in a directory,
// waited for until it reports ready, stopped with SIGTERM.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kt {

class SimProcess {
public:
    SimProcess(const std::string& dir, const std::vector<std::string>& args)
    {
        std::vector<std::string> argv_s = {XDMA_SIM_PATH, "--exit-with-parent", "--dir", dir};
        argv_s.insert(argv_s.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : argv_s)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "pipe failed";
            return;
        }
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], STDOUT_FILENO);
        int err = posix_spawn(&pid_, XDMA_SIM_PATH, &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        close(fds[1]);
        out_fd_ = fds[0];
        if (err != 0) {
            ADD_FAILURE() << "cannot start xdma-sim: " << err;
            pid_ = -1;
            return;
        }
        ready_ = read_until("ready", 10000);
        if (!ready_)
            ADD_FAILURE() << "xdma-sim did not report ready; output: " << output_;
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ready() const { return ready_; }
    const std::string& output() const { return output_; }

    // SIGTERM, then wait (SIGKILL after 10 s). Returns the exit status.
    int stop()
    {
        if (pid_ <= 0)
            return exit_status_;
        kill(pid_, SIGTERM);
        int status = 0;
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            pid_t r = waitpid(pid_, &status, WNOHANG);
            if (r == pid_)
                break;
            if (std::chrono::steady_clock::now() > until) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                ADD_FAILURE() << "xdma-sim ignored SIGTERM";
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        pid_ = -1;
        read_until("\x01never", 500);  // the rest of the output, until EOF
        close(out_fd_);
        out_fd_ = -1;
        exit_status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exit_status_;
    }

private:
    bool read_until(const char* marker, int timeout_ms)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (output_.find(marker) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd p{out_fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buf[4096];
            ssize_t r = read(out_fd_, buf, sizeof buf);
            if (r <= 0)
                return false;
            output_.append(buf, static_cast<size_t>(r));
        }
        return true;
    }

    pid_t pid_ = -1;
    int out_fd_ = -1;
    bool ready_ = false;
    int exit_status_ = -1;
    std::string output_;
};

}  // namespace kt
