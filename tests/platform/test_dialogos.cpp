// The scripted dialogs that handler tests use: answers are taken in order, every call is kept,
// and a call the script did not expect is reported and answered as a cancel.
#include <gtest/gtest.h>

#include "platform/dialogos.h"

namespace {

using T = TDialogosGuion::TTipo;

TEST(DialogosGuion, AnswersInOrderAndRecordsEveryCall) {
  TDialogosGuion d;
  d.Abrir("/tmp/a.clp");
  d.Responder(true);
  d.Guardar(std::nullopt);
  d.Responder(false);
  const TDialogoArchivo od{"odCalibrador", "*.clp", "", {}};
  const TDialogoArchivo sd{"sdCalibrador", "*.clp", ".clp", {}};
  EXPECT_EQ(d.AbrirArchivo(od), std::filesystem::path("/tmp/a.clp"));
  EXPECT_TRUE(d.PreguntarSiNo("ATENCIÓN!", "¿Está seguro?"));
  EXPECT_EQ(d.GuardarArchivo(sd), std::nullopt);
  d.MostrarMensaje("La supercentral: 5 no existe");
  EXPECT_FALSE(d.PreguntarSiNo("serie", "¿Quiere desfasar?"));
  d.MostrarError("fallo");
  EXPECT_EQ(d.RespuestasPendientes(), 0u);
  EXPECT_TRUE(d.Errores().empty());
  const auto& ll = d.Llamadas();
  ASSERT_EQ(ll.size(), 6u);
  EXPECT_EQ(ll[0].tipo, T::Abrir);
  EXPECT_EQ(ll[0].nombre, "odCalibrador");
  EXPECT_EQ(ll[0].texto, "*.clp");
  EXPECT_EQ(ll[1].tipo, T::Pregunta);
  EXPECT_EQ(ll[1].nombre, "ATENCIÓN!");
  EXPECT_EQ(ll[1].texto, "¿Está seguro?");
  EXPECT_EQ(ll[2].tipo, T::Guardar);
  EXPECT_EQ(ll[3].tipo, T::Mensaje);
  EXPECT_EQ(ll[3].texto, "La supercentral: 5 no existe");
  EXPECT_EQ(ll[4].tipo, T::Pregunta);
  EXPECT_EQ(ll[5].tipo, T::Error);
  EXPECT_EQ(ll[5].texto, "fallo");
}

TEST(DialogosGuion, UnscriptedCallsAreReportedAndCancelled) {
  TDialogosGuion d;
  d.Responder(true);
  // A file dialog where a question was scripted: cancelled, and the question stays pending.
  EXPECT_EQ(d.AbrirArchivo({"odProcesarSeries", "*.sas", "", {}}), std::nullopt);
  EXPECT_TRUE(d.PreguntarSiNo("t", "q"));
  EXPECT_FALSE(d.PreguntarSiNo("t", "otra"));
  EXPECT_EQ(d.Errores(), (std::vector<std::string>{"respuesta de otro tipo para odProcesarSeries",
                                                   "sin respuesta para t"}));
  EXPECT_EQ(d.Llamadas().size(), 3u);
}

TEST(DialogosGuion, SaveNamesGetTheDefaultExtension) {
  struct Caso {
    const char* elegido;
    const char* extension;
    const char* resultado;
  };
  const Caso casos[] = {
      {"/d/modelo", ".clp", "/d/modelo.clp"},
      {"/d/modelo.clp", ".clp", "/d/modelo.clp"},
      {"/d/modelo.txt", ".clp", "/d/modelo.txt"},
      {"/d.x/modelo", ".clp", "/d.x/modelo.clp"},  // a dot in a folder is not an extension
      {"/d/modelo", "clp", "/d/modelo.clp"},
      {"/d/modelo", "", "/d/modelo"},
      {"/d/.oculto", ".clp", "/d/.oculto.clp"},
  };
  for (const Caso& c : casos)
    EXPECT_EQ(ConExtensionPorDefecto(c.elegido, c.extension), std::filesystem::path(c.resultado))
        << c.elegido << " " << c.extension;
}

}  // namespace
