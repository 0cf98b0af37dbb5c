// Turbines, positions and the theoretical model's file.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "estimator/uparques_modeloteorico.h"
#include "numerics/uauxiliares.h"
#include "platform/archivos_texto.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "utiles_mt.h"

namespace {

TVectR Vector(const std::vector<double>& v) { return TVectR::CreateDesdeDA(1, v); }

std::string Reescribir(const TParque_ModeloTeorico& m, const std::filesystem::path& ruta) {
  m.EscribirArchivo(ruta);
  return LeerArchivoCompleto(ruta);
}

TMolino MolinoDePrueba(int columnaIni, int columnaFin, int fila) {
  TMolino m;
  m.curva = TCurvaAerogen::Create(1, "G80", 80, Vector({3, 4, 8, 12, 16, 25}),
                                  Vector({0, 0.15, 0.98, 1.94, 2, 2}));
  m.etha = 0.97;
  m.posicion.fila = fila;
  m.posicion.columnaIni = columnaIni;
  m.posicion.columnaFin = columnaFin;
  return m;
}

}  // namespace

// The share left behind the rotor against the worked values of its closed form
// (1 - r^(2/3))^1.5, and its limits.
TEST(Molino, FactorDeEstela) {
  struct Caso {
    double r, q, tol;
  } casos[] = {
      {0.01, 0.931190, 1e-6}, {0.1, 0.694922, 1e-6},  {0.5, 0.225098, 1e-6},
      {0.9, 0.0176659, 1e-7}, {0.0, 0.999999, 0},     {1e-16, 0.999999, 0},  // clamp at the top
      {1.0, 0.00001, 0},      {1.5, 0.00001, 0},      {1e300, 0.00001, 0},   // r >= 1: bottom
      {-0.3, 0.999999, 0},    {0.999999, 0.00001, 0},  // (1 - 0.99999933)^1.5 = 5.4e-10 < limit
  };
  for (const auto& c : casos) EXPECT_NEAR(FactorEstela(c.r), c.q, c.tol) << "r=" << c.r;
}

TEST(Molino, ProcesarFila) {
  const double fpv3pe = 1.8, escala = 0.9, rho = 1.18;
  // A row of 8 cells, the rotor on columns 3..5 (not uniform: the mean counts).
  TVectR u = Vector({7e-4, 7e-4, 5e-4, 6e-4, 7e-4, 7e-4, 7e-4, 7e-4});
  const TVectR antes = u;
  TMolino m = MolinoDePrueba(3, 5, 4);
  m.ProcesarFila(3, u, fpv3pe, escala, rho);  // another row: nothing
  EXPECT_EQ(u, antes);
  EXPECT_EQ(m.potencia, 0.0);
  m.ProcesarFila(4, u, fpv3pe, escala, rho);
  const double media = (5e-4 + 6e-4 + 7e-4) / 3;
  EXPECT_DOUBLE_EQ(m.dpvMedia, media);
  const double p = m.curva.PotenciaDPV(0.97 * media) * (rho / 1.225) * escala;
  EXPECT_DOUBLE_EQ(m.potencia, p);
  const double r = fpv3pe * (p / (M_PI * 40 * 40)) / media;
  const double q = std::pow(1 - std::pow(r, 2.0 / 3.0), 1.5);
  for (int j = 1; j <= 8; ++j)
    EXPECT_DOUBLE_EQ(u.pv[j], (j >= 3 && j <= 5) ? antes.pv[j] * q : antes.pv[j]) << j;

  // Still air: r is taken as 0.01 and the cells still lose 1 - 0.931190 of their density.
  TVectR quieto = Vector({0, 1e-16, 0});
  TMolino s = MolinoDePrueba(2, 2, 1);
  s.ProcesarFila(1, quieto, fpv3pe, 1, rho);
  EXPECT_NEAR(quieto.pv[2] / 1e-16, 0.931190, 1e-6);
  // Moving air below the cut-in: no power, the upper limit 0.999999.
  TVectR lento = Vector({1e-6, 1e-6, 1e-6});
  TMolino l = MolinoDePrueba(1, 3, 1);
  l.ProcesarFila(1, lento, fpv3pe, 1, rho);
  EXPECT_EQ(l.potencia, 0.0);
  EXPECT_EQ(lento.pv[1], 1e-6 * 0.999999);
}

