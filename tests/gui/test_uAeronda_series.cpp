// "Insertar Series enviadas por el Gen": the agent's series shifted onto the SCADA series at
// the lag of best correlation, the agent series dropped, the result beside the chosen file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../comun/basededatos.h"
#include "estimator/ucarpetascentrales.h"
#include "planta_sintetica.h"
#include "platform/sqlconexion.h"
#include "services/udbconpg.h"
#include "services/useriestemporales.h"

namespace {

using namespace planta_sintetica;
namespace fs = std::filesystem;

constexpr double kFaltante = -999999999.0;
constexpr int kN = 300;

// A positive SCADA signal with no period inside the searched lags.
double Scada(int canal, int j) {
  return 5.0 + 3.0 * std::sin(j / (7.0 + canal)) + 0.01 * j + 0.5 * std::cos(j * j * 0.001);
}

// How each agent channel was sent: the agent's sample j is the SCADA sample j - retraso, scaled
// (so a replaced series can be told from the original); `enviado` false marks the channel not
// sent (first sample -1).
struct Agente {
  bool enviado;
  int retraso;
};

fs::path EscribirEntrada(const fs::path& archivo, const Agente (&agentes)[9]) {
  TSeriesDeDatos s;
  s.NSeries = 18;
  for (int k = 0; k < 18; ++k) s.nombres.push_back((k < 9 ? "scada" : "agente") + IntToStr(k % 9));
  s.tipos.assign(18, SALIDA);
  s.anio = 2016;
  s.mes = 11;
  s.dia = 1;
  s.NPuntos = kN;
  s.series.assign(18, TVectR(kN));
  for (int c = 0; c < 9; ++c)
    for (int j = 1; j <= kN; ++j) {
      s.series[static_cast<size_t>(c)][j] = Scada(c, j);
      const int fuente = j - agentes[c].retraso;
      // Outside the SCADA record the agent has other (positive) values.
      const double x = (fuente >= 1 && fuente <= kN) ? Scada(c, fuente) : 1.0 + 0.1 * j;
      s.series[static_cast<size_t>(c + 9)][j] = 2.0 * x + 1.0;
    }
  for (int c = 0; c < 9; ++c)
    if (!agentes[c].enviado) s.series[static_cast<size_t>(c + 9)][1] = -1.0;
  s.CalcularInicio();
  s.Grabar(archivo);
  return archivo;
}

// The question for a channel whose best lag is `minutos` and whose correlation there is 1:
// the text with the correlation taken out (it is 1 to the precision of the one-pass sums).
const char* const kInicio = "Coeficiente de correlelación MAXIMO = ";
std::string Pregunta(const std::string& minutos) {
  return std::string(kInicio) + "# con desfasaje de " + minutos +
         " minutos.\r¿Quiere desfasar y sustituir serie SCADA por serie de AGENTE?";
}
std::string SinCorrelacion(const std::string& texto, double& correlacion) {
  const std::string inicio = kInicio;
  if (texto.compare(0, inicio.size(), inicio) != 0) return texto;
  const auto fin = texto.find(' ', inicio.size());
  correlacion = StrToFloat(texto.substr(inicio.size(), fin - inicio.size()));
  return inicio + "#" + texto.substr(fin);
}

using InsertarSeries = PlantaPrueba;

TEST_F(InsertarSeries, DesfasaLosCanalesAceptadosYQuitaLosDelAgente) {
  // Channel 0: agent 3 samples late, accepted. Channel 1: 2 samples early, accepted. Channel 2:
  // in step, declined. The others were not sent.
  const Agente agentes[9] = {{true, 3},  {true, -2}, {true, 0},  {false, 0}, {false, 0},
                             {false, 0}, {false, 0}, {false, 0}, {false, 0}};
  const fs::path entrada = EscribirEntrada(raiz_ / "serie.sas", agentes);
  const TSeriesDeDatos original = TSeriesDeDatos::Cargar(entrada);
  const auto bytesEntrada = fs::file_size(entrada);

  dialogos_->Abrir(entrada);
  dialogos_->Responder(true);
  dialogos_->Responder(true);
  dialogos_->Responder(false);
  V().btInsertSeriesGen->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  EXPECT_TRUE(dialogos_->Errores().empty());
  EXPECT_EQ(dialogos_->RespuestasPendientes(), 0u);

  // One question per sent channel, titled with the SCADA series' name, the lag in minutes.
  std::vector<std::pair<std::string, std::string>> preguntas;
  for (const auto& l : dialogos_->Llamadas())
    if (l.tipo == TDialogosGuion::TTipo::Pregunta) {
      double c = 0;
      preguntas.emplace_back(l.nombre, SinCorrelacion(l.texto, c));
      EXPECT_NEAR(c, 1.0, 1e-12) << l.nombre;
    }
  const std::vector<std::pair<std::string, std::string>> esperadas = {
      {"scada0", Pregunta("30")}, {"scada1", Pregunta("-20")}, {"scada2", Pregunta("0")}};
  EXPECT_EQ(preguntas, esperadas);

  const fs::path salida = raiz_ / "serie_DatosGen.sas";
  ASSERT_TRUE(fs::exists(salida));
  EXPECT_EQ(fs::file_size(entrada), bytesEntrada);
  const TSeriesDeDatos r = TSeriesDeDatos::Cargar(salida);
  ASSERT_EQ(r.NSeries, 9);
  EXPECT_EQ(r.nombres,
            std::vector<std::string>(original.nombres.begin(), original.nombres.begin() + 9));
  EXPECT_EQ(r.NPuntos, kN);
  EXPECT_DOUBLE_EQ(r.inicio, original.inicio);

  // Shift +3: position i holds the agent's i + 3, which is 2 scada(i) + 1; the last three are
  // missing. Shift -2: position i holds the agent's i - 2, the first two are missing.
  const TVectR& g0 = original.series[9];
  const TVectR& g1 = original.series[10];
  for (int i = 1; i <= kN; ++i) {
    EXPECT_EQ(r.series[0][i], i <= kN - 3 ? g0[i + 3] : kFaltante) << i;
    EXPECT_EQ(r.series[1][i], i >= 3 ? g1[i - 2] : kFaltante) << i;
    if (i <= kN - 3) {
      EXPECT_NEAR(r.series[0][i], 2 * Scada(0, i) + 1, 1e-12);
    }
  }
  for (int c = 2; c < 9; ++c)
    for (int i = 1; i <= kN; ++i)
      ASSERT_EQ(r.series[static_cast<size_t>(c)][i], original.series[static_cast<size_t>(c)][i]);
}

TEST_F(InsertarSeries, SinCanalesDelAgenteNoPreguntaYSoloQuitaSusSeries) {
  Agente agentes[9];
  for (auto& a : agentes) a = {false, 0};
  const fs::path entrada = EscribirEntrada(raiz_ / "datos.v1.sas", agentes);
  dialogos_->Abrir(entrada);
  V().btInsertSeriesGen->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  for (const auto& l : dialogos_->Llamadas()) EXPECT_NE(l.tipo, TDialogosGuion::TTipo::Pregunta);
  // Only the last extension goes: datos.v1.sas -> datos.v1_DatosGen.sas.
  const TSeriesDeDatos r = TSeriesDeDatos::Cargar(raiz_ / "datos.v1_DatosGen.sas");
  const TSeriesDeDatos o = TSeriesDeDatos::Cargar(entrada);
  ASSERT_EQ(r.NSeries, 9);
  for (int c = 0; c < 9; ++c)
    for (int i = 1; i <= kN; ++i)
      ASSERT_EQ(r.series[static_cast<size_t>(c)][i], o.series[static_cast<size_t>(c)][i]);
}

TEST_F(InsertarSeries, CanceladoOArchivoMaloNoEscribeNada) {
  // Cancelled: nothing read, nothing written.
  dialogos_->Abrir(std::nullopt);
  V().btInsertSeriesGen->click();
  EXPECT_TRUE(Errores().empty());

  // A missing file: the reader's message.
  const fs::path falta = raiz_ / "no_existe.sas";
  dialogos_->Abrir(falta);
  V().btInsertSeriesGen->click();

  // A file with the nine SCADA channels only: no agent series to align with.
  TSeriesDeDatos s;
  s.NSeries = 9;
  s.nombres.assign(9, "x");
  s.tipos.assign(9, SALIDA);
  s.NPuntos = 3;
  s.series.assign(9, TVectR(3));
  s.CalcularInicio();
  const fs::path corto = raiz_ / "corto.sas";
  s.Grabar(corto);
  dialogos_->Abrir(corto);
  V().btInsertSeriesGen->click();

  const std::vector<std::string> esperados = {
      "No puedo abrir el archivo: " + falta.string(),
      "El archivo " + corto.string() +
          " tiene 9 series; se necesitan 18 (las de SCADA y las del agente)"};
  EXPECT_EQ(Errores(), esperados);
  EXPECT_FALSE(fs::exists(raiz_ / "no_existe_DatosGen.sas"));
  EXPECT_FALSE(fs::exists(raiz_ / "corto_DatosGen.sas"));
}

// ---------------------------------------------------------------------------------------------
// The series processing and the restriction run from the window

// A plant with its calibrator and combined model made by the window's own commands, and the
// dates 01/11/2016 to 03/11/2016 on the simple page (they reach TabSheet3 by the mirror).
class Corridas : public PlantaPrueba {
 protected:
  void PrepararModelos() {
    const size_t antes = Errores().size();
    PonerModeloTeorico();
    EscribirSeriesSinteticas(ArchivoCentral(kPlanta, "_series10min.sas"));
    Escribir(V().eNidCentral, IntToStr(kPlanta));
    V().btLoadFromArchi_ModeloMTySeries->click();
    V().btCalcularMC->click();
    dialogos_->Abrir(ArchivoModeloCombinado(kPlanta));
    V().btCargarMC->click();
    ASSERT_EQ(Errores().size(), antes) << Errores().back();
    V().FechaDesde1->setDate(QDate(2016, 11, 1));
    V().FechaHasta1->setDate(QDate(2016, 11, 3));
  }
  bool Existe(const std::string& nombre) const { return fs::exists(Planta() / nombre); }
};

TEST_F(Corridas, SinModelosNiConexionNoPreguntaNiEscribe) {
  TFormAeronda& v = V();
  v.btProcesarSeriesConMC1->click();
  v.btProcesarRestricciones1->click();
  PrepararModelos();
  ASSERT_FALSE(v.Conexion);
  v.btProcesarSeriesConMC->click();
  v.btProcesarRestricciones->click();
  const std::vector<std::string> esperados = {
      "No hay un calibrador cargado", "No hay un calibrador cargado",
      "No hay conexión con la base de datos", "No hay conexión con la base de datos"};
  EXPECT_EQ(Errores(), esperados);
  for (const auto& l : dialogos_->Llamadas())
    EXPECT_NE(l.nombre, "odProcesarSeries") << "no dialog for a run that cannot start";
  EXPECT_EQ(v.ArchivoSeriesActual, ArchivoCentral(kPlanta, "_series10min.sas"));
  for (const auto& e : fs::directory_iterator(Planta())) {
    const std::string n = e.path().filename().string();
    EXPECT_EQ(n.find("_ResultadosMC_"), std::string::npos) << n;
    EXPECT_EQ(n.find("_RO_DTE_"), std::string::npos) << n;
  }
}

TEST_F(Corridas, RestriccionesSinArchivoDeModeloCombinado) {
  PrepararModelos();
  TFormAeronda& v = V();
  v.ArchivoModeloCombinadoActual.clear();
  v.btProcesarRestricciones1->click();
  EXPECT_EQ(Errores(),
            std::vector<std::string>{"No se ha cargado un modelo combinado con \"Cargar MC\""});
}

// With the plant tables on the test server (plant 12 has factor_smec_scada 1.02).
class BaseDeDatosCorridas : public Corridas {
 protected:
  void SetUp() override {
    Corridas::SetUp();
    OMITIR_SIN_SERVIDOR();
    esquema_ = pruebas_bd::NombreUnico("gui3");
    sesion_.emplace();
    sesion_->Ejecutar("CREATE SCHEMA " + esquema_);
    std::ifstream f(Fixture("esquema_plantas.sql"));
    ASSERT_TRUE(f.is_open());
    std::string sql = "SET search_path TO " + esquema_ + ";\n", linea;
    while (std::getline(f, linea))
      if (linea.empty() || linea[0] != '\\') sql += linea + "\n";
    sesion_->Ejecutar(sql);
    V().Conexion = std::make_unique<TDBPQCon>(
        TParametrosConexion{pruebas_bd::Entorno("PGHOST"), pruebas_bd::Entorno("PGDATABASE"),
                            pruebas_bd::Entorno("PGUSER"), pruebas_bd::Entorno("PGPASSWORD")});
    V().Conexion->exec("SET search_path TO " + esquema_);
  }
  void TearDown() override {
    if (ventana_) ventana_->Conexion.reset();
    if (sesion_) sesion_->Ejecutar("DROP SCHEMA IF EXISTS " + esquema_ + " CASCADE");
    Corridas::TearDown();
  }
  std::string esquema_;
  std::optional<pruebas_bd::SesionLibpq> sesion_;
};

TEST_F(BaseDeDatosCorridas, ProcesarSeriesHastaLaFechaFinalYCancelar) {
  PrepararModelos();
  TFormAeronda& v = V();
  const fs::path series = raiz_ / "otra.sas";
  fs::copy_file(ArchivoCentral(kPlanta, "_series10min.sas"), series);

  // Cancelled: the plant's series file is the current one, nothing is run.
  dialogos_->Abrir(std::nullopt);
  v.btProcesarSeriesConMC->click();
  EXPECT_EQ(v.ArchivoSeriesActual, ArchivoCentral(kPlanta, "_series10min.sas"));
  EXPECT_FALSE(Existe("c12_Matrices_Errores.xlt"));
  // The dialog opens in the plant folder of the calibrator's model.
  ASSERT_FALSE(dialogos_->Llamadas().empty());
  EXPECT_EQ(dialogos_->Llamadas().back().carpeta, Planta());

  dialogos_->Abrir(series);
  v.btProcesarSeriesConMC1->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  EXPECT_EQ(v.ArchivoSeriesActual, series);
  // The range ends on FechaHasta itself; the buffer is eHoras_Buffer (3); errors are computed.
  ASSERT_TRUE(Existe("c12_ResultadosMC_2016110120161103_3m.xlt"));
  EXPECT_TRUE(Existe("c12_Matrices_Errores.xlt"));
  // Its last line: the restriction period is the same range (up to the sample before
  // 03/11 00:00) and the plant's SMEC/SCADA factor is the one of its row.
  std::ifstream f(Planta() / "c12_ResultadosMC_2016110120161103_3m.xlt");
  std::string linea, ultima;
  while (std::getline(f, linea))
    if (!linea.empty() && linea != "\r") ultima = linea;
  std::vector<std::string> campos;
  std::stringstream partes(ultima);
  for (std::string c; std::getline(partes, c, '\t');) campos.push_back(c);
  ASSERT_EQ(campos.size(), 5u) << ultima;
  EXPECT_EQ(campos[0], "01-11-2016 00:00");
  EXPECT_EQ(campos[1], "02-11-2016 23:50");
  EXPECT_EQ(TextoAReal(campos[3]), 1.02);
}

TEST_F(BaseDeDatosCorridas, RestriccionesIncluyenElUltimoDia) {
  PrepararModelos();
  TFormAeronda& v = V();
  Escribir(v.eHoras_Buffer, "2");
  dialogos_->Abrir(ArchivoCentral(kPlanta, "_series10min.sas"));
  v.btProcesarRestricciones1->click();
  ASSERT_TRUE(Errores().empty()) << Errores().front();
  ASSERT_TRUE(Existe("c12_RO_DTE_2m.xlt"));
  ASSERT_TRUE(Existe("c12_Restricciones_horarias_2m.xlt"));
  // The hourly table has a row per day from FechaDesde to FechaHasta + 1 day: 03/11 is whole.
  std::ifstream f(Planta() / "c12_Restricciones_horarias_2m.xlt");
  std::vector<std::string> dias;
  std::string linea;
  std::getline(f, linea);
  while (std::getline(f, linea))
    if (!linea.empty() && std::isdigit(static_cast<unsigned char>(linea[0])))
      dias.push_back(linea.substr(0, 10));
  const std::vector<std::string> esperados = {"01-11-2016", "02-11-2016", "03-11-2016",
                                              "04-11-2016"};
  EXPECT_EQ(dias, esperados);

  // A buffer that is not a whole number stops the run before the dialog.
  const size_t llamadas = dialogos_->Llamadas().size();
  Escribir(v.eHoras_Buffer, "2.5");
  v.btProcesarRestricciones->click();
  EXPECT_EQ(Errores(), std::vector<std::string>{"\"2.5\" no es un número entero válido"});
  EXPECT_EQ(dialogos_->Llamadas().size(), llamadas + 1);  // the error box only
}

}  // namespace
