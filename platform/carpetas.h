// Where the original's Windows folders live on this machine.
//
//  * "C:\basura" (any case of the drive letter) is $AERONDA_BASURA, or $HOME/basura;
//  * drive "Y:" exists when $AERONDA_Y is set and names an existing folder, and "Y:\x" is then
//    $AERONDA_Y/x.
// Paths are always joined with std::filesystem::path's operator/: a "\" is an ordinary file
// name character here and would put a file beside its folder instead of inside it.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

struct TRaicesCarpetas {
  std::filesystem::path basura;                 // stands for C:\basura
  std::optional<std::filesystem::path> unidadY;  // stands for Y:\, when that drive exists
};

// The roots as the environment gives them now.
TRaicesCarpetas RaicesDelEntorno();

// "C:\basura\x\y", "Y:\x" and plain relative names to paths on this machine, under `raices`.
// Other drive letters are an EInOutError.
std::filesystem::path RutaLocal(std::string_view rutaWindows, const TRaicesCarpetas& raices);
