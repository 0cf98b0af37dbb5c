#include "ejemplo/planta_ejemplo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <numbers>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "ejemplo/parque_referencia.h"
#include "estimator/ucarpetascentrales.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace fs = std::filesystem;

namespace {

constexpr double kSinDato = -999999999.0;  // the series files' missing-value mark
constexpr int kMuestrasPorDia = 144;
constexpr int kDias = 366;       // 2016
constexpr double kPAut = 100.0;  // MW, the farm's authorised power
constexpr double kMolinos = 50.0;

// The draws, from a generator whose sequence the standard fixes; the distributions are built
// here (the library's own may differ from one version to another), so the file is the same
// wherever it is written.
class Azar {
 public:
  explicit Azar(uint64_t semilla) : g_(semilla) {}
  // Uniform in (0, 1), never 0 or 1.
  double U() { return (static_cast<double>(g_() >> 11) + 0.5) * 0x1.0p-53; }
  // Standard normal (Box-Muller).
  double N() {
    if (hay_) {
      hay_ = false;
      return guardado_;
    }
    const double r = std::sqrt(-2.0 * std::log(U())), a = 2.0 * std::numbers::pi * U();
    guardado_ = r * std::sin(a);
    hay_ = true;
    return r * std::cos(a);
  }

 private:
  std::mt19937_64 g_;
  bool hay_ = false;
  double guardado_ = 0;
};

// A stretch of samples: day of the year (from 0), start hour, length in hours, and a value
// (turbines available, or the CGM set-point in MW).
struct Tramo {
  int dia;
  double hora, horas, valor;
  bool Contiene(int k) const {
    const double ini = dia * kMuestrasPorDia + hora * 6, fin = ini + horas * 6;
    return k >= ini && k < fin;
  }
};

// Restriction periods: three in November (days 305 to 334), the others spread over the year.
const Tramo kRestricciones[] = {
    {20, 11, 3, 60},  {58, 16, 5, 50},
    {95, 9, 2.5, 75}, {150, 13, 6, 40},
    {190, 20, 4, 65}, {240, 3, 3, 55},
    {275, 12, 5, 70}, {311, 14, 4.5, 60},
    {319, 2, 3, 45},  {327, 19, 4 + 2.0 / 3.0, 70},
    {350, 10, 4, 50},
};
// Hours with some turbines out: 44 and 46 of 50 are kept by the availability filter (the power
// is brought back to the whole farm), 38 and 41 are below its 80 %.
const Tramo kDisponibilidad[] = {
    {40, 8, 6, 44}, {130, 10, 5, 38}, {220, 7, 8, 46}, {290, 9, 4, 41}};
// Gaps in every channel.
const Tramo kHuecos[] = {{12, 10, 6, 0}, {77, 0, 18, 0}, {160, 13, 3, 0}, {260, 5, 30, 0}};
// Two days on which the anemometer is stuck at one value.
const Tramo kAnemometroTrabado[] = {{101, 6, 48, 4.37}};

template <size_t N>
const Tramo* Buscar(const Tramo (&tramos)[N], int k) {
  for (const Tramo& t : tramos)
    if (t.Contiene(k)) return &t;
  return nullptr;
}

double NormalAcumulada(double z) { return 0.5 * std::erfc(-z / std::numbers::sqrt2); }

// Losses of the wakes: winds along the rows (from the east or the west) cross ten turbines
// 350 m apart, winds across them five turbines 700 m apart.
double PerdidaEstela(double direccion) {
  const double s = std::sin(direccion * std::numbers::pi / 180.0);
  const double d = std::min(std::fabs(std::remainder(direccion - 90.0, 180.0)), 90.0);
  return 0.03 + 0.12 * s * s + 0.06 * std::exp(-(d / 6.0) * (d / 6.0));
}

// The farm's power curve without losses, MW.
double CurvaParque(double v) {
  if (v > 25.0) return 0.0;  // cut-out
  return std::clamp(103.0 / (1.0 + std::exp(-0.8 * (v - 9.4))) - 1.2, 0.0, kPAut);
}

}  // namespace

std::unique_ptr<TParque_ModeloTeorico> ModeloPlantaEjemplo() {
  auto m = ParqueDeReferencia(10);
  m->central = kPlantaEjemplo;
  m->nid = kPlantaEjemplo;
  m->nombre = "Parque de ejemplo";
  m->n_sectores_dir = 72;
  for (size_t i = 0; i < m->molinos.size(); ++i) {
    TMolino& t = m->molinos[i];
    t.nid = static_cast<int32_t>(5001 + i);
    t.nid_curvaaero = 1;
    t.nidcentral = kPlantaEjemplo;
  }
  m->CalcularCurvaEquivalente();
  return m;
}

