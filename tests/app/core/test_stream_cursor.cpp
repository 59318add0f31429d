#include "stream_cursor.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Calls a transmitter makes for one pass when the board takes every sample offered.
std::vector<std::size_t> onePass(std::size_t bufferSize)
{
    TxCursor cursor;
    std::vector<std::size_t> calls;
    do {
        const std::size_t n = cursor.nextCount(bufferSize);
        calls.push_back(n);
        cursor.advance(n, bufferSize);
    } while (cursor.position != 0);
    return calls;
}

TEST(TxCursor, StandardTrainGoesOutIn256CallsThenRepeats)
{
    const auto calls = onePass(1u << 20);
    ASSERT_EQ(calls.size(), 256u);
    for (std::size_t n : calls)
        ASSERT_EQ(n, 4096u);
}

TEST(TxCursor, BufferNotAMultipleOf4096EndsEachPassShort)
{
    const auto calls = onePass(10000);
    EXPECT_EQ(calls, (std::vector<std::size_t>{4096, 4096, 1808}));
}

TEST(TxCursor, PartialAcceptanceContinuesFromWhereTheBoardStopped)
{
    TxCursor cursor;
    EXPECT_EQ(cursor.nextCount(8192), 4096u);
    cursor.advance(1000, 8192);  // the ring took only part of the call
    EXPECT_EQ(cursor.position, 1000u);
    EXPECT_EQ(cursor.nextCount(8192), 4096u);
    cursor.advance(0, 8192);  // nothing taken: same position next time
    EXPECT_EQ(cursor.position, 1000u);
}

TEST(TxCursor, ResumingWithASameLengthBufferKeepsThePosition)
{
    TxCursor cursor;
    cursor.advance(4096 * 3, 1u << 20);
    // stop and start again with a buffer of the same length
    EXPECT_EQ(cursor.nextCount(1u << 20), 4096u);
    EXPECT_EQ(cursor.position, 4096u * 3);
}

TEST(TxCursor, ShorterNewBufferRestartsAtItsStart)
{
    const struct {
        std::size_t position, newSize, expectedPosition, expectedCount;
    } cases[] = {
        {12288, 12288, 0, 4096},   // length equal to the position
        {12288, 5000, 0, 4096},    // shorter than the position
        {12288, 12289, 12288, 1},  // one sample left after the position
    };
    for (const auto& c : cases) {
        TxCursor cursor;
        cursor.position = c.position;
        EXPECT_EQ(cursor.nextCount(c.newSize), c.expectedCount) << c.newSize;
        EXPECT_EQ(cursor.position, c.expectedPosition) << c.newSize;
    }
}

TEST(BoardBlockIntake, ConvertsPairsWithoutScaling)
{
    std::vector<std::complex<float>> block(4, {9, 9});
    convertBoardBlock({-32768, 32767, 1, -1, 100, 200}, block, 4);
    EXPECT_EQ(block[0], std::complex<float>(-32768, 32767));
    EXPECT_EQ(block[1], std::complex<float>(1, -1));
    EXPECT_EQ(block[2], std::complex<float>(100, 200));
    EXPECT_EQ(block[3], std::complex<float>(9, 9)) << "a short block must leave the rest alone";
}

TEST(BoardBlockIntake, OddValueCountIgnoresTheLastValue)
{
    std::vector<std::complex<float>> block(3, {7, 7});
    convertBoardBlock({1, 2, 3, 4, 5}, block, 3);
    EXPECT_EQ(block[1], std::complex<float>(3, 4));
    EXPECT_EQ(block[2], std::complex<float>(7, 7));
}

TEST(BoardBlockIntake, LongerBlockFillsOnlyTheBlockLength)
{
    std::vector<std::complex<float>> block;
    std::vector<int16_t> values(12);
    for (int i = 0; i < 12; ++i)
        values[i] = static_cast<int16_t>(i);
    convertBoardBlock(values, block, 4);
    ASSERT_EQ(block.size(), 4u);  // resized to the block length first
    EXPECT_EQ(block[3], std::complex<float>(6, 7));
}

}  // namespace
