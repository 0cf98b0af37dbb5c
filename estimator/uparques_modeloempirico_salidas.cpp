// The empirical model's result files in the plant folder: the tab-separated tables of the
// S-curves, the completed curves and the filtered series, and the JPEG charts of the samples,
// the filters and each direction sector. Nothing in the system reads them back.
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "estimator/ucarpetascentrales.h"
#include "estimator/ucurvasaeros.h"
#include "estimator/ufisicaviento.h"
#include "estimator/uparques_modeloempirico.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/fechas.h"
#include "platform/hilos.h"
#include "platform/jpeg.h"
#include "platform/lienzo.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"
#include "services/ugraficador.h"

namespace {

size_t U(int32_t k) { return static_cast<size_t>(k); }

constexpr int32_t kAnchoGrafico = 2100;
constexpr int32_t kAltoGrafico = 1000;
constexpr uint8_t kCalidadJPEG = 100;

// One table line: the fields joined by single tabs.
std::string Unir(const std::vector<std::string>& campos) {
  std::string s;
  for (size_t i = 0; i < campos.size(); ++i) {
    if (i > 0) s += '\t';
    s += campos[i];
  }
  return s;
}

std::string Bandera(const TDAOfBoolean& a, int32_t k) {
  return U(k) < a.size() && a[U(k)] != 0 ? "1" : "0";
}

// The chart's abscissa series (no chart, "##.##") added to it.
TSerieGrafico* Abscisa(TGrafico& g, const std::string& nombre, TDAofNReal valores) {
  return g.AgregarSerie(
      std::make_unique<TSerieGrafico>(nombre, std::move(valores), nullptr, nullptr, "##.##", true));
}

// An ordinate series on the abscissa x: the chart's next colours and marker, then the given
// marker colour and sizes; markers only unless a line colour is given.
TSerieGrafico* Ordenada(TGrafico& g, const std::string& nombre, TDAofNReal valores,
                        TSerieGrafico* x, TColor colorMarcador, int32_t tamano, int32_t ancho,
                        TColor colorLinea = clNone, int32_t eje = 0) {
  auto s = std::make_unique<TSerieGrafico>(nombre, std::move(valores), x, &g, "", false);
  s->colorLinea = colorLinea;
  s->colorMarcador = colorMarcador;
  s->tamanoMarcador = tamano;
  s->anchoMarcador = ancho;
  s->eje = eje;
  return g.AgregarSerie(std::move(s));
}

TDAofNReal ComoDA(const TVectR& v) { return v.n > 0 ? v.CopiarRangoADA(1, v.n) : TDAofNReal{}; }

}  // namespace

bool EsMuestraDiurna(TDateTime fecha) {
  // The hour comes from the decoded date-time, rounded to the millisecond: a sample at 07:00
  // computed as start + k steps may lie a few ulps below 7/24 of its day.
  int hora = 0, minuto = 0, segundo = 0, ms = 0;
  DecodeTime(fecha, hora, minuto, segundo, ms);
  return hora >= 7 && hora < 20;
}

void ExportarGraficoModeloEmpirico(TGrafico& grafico, const std::filesystem::path& archivo) {
  grafico.ExportarJPEG(archivo, kAnchoGrafico, kAltoGrafico, kCalidadJPEG);
}

void ExportarGraficosModeloEmpirico(
    int32_t n, const std::function<std::unique_ptr<TGrafico>(int32_t)>& construir,
    const std::function<std::filesystem::path(int32_t)>& archivo) {
  if (n <= 0) return;
  if (HilosPara(n) < 2) {
    for (int32_t i = 0; i < n; ++i) ExportarGraficoModeloEmpirico(*construir(i), archivo(i));
    return;
  }
  // The windowing system and the fonts are set up by the first canvas, on this thread.
  CrearLienzoRaster(1, 1);
  std::vector<std::string> bytes(static_cast<size_t>(n));
  std::vector<std::exception_ptr> fallos(static_cast<size_t>(n));
  ParaCadaIndice(n, [&](int32_t i, int32_t) {
    const size_t u = static_cast<size_t>(i);
    try {
      const std::unique_ptr<TGrafico> g = construir(i);
      const std::filesystem::path a = archivo(i);
      std::unique_ptr<TLienzoRaster> mapa = CrearLienzoRaster(kAnchoGrafico, kAltoGrafico);
      g->Dibujar(*mapa, kAnchoGrafico, kAltoGrafico);
      bytes[u] = mapa->CodificarJPEG(a, kCalidadJPEG);
    } catch (...) {
      fallos[u] = std::current_exception();
    }
  });
  for (int32_t i = 0; i < n; ++i) {
    const size_t u = static_cast<size_t>(i);
    if (fallos[u]) std::rethrow_exception(fallos[u]);
    EscribirJPEG(archivo(i), bytes[u]);
    std::string().swap(bytes[u]);
  }
}

