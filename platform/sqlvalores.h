// Values written into SQL text. Every statement the program builds joins its values with these:
//  * whole numbers in decimal;
//  * reals in the standard number format: the general float text (up to 15 significant digits,
//    exponent only when needed) with "." as the decimal point whatever the format settings in
//    force, so a decimal comma never reaches a statement; NaN and infinities are refused before
//    anything is sent (the text "Nan" would at best be an SQL error);
//  * texts as string literals escaped by libpq (SQLTexto), never pasted between quotes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TPQConnection;

std::string SQLEntero(int64_t v);
// Throws EErrorGeneral "Valor real no válido para SQL: " + the value's text.
std::string SQLReal(double x);
// The same as con.LiteralSQL(texto): 'T' for T, 'O''Brien' for O'Brien.
std::string SQLTexto(const TPQConnection& con, std::string_view texto);
