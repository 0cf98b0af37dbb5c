// The process-wide guard of the standard number and date format, and readers of fields from
// text lines.
//
// The run-time's conversions (FloatToStr, StrToFloat, the expression evaluator, FormatDateTime;
// platform/rtltexto.h) follow the process-wide FormatSettings(), which start out as the user's.
// The system's files are written and read in one fixed format whatever the user's region, so
// every reader and writer of models and series brackets its work in the standard format:
//
//     FormatoEstandar guard;   // push; the destructor pops, also when the work throws
//
// Brackets nest. A push sets the standard settings (thousands " ", decimal ".", date
// separator "-", short date "yyyy-MM-dd", long date "yyyy-MM-dd HH:mm:ss") every time; the pop
// that closes the outermost bracket puts back the settings saved at start-up, not those in
// force when the bracket opened. Only these five settings switch; the time formats and the
// time separator stay as they are.
//
// The lock makes each push and each pop atomic; it is not held across a bracket, and the
// settings are process-wide: a conversion on another thread during a bracket sees the standard
// settings. All callers run on the GUI thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "numerics/xmatdefs.h"

// Saves the five settings in force as the ones that the outermost pop restores. When the short
// date format holds "/", the saved date separator is "/"; else when it holds "-", it is "-".
// The program calls it once at start-up, after choosing the user's settings. Until it has been
// called, the outermost pop restores the start-up settings FormatoDelSistema() (with the same
// date separator rule).
void GuardarFormatoInicial();

// Push: raises the nesting count and sets the standard settings.
void ApilarFormatoEstandar();
// Pop: lowers the nesting count and, when it reaches 0, restores the saved settings. A pop
// without a matching push (count already 0) changes nothing (and asserts in debug builds).
void DesapilarFormatoEstandar();

// One bracket in the standard format for the lifetime of the object.
class FormatoEstandar {
 public:
  FormatoEstandar() { ApilarFormatoEstandar(); }
  ~FormatoEstandar() { DesapilarFormatoEstandar(); }
  FormatoEstandar(const FormatoEstandar&) = delete;
  FormatoEstandar& operator=(const FormatoEstandar&) = delete;
};

// The nesting count: 0 outside any bracket.
int32_t NivelFormatoEstandar();

// For tests: count back to 0 and the start-up capture forgotten, as before GuardarFormatoInicial.
// The settings in force are not touched.
void ReiniciarFormatoEstandarParaPruebas();

// Sorts a[0..high] largest first, in place (the quicksort of OrdenarDesc).
void OrdenarDA(TDAofNReal& a);

// Takes the next field off the front of a line. The separators are TAB, LF, CR, blank, "," and
// ";": leading separators are skipped, the field runs up to the next separator, and that one
// separator is consumed with it. A line of separators only gives an empty field and an empty
// rest. "\t12.5 ; 7" gives "12.5" and leaves "; 7".
void ExtraerCampo(std::string& s, std::string& campo);
// The first `maximo` fields of a line, as ExtraerCampo would take them one after another, in
// one pass (cutting a long line field by field copies its rest once per field). Fewer when the
// line has fewer.
std::vector<std::string> CamposDeLinea(std::string_view s, size_t maximo);
// ExtraerCampo, then the field as a 32-bit integer (StrToInt). Raises EConvertError on a field
// that is not one, the empty field included.
int32_t ExtraerEntero(std::string& s);
// ExtraerCampo, then EvaluarNumero of the field, which may be an arithmetic expression. Raises
// EConvertError. A field never holds a decimal comma ("," separates): read it in the standard
// format.
NReal ExtraerReal(std::string& s);

// Removes the leading bytes below 32 or above 126 (a UTF-8 byte-order mark, control
// characters); a text made only of them becomes empty. Later bytes are kept.
void QuitarNoImprimibles(std::string& s);
