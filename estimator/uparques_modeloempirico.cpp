#include "estimator/uparques_modeloempirico.h"

#include <cmath>

#include "platform/errores.h"
#include "platform/redondeo.h"
#include "platform/rtltexto.h"

void ValoresSegunFiltros(const std::vector<const TDAOfBoolean*>& filtros, const TVectR& v,
                         bool marcados, const TDAOfBoolean& excluidas, TDAofNReal& valores) {
  valores.clear();
  const auto marca = [](const TDAOfBoolean& a, size_t k) { return k < a.size() && a[k] != 0; };
  for (int32_t k = 1; k <= v.n; ++k) {
    const auto kk = static_cast<size_t>(k);
    if (marca(excluidas, kk)) continue;
    bool marcada = false;
    for (const TDAOfBoolean* f : filtros)
      if (f != nullptr && marca(*f, kk)) {
        marcada = true;
        break;
      }
    if (marcada == marcados) valores.push_back(v.pv[kk]);
  }
}

void TParque_ModeloEmpirico::TomarCanales() {
  const int32_t n = series ? series->NSeries : 0;
  if (!series || n < kCanales || static_cast<int32_t>(series->series.size()) < kCanales)
    throw EErrorGeneral("El archivo de series " + (series ? series->archivo : std::string()) +
                        " tiene " + IntToStr(n) + " series; el modelo empírico necesita " +
                        IntToStr(kCanales));
  auto& s = series->series;
  Vel = &s[0];
  Ang = &s[1];
  PE = &s[2];
  Temp = &s[3];
  Pre = &s[4];
  HumRel = &s[5];
  CGM = &s[6];
  fDisp = &s[7];
  VarVel = &s[8];
}

NReal TParque_ModeloEmpirico::AnguloSector(int32_t k) const {
  return static_cast<NReal>(k - 1) * 360.0 / static_cast<NReal>(NSectores());
}

void TParque_ModeloEmpirico::SectoresVecinos(int32_t& k1, int32_t& k2, NReal& peso1, NReal& peso2,
                                             NReal angulo) const {
  if (!std::isfinite(angulo))
    throw EErrorGeneral("Dirección de viento no válida: " + FloatToStr(angulo));
  // A direction outside [0, 360) would give a sector index of 0 or below (Trunc rounds toward
  // zero and mod keeps the sign): bring it into range by whole turns first. fmod is exact; the
  // addition of 360 may round a tiny negative remainder up to 360 itself, which is 0.
  if (angulo < 0 || angulo >= 360) {
    angulo = std::fmod(angulo, 360.0);
    if (angulo < 0) angulo += 360.0;
    if (angulo >= 360.0) angulo = 0.0;
  }
  const int32_t ns = NSectores();
  if (ns <= 0) throw EErrorGeneral("El modelo empírico no tiene sectores de dirección");
  const NReal x = static_cast<NReal>(ns) * angulo / 360.0;
  const int32_t t = Trunc32(x);
  k1 = t % ns + 1;
  k2 = k1 % ns + 1;
  peso2 = x - static_cast<NReal>(t);
  peso1 = 1.0 - peso2;
}
