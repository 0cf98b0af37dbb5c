// The lines of the program's text files, which end every line with CR LF.
#pragma once

#include <string>
#include <vector>

// The lines of a text without their CR LF; a last line without one is kept as it stands.
inline std::vector<std::string> LineasDeTexto(const std::string& texto) {
  std::vector<std::string> r;
  size_t i = 0;
  while (i < texto.size()) {
    size_t j = texto.find("\r\n", i);
    if (j == std::string::npos) j = texto.size();
    r.push_back(texto.substr(i, j - i));
    i = j + 2;
  }
  return r;
}

// The lines again, each ended with CR LF.
inline std::string UnirLineas(const std::vector<std::string>& lineas) {
  std::string s;
  for (const std::string& l : lineas) s += l + "\r\n";
  return s;
}