TEST(Posicion, LecturaDeLasDosLineas) {
  // Line 2 through the field readers and the evaluator, line 1 with plain reads only; under the
  // standard format, as the model reader calls it.
  FormatoEstandar guardia;
  TextoEntrada e =
      TextoEntrada::DesdeTexto(" 1.5E+002\t-2.5E+001  resto\r\n21  H;2*3.5E+005,\t-(6123450)\n");
  const TPosicion p = TPosicion::CreateLeerTexto(e);
  EXPECT_EQ(p.punto.x, 150.0);
  EXPECT_EQ(p.punto.y, -25.0);
  EXPECT_EQ(p.huso, 21);
  EXPECT_EQ(p.zona, 'H');
  EXPECT_EQ(p.xe, 700000.0);
  EXPECT_EQ(p.yn, -6123450.0);
  // No zone field: '?' and the rest fails as a missing real.
  TextoEntrada sinZona = TextoEntrada::DesdeTexto("1 2\n21\n");
  EXPECT_THROW_MSG(TPosicion::CreateLeerTexto(sinZona), EInOutError,
                   "Error leyendo línea: 2: Error: no se puede evaluar \"\" a un número real");
  struct Caso {
    const char* texto;
    const char* mensaje;
  } malos[] = {
      {"2*3.5\t1\n21\tH\t1\t2\n", "Error leyendo línea: 1"},  // no expression on line 1
      {"1\n21\tH\t1\t2\n", "Error leyendo línea: 1"},         // one real only
      // The conversion's own text follows the line.
      {"1 2\nx\tH\t1\t2\n", "Error leyendo línea: 2: \"x\" no es un número entero válido"},
      {"1 2\n21\tH\t1\t2+\n",
       "Error leyendo línea: 2: Error: no se puede evaluar \"2+\" a un número real"},
      {"1 2\n", "Error leyendo línea: 2: fin del archivo"},  // missing line
  };
  for (const auto& c : malos) {
    TextoEntrada t = TextoEntrada::DesdeTexto(c.texto);
    SCOPED_TRACE(c.texto);
    EXPECT_THROW_MSG(TPosicion::CreateLeerTexto(t), EInOutError, c.mensaje);
  }
}

TEST(ModeloTeorico, Version3IdaYVueltaByteAByte) {
  const auto dir = CarpetaTemporalMT("pmt3");
  const std::string original = LeerArchivoCompleto(FixtureMT("modelo_v3.pmt"));
  auto m = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT("modelo_v3.pmt"));
  EXPECT_EQ(m->central, 12);
  EXPECT_EQ(m->nid, 345);
  EXPECT_EQ(m->nombre, "Parque Ejemplo Ñandú");
  ASSERT_EQ(m->nMolinos, 2);
  EXPECT_EQ(m->n_sectores_dir, 72);
  EXPECT_EQ(m->potencia_nominal, 48.0);
  EXPECT_EQ(m->meteo_etha.nf, 2);
  EXPECT_EQ(m->meteo_etha.Elemento(2, 3), 0.875);
  EXPECT_EQ(m->grilla_rotada_margen_dx, 1000.0);
  EXPECT_EQ(m->molinos[1].posicion.punto.y, -12.5);
  EXPECT_EQ(m->molinos[1].posicion.yn, 6179987.5);
  EXPECT_EQ(m->molinos[1].etha, 0.95);
  EXPECT_EQ(m->molinos[1].nro, 0);
  EXPECT_EQ(m->meteo_utm_zona, 'H');
  EXPECT_EQ(m->meteo_utm_yn, 6180000.0);
  EXPECT_DOUBLE_EQ(m->kPerdidas, 0.035 / 48);
  // The writer reproduces the fixture exactly, and so does a second generation.
  const std::string primera = Reescribir(*m, dir / "a.pmt");
  EXPECT_EQ(primera, original);
  auto r = TParque_ModeloTeorico::CreateDesdeArchivo(dir / "a.pmt");
  EXPECT_EQ(Reescribir(*r, dir / "b.pmt"), primera);

  // The LF copy, with expressions on a position line, reads as the same model.
  auto lf = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT("modelo_v3_lf.pmt"));
  EXPECT_EQ(Reescribir(*lf, dir / "c.pmt"), original);
}

