// Devices over a board made of plain files: enumeration, open options, the
// register command channel and the setter cache, one-frame direct I/O.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "kovra_api.h"
#include "test_support.h"
#include "transport.h"

namespace {

class PlainBoard : public ::testing::Test {
protected:
    void SetUp() override { kt::make_plain_board(dir_.path()); }
    void TearDown() override
    {
        if (dev_)
            kt::capture_stdout([&] { kovra_close_device(dev_); });
    }
    kovra_device_descriptor* open(const char* opts = "devid:0")
    {
        kt::capture_stdout([&] { dev_ = kovra_open_device(opts); });
        return dev_;
    }
    std::string user() const { return dir_.file("xdma0_user"); }

    kt::TempDir dir_;
    kt::NodeDirScope scope_{dir_.path()};
    kovra_device_descriptor* dev_ = nullptr;
};

TEST_F(PlainBoard, OpenReportsTheHandshakeAndDefaults)
{
    kt::set_register(user(), 0x000, 0x1);
    kt::set_register(user(), 0x100, 0x3);
    std::string out = kt::capture_stdout([&] { dev_ = kovra_open_device("devid:0"); });
    ASSERT_NE(dev_, nullptr);
    EXPECT_NE(out.find("Init: FlowCtrl WR=0x01 RD=0x03\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Init: Codebook set (first 410 bits=1, rest=0, 512 bytes).\n"), std::string::npos);
    EXPECT_NE(out.find("kovra(id: 0) 启动正常.\n"), std::string::npos);
    uint64_t lo = 0;
    uint32_t fs = 0, bw = 0;
    kovra_get_tx_lo_freq(dev_, &lo);
    kovra_get_tx_sampling_freq(dev_, 9, &fs);
    kovra_get_rx_rf_bandwidth(dev_, &bw);
    EXPECT_EQ(lo, 2690000000ull);
    EXPECT_EQ(fs, 30720000u);
    EXPECT_EQ(bw, 30720000u);
    int version = 0;
    EXPECT_EQ(kovra_get_model_version(dev_, &version), 0);
    EXPECT_EQ(version, 4000);
    EXPECT_EQ(kovra_get_rx1_rf_gain(dev_, nullptr), -22);
}

TEST_F(PlainBoard, OpeningAMissingBoardFailsWithTheNodeNamed)
{
    kovra_device_descriptor* d = nullptr;
    std::string out = kt::capture_stdout([&] { d = kovra_open_device("devid:3"); });
    EXPECT_EQ(d, nullptr);
    EXPECT_NE(out.find("Error: Failed to open /dev/xdma3_user. Is xdma.ko loaded?\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Can not init interface.\n"), std::string::npos);
}

TEST_F(PlainBoard, MissingStreamNodeClosesWhatWasOpened)
{
    unlink(dir_.file("xdma0_c2h_0").c_str());
    kovra_device_descriptor* d = nullptr;
    std::string out = kt::capture_stdout([&] { d = kovra_open_device(nullptr); });
    EXPECT_EQ(d, nullptr);
    EXPECT_NE(out.find("Error: Failed to open RX channel /dev/xdma0_c2h_0.\n"), std::string::npos) << out;
}

// Every setter lands on its register: bank by chip id (paired commands share
// a bank between chips 2k-1 and 2k), 8 bytes per command.
TEST_F(PlainBoard, SettersWriteTheirCommandRegisters)
{
    ASSERT_NE(open(), nullptr);
    using Set32 = int (*)(kovra_device_descriptor*, uint8_t, uint32_t);
    struct Case {
        const char* name;
        Set32 set;
        uint8_t chip;
        uint32_t offset;
    } cases[] = {
        {"rx1_rf_gain", kovra_set_rx1_rf_gain, 3, 0x1100},
        {"rx2_rf_gain", kovra_set_rx2_rf_gain, 3, 0x3120},
        {"tx_sampling_freq", kovra_set_tx_sampling_freq, 1, 0x00E8},
        {"tx_sampling_freq", kovra_set_tx_sampling_freq, 2, 0x00E8},
        {"tx1_attenuation", kovra_set_tx1_attenuation, 4, 0x10F8},
        {"tx_rf_bandwidth", kovra_set_tx_rf_bandwidth, 5, 0x2108},
        {"hwbuf_depth", kovra_set_hwbuf_depth, 2, 0x0110},
        {"ref_clock", kovra_set_ref_clock, 0, 0x00A0},
        {"pps_select", kovra_set_pps_select, 1, 0x10A8},
        {"auxdac1", kovra_set_auxdac1, 2, 0x20B0},
        {"duplex_select", kovra_set_duplex_select, 0, 0x00C0},
        {"rx_sampling_freq", kovra_set_rx_sampling_freq, 1, 0x10D8},
        {"rx_rf_bandwidth", kovra_set_rx_rf_bandwidth, 0, 0x00E0},
        {"tx2_attenuation", kovra_set_tx2_attenuation, 2, 0x2118},
    };
    uint32_t value = 0x1234;
    for (const Case& c : cases) {
        ++value;
        std::string out = kt::capture_stdout([&] { EXPECT_EQ(c.set(dev_, c.chip, value), 0) << c.name; });
        EXPECT_EQ(kt::get_register(user(), c.offset), value) << c.name << " chip " << int(c.chip);
        EXPECT_EQ(kt::get_register(user(), c.offset + 4), 0u) << c.name;
        char line[128];
        snprintf(line, sizeof line, "[CMD] rf_id=%u cmd_id=%u offset=0x%04X param=0x%X\n", c.chip,
                 (c.offset & 0xFFF) >> 3, c.offset, value);
        EXPECT_EQ(out, line);
    }
}

TEST_F(PlainBoard, ByteWideAndEightByteParameters)
{
    ASSERT_NE(open(), nullptr);
    kt::capture_stdout([&] {
        EXPECT_EQ(kovra_set_tx_lo_freq(dev_, 1, 0x00000001A0562480ull), 0);
        EXPECT_EQ(kovra_set_rx_lo_freq(dev_, 1, 0x123456789ull), 0);
        EXPECT_EQ(kovra_enable_timestamp(dev_, 1, 1), 0);
        EXPECT_EQ(kovra_set_rx_ant_enable(dev_, 2, 0xFF), 0);
        EXPECT_EQ(kovra_set_trxsw_fpga_enable(dev_, 0, 1), 0);
    });
    EXPECT_EQ(kt::get_register(user(), 0x1128), 0xA0562480u) << "low word at the offset";
    EXPECT_EQ(kt::get_register(user(), 0x112C), 0x00000001u) << "high word at offset + 4";
    EXPECT_EQ(kt::get_register(user(), 0x00F0), 0x23456789u) << "paired command, chips 1-2 in bank 0";
    EXPECT_EQ(kt::get_register(user(), 0x00F4), 0x1u);
    EXPECT_EQ(kt::get_register(user(), 0x10D0), 1u);
    EXPECT_EQ(kt::get_register(user(), 0x20B8), 0xFFu);
    EXPECT_EQ(kt::get_register(user(), 0x00C8), 1u);
    uint64_t lo = 0;
    kovra_get_tx_lo_freq(dev_, &lo);
    EXPECT_EQ(lo, 0x00000001A0562480ull);
}

TEST_F(PlainBoard, RefusedSetterKeepsTheCache)
{
    ASSERT_NE(open(), nullptr);
    kt::capture_stdout([&] { ASSERT_EQ(kovra_set_rx1_rf_gain(dev_, 1, 20), 0); });
    std::string out = kt::capture_stderr([&] {
        kt::capture_stdout([&] { EXPECT_EQ(kovra_set_rx1_rf_gain(dev_, 0, 55), -22) << "chip 0 of a paired command"; });
    });
    uint32_t gain = 0;
    EXPECT_EQ(kovra_get_rx1_rf_gain(dev_, &gain), 0);
    EXPECT_EQ(gain, 20u);
    EXPECT_NE(out.find("send_cmd_pcie: Invalid rf chip id 0\n"), std::string::npos) << out;

    // A window that is not mapped: the command channel refuses with -5.
    kovra_transport* t = kovra_get_transport(dev_);
    uint32_t* saved = t->link->map_base;
    t->link->map_base = nullptr;
    out = kt::capture_stderr([&] { EXPECT_EQ(kovra_set_rx1_rf_gain(dev_, 1, 77), -5); });
    t->link->map_base = saved;
    EXPECT_EQ(out, "[CMD] Error: mmap not available.\n");
    kovra_get_rx1_rf_gain(dev_, &gain);
    EXPECT_EQ(gain, 20u);
    EXPECT_EQ(kovra_set_rx1_rf_gain(nullptr, 1, 1), -14);
}

TEST_F(PlainBoard, WriteThenReadReturnsTheRegister)
{
    ASSERT_NE(open(), nullptr);
    kovra_transport* t = kovra_get_transport(dev_);
    uint64_t v = 0x1122334455667788ull;
    EXPECT_EQ(send_then_recv_cmd_pcie(t, 2, 37, &v, 8, 1), 0);
    EXPECT_EQ(kt::get_register(user(), 0x2128), 0x55667788u);
    uint16_t narrow = 0;
    EXPECT_EQ(send_then_recv_cmd_pcie(t, 2, 37, &narrow, 2, 0), 0);
    EXPECT_EQ(narrow, 0x7788u) << "stored at the width asked for";
    EXPECT_EQ(send_then_recv_cmd_pcie(t, 2, 37, nullptr, 8, 0), -22);
    EXPECT_EQ(send_then_recv_cmd_pcie(t, 2, 37, &v, 3, 0), -22);
    EXPECT_EQ(send_cmd_pcie(t, 2, 37, &v, 3), -22);
}

TEST(Enumeration, FindsBoards0And2)
{
    kt::TempDir dir;
    kt::NodeDirScope scope(dir.path());
    kt::make_plain_board(dir.path(), 0);
    kt::make_plain_board(dir.path(), 2);
    kt::set_register(dir.file("xdma2_user"), 0, 0);

    kovra_device_info infos[4];
    std::memset(infos, 0x7F, sizeof infos);
    ASSERT_EQ(kovra_enumerate_devices(infos, 4), 2);
    EXPECT_EQ(infos[0].id, 0u);
    EXPECT_STREQ(infos[0].label, "ZELT XDMA SDR (id=0)");
    EXPECT_STREQ(infos[0].serial, "UNKNOWN");
    EXPECT_EQ(infos[0].num_channels, 2);
    EXPECT_EQ(infos[0].aurora_ok, 1);
    EXPECT_EQ(infos[1].id, 2u);
    EXPECT_STREQ(infos[1].label, "ZELT XDMA SDR (id=2)");
    EXPECT_EQ(infos[1].aurora_ok, 0) << "word 0 is zero";

    EXPECT_EQ(kovra_enumerate_devices(infos, 1), 1) << "stops at the array length";
    EXPECT_EQ(kovra_enumerate_devices(nullptr, 4), -22);
    EXPECT_EQ(kovra_enumerate_devices(infos, 0), -22);
}

TEST(Enumeration, UnreadableNodeStillCountsWithoutSerial)
{
    kt::TempDir dir;
    kt::NodeDirScope scope(dir.path());
    ASSERT_EQ(mkdir(dir.file("xdma1_user").c_str(), 0755), 0);  // exists, cannot be opened read-write
    kovra_device_info info[2];
    ASSERT_EQ(kovra_enumerate_devices(info, 2), 1);
    EXPECT_EQ(info[0].id, 1u);
    EXPECT_STREQ(info[0].serial, "");
    EXPECT_EQ(info[0].aurora_ok, 0);
}

TEST(OpenOptions, ParsesKeysUpToCommaOrSemicolon)
{
    struct Case {
        const char* opts;
        uint8_t devid;
        int format;
        uint32_t nsamples;
    } cases[] = {
        {"devid:1,format:float;nsamples_recv_frame:4096", 1, KOVRA_FORMAT_FLOAT, 4096},
        {"nsamples_recv_frame:4096;format:float,devid:1", 1, KOVRA_FORMAT_FLOAT, 4096},
        {"devid:1,format:FLOAT", 1, KOVRA_FORMAT_INT16, 30720},
        {"format:int16", 0, KOVRA_FORMAT_INT16, 30720},
        {"", 0, KOVRA_FORMAT_INT16, 30720},
        {"nsamples_recv_frame:99999", 0, KOVRA_FORMAT_INT16, 30720},
        {"devid:7", 7, KOVRA_FORMAT_INT16, 30720},
    };
    for (const Case& c : cases) {
        kovra_open_config cfg{0, 2, 30720, KOVRA_FORMAT_INT16};
        kt::capture_stdout([&] { parse_value_from_string(c.opts, &cfg); });
        EXPECT_EQ(cfg.devid, c.devid) << c.opts;
        EXPECT_EQ(cfg.format, c.format) << c.opts;
        EXPECT_EQ(cfg.nsamples_recv_frame, c.nsamples) << c.opts;
    }
    kovra_open_config cfg{0, 2, 30720, KOVRA_FORMAT_INT16};
    EXPECT_EQ(kt::capture_stdout([&] { parse_value_from_string("devid:1", &cfg); }), "devid: 1\n");
}

// One frame through the direct path: the transmit node receives a whole
// frame; the receive side unpacks row 880 onwards.
TEST_F(PlainBoard, DirectTransmitWritesOneFrame)
{
    ASSERT_NE(open("format:float"), nullptr);
    std::vector<float> ch1(2 * 100);
    for (int i = 0; i < 100; ++i) {
        ch1[2 * i] = 0.5f;
        ch1[2 * i + 1] = -1.0f;
    }
    void* bufs[8] = {nullptr, ch1.data()};
    EXPECT_EQ(kovra_write_samples_multiport(dev_, bufs, 0, 0x2, 0, 0), -22);
    EXPECT_EQ(kovra_write_samples_multiport(dev_, bufs, 100, 0, 0, 0), -22) << "mask 0";
    ASSERT_EQ(kovra_write_samples_multiport(dev_, bufs, 100, 0x2, 0, 0), 100);
    std::vector<uint8_t> f = kt::read_file(dir_.file("xdma0_h2c_0"));
    ASSERT_EQ(f.size(), 160000u);
    int16_t slot0[2];
    std::memcpy(slot0, f.data() + KOVRA_PAYLOAD_OFFSET, 4);
    EXPECT_EQ(slot0[0], -32767) << "Q first";
    EXPECT_EQ(slot0[1], 16384) << "then I, rounded";
    std::memcpy(slot0, f.data() + KOVRA_PAYLOAD_OFFSET + 32 * 100, 4);
    EXPECT_EQ(slot0[1], 0) << "rows past the supplied samples are zero";
}

TEST_F(PlainBoard, DirectReceiveRefusesMoreThanOnePayload)
{
    std::vector<uint8_t> frame = kt::make_frame([](uint32_t r, uint32_t) { return kt::iq_word(int16_t(r), 5); });
    const uint32_t w0 = kt::iq_word(3, 7), w1 = kt::iq_word(-2, 9);
    std::memcpy(frame.data() + 880 * 4, &w0, 4);
    std::memcpy(frame.data() + 881 * 4, &w1, 4);
    kt::write_file(dir_.file("xdma0_c2h_0"), frame);
    ASSERT_NE(open(), nullptr);
    std::vector<int16_t> out(2 * 4097);
    void* bufs[8] = {out.data()};
    std::string msg;
    msg = kt::capture_stdout([&] { EXPECT_EQ(kovra_read_samples_multiport(dev_, bufs, 4097, 1, nullptr), -22); });
    EXPECT_EQ(msg, "[RX] Error: req samples 4097 > max payload 4096\n");
    ASSERT_EQ(kovra_read_samples_multiport(dev_, bufs, 4096, 1, nullptr), 4096);
    // One enabled channel: sample j is word 880 + j of the buffer.
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 7);
    EXPECT_EQ(out[2], -2);
    EXPECT_EQ(out[3], 9);
}

TEST_F(PlainBoard, DirectReceiveOfATruncatedNodeFails)
{
    kt::write_file(dir_.file("xdma0_c2h_0"), std::vector<uint8_t>(1000, 1));
    ASSERT_NE(open(), nullptr);
    std::vector<int16_t> out(2 * 16);
    void* bufs[8] = {out.data()};
    EXPECT_EQ(kovra_read_samples_multiport(dev_, bufs, 16, 1, nullptr), -5);
}

}  // namespace
