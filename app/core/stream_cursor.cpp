#include "stream_cursor.h"

#include <algorithm>

std::size_t TxCursor::nextCount(std::size_t bufferSize)
{
    if (position >= bufferSize)
        position = 0;
    return std::min(bufferSize - position, XDMA_FFTPOINT_PERCHIRP);
}

void TxCursor::advance(std::size_t taken, std::size_t bufferSize)
{
    position += taken;
    if (position >= bufferSize)
        position = 0;
}

void convertBoardBlock(const std::vector<int16_t>& values, std::vector<std::complex<float>>& block,
                       std::size_t blockLength)
{
    if (block.size() != blockLength)
        block.resize(blockLength);
    const std::size_t n = std::min(values.size() / 2, blockLength);
    for (std::size_t i = 0; i < n; ++i)
        block[i] = {static_cast<float>(values[2 * i]), static_cast<float>(values[2 * i + 1])};
}