TEST(ModeloTeorico, VersionesAntiguas) {
  const auto dir = CarpetaTemporalMT("pmt12");
  for (const char* nombre : {"modelo_v1.pmt", "modelo_v2.pmt"}) {
    SCOPED_TRACE(nombre);
    auto m = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT(nombre));
    const bool v1 = std::string(nombre) == "modelo_v1.pmt";
    EXPECT_EQ(m->potencia_autorizada_mw, 1.7);
    EXPECT_EQ(m->potencia_nominal, v1 ? 1.7 : 1.6);  // v1 has no nominal power line
    TMatR unos(72, 1);
    unos.LlenarUnos();
    EXPECT_EQ(m->meteo_etha, unos);  // the single real is discarded
    EXPECT_EQ(m->molinos.at(0).posicion.xe, 600200.0);
    // Saved again it is a version 3 file with both lines, which reads back the same.
    const std::string v3 = Reescribir(*m, dir / "v3.pmt");
    EXPECT_EQ(v3.substr(0, 11), "VERSION=3\r\n");
    auto r = TParque_ModeloTeorico::CreateDesdeArchivo(dir / "v3.pmt");
    EXPECT_EQ(r->potencia_nominal, m->potencia_nominal);
    EXPECT_EQ(r->meteo_etha, unos);
    EXPECT_EQ(Reescribir(*r, dir / "v3b.pmt"), v3);
  }
}

TEST(ModeloTeorico, LineaUnoYPotencias) {
  const std::string v3 = LeerArchivoCompleto(FixtureMT("modelo_v3.pmt"));
  auto leer = [](const std::string& texto) {
    TextoEntrada e = TextoEntrada::DesdeTexto(texto);
    return TParque_ModeloTeorico::CreateLeerTexto(e);
  };
  // The first 8 characters are not examined; versions above 3 read as 3.
  EXPECT_EQ(leer("XXXXXXXX3" + v3.substr(9))->nMolinos, 2);
  EXPECT_EQ(leer("VERSION=7" + v3.substr(9))->nMolinos, 2);
  EXPECT_THROW_MSG(leer("VERSION=3x" + v3.substr(9)), EConvertError,
                   "Error leyendo línea: 1: \"3x\" no es un número entero válido");
  EXPECT_THROW(leer("VERSION" + v3.substr(9)), EConvertError);

  // Authorised power 0 loads as 1e-8; a nominal power of 0 stays 0, and the loss coefficient
  // takes the authorised power in its place.
  std::string t = v3;
  const std::string pAut = "\r\n 5.0000000000000000E+001\r\n 4.8000000000000000E+001\r\n";
  ASSERT_NE(t.find(pAut), std::string::npos);
  t.replace(t.find(pAut), pAut.size(),
            "\r\n 0.0000000000000000E+000\r\n 4.8000000000000000E+001\r\n");
  EXPECT_EQ(leer(t)->potencia_autorizada_mw, 1e-8);
  t = v3;
  t.replace(t.find(pAut), pAut.size(),
            "\r\n 5.0000000000000000E+001\r\n 0.0000000000000000E+000\r\n");
  auto sinNominal = leer(t);
  EXPECT_EQ(sinNominal->potencia_nominal, 0.0);
  EXPECT_DOUBLE_EQ(sinNominal->kPerdidas, 0.0007);  // 0.035 / 50
  sinNominal->PrepararGrilla(true, 0, 0.0004);      // the set-up computes the coefficient again
  EXPECT_EQ(sinNominal->potencia_nominal, 0.0);
  EXPECT_DOUBLE_EQ(sinNominal->kPerdidas, 0.0007);
  // Written back, the file holds what it held.
  const auto dir = CarpetaTemporalMT("pmt_sin_nominal");
  EXPECT_EQ(Reescribir(*sinNominal, dir / "sin_nominal.pmt"), t);
}

