// Working folders and per-plant file names.
//
// The base working folder is chosen once, at start-up, and every plant folder and every fixed
// plant file name is built here from the plant number: no other code composes a plant folder.
// A plant folder is CarpetaBase / ("c" + the decimal plant number), created on first use, one
// level only: when the base folder has gone away, asking for a plant folder fails instead of
// silently rebuilding the tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string_view>

#include "platform/carpetas.h"

// The base working folder ("Y:\modelado_ro" or "C:\basura\modelado_ro" on this machine).
// Empty until IniciarUcarpetascentrales, empty again after FinalizarUcarpetascentrales.
extern std::filesystem::path CarpetaBase;
// CarpetaBase / "ZUMK": created at start-up, used by nothing else.
extern std::filesystem::path CarpetaSecundaria;

// Chooses and ensures the base folder:
//  * with drive Y: (raices.unidadY), Y:\modelado_ro and its ZUMK subfolder; the basura root is
//    not touched;
//  * otherwise C:\basura (raices.basura), C:\basura\modelado_ro and its ZUMK subfolder.
// Each folder is written as one line on `consola`, whether it already existed or not.
// Throws EInOutError when a line cannot be written or a folder cannot be created.
void IniciarUcarpetascentrales(const TRaicesCarpetas& raices, std::ostream& consola);
// The same, with the process's standard output as console.
void IniciarUcarpetascentrales(const TRaicesCarpetas& raices);
void FinalizarUcarpetascentrales();

// Writes `ruta` as a console line, then creates that one folder level when it is not already an
// existing folder (its parent must exist). Throws EInOutError on either failure.
void AsegurarCarpeta(const std::filesystem::path& ruta, std::ostream& consola);

// CarpetaBase / "c<nid>", created (one level, silently) when it does not exist. Throws
// EInOutError when it cannot be created, EErrorGeneral before the unit has started.
std::filesystem::path CarpetaCentral(int32_t nid);

// carpeta / ("c" + nid + sufijo). Creates nothing.
std::filesystem::path NombreArchivoEnCarpeta(const std::filesystem::path& carpeta, int32_t nid,
                                             std::string_view sufijo);
// NombreArchivoEnCarpeta(CarpetaCentral(nid), nid, sufijo): creates the plant folder, not the
// file.
std::filesystem::path ArchivoCentral(int32_t nid, std::string_view sufijo);

// The plant's theoretical-model ("cN_parque_mt.pmt"), calibrator ("cN_calibrador.clp") and
// combined-model ("cN.pmc") files. Each creates the plant folder, none touches the file.
std::filesystem::path ArchivoParqueMT(int32_t nid);
std::filesystem::path ArchivoCalibrador(int32_t nid);
std::filesystem::path ArchivoModeloCombinado(int32_t nid);
