#include "h264_syntax.h"

namespace moksel::repair {

int BitReader::bit() {
    if (byte_ >= size_) {
        failed_ = true;
        return 0;
    }
    if (bitInByte_ == 0) {
        // An emulation prevention byte (00 00 03) carries no payload bits.
        if (zeros_ >= 2 && data_[byte_] == 3) {
            zeros_ = 0;
            if (++byte_ >= size_) {
                failed_ = true;
                return 0;
            }
        }
        zeros_ = data_[byte_] == 0 ? zeros_ + 1 : 0;
    }
    const int value = (data_[byte_] >> (7 - bitInByte_)) & 1;
    if (++bitInByte_ == 8) {
        bitInByte_ = 0;
        ++byte_;
    }
    return value;
}

uint32_t BitReader::bits(int count) {
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 1) | uint32_t(bit());
    return value;
}

uint32_t BitReader::ue() {
    int zeros = 0;
    while (bit() == 0) {
        if (failed_ || ++zeros > 31) {
            failed_ = true;
            return 0;
        }
    }
    return ((1u << zeros) - 1u) + bits(zeros);
}

int32_t BitReader::se() {
    const uint32_t k = ue();
    return (k & 1) ? int32_t((k + 1) / 2) : -int32_t(k / 2);
}

namespace {

void skipScalingList(BitReader& r, int size) {
    int last = 8, next = 8;
    for (int j = 0; j < size && !r.failed(); ++j) {
        if (next != 0) next = (last + r.se() + 256) % 256;
        last = next == 0 ? last : next;
    }
}

bool highProfile(int profile) {
    switch (profile) {
        case 100:
        case 110:
        case 122:
        case 244:
        case 44:
        case 83:
        case 86:
        case 118:
        case 128:
        case 138:
        case 139:
        case 134:
        case 135:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::optional<SequenceParameters> parseSps(const uint8_t* nal, size_t size) {
    if (size < 4 || (nal[0] & 0x1f) != kNalSps) return std::nullopt;
    BitReader r(nal + 1, size - 1);
    SequenceParameters s;
    s.profile = int(r.bits(8));
    r.bits(16);  // constraint flags, level
    const uint32_t id = r.ue();
    if (id > 31) return std::nullopt;
    s.id = int(id);
    int chroma = 1;
    if (highProfile(s.profile)) {
        chroma = int(r.ue());
        if (chroma > 3) return std::nullopt;
        if (chroma == 3) s.separateColourPlanes = r.bits(1);
        if (r.ue() > 6 || r.ue() > 6) return std::nullopt;  // bit depths
        r.bits(1);
        if (r.bits(1)) {
            for (int i = 0; i < (chroma != 3 ? 8 : 12) && !r.failed(); ++i)
                if (r.bits(1)) skipScalingList(r, i < 6 ? 16 : 64);
        }
    }
    const uint32_t log2Frame = r.ue();
    if (log2Frame > 12) return std::nullopt;
    s.log2MaxFrameNum = int(log2Frame) + 4;
    const uint32_t pocType = r.ue();
    if (pocType > 2) return std::nullopt;
    s.pocType = int(pocType);
    if (pocType == 0) {
        const uint32_t log2Poc = r.ue();
        if (log2Poc > 12) return std::nullopt;
        s.log2MaxPocLsb = int(log2Poc) + 4;
    } else if (pocType == 1) {
        r.bits(1);
        r.se();
        r.se();
        const uint32_t cycle = r.ue();
        if (cycle > 255) return std::nullopt;
        for (uint32_t i = 0; i < cycle && !r.failed(); ++i) r.se();
    }
    r.ue();  // reference frames
    r.bits(1);
    const uint32_t widthMbs = r.ue() + 1, heightUnits = r.ue() + 1;
    if (widthMbs > 1024 || heightUnits > 1024) return std::nullopt;
    s.widthMbs = int(widthMbs);
    s.heightMapUnits = int(heightUnits);
    s.frameMbsOnly = r.bits(1);
    if (!s.frameMbsOnly) r.bits(1);
    r.bits(1);  // direct 8x8 inference
    int cropLeft = 0, cropRight = 0, cropTop = 0, cropBottom = 0;
    if (r.bits(1)) {
        cropLeft = int(r.ue());
        cropRight = int(r.ue());
        cropTop = int(r.ue());
        cropBottom = int(r.ue());
    }
    if (r.failed()) return std::nullopt;
    const int unitX = chroma == 1 || chroma == 2 ? 2 : 1;
    const int unitY = (chroma == 1 ? 2 : 1) * (s.frameMbsOnly ? 1 : 2);
    s.width = s.widthMbs * 16 - unitX * (cropLeft + cropRight);
    s.height = s.heightMapUnits * 16 * (s.frameMbsOnly ? 1 : 2) - unitY * (cropTop + cropBottom);
    return s;
}

std::optional<PictureParameters> parsePps(const uint8_t* nal, size_t size) {
    if (size < 2 || (nal[0] & 0x1f) != kNalPps) return std::nullopt;
    BitReader r(nal + 1, size - 1);
    PictureParameters p;
    const uint32_t id = r.ue(), spsId = r.ue();
    if (id > 255 || spsId > 31) return std::nullopt;
    p.id = int(id);
    p.spsId = int(spsId);
    r.bits(1);  // entropy coding mode
    p.bottomFieldPocPresent = r.bits(1);
    if (r.failed()) return std::nullopt;
    return p;
}

std::optional<AvcConfig> parseAvcConfig(const uint8_t* data, size_t size) {
    if (!data || size < 7 || data[0] != 1) return std::nullopt;
    AvcConfig config;
    config.nalLengthSize = (data[4] & 3) + 1;
    if (config.nalLengthSize == 3) return std::nullopt;
    size_t at = 5;
    for (int set = 0; set < 2; ++set) {
        if (at >= size) return std::nullopt;
        const int count = set == 0 ? (data[at] & 0x1f) : data[at];
        ++at;
        for (int i = 0; i < count; ++i) {
            if (at + 2 > size) return std::nullopt;
            const size_t length = size_t(data[at]) << 8 | data[at + 1];
            at += 2;
            if (length == 0 || at + length > size) return std::nullopt;
            if (set == 0) {
                auto sps = parseSps(data + at, length);
                if (!sps) return std::nullopt;
                config.sps.push_back(*sps);
                config.spsBytes.emplace_back(data + at, data + at + length);
            } else {
                auto pps = parsePps(data + at, length);
                if (!pps) return std::nullopt;
                config.pps.push_back(*pps);
            }
            at += length;
        }
    }
    if (config.sps.empty() || config.pps.empty()) return std::nullopt;
    return config;
}

bool plausibleNalHeader(uint8_t header) {
    if (header & 0x80) return false;
    const int type = header & 0x1f, refIdc = header >> 5;
    switch (type) {
        case kNalSlice:
            return true;
        case kNalIdr:
        case kNalSps:
        case kNalPps:
            return refIdc != 0;
        case kNalSei:
        case kNalAud:
        case kNalEndSeq:
        case kNalEndStream:
        case kNalFiller:
            return refIdc == 0;
        default:
            return false;
    }
}

std::optional<SliceStart> parseSliceStart(const uint8_t* nal, size_t size,
                                          const AvcConfig& config) {
    if (size < 2 || !plausibleNalHeader(nal[0])) return std::nullopt;
    const int type = nal[0] & 0x1f;
    if (type != kNalSlice && type != kNalIdr) return std::nullopt;
    SliceStart s;
    s.idr = type == kNalIdr;
    s.refIdc = nal[0] >> 5;
    BitReader r(nal + 1, size - 1);
    s.firstMb = r.ue();
    const uint32_t sliceType = r.ue();
    const uint32_t ppsId = r.ue();
    if (r.failed() || sliceType > 9) return std::nullopt;
    s.sliceType = int(sliceType % 5);
    // An IDR picture holds only I (or SI) slices.
    if (s.idr && s.sliceType != 2 && s.sliceType != 4) return std::nullopt;
    const PictureParameters* pps = nullptr;
    for (const PictureParameters& p : config.pps)
        if (p.id == int(ppsId)) pps = &p;
    if (!pps) return std::nullopt;
    s.ppsId = pps->id;
    const SequenceParameters* sps = nullptr;
    for (const SequenceParameters& q : config.sps)
        if (q.id == pps->spsId) sps = &q;
    if (!sps) return std::nullopt;
    const uint32_t mbs =
        uint32_t(sps->widthMbs) * uint32_t(sps->heightMapUnits) * (sps->frameMbsOnly ? 1u : 2u);
    if (s.firstMb >= mbs) return std::nullopt;
    if (sps->separateColourPlanes) r.bits(2);
    s.frameNum = r.bits(sps->log2MaxFrameNum);
    if (s.idr && s.frameNum != 0) return std::nullopt;
    if (!sps->frameMbsOnly) {
        s.field = r.bits(1);
        if (s.field) r.bits(1);
    }
    if (s.idr) s.idrPicId = r.ue();
    if (sps->pocType == 0) s.pocLsb = r.bits(sps->log2MaxPocLsb);
    if (r.failed()) return std::nullopt;
    return s;
}

}  // namespace moksel::repair
