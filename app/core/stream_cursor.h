#pragma once
// Position rules of the hardware stream workers, kept apart from the threads
// so they can be checked alone.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

// Most samples per channel moved by one stream call.
constexpr std::size_t XDMA_FFTPOINT_PERCHIRP = 4096;

// Where the transmitter is in a buffer that it sends over and over.
struct TxCursor {
    std::size_t position = 0;

    // Samples for the next call: at most 4096, never past the end. A
    // position outside the buffer (a new, shorter one) restarts at 0.
    std::size_t nextCount(std::size_t bufferSize);
    // After the board took `taken` samples; wraps to the start at the end.
    void advance(std::size_t taken, std::size_t bufferSize);
};

// Converts a board block of interleaved 16-bit I/Q values into `block`
// without scaling. Only whole pairs count, at most block-length of them; a
// shorter block overwrites only the start. `block` is resized to
// `blockLength` first if it has another length.
void convertBoardBlock(const std::vector<int16_t>& values, std::vector<std::complex<float>>& block,
                       std::size_t blockLength);
