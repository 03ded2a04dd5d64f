// Rows of pixels moved between the callers' layouts and the working layout
// (blue, green, red): the colour channels exchanged, a grey byte spread
// over three, and a result row of three equal bytes a pixel taken down to
// one. Each in two copies that give the same bytes: one pixel at a time,
// and, where the processor has AVX2, 16 bytes at a time by byte shuffles,
// on aarch64 16 pixels at a time by NEON's loads and stores of three
// channels. SSE2 has no byte shuffle, so its set runs the plain loops.
#pragma once

#include "kernels/instruction_set.h"

#include <cstdint>

// Reads width pixels at from and writes them at to; the two do not overlap
// (except as said).
using PixelRowFunction = void (*)(const uint8_t* from, int width, uint8_t* to);

// 3 bytes a pixel with the first and third exchanged: RGB to BGR and back.
// to may also be from itself.
PixelRowFunction SwapRedBlueRowFor(InstructionSet set = WidestInstructionSet());

// 1 byte a pixel to 3 equal ones.
PixelRowFunction GreyToBgrRowFor(InstructionSet set = WidestInstructionSet());

// 3 bytes a pixel to 1, the first of each.
PixelRowFunction FirstOfThreeRowFor(InstructionSet set = WidestInstructionSet());

// The AVX2 copies, in kernels_avx2.cpp.
void SwapRedBlueRowAvx2(const uint8_t* from, int width, uint8_t* to);
void GreyToBgrRowAvx2(const uint8_t* from, int width, uint8_t* to);
void FirstOfThreeRowAvx2(const uint8_t* from, int width, uint8_t* to);
