// The run-time's number and date text, free of the C locale.
//
// Two families live here:
//  * the plain real write and read of the model files, which always use "." whatever the
//    format settings: RealATexto / TextoAReal;
//  * the conversions that follow the process-wide format settings in force (the user's at
//    start-up, the standard ones inside the number-format guard): FloatToStr, FloatToStrF,
//    StrToFloat, FormatDateTime, DateTimeToStr.
// Nothing here calls printf, strtod, iostreams on numbers or anything else that reads the C
// locale: Qt sets the process locale to the user's, and a decimal comma must never reach a file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------------------------
// Format settings

struct TFormatSettings {
  char ThousandSeparator = ',';
  char DecimalSeparator = '.';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "d/M/yyyy";
  std::string LongDateFormat = "dddd, d' de 'MMMM' de 'yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::array<std::string, 12> ShortMonthNames{"ene", "feb", "mar", "abr", "may", "jun",
                                              "jul", "ago", "sep", "oct", "nov", "dic"};
  std::array<std::string, 12> LongMonthNames{"enero",      "febrero", "marzo",     "abril",
                                             "mayo",       "junio",   "julio",     "agosto",
                                             "septiembre", "octubre", "noviembre", "diciembre"};
  std::array<std::string, 7> ShortDayNames{"dom", "lun", "mar", "mié", "jue", "vie", "sáb"};
  std::array<std::string, 7> LongDayNames{"domingo", "lunes",   "martes", "miércoles",
                                          "jueves",  "viernes", "sábado"};
};

// The settings in force, process-wide. The number-format guard switches them; the window's
// texts follow them.
TFormatSettings& FormatSettings();

// The user's settings, read the first time they are asked for from the system's locale data
// for the locales in force, as the C library resolves them: the separators from LC_NUMERIC's
// locale, the date and time formats and the month and day names from LC_TIME's (each from
// LC_ALL, then its own variable, then LANG). The current settings start as a copy of them.
const TFormatSettings& FormatoDelSistema();
// Replaces what FormatoDelSistema() answers (and the settings in force), for tests.
void FijarFormatoDelSistema(const TFormatSettings& f);
// The settings of a numeric locale and a time locale ("de_DE.UTF-8", "C", ...), from the
// system's locale data (nl_langinfo): decimal and thousands separators (a wider thousands
// separator, such as fr_FR's narrow no-break space, is a blank; none is '\0'); the short date,
// long date (the date part of the locale's date-and-time format), long time and short time
// (without seconds) formats in the pattern language of FormatDateTime, two-digit years widened
// to four; the date and time separators those formats use; the names, from a UTF-8 locale. The
// C locale, and a locale the system does not have, give "." and ",", ISO dates "yyyy-mm-dd",
// "hh:nn:ss" and English names.
TFormatSettings FormatoDeLocales(std::string_view numerico, std::string_view tiempo);
// FormatoDeLocales with one locale for both.
TFormatSettings FormatoDeLocale(std::string_view nombre);
// FormatoDeLocales of the locales the environment names now (what FormatoDelSistema() read at
// its first call).
TFormatSettings FormatoDelEntorno();
// Whether the system has the locale `nombre` (the C locale always).
bool HayLocale(std::string_view nombre);

// ---------------------------------------------------------------------------------------------
// Plain real write and read (model files, vector and matrix blocks, result tables)

// 17 significant digits in scientific form, a leading blank for values >= 0 (and for -0 is
// written "-"), "E", a sign and three exponent digits: 1.5 -> " 1.5000000000000000E+000".
// NaN -> " Nan", +inf -> " +Inf", -inf -> "-Inf"; TextoAReal reads these back.
std::string RealATexto(double x);

// The real at the start of s: leading blanks and tabs skipped, the first token (up to a blank,
// tab, CR or LF) must be a whole number in plain syntax with "." ("1,5" is an error, not 1).
// Anything after the token is ignored. Throws EConvertError naming the token.
double TextoAReal(std::string_view s);
// The same, without throwing: false when s does not start with a number.
bool ProbarTextoAReal(std::string_view s, double& x);
// The whole of s, blanks around it aside, in the same plain syntax ("Nan" and "Infinity" in any
// case included): false when anything else is there.
bool ProbarTextoARealCompleto(std::string_view s, double& x);

// ---------------------------------------------------------------------------------------------
// Texts that follow the format settings in force

enum class TFloatFormat {
  ffGeneral = 0,
  ffExponent = 1,
  ffFixed = 2,
  ffNumber = 3,
  ffCurrency = 4
};

// The run-time's general float text: the shortest of up to 15 significant digits, exponent
// only when needed ("9", "0.035", "1E-8", "1.5E20", "-0.0000125", "-1.25E-6"), current decimal
// separator.
std::string FloatToStr(double x);
// The run-time's FloatToStrF: ffGeneral with `precision` significant digits (exponent when the
// fixed form would need more, then at least `digits` exponent digits); ffExponent
// "d.dddE+dd" with precision digits and at least `digits` exponent digits; ffFixed and
// ffNumber with `digits` decimals (ffNumber with the thousands separator); ffCurrency as
// ffNumber. NaN -> "Nan", infinities "+Inf" / "-Inf".
std::string FloatToStrF(double x, TFloatFormat formato, int precision, int digits);
// The same with the separators of `fs` instead of those in force.
std::string FloatToStrF(double x, TFloatFormat formato, int precision, int digits,
                        const TFormatSettings& fs);
// Text to real under the current settings: optional blanks, sign, digits with the current
// decimal separator, optional exponent. Throws EConvertError: "\"s\" no es un número real válido".
double StrToFloat(std::string_view s);
bool TryStrToFloat(std::string_view s, double& x);

std::string IntToStr(int64_t v);
// Optional blanks on both sides, optional sign, decimal digits, 32-bit range. Throws
// EConvertError: "\"s\" no es un número entero válido".
int32_t StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, int32_t& v);

// Fixed notation with `decimales` decimals, right-aligned in `ancho` characters, always "."
// (the console dumps' %12.4f). Not locale-dependent.
std::string FijoAncho(double x, int ancho, int decimales);
// Integer right-aligned in `ancho` characters (%6d).
std::string EnteroAncho(int64_t v, int ancho);

// ---------------------------------------------------------------------------------------------
// Date-time text (date-times are days since 1899-12-30, see fechas.h)

// The run-time's pattern language, letters in any case: d dd ddd dddd, m mm mmm mmmm (months;
// minutes right after an hour token), yy yyyy, h hh, n nn (minutes), s ss, z zzz, am/pm,
// "/" the date separator, ":" the time separator, text between quotes as it stands, "c" the
// short date and long time. The settings in force give separators and names.
std::string FormatDateTime(std::string_view patron, double fecha);
// Short date, a blank, long time; the time left out at midnight.
std::string DateTimeToStr(double fecha);
std::string DateToStr(double fecha);
std::string TimeToStr(double fecha);
