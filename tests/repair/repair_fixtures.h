// Helpers of the repair tests: generated pairs, cut copies, and packet lists read back with
// libavformat (data hash, stream kind, position).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace moksel::repair::test {

struct PacketRecord {
    bool video = false;
    int64_t pos = 0;
    int size = 0;
    uint64_t hash = 0;  // of the packet's bytes
    int64_t pts = 0;
};

// Every video and sound packet of the file, in file order; empty when it does not open.
std::vector<PacketRecord> readPackets(const std::string& path);
// The packets of one kind (in file order) that lie wholly before `cut`.
std::vector<uint64_t> hashesBefore(const std::vector<PacketRecord>& packets, bool video,
                                   int64_t cut);
std::vector<uint64_t> hashesOf(const std::vector<PacketRecord>& packets, bool video);
// Presentation times of the packets of one kind lying wholly before `cut`, less the first one's.
std::vector<int64_t> ptsBefore(const std::vector<PacketRecord>& packets, bool video, int64_t cut);

uint64_t hashFile(const std::string& path);
// The hash PacketRecord::hash holds, of any bytes.
uint64_t hashBytes(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> fileBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Frame numbers drawn in the pictures of the file's first video stream, in display order.
std::vector<int> frameNumbers(const std::string& path);

}  // namespace moksel::repair::test