TEST(ModeloTeorico, TextoMalFormadoDaErrorDeLectura) {
  const std::string v3 = LeerArchivoCompleto(FixtureMT("modelo_v3.pmt"));
  auto con = [&](int linea, const std::string& nuevo) {
    std::string t = v3;
    size_t ini = 0;
    for (int i = 1; i < linea; ++i) ini = t.find("\r\n", ini) + 2;
    t.replace(ini, t.find("\r\n", ini) - ini, nuevo);
    return t;
  };
  struct Caso {
    int linea;
    const char* texto;
    const char* mensaje;
  } casos[] = {
      {5, "-1", "Error leyendo línea: 5 del archivo: m.pmt"},   // nMolinos < 0
      {5, "dos", "Error leyendo línea: 5 del archivo: m.pmt"},  // not a whole number
      {9, "1,8", "Error leyendo línea: 9 del archivo: m.pmt"},  // decimal comma: not a plain real
      {15, "2", "Error leyendo línea: 15 del archivo: m.pmt"},  // row 1 of the matrix: 2, not 3
      {13, "0", "Error leyendo línea: 14 del archivo: m.pmt"},  // an empty matrix
  };
  for (const auto& c : casos) {
    TextoEntrada e = TextoEntrada::DesdeTexto(con(c.linea, c.texto), "m.pmt");
    SCOPED_TRACE(c.linea);
    EXPECT_THROW_MSG(TParque_ModeloTeorico::CreateLeerTexto(e), EInOutError, c.mensaje);
  }
  // Every truncation at a line end, whatever it cuts, asks for the line after the last.
  int lineas = 0;
  for (size_t fin = v3.find("\r\n"); fin + 2 < v3.size(); fin = v3.find("\r\n", fin + 2)) {
    TextoEntrada e = TextoEntrada::DesdeTexto(v3.substr(0, fin + 2));
    ++lineas;
    EXPECT_THROW_MSG(TParque_ModeloTeorico::CreateLeerTexto(e), EInOutError,
                     "Error leyendo línea: " + std::to_string(lineas + 1) + ": fin del archivo");
  }
  EXPECT_THROW(TParque_ModeloTeorico::CreateDesdeArchivo("/no/existe/m.pmt"), EInOutError);
}

TEST(ModeloTeorico, ComaDecimalDelUsuarioNoCambiaNingunByte) {
  const auto dir = CarpetaTemporalMT("pmt_coma");
  const TFormatSettings antes = FormatSettings();
  TFormatSettings coma = FormatoDeLocale("es_ES.UTF-8");
  coma.DecimalSeparator = ',';
  coma.ThousandSeparator = '.';
  FijarFormatoDelSistema(coma);
  ReiniciarFormatoEstandarParaPruebas();
  auto m = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT("modelo_v3_lf.pmt"));
  const std::string escrito = Reescribir(*m, dir / "a.pmt");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');  // the guard popped back to the user's
  EXPECT_EQ(NivelFormatoEstandar(), 0);
  FijarFormatoDelSistema(antes);
  ReiniciarFormatoEstandarParaPruebas();
  EXPECT_EQ(escrito, LeerArchivoCompleto(FixtureMT("modelo_v3.pmt")));
}

TEST(ModeloTeorico, NombreConSaltosYArchivoAtomico) {
  const auto dir = CarpetaTemporalMT("pmt_nombre");
  auto m = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT("modelo_v2.pmt"));
  m->nombre = "Dos\r\nlíneas\n";
  m->EscribirArchivo(dir / "a.pmt");
  auto r = TParque_ModeloTeorico::CreateDesdeArchivo(dir / "a.pmt");
  EXPECT_EQ(r->nombre, "Dos  líneas ");
  EXPECT_EQ(r->nMolinos, 1);
  // A write that cannot complete leaves the previous file as it was.
  const std::string antes = LeerArchivoCompleto(dir / "a.pmt");
  EXPECT_THROW(m->EscribirArchivo(dir / "no_hay" / "a.pmt"), EInOutError);
  EXPECT_EQ(LeerArchivoCompleto(dir / "a.pmt"), antes);
}

