#pragma once
// The LAGARITH16 frame codec, decoding side (block layout in Lagarith16Encoder.h).
//
// Outside input: a block is checked as it is read. A damaged block is refused with the
// offset within the block and what was wrong; the decoder never reads outside the block
// and never writes more samples than asked for. A block whose length is 8 + 2 x samples
// is the stored form; a coded block is always shorter than the raw frame.
//
// One decoder serves one thread at a time; its tables are kept from block to block.

#include <cstddef>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orva {

struct Lagarith16Error {
    std::size_t offset = 0;  // within the block
    std::string what;
};

// One block to decode and what became of it.
struct Lagarith16Job {
    Lagarith16Job(std::span<const uint8_t> b, std::span<uint16_t> s) : block(b), samples(s) {}

    std::span<const uint8_t> block;
    std::span<uint16_t> samples;  // its size is the frame's sample count
    bool ok = false;
    Lagarith16Error error;  // when not ok
};

class Lagarith16Decoder {
public:
    Lagarith16Decoder();
    ~Lagarith16Decoder();
    Lagarith16Decoder(const Lagarith16Decoder&) = delete;
    Lagarith16Decoder& operator=(const Lagarith16Decoder&) = delete;

    // Decodes a block into `samples` (its size is the frame's sample count). False, with
    // `error` filled, when the block is damaged; the samples are then unspecified.
    bool Decode(std::span<const uint8_t> block, std::span<uint16_t> samples, Lagarith16Error& error);

    // Decodes two blocks (two frames) in one interleaved pass, each with the result and
    // error Decode would give it. A block is one serial chain of dependent steps, so one
    // block leaves most of the core idle; two chains side by side nearly double the rate.
    void DecodeTwo(Lagarith16Job& first, Lagarith16Job& second);

private:
    struct Coder;
    // Packed symbol entry: cumulative frequency (bits 0-19), value (20-35), frequency
    // (44-63), so that the frequency, on the chain from one sample to the next, takes one
    // shift. A shared bucket's entry has frequency 0 and its first symbol index in the
    // low bits.
    static constexpr uint64_t kFieldMask = 0xFFFFF;
    static constexpr unsigned kValueShift = 20;
    static constexpr unsigned kFrequencyShift = 44;
    static constexpr unsigned kBucketShift = 9;
    // Damaged data can give targets up to 2^20 + 2^17: those buckets are all shared.
    static constexpr uint32_t kBuckets = (((1u << 20) + (1u << 17)) >> kBucketShift) + 1;

    // The symbol model of one block and its lookup tables.
    struct Model {
        std::vector<uint16_t> values;
        std::vector<uint32_t> counts;
        std::vector<uint32_t> cumulative;
        std::vector<uint32_t> cumulativeEnd;
        std::vector<uint64_t> symbolEntry;
        std::array<uint64_t, kBuckets> bucketEntry{};
    };
    enum class Prepared { Failed, Done, Coded };

    // Checks the block and reads its model; a stored or one-symbol block is decoded at once.
    Prepared Prepare(std::span<const uint8_t> block, std::span<uint16_t> samples, Model& model, Coder& coder,
                     Lagarith16Error& error);
    // Decodes the rest of a block and checks its end.
    bool Finish(Coder& coder, Lagarith16Error& error);
    bool DecodeStored(std::span<const uint8_t> block, std::span<uint16_t> samples, Lagarith16Error& error);
    bool ReadModel(std::span<const uint8_t> block, std::size_t& pos, Model& model, Lagarith16Error& error);
    void BuildLookup(Model& model);

    std::array<Model, 2> models_;
    std::vector<uint8_t> seen_;
};

}  // namespace orva
