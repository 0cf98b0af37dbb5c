// The run-time's process-wide uniform generator: one seed, draws in [0, 1).
//
// A linear congruential generator on 32 bits, x := 134775813 x + 1 (mod 2^32), whose draw is
// the new state over 2^32. Its full period is 2^32; the same seed always gives the same
// stream. Only the calibrator's random search draws from it (it reseeds it from the tick count
// at the start of each search); everything else that needs reproducible numbers has its own
// source (TMadreUniforme). All users run on the GUI thread; there is no lock.
#pragma once

#include <cstdint>

// The current state. Setting it restarts the stream: the next draw is a function of `semilla`.
int32_t RandSeed();
void RandSeed(int32_t semilla);

// Seeds from the millisecond tick count (GetTickCount): two searches started at different
// moments draw different streams.
void Randomize();
// For tests that repeat a search: while a seed is fixed here, Randomize seeds with it instead of
// the tick count. 0 returns to the tick count.
void FijarSemillaDeRandomize(uint32_t semilla);

// The next draw, in [0, 1): a multiple of 2^-32, never 1.
double Random();
// The next draw as a whole number in [0, rango) (Trunc(Random() * rango)); 0 for rango <= 0
// (a draw is taken all the same).
int32_t Random(int32_t rango);