NReal TopeEjePotencia(NReal p) { return 10.0 * static_cast<NReal>(Trunc(p / 10) + 1); }

void TParque_ModeloEmpirico::EscribirCurvasS() const {
  TextoSalida f(CarpetaCentral(mt->central) / "curvas_s_.xlt");
  f.EscribirLinea(
      Unir({"ang", "alfa", "vm", "alfa_varvel", "errc2", "cntMuestras", "MT_alfa", "MT_vm"}));
  const NReal mtAlfa = mt->curvaEquivalente ? mt->curvaEquivalente->alfa : 0;
  const NReal mtVm = mt->curvaEquivalente ? mt->curvaEquivalente->vm : 0;
  for (int32_t k = 1; k <= NSectores(); ++k)
    f.EscribirLinea(Unir({RealATexto(AnguloSector(k)), RealATexto(alfa[k]), RealATexto(vm[k]),
                          RealATexto(alfa_varvel[k]), RealATexto(errc2[k]),
                          IntToStr(cntMuestras[k]), RealATexto(mtAlfa), RealATexto(mtVm)}));
  f.Cerrar();
}

void TParque_ModeloEmpirico::EscribirCurvasSCompletadas(const TMatR& alfaC, const TMatR& vmC,
                                                        const TMatR& PmaxC,
                                                        const TMatR& DeltaPC) const {
  TextoSalida f(CarpetaCentral(mt->central) / "curvas_s_completadas_.xlt");
  f.EscribirLinea(
      Unir({"ang", "alfa_completo", "vm_completo", "Pmax_completo", "DeltaP_completo"}));
  for (int32_t k = 1; k <= NSectores(); ++k)
    f.EscribirLinea(Unir({RealATexto(AnguloSector(k)), RealATexto(alfaC.Elemento(k, 1)),
                          RealATexto(vmC.Elemento(k, 1)), RealATexto(PmaxC.Elemento(k, 1)),
                          RealATexto(DeltaPC.Elemento(k, 1))}));
  f.Cerrar();
}

void TParque_ModeloEmpirico::EscribirSeriesFiltradas() const {
  const std::filesystem::path carpeta = CarpetaCentral(mt->central);
  {
    TextoSalida f(carpeta / "series_filtradas.xlt");
    f.EscribirLinea(
        Unir({"dt", "Vel[m/s]", "Ang[°]", "PE[MW]", "Temp[°C]", "Pre[hPA]", "HumRel[%]", "CGM[MW]",
              "fDisp[p.u.]", "VarVel[(m/s)^2]", "Filt_Huecos", "Filt_Coherencia",
              "Filt_Disponibilidad", "Filt_CGM", "Filtro_Distancia"}));
    for (int32_t k = 1; k <= NPuntos; ++k)
      f.EscribirLinea(Unir({DateTimeToStr(fechaInicio + static_cast<double>(k - 1) * pasoDias),
                            RealATexto((*Vel)[k]), RealATexto((*Ang)[k]), RealATexto((*PE)[k]),
                            RealATexto((*Temp)[k]), RealATexto((*Pre)[k]), RealATexto((*HumRel)[k]),
                            RealATexto((*CGM)[k]), RealATexto((*fDisp)[k]),
                            RealATexto((*VarVel)[k]), Bandera(Filt_Huecos, k),
                            Bandera(Filt_Coherencia, k), Bandera(Filt_Disponibilidad, k),
                            Bandera(Filt_CGM, k), Bandera(Filtro_Distancia, k)}));
    f.Cerrar();
  }

  const TPlanoFiltrados planos[] = {TPlanoFiltrados::PE_Velocidad, TPlanoFiltrados::Dir_Velocidad};
  ExportarGraficosModeloEmpirico(
      2, [&](int32_t i) { return GraficoFiltrados(planos[i]); },
      [&](int32_t i) { return carpeta / ArchivoGraficoFiltrados(planos[i]); });
}

