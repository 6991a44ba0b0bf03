// CRC-32 as zlib's crc32 computes it (IEEE 802.3: reflected polynomial
// 0xEDB88320, starting from and finished with all ones). A compacted
// recording sums each run's written reports with it, so that a replay finds
// a changed payload without keeping thousands of reports.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vqdrec
{

// Continues a CRC over more bytes: crc32Update (0, a, n) is the CRC of those
// n bytes, and feeding a text in pieces gives the CRC of the whole text.
uint32_t crc32Update (uint32_t crc, const uint8_t* bytes, std::size_t count);

} // namespace vqdrec
