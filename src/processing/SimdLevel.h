#pragma once
// The vector instruction sets the pixel code can use, chosen at run time: the build
// targets plain x86-64 (SSE2), and the wider paths are compiled per function for the
// processors that have them. Every pixel routine takes the level to run at, so that tests
// can run each path, the plain one included, on the same input.
//
// Pure functions; any thread.

#include <vector>

// Compiles one function for a wider instruction set than the build's; such a function
// runs only where BestSimdLevel() says the processor has it.
#define ORVA_TARGET(isa) __attribute__((target(isa)))

namespace orva {

enum class SimdLevel {
    Plain,  // the reference: one pixel at a time, no vector instructions
    Sse2,
    Ssse3,
    Avx2,
};

// The widest level this processor runs (detected once).
SimdLevel BestSimdLevel();

// Every level this processor runs, from Plain up to BestSimdLevel().
std::vector<SimdLevel> SupportedSimdLevels();

const char* SimdLevelName(SimdLevel level);

}  // namespace orva
