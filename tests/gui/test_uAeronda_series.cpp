// "Insertar Series enviadas por el Gen": the agent's series shifted onto the SCADA series at
// the lag of best correlation, the agent series dropped, the result beside the chosen file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "planta_sintetica.h"
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

}  // namespace
