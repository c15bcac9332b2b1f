// Round trips of every codec kind over zeros, text and random data of many sizes, whole-buffer and
// streamed through small input and output buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "storage/codecs/CodecBlock.h"
#include "storage/codecs/ICompressor.h"
#include "storage/codecs/IDecompressor.h"

namespace {

constexpr int kDictionary = 8 << 20;

enum class Pattern { Zeros, Text, Random };

std::vector<uint8_t> MakeData(Pattern pattern, size_t size)
{
    std::vector<uint8_t> data(size);
    if (pattern == Pattern::Text) {
        static const std::string words[] = {"recovery ", "sector ",  "cluster ",   "folder\n", "the ",
                                            "of ",       "deleted ", "partition ", "0x1F3A ",  "file.txt "};
        std::mt19937 gen(7);
        for (size_t i = 0; i < size;) {
            const std::string& w = words[gen() % 10];
            for (size_t j = 0; j < w.size() && i < size; ++j) data[i++] = uint8_t(w[j]);
        }
    } else if (pattern == Pattern::Random) {
        std::mt19937_64 gen(size);
        for (auto& b : data) b = uint8_t(gen());
    }
    return data;
}

struct Unique {
    void operator()(ICompressor* c) const { DeleteCompressor(c); }
    void operator()(IDecompressor* d) const { DeleteDecompressor(d); }
};
using CompressorPtr = std::unique_ptr<ICompressor, Unique>;
using DecompressorPtr = std::unique_ptr<IDecompressor, Unique>;

int LevelFor(int kind)
{
    return kind == COMPRESSION_BZIP2 ? 9 : 5;
}

// Worst-case growth of all three codecs on incompressible data stays well below this.
size_t Bound(size_t n)
{
    return n + n / 8 + 1024;
}

class WholeBuffer : public ::testing::TestWithParam<std::tuple<int, Pattern>> {};

std::string WholeBufferName(const ::testing::TestParamInfo<std::tuple<int, Pattern>>& info)
{
    static const char* const names[] = {"zeros", "text", "random"};
    return "kind" + std::to_string(std::get<0>(info.param)) + "_" + names[int(std::get<1>(info.param))];
}

TEST_P(WholeBuffer, RoundTripsEverySize)
{
    const auto [kind, pattern] = GetParam();
    // One codec object for all buffers, as its users keep it.
    CompressorPtr compressor(CreateCompressor(kind));
    DecompressorPtr decompressor(CreateDecompressor(kind));
    ASSERT_TRUE(compressor && decompressor);
    {
        for (size_t size :
             {size_t(1), size_t(2), size_t(100), size_t(4096), size_t(65537), size_t(1) << 20, size_t(8) << 20}) {
            SCOPED_TRACE(testing::Message() << "size " << size);
            const auto data = MakeData(pattern, size);
            std::vector<uint8_t> packed(Bound(size));
            const int packedSize = CompressBlock(*compressor, data.data(), int(size), packed.data(), int(packed.size()),
                                                 LevelFor(kind), kDictionary);
            ASSERT_GT(packedSize, 0);
            if (pattern == Pattern::Zeros && size >= 4096) {
                EXPECT_LT(size_t(packedSize), size / 20);
            }
            // An output of exactly the original size still reports the end of the stream.
            std::vector<uint8_t> unpacked(size);
            ASSERT_EQ(DecompressBlock(*decompressor, packed.data(), packedSize, unpacked.data(), int(size)), int(size));
            ASSERT_TRUE(unpacked == data);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(KindsAndPatterns, WholeBuffer,
                         ::testing::Combine(::testing::Values(1, 2, 3),
                                            ::testing::Values(Pattern::Zeros, Pattern::Text, Pattern::Random)),
                         WholeBufferName);

// Input given in slices and output taken in small buffers: the streaming contract all callers rely on.
class Streamed : public ::testing::TestWithParam<int> {};

TEST_P(Streamed, SmallInputSlicesAndOutputBuffers)
{
    const int kind = GetParam();
    CompressorPtr compressor(CreateCompressor(kind));
    DecompressorPtr decompressor(CreateDecompressor(kind));
    const auto data = MakeData(Pattern::Text, 300000);

    std::vector<uint8_t> packed;
    uint8_t chunk[997];
    ASSERT_EQ(compressor->Init(LevelFor(kind), kDictionary), 0);
    for (size_t at = 0; at < data.size(); at += 50000) {
        compressor->SetInput(data.data() + at, int(std::min<size_t>(50000, data.size() - at)));
        while (compressor->GetAvailIn() != 0) {
            compressor->SetOutput(chunk, sizeof chunk);
            ASSERT_GE(compressor->Compress(false), 0);
            packed.insert(packed.end(), chunk, static_cast<uint8_t*>(compressor->GetNextOut()));
        }
    }
    int result = 0;
    for (int calls = 0; result == 0; ++calls) {
        ASSERT_LT(calls, 100000);
        compressor->SetOutput(chunk, sizeof chunk);
        result = compressor->Compress(true);
        ASSERT_GE(result, 0);
        packed.insert(packed.end(), chunk, chunk + sizeof chunk - compressor->GetAvailOut());
    }
    EXPECT_EQ(result, 1);
    compressor->End();

    std::vector<uint8_t> unpacked;
    ASSERT_EQ(decompressor->Init(), 0);
    size_t fed = 0;
    result = 0;
    for (int calls = 0; result == 0; ++calls) {
        ASSERT_LT(calls, 100000);
        if (decompressor->GetAvailIn() == 0 && fed < packed.size()) {
            const size_t n = std::min<size_t>(333, packed.size() - fed);
            decompressor->SetInput(packed.data() + fed, int(n));
            fed += n;
        }
        decompressor->SetOutput(chunk, sizeof chunk);
        result = decompressor->Decompress();
        ASSERT_GE(result, 0);
        unpacked.insert(unpacked.end(), chunk, chunk + sizeof chunk - decompressor->GetAvailOut());
    }
    EXPECT_GT(result, 0);
    decompressor->End();
    EXPECT_TRUE(unpacked == data);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Streamed, ::testing::Values(1, 2, 3));

} // namespace
