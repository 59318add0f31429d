// xdma-sim: plays an XDMA board over plain files and named pipes so the
// driver library and every program built on it run without hardware.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <thread>
#include <unistd.h>

#include "board.h"
#include "options.h"

int main(int argc, char** argv)
{
    xdmasim::Options opt;
    std::string error;
    if (!xdmasim::parse_options(argc, argv, opt, error)) {
        std::fprintf(stderr, "xdma-sim: %s\n%s", error.c_str(), xdmasim::usage());
        return 2;
    }
    if (opt.help) {
        std::fputs(xdmasim::usage(), stdout);
        return 0;
    }

    // Only the main thread takes the stop signals.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    static xdmasim::Board board(opt);
    if (!board.create_nodes(error)) {
        std::fprintf(stderr, "xdma-sim: %s\n", error.c_str());
        board.remove_nodes();
        return 1;
    }
    std::thread([] { board.registers_loop(); }).detach();
    std::thread([] { board.h2c_loop(); }).detach();
    std::thread([] { board.c2h_loop(); }).detach();

    if (opt.exit_with_parent) {
        // A test that dies must not leave a board behind.
        const pid_t parent = getppid();
        std::thread([parent] {
            while (getppid() == parent)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            kill(getpid(), SIGTERM);
        }).detach();
    }

    std::printf("%s\n", board.dir().c_str());
    std::printf("xdma-sim: board %u ready (rate %g frames/s)\n", opt.board, opt.rate);
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stop, &sig);
    board.remove_nodes();
    const auto& c = board.counters();
    std::printf("xdma-sim: h2c frames good=%llu bad=%llu (skipped %llu bytes); "
                "c2h frames sent=%llu looped=%llu bad_trailer=%llu dropped=%llu\n",
                (unsigned long long)c.h2c_good.load(), (unsigned long long)c.h2c_bad.load(),
                (unsigned long long)c.h2c_skipped_bytes.load(), (unsigned long long)c.c2h_sent.load(),
                (unsigned long long)c.c2h_looped.load(), (unsigned long long)c.c2h_bad_trailer.load(),
                (unsigned long long)c.c2h_dropped.load());
    std::fflush(stdout);
    // The data threads may be blocked in pipe calls; end without joining them.
    _exit(0);
}