std::string ArchivoGraficoFiltrados(TPlanoFiltrados plano) {
  return plano == TPlanoFiltrados::PE_Velocidad ? "muestras_filtrados_plano_pe_vel_0.jpg"
                                                : "muestras_filtrados_plano_dir_vel_0.jpg";
}

std::unique_ptr<TGrafico> TParque_ModeloEmpirico::GraficoFiltrados(TPlanoFiltrados plano) const {
  // The flagged samples of one filter, gaps left out.
  const auto marcados = [&](const TDAOfBoolean& filtro, const TVectR& v) {
    TDAofNReal valores;
    ValoresSegunFiltros({&filtro}, v, true, Filt_Huecos, valores);
    return valores;
  };
  struct Filtro {
    const TDAOfBoolean* banderas;
    TColor color;
  };
  const Filtro filtros[4] = {{&Filt_Coherencia, RGBAColor(255, 0, 255)},
                             {&Filt_CGM, RGBAColor(255, 0, 0)},
                             {&Filt_Disponibilidad, RGBAColor(0, 0, 255)},
                             {&Filtro_Distancia, RGBAColor(0, 0, 0)}};
  const auto grafico = [&](const char* nombre, const char* titulo, const char* tituloY, NReal yMax,
                           const TVectR& y, const char* nombreY,
                           const char* const(&nombres)[4][2]) {
    auto g = std::make_unique<TGrafico>(nombre, 2, 0);
    g->titulo = titulo;
    g->ejeX->titulo = "Velocidad de viento [m/s]";
    g->ejeX->FijarMinimo(0);
    g->ejeX->FijarMaximo(25);
    g->ejeY1->titulo = tituloY;
    g->ejeY1->FijarMinimo(0);
    g->ejeY1->FijarMaximo(yMax);
    // Every sample, gaps included.
    TSerieGrafico* x = Abscisa(*g, "vel", ComoDA(*Vel));
    Ordenada(*g, nombreY, ComoDA(y), x, RGBAColor(0, 128, 0), 2, 1);
    for (int q = 0; q < 4; ++q) {
      x = Abscisa(*g, nombres[q][0], marcados(*filtros[q].banderas, *Vel));
      Ordenada(*g, nombres[q][1], marcados(*filtros[q].banderas, y), x, filtros[q].color, 4, 2);
    }
    return g;
  };

  if (plano == TPlanoFiltrados::PE_Velocidad) {
    static const char* const nombresPE[4][2] = {
        {"vel_filtrados_por_coherencia", "PE_filtrados_por_Coherencia"},
        {"vel_filtrados_por_cgm", "PE_filtrados_por_cgm"},
        {"vel_filtrados_por_disp", "PE_filtrados_por_disp"},
        {"vel_filtrados_por_dist", "PE_filtrados_por_dist"}};
    return grafico("gfiltrados_pv", "Muestras y filtrados (plano PE-Velocidad)",
                   "Potencia eléctrica [MW]", TopeEjePotencia(mt->potencia_autorizada_mw), *PE,
                   "PE", nombresPE);
  }
  static const char* const nombresDir[4][2] = {
      {"vel_filtrados_por_coherencia_", "Dir_filtrados_por_Coherencia"},
      {"vel_filtrados_por_cgm", "Dir_filtrados_por_cgm"},
      {"vel_filtrados_por_disponibilidad", "Dir_filtrados_por_disponibilidad"},
      {"vel_filtrados_por_distancia", "Dir_filtrados_por_distancia"}};
  return grafico("gfiltrados_dirvel", "Muestras y filtrados (plano Dir-Velocidad)", "Dirección [°]",
                 360, *Ang, "Dir", nombresDir);
}

void TParque_ModeloEmpirico::GraficarClusterSector(int32_t k, const TVectR& bordes,
                                                   const TVectR& centros, const TDAofNReal& pv3,
                                                   const TDAofNReal& PE_,
                                                   const TDAofNReal& /*varVel*/,
                                                   const TDAofNReal& fechas_, const TVectR& cntFila,
                                                   const TVectR& /*aFila*/, const TVectR& /*bFila*/,
                                                   const TVectR& PFila, int32_t pasada) const {
  ExportarGraficoModeloEmpirico(
      *GraficoClusterSector(k, bordes, centros, pv3, PE_, fechas_, cntFila, PFila),
      CarpetaCentral(mt->central) / ArchivoGraficoSector(k, pasada));
}

