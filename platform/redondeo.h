// Checked conversions of reals to integers. A C++ cast of NaN, of an infinity or of a value
// outside the target range is undefined behaviour; the original run-time raised an
// invalid-operation error instead, and so do these.
#pragma once

#include <cstdint>

// Toward zero. Throws EErrorGeneral when x is not finite or does not fit in 64 bits.
int64_t Trunc(double x);
// Half to even (banker's rounding), as the run-time's Round. Same failures as Trunc.
int64_t Round(double x);
// The same, into 32 bits: a value outside [-2^31, 2^31) throws too.
int32_t Trunc32(double x);
int32_t Round32(double x);
