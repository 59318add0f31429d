#pragma once
// Constants shared by every unit of varnex: frame geometry, capture sizes,
// waveform band and the board's device nodes and register addresses.

#include <cstddef>

constexpr int NUM_CHANNELS = 8;
constexpr int NUM_DATA_POINTS = 4096;
constexpr int DATA_POINT_SIZE = 4;
constexpr int MARKER_SIZE = 32;
constexpr int BLOCK_SIZE = 131072;
constexpr int NUM_POINTS_PER_SYMBOL = 5000;
constexpr int NUM_DATASIZE_PER_SYMBOL = 4096;
constexpr int NUM_SYMBOL_PER_SLOT = 15;
constexpr int NUM_SLOT = 30;
constexpr int NUM_SYMBOL = 450;
constexpr int CHANNEL_DATA_SIZE = 1843200;
constexpr int CHANNEL_BUFFER_SIZE = 2250000;
constexpr long long RX_BUFFER_SIZE = 72000000;
constexpr long long TX_BUFFER_SIZE = 1920000000;

constexpr float f0 = -1e7f;
constexpr float f1 = 1e7f;
inline constexpr const char* tx_signal_type = "LFM";
inline constexpr const char* data_path = "./data";

namespace DeviceConstants {
inline constexpr const char* XDMA_H2C_DEVICE = "/dev/xdma0_h2c_0";
inline constexpr const char* XDMA_C2H_DEVICE = "/dev/xdma0_c2h_0";
inline constexpr const char* XDMA_CONTROL_DEVICE = "/dev/xdma0_control";
inline constexpr const char* DDR_REG_ADDR = "0x0100";
inline constexpr const char* AURORA_A_STATUS_ADDR = "0x0300";
inline constexpr const char* AURORA_B_STATUS_ADDR = "0x0400";
inline constexpr const char* FPGA_STATUS_ADDR_1 = "0x0500";
inline constexpr const char* FPGA_STATUS_ADDR_2 = "0x0600";
inline constexpr const char* STATUS_REG_ADDR = "0x0700";
}  // namespace DeviceConstants