std::string TParque_ModeloEmpirico::ArchivoGraficoSector(int32_t k, int32_t pasada) const {
  return IntToStr(Trunc(100 * AnguloSector(k))) + "_" + IntToStr(pasada) + "_" + "0" + ".jpg";
}

std::unique_ptr<TGrafico> TParque_ModeloEmpirico::GraficoClusterSector(
    int32_t k, const TVectR& bordes, const TVectR& centros, const TDAofNReal& pv3,
    const TDAofNReal& PE_, const TDAofNReal& fechas_, const TVectR& cntFila,
    const TVectR& PFila) const {
  const NReal a = AnguloSector(k);
  auto grafico = std::make_unique<TGrafico>("gfiltrados_pv", 2, 0);
  TGrafico& g = *grafico;
  g.titulo = "Muestras cluster ang: " + FloatToStrF(a, TFloatFormat::ffFixed, 12, 1) + "°";
  g.ejeX->titulo = "Potencia del viento [MW/m2]";
  g.ejeX->formato = 1;
  g.ejeX->precision = 6;
  g.ejeX->digitos = 8;
  g.ejeY1->titulo = "Potencia eléctrica [MW]";
  const NReal M = std::max(mt->potencia_autorizada_mw, mt->potencia_nominal);
  const NReal yMax = TopeEjePotencia(M);
  g.ejeY1->FijarMinimo(0);
  g.ejeY1->FijarMaximo(yMax);

  TDAofNReal pvDia, peDia, pvNoche, peNoche;
  for (size_t i = 0; i < pv3.size(); ++i) {
    const bool dia = EsMuestraDiurna(fechas_[i]);
    (dia ? pvDia : pvNoche).push_back(pv3[i]);
    (dia ? peDia : peNoche).push_back(PE_[i]);
  }
  TSerieGrafico* x = Abscisa(g, "Pv3_7a19hs", std::move(pvDia));
  Ordenada(g, "PE_muestras_7a19hs", std::move(peDia), x, RGBAColor(0, 0, 255), 2, 1);
  x = Abscisa(g, "Pv3_20a6hs", std::move(pvNoche));
  Ordenada(g, "PE_muestras_20a6hs", std::move(peNoche), x, RGBAColor(0, 0, 0), 2, 1);

  // The bin edges as thin vertical boxes.
  for (int32_t j = 1; j <= bordes.n; ++j)
    g.AgregarCaja(std::make_unique<TCajaGraficoXY>("", bordes[j], 0, bordes[j] + 5e-6, yMax));

  TDAofNReal fCentros;
  for (int32_t j = 1; j <= centros.n; ++j)
    fCentros.push_back(PotenciaCurvaS(a, centros[j], DensidadEstandar, 0));
  x = Abscisa(g, "Pv3Medio", ComoDA(centros));
  Ordenada(g, "F0_s", std::move(fCentros), x, RGBAColor(255, 0, 0), 6, 2);

  TDAofNReal xs, ys;
  for (int32_t j = 1; j + 1 <= bordes.n; ++j)
    for (int32_t m = 1; m <= 10; ++m) {
      const NReal xv = bordes[j] + (m - 1) / 10.0 * (bordes[j + 1] - bordes[j]);
      xs.push_back(xv);
      ys.push_back(PotenciaCurvaS(a, xv, DensidadEstandar, 0));
    }
  x = Abscisa(g, "Pv3_Hermit", std::move(xs));
  Ordenada(g, "PE_Curva_s", std::move(ys), x, RGBAColor(255, 0, 0), 0, 1, RGBAColor(255, 0, 0));

  x = Abscisa(g, "Pv3Medio", ComoDA(centros));
  Ordenada(g, "Peso", ComoDA(cntFila), x, RGBAColor(255, 0, 255), 3, 1, clNone, 1);
  Ordenada(g, "F0", ComoDA(PFila), x, RGBAColor(255, 0, 0), 3, 2);

  return grafico;
}
