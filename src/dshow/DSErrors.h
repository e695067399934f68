#pragma once

#include <cstdint>

// Raises Exception "DirectShow Error: " followed by the code in upper-case hexadecimal (a negative
// code as its unsigned 32-bit value) for every code other than 0, success codes included; FFmpeg's
// text for the code follows in brackets when FFmpeg knows it.
void CheckDSError(int32_t Code);
