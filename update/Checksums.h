#pragma once

#include <cstddef>
#include <cstdint>

// CRC-16 with polynomial 0x1021, initial value 0, no reflection and no final
// XOR (the XMODEM variant): "123456789" gives 0x31C3. It covers the whole
// update file but its last two bytes.
uint16_t computeCrc16 (const uint8_t* bytes, size_t length) noexcept;

// 32-bit sum of the bytes as unsigned values, wrapping at 2^32; the
// controller checks every block against it.
uint32_t byteSum (const uint8_t* bytes, size_t length) noexcept;
