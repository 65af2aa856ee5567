// The few pieces of H.264 syntax the repair needs to recognise video samples in raw media data:
// the decoder configuration record (avcC) with its sequence and picture parameter sets, NAL unit
// headers and the start of a slice header.
//
// Thread contract: plain functions and values; safe from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace moksel::repair {

// Reads bits most significant first from bytes that still hold emulation prevention bytes
// (00 00 03): those are skipped as they are met. Reading past the end sets `failed`.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint32_t bits(int count);  // 0..32 bits
    uint32_t ue();             // unsigned Exp-Golomb, at most 32 leading zeros
    int32_t se();
    bool failed() const { return failed_; }

private:
    int bit();
    const uint8_t* data_;
    size_t size_;
    size_t byte_ = 0;
    int bitInByte_ = 0;
    int zeros_ = 0;  // zero bytes just read, for emulation prevention
    bool failed_ = false;
};

struct SequenceParameters {
    int id = 0;
    int profile = 0;
    bool separateColourPlanes = false;
    int log2MaxFrameNum = 4;
    int pocType = 0;
    int log2MaxPocLsb = 4;
    bool frameMbsOnly = true;
    int widthMbs = 0, heightMapUnits = 0;
    int width = 0, height = 0;  // pixels after cropping
};

struct PictureParameters {
    int id = 0;
    int spsId = 0;
    bool bottomFieldPocPresent = false;
};

// From an avcC box payload (the stream's extradata).
struct AvcConfig {
    int nalLengthSize = 4;  // 1, 2 or 4
    std::vector<SequenceParameters> sps;
    std::vector<PictureParameters> pps;
    std::vector<std::vector<uint8_t>> spsBytes;  // whole NAL units, for comparisons
};

std::optional<AvcConfig> parseAvcConfig(const uint8_t* data, size_t size);
std::optional<SequenceParameters> parseSps(const uint8_t* nal, size_t size);
std::optional<PictureParameters> parsePps(const uint8_t* nal, size_t size);

// NAL unit types the scan meets.
enum NalType : int {
    kNalSlice = 1,
    kNalIdr = 5,
    kNalSei = 6,
    kNalSps = 7,
    kNalPps = 8,
    kNalAud = 9,
    kNalEndSeq = 10,
    kNalEndStream = 11,
    kNalFiller = 12,
};

// A NAL header byte that an encoder could have written: forbidden bit clear, a type used in
// ordinary streams, and the reference flag consistent with the type.
bool plausibleNalHeader(uint8_t header);

struct SliceStart {
    bool idr = false;
    int refIdc = 0;
    uint32_t firstMb = 0;
    int sliceType = 0;  // 0..4 (the 5..9 forms folded)
    int ppsId = 0;
    uint32_t frameNum = 0;
    uint32_t idrPicId = 0;
    uint32_t pocLsb = 0;
    bool field = false;
};

// Parses the start of a slice NAL (header byte included) against the known parameter sets;
// none when a field is out of range for them.
std::optional<SliceStart> parseSliceStart(const uint8_t* nal, size_t size, const AvcConfig& config);

}  // namespace moksel::repair