TSeriesDeDatos SeriesPlantaEjemplo() {
  const int n = kDias * kMuestrasPorDia;
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.nombres = {"vel", "dir", "PE", "temp", "pre", "hum", "CGM", "disp", "varvel"};
  s.tipos.assign(9, SALIDA);
  s.anio = 2016;
  s.mes = 1;
  s.dia = 1;
  s.periodoHoras = 1.0 / 6.0;
  s.pasosPorCiclo = kMuestrasPorDia;
  s.NPuntos = n;
  s.series.assign(9, TVectR(n));

  Azar a(20160101);
  const double pi = std::numbers::pi;
  double zVel = 0, desvio = 0, zTemp = 0, zPre = 0;
  int regimen = 0;  // 0: the prevailing west-south-west; 1: a spell from the east
  for (int k = 0; k < n; ++k) {
    const int dia = k / kMuestrasPorDia;
    const double hora = (k % kMuestrasPorDia) / 6.0;
    const double diurno = std::sin(2 * pi * (hora - 9) / 24);  // 1 at 15:00

    // Speed: a persistent normal process taken through the Weibull law; windier in winter
    // and in the afternoon.
    zVel = 0.985 * zVel + std::sqrt(1 - 0.985 * 0.985) * a.N();
    const double escala =
        8.5 * (1 + 0.1 * std::cos(2 * pi * (dia - 15) / kDias)) * (1 + 0.05 * diurno);
    double vel = escala * std::sqrt(-std::log(1 - std::min(NormalAcumulada(zVel), 1 - 1e-12)));

    // Direction: spells around 250 or 80 degrees.
    if (a.U() < (regimen == 0 ? 1.0 / 400 : 1.0 / 150)) regimen = 1 - regimen;
    const double sigma = regimen == 0 ? 25.0 : 30.0;
    desvio = 0.95 * desvio + std::sqrt(1 - 0.95 * 0.95) * sigma * a.N();
    double dir = std::fmod((regimen == 0 ? 250.0 : 80.0) + desvio + 2 * a.N() + 720.0, 360.0);

    // Air: day and night, seasons, weather.
    zTemp = 0.99 * zTemp + std::sqrt(1 - 0.99 * 0.99) * a.N();
    zPre = 0.999 * zPre + std::sqrt(1 - 0.999 * 0.999) * a.N();
    const double temp = 14 + 7 * std::cos(2 * pi * (dia - 200) / kDias) + 5 * diurno + 2 * zTemp;
    const double pre = 1013 + 8 * zPre;
    const double hum = std::clamp(72 - 15 * diurno + 5 * a.N(), 20.0, 100.0);
    const double densidadRelativa = pre * 100 / (287.05 * (temp + 273.15)) / 1.225;

    // Power: the curve at the speed the density is worth, less the wakes below rated power,
    // noise, the turbines out and the set-point.
    const double perdida = PerdidaEstela(dir) / (1 + std::exp((vel - 12.5) / 0.9));
    double pe = CurvaParque(vel * std::cbrt(densidadRelativa)) * (1 - perdida);
    pe += (0.6 + 0.025 * pe) * a.N();
    double disp = kMolinos;
    if (const Tramo* t = Buscar(kDisponibilidad, k)) disp = t->valor;
    pe *= disp / kMolinos;
    double cgm = kPAut;
    if (const Tramo* t = Buscar(kRestricciones, k)) {
      cgm = t->valor;
      pe = std::min(pe, cgm - 0.3 * std::fabs(a.N()));
    }
    pe = std::clamp(pe, -0.2, kPAut);
    const double varvel = std::pow(0.12 * vel, 2) * (0.7 + 0.6 * a.U());

    if (const Tramo* t = Buscar(kAnemometroTrabado, k)) vel = t->valor;
    double fila[9] = {vel, dir, pe, temp, pre, hum, cgm, disp, varvel};
    // Gaps: the long ones, and now and then a lone sample.
    if (Buscar(kHuecos, k) != nullptr || a.U() < 0.0005)
      for (double& x : fila) x = kSinDato;
    for (int c = 0; c < 9; ++c) s.series[static_cast<size_t>(c)][k + 1] = fila[c];
  }
  s.CalcularInicio();
  return s;
}

void EscribirPlantaEjemplo() {
  const fs::path archivos[] = {
      ArchivoParqueMT(kPlantaEjemplo), ArchivoCentral(kPlantaEjemplo, "_series10min.sas"),
      ArchivoCalibrador(kPlantaEjemplo), ArchivoModeloCombinado(kPlantaEjemplo)};
  for (const fs::path& p : archivos) {
    std::error_code ec;
    if (fs::exists(p, ec) || ec)
      throw EErrorGeneral("La planta de ejemplo " + IntToStr(kPlantaEjemplo) +
                          " ya tiene archivos en " + p.parent_path().string() + " (" +
                          p.filename().string() + "); no se sobrescribe nada.");
  }
  const fs::path& mt = archivos[0];
  const fs::path& series = archivos[1];
  try {
    SeriesPlantaEjemplo().Grabar(series);
    ModeloPlantaEjemplo()->EscribirArchivo(mt);
  } catch (...) {
    std::error_code ec;
    fs::remove(series, ec);
    fs::remove(mt, ec);
    throw;
  }
}
