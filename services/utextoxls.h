// Texts for workbooks: worksheet names and number formats.
#pragma once

#include <cstdint>
#include <string>

// A worksheet name made from s: ASCII letters and digits stay; a blank, "$", "-", ".", ":" or
// "_" becomes one "_", but only after something and never twice in a row (leading separators
// vanish, runs become one "_"); every other byte (punctuation, control characters, every byte
// of a non-ASCII character) is dropped. At most the first 25 characters are kept; a trailing
// "_" stays. "2015-03-01 00:00" gives "2015_03_01_00_00".
std::string LimpiarNombreHoja(const std::string& s);

// Number format with n decimals: "0" for n <= 0, else "0", the decimal separator in force and
// n zeros ("0.000" for 3 with a point).
std::string FormatoDecimales(int32_t n);
