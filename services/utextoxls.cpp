#include "services/utextoxls.h"

#include "platform/rtltexto.h"

std::string LimpiarNombreHoja(const std::string& s) {
  std::string r;
  for (char c : s) {
    const bool alfanumerico =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (alfanumerico) {
      r.push_back(c);
    } else if (c == ' ' || c == '$' || c == '-' || c == '.' || c == ':' || c == '_') {
      if (!r.empty() && r.back() != '_') r.push_back('_');
    }
  }
  if (r.size() > 25) r.resize(25);
  return r;
}

std::string FormatoDecimales(int32_t n) {
  if (n <= 0) return "0";
  std::string r = "0";
  r.push_back(FormatSettings().DecimalSeparator);
  r.append(static_cast<size_t>(n), '0');
  return r;
}
