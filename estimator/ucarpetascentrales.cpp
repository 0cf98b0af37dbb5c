#include "estimator/ucarpetascentrales.h"

#include <iostream>
#include <string>
#include <system_error>

#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

fs::path CarpetaBase;
fs::path CarpetaSecundaria;

namespace {

// A path is an existing folder when its attributes can be read and say so; a broken link, a
// file or an unreadable entry is not.
bool EsCarpetaExistente(const fs::path& ruta) {
  std::error_code ec;
  return fs::is_directory(ruta, ec);
}

// One level, never the missing parents: create_directory, not create_directories. A name
// taken by a file is an error too (libstdc++ reports it as "not a directory").
void CrearUnNivel(const fs::path& ruta) {
  if (EsCarpetaExistente(ruta)) return;
  std::error_code ec;
  fs::create_directory(ruta, ec);
  if (ec || !EsCarpetaExistente(ruta)) {
    std::string motivo =
        ec ? ec.message() : std::make_error_code(std::errc::not_a_directory).message();
    throw EInOutError("No puedo crear la carpeta: " + ruta.string() + ": " + motivo, ruta);
  }
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) on "c" + a temporary string.
std::string NombreCentral(int32_t nid) {
  std::string nombre = "c";
  nombre += IntToStr(nid);
  return nombre;
}

}  // namespace

void AsegurarCarpeta(const fs::path& ruta, std::ostream& consola) {
  // The line comes first and is written even for a folder that already exists, so every start
  // shows where the program works.
  consola << ruta.string() << '\n';
  consola.flush();
  if (!consola) {
    consola.clear();
    throw EInOutError("No puedo escribir en la consola: " + ruta.string(), ruta);
  }
  CrearUnNivel(ruta);
}

void IniciarUcarpetascentrales(const TRaicesCarpetas& raices, std::ostream& consola) {
  fs::path base;
  // Drive Y: counts only when it is an existing folder at this moment.
  if (raices.unidadY && EsCarpetaExistente(*raices.unidadY)) {
    base = *raices.unidadY / "modelado_ro";
    AsegurarCarpeta(base, consola);
  } else {
    // Drive C: always exists here: the basura root stands for "C:\basura". The third choice
    // of the original ("c:\basura" when neither drive exists) is the same folder and falls away.
    AsegurarCarpeta(raices.basura, consola);
    base = raices.basura / "modelado_ro";
    AsegurarCarpeta(base, consola);
  }
  fs::path secundaria = base / "ZUMK";
  AsegurarCarpeta(secundaria, consola);
  CarpetaBase = std::move(base);
  CarpetaSecundaria = std::move(secundaria);
}

void IniciarUcarpetascentrales(const TRaicesCarpetas& raices) {
  IniciarUcarpetascentrales(raices, std::cout);
}

void FinalizarUcarpetascentrales() {
  CarpetaBase.clear();
  CarpetaSecundaria.clear();
}

fs::path CarpetaCentral(int32_t nid) {
  // Without a base folder the plant folder would land in the current directory.
  if (CarpetaBase.empty()) throw EErrorGeneral("No se ha elegido la carpeta base de trabajo");
  fs::path carpeta = CarpetaBase / NombreCentral(nid);
  CrearUnNivel(carpeta);
  return carpeta;
}

fs::path NombreArchivoEnCarpeta(const fs::path& carpeta, int32_t nid, std::string_view sufijo) {
  return carpeta / (NombreCentral(nid) + std::string(sufijo));
}

fs::path ArchivoCentral(int32_t nid, std::string_view sufijo) {
  return NombreArchivoEnCarpeta(CarpetaCentral(nid), nid, sufijo);
}

fs::path ArchivoParqueMT(int32_t nid) { return ArchivoCentral(nid, "_parque_mt.pmt"); }
fs::path ArchivoCalibrador(int32_t nid) { return ArchivoCentral(nid, "_calibrador.clp"); }
fs::path ArchivoModeloCombinado(int32_t nid) { return ArchivoCentral(nid, ".pmc"); }