TEST(ModeloTeorico, CurvaEquivalenteYParametros) {
  auto m = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT("modelo_v3.pmt"));
  ASSERT_TRUE(m->curvaEquivalente);
  const TCurvaAerogen& eq = *m->curvaEquivalente;
  // The first turbine's speeds with the sum of both powers.
  EXPECT_EQ(eq.curva_v, m->molinos[0].curva.curva_v);
  EXPECT_EQ(eq.modelo, "G80-2.0MW");
  EXPECT_DOUBLE_EQ(eq.curva_P.pv[2], 2 + 0.85);
  EXPECT_DOUBLE_EQ(eq.Pmax, 2.85);
  // A model of one turbine: a copy of its curve.
  auto uno = TParque_ModeloTeorico::CreateDesdeArchivo(FixtureMT("modelo_v1.pmt"));
  EXPECT_EQ(uno->curvaEquivalente->curva_P, uno->molinos[0].curva.curva_P);
  EXPECT_EQ(uno->curvaEquivalente->Pmax, uno->molinos[0].curva.Pmax);
  EXPECT_EQ(uno->curvaEquivalente->alfa, uno->molinos[0].curva.alfa);
  EXPECT_EQ(uno->curvaEquivalente->vm, uno->molinos[0].curva.vm);
  // A curve changed after loading is seen by the next rebuild.
  m->molinos[1].curva = m->molinos[0].curva;
  m->CalcularCurvaEquivalente();
  EXPECT_DOUBLE_EQ(m->curvaEquivalente->Pmax, 4.0);
  // No turbine: no curve, and that is legal.
  TParque_ModeloTeorico vacio;
  vacio.CalcularCurvaEquivalente();
  EXPECT_FALSE(vacio.curvaEquivalente);
  EXPECT_EQ(vacio.potencia_autorizada_mw, 1e-8);

  // Handles: one level per column of meteo_etha, then the loss factor.
  std::vector<TParametroMT> lista;
  m->ParametrosCalibrables(lista);
  ASSERT_EQ(lista.size(), 4u);
  EXPECT_EQ(lista[3].tipo, TParametroMT::TTipo::FactorPerdidas);
  EXPECT_DOUBLE_EQ(m->LeerParametro(lista[1]), (0.95 + 1.25) / 2);
  m->EscribirParametro(lista[1], 1.65);  // scales the column: mean 1.1 -> 1.65 is x1.5
  EXPECT_DOUBLE_EQ(m->meteo_etha.Elemento(1, 2), 0.95 * 1.5);
  EXPECT_DOUBLE_EQ(m->meteo_etha.Elemento(2, 2), 1.25 * 1.5);
  m->EscribirParametro(lista[3], 0.05);
  EXPECT_EQ(m->factor_perdidas, 0.05);
  EXPECT_EQ(m->LeerParametro(lista[3]), 0.05);
  // A column of equal values (a new model's ones) is set and read back exactly.
  uno->ParametrosCalibrables(lista);
  ASSERT_EQ(lista.size(), 2u);
  uno->EscribirParametro(lista[0], 0.93);
  EXPECT_EQ(uno->LeerParametro(lista[0]), 0.93);
  EXPECT_EQ(uno->meteo_etha.Elemento(72, 1), 0.93);
  // A matrix replaced by a narrower one: the old handles no longer fit, and say so.
  m->ParametrosCalibrables(lista);
  m->meteo_etha = TMatR(72, 1);
  EXPECT_FALSE(m->ParametroVigente(lista[2]));
  EXPECT_TRUE(m->ParametroVigente(lista[0]));
  EXPECT_THROW_MSG(m->LeerParametro(lista[2]), EErrorGeneral,
                   "Parámetro calibrable fuera de la matriz meteo_etha: columna 3 de 1");
}

TEST(MolinoBD, DesdeFilaConSuCurva) {
  auto con = ConexionDePruebaMT();
  if (!con) GTEST_SKIP() << "sin PGHOST/PGPORT";
  auto q = con->query("SELECT * FROM molinos WHERE nid = 3402");
  ASSERT_FALSE(q->eof());
  FormatoEstandar guardia;  // as the model's database load calls it
  const TMolino m = TMolino::CreateDesdeFila(*con, *q);
  EXPECT_EQ(m.nid, 3402);
  EXPECT_EQ(m.nro, 2);
  EXPECT_EQ(m.nidcentral, 34);
  EXPECT_EQ(m.nid_curvaaero, 2);
  EXPECT_EQ(m.curva.modelo, "G52-850kW");
  EXPECT_EQ(m.curva.Pmax, 0.85);
  EXPECT_EQ(m.etha, 0.95);
  EXPECT_EQ(m.posicion.huso, 21);
  EXPECT_EQ(m.posicion.zona, 'H');
  EXPECT_EQ(m.posicion.yn, 6200250.0);
  EXPECT_EQ(m.posicion.punto.x, 0.0);
  auto perdida = con->query("SELECT * FROM molinos WHERE nid = 7801");
  EXPECT_THROW_MSG(TMolino::CreateDesdeFila(*con, *perdida), EErrorGeneral,
                   "No existe la curva nid=99");
}
