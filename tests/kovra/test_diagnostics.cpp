#include <gtest/gtest.h>

#include <vector>

#include "kovra_api.h"
#include "spsc_ringbuf.h"
#include "test_support.h"
#include "transport.h"

namespace {

class Diagnostics : public ::testing::Test {
protected:
    void SetUp() override
    {
        kt::make_plain_board(dir_.path());
        kt::capture_stdout([&] { dev_ = kovra_open_device(nullptr); });
        ASSERT_NE(dev_, nullptr);
    }
    void TearDown() override
    {
        kt::capture_stdout([&] { kovra_close_device(dev_); });
    }
    // A transmit ring of 32 MiB holding `used` bytes.
    void fill_tx_ring(size_t used)
    {
        kovra_transport* t = kovra_get_transport(dev_);
        kt::capture_stdout([&] { t->tx_ring = spsc_ringbuf_create(0x2000000); });
        std::vector<uint8_t> chunk(1 << 20, 0x42);
        for (size_t done = 0; done < used;) {
            size_t n = std::min(chunk.size(), used - done);
            ASSERT_EQ(spsc_ringbuf_write(t->tx_ring, chunk.data(), n), static_cast<int>(n));
            done += n;
        }
    }
    static std::string tx_ring_lines(const std::string& report)
    {
        size_t a = report.find("TX Ring Buffer");
        size_t b = report.find("RX Ring Buffer");
        return report.substr(a, b - a);
    }

    kt::TempDir dir_;
    kt::NodeDirScope scope_{dir_.path()};
    kovra_device_descriptor* dev_ = nullptr;
};

TEST_F(Diagnostics, RingFillIsShownAsABarColouredByLevel)
{
    struct Case {
        size_t used;
        const char* line;
    } cases[] = {
        {25165824, "║   24576/32768 KB  \033[33m[##################-------]  75.0%\033[0m\n"},
        {30000000, "║   29296/32768 KB  \033[31m[######################---]  89.4%\033[0m\n"},
        {1048576, "║   1024/32768 KB  \033[32m[-------------------------]   3.1%\033[0m\n"},
    };
    for (const Case& c : cases) {
        fill_tx_ring(c.used);
        kovra_ringbuf_status st;
        ASSERT_EQ(kovra_get_ringbuf_status(dev_, 0, &st), 0);
        EXPECT_EQ(st.active, 1);
        EXPECT_EQ(st.capacity, 33554432u);
        EXPECT_EQ(st.used, c.used);
        EXPECT_EQ(st.free, 33554432u - c.used);
        EXPECT_DOUBLE_EQ(st.fill_percent, c.used * 100.0 / 33554432.0);
        std::string out = kt::capture_stdout([&] { EXPECT_EQ(kovra_dump_pipeline_status(dev_), 0); });
        EXPECT_NE(tx_ring_lines(out).find(c.line), std::string::npos) << out;
        kovra_transport* t = kovra_get_transport(dev_);
        kt::capture_stdout([&] { spsc_ringbuf_destroy(t->tx_ring); });
        t->tx_ring = nullptr;
    }
}

TEST_F(Diagnostics, ReportBeforeAnyStream)
{
    std::string out = kt::capture_stdout([&] { kovra_dump_pipeline_status(dev_); });
    const char* expected =
        "\n"
        "╔══════════════════════════════════════════════════════╗\n"
        "║          KOVRA Pipeline Diagnostic Status           ║\n"
        "╠══════════════════════════════════════════════════════╣\n"
        "║ ▶ Flow Control (atomic, updated every 1ms)          ║\n"
        "║   TX(H2C): \033[31mBLOCK\033[0m  |  RX(C2H): \033[31mBLOCK\033[0m           ║\n"
        "║   FC Threads: TX=\033[33mOFF\033[0m  RX=\033[33mOFF\033[0m                       ║\n"
        "╠══════════════════════════════════════════════════════╣\n"
        "║ ▶ TX Ring Buffer                                      ║\n"
        "║   [NOT ACTIVE]                                      ║\n"
        "╠══════════════════════════════════════════════════════╣\n"
        "║ ▶ RX Ring Buffer                                      ║\n"
        "║   [NOT ACTIVE]                                      ║\n"
        "╚══════════════════════════════════════════════════════╝\n";
    EXPECT_EQ(out, expected);
    kovra_ringbuf_status st;
    st.active = 7;
    EXPECT_EQ(kovra_get_ringbuf_status(dev_, 1, &st), 0);
    EXPECT_EQ(st.active, 0);
    EXPECT_EQ(st.capacity, 0u);
}

TEST_F(Diagnostics, FlowControlWhileStreaming)
{
    kt::capture_stdout([&] { ASSERT_EQ(kovra_start_rx_streaming(dev_), 0); });
    kovra_flowctrl_status st;
    ASSERT_TRUE(kt::eventually([&] {
        kovra_get_flowctrl_status(dev_, &st);
        return st.fc_rx_running == 1 && st.rx_allow == 1;
    }));
    EXPECT_EQ(st.fc_tx_running, 0);
    std::string out = kt::capture_stdout([&] { kovra_dump_pipeline_status(dev_); });
    EXPECT_NE(out.find("RX(C2H): \033[32mALLOW\033[0m"), std::string::npos);
    EXPECT_NE(out.find("RX=\033[32mRUN\033[0m"), std::string::npos);
    kt::capture_stdout([&] { kovra_stop_rx_streaming(dev_); });
    kovra_get_flowctrl_status(dev_, &st);
    EXPECT_EQ(st.fc_rx_running, 0);
}

TEST(DiagnosticsArgs, NullArgumentsAreRefused)
{
    kovra_flowctrl_status fc;
    kovra_ringbuf_status rs;
    EXPECT_EQ(kovra_get_flowctrl_status(nullptr, &fc), -22);
    EXPECT_EQ(kovra_get_ringbuf_status(nullptr, 0, &rs), -22);
    EXPECT_EQ(kovra_dump_pipeline_status(nullptr), -22);
}

}  // namespace
