// The restriction run of one plant: combined model, SMEC/SCADA factor, restriction periods,
// one series processing per period into a workbook, and the two energy tables.
#include <iostream>
#include <memory>
#include <string>

#include "estimator/ucalcrestriccionesoperativas.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "services/u_ExcelFile.h"
#include "services/udbconpg.h"

namespace {

constexpr double kCuatroHoras = 1.0 / 6.0;  // days

void ComprobarBuffer(int32_t nBuffer) {
  if (nBuffer < 1)
    throw EErrorGeneral("El número de muestras del buffer debe ser al menos 1: " +
                        IntToStr(nBuffer));
}

}  // namespace

NReal FactorSmecScada(TDBPQCon& conexion, int32_t central) {
  const std::unique_ptr<TSQLQuery> q =
      conexion.query("SELECT factor_smec_scada from centrales where nid=" + IntToStr(central));
  if (!q->eof() && !q->field("factor_smec_scada").isNull())
    return q->field("factor_smec_scada").asFloat();
  std::cout << "AVISO: la central " << IntToStr(central) << " no tiene factor_smec_scada; se toma 1"
            << std::endl;
  return 1.0;
}

void CalcularRestriccionesOperativas(TDBPQCon& conexion, const std::filesystem::path& archivoPmc,
                                     const std::filesystem::path& archivoSeries,
                                     const std::filesystem::path& carpeta, bool velLibre,
                                     int32_t nBuffer, TDateTime fechaDesde, TDateTime fechaHasta) {
  ComprobarBuffer(nBuffer);
  const std::unique_ptr<TParque_ModeloCombinado> mc =
      TParque_ModeloCombinado::CreateDesdeArchivo(archivoPmc);
  const NReal factor = FactorSmecScada(conexion, mc->mt->central);
  CalcularRestriccionesConModelo(ModeloParaSeries(*mc, velLibre, false), factor, archivoSeries,
                                 carpeta, nBuffer, fechaDesde, fechaHasta);
}

void CalcularRestriccionesConModelo(const TModeloParaSeries& modelo, NReal factorSmecScada,
                                    const std::filesystem::path& archivoSeries,
                                    const std::filesystem::path& carpeta, int32_t nBuffer,
                                    TDateTime fechaDesde, TDateTime fechaHasta) {
  ComprobarBuffer(nBuffer);
  if (modelo.mt == nullptr) throw EErrorGeneral("CalcularRestriccionesConModelo: falta el modelo");
  std::string prefijo = "c";
  prefijo += IntToStr(modelo.mt->central);
  const std::string B = IntToStr(nBuffer);

  TDAofRecsFechas periodos;
  PeriodosRestriccion(archivoSeries, fechaDesde, fechaHasta, modelo.mt->potencia_autorizada_mw,
                      periodos);

  TDAofRecsEnergiaPorFecha energias;
  {
    T_ExcelFile libro("x", false, true, false);
    for (const TRecFechasRestriccion& p : periodos)
      ProcesarSeries(modelo, archivoSeries, carpeta, p.fechaInicio - kCuatroHoras,
                     p.fechaFin + kCuatroHoras, p.fechaInicio, p.fechaFin, factorSmecScada,
                     energias, nBuffer, false, false, true, &libro);
    libro.Guardar((carpeta / (prefijo + "_VISOR_" + B + "m")).string());
  }

  TDAofRecsEnergiaPorFecha porHora;
  EnergiaPorHora(porHora, energias);
  EscribirEnergiaNoSuministrada(carpeta / (prefijo + "_RO_DTE_" + B + "m" + ".xlt"), porHora,
                                factorSmecScada);
  EscribirRestriccionesHorarias(carpeta / (prefijo + "_Restricciones_horarias_" + B + "m" + ".xlt"),
                                porHora, factorSmecScada, fechaDesde, fechaHasta);
}
