// The window's state: loading a calibrator or a combined model shows it in both parameter
// columns and the caption; the parameter edits go into the current theoretical model, all or
// nothing.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTabWidget>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "comun/afirmaciones.h"
#include "comun/carpeta_prueba.h"
#include "estimator/ucalibrador.h"
#include "estimator/uparques_modelocombinado.h"
#include "estimator/uparques_modeloteorico.h"
#include "platform/errores.h"
#include "ventana_prueba.h"

namespace {

using namespace prueba_ventana;

using Estado = VentanaPrueba;

struct Columnas {
  std::vector<std::string> hoja2, hoja5;
};

Columnas Parametros(const TFormAeronda& v) {
  return {{Texto(v.eGamma_Atmosfera), Texto(v.eAlfaTerreno), Texto(v.efpv3pe),
           Texto(v.eFactorPerdidasParque), Texto(v.eLimiteDePotencia), Texto(v.eEthaMeteo)},
          {Texto(v.eGamma_Atmosfera1), Texto(v.eAlfaTerreno1), Texto(v.efpv3pe1),
           Texto(v.eFactorPerdidasParque1), Texto(v.eLimiteDePotencia1), Texto(v.eEthaMeteo2)}};
}

// The one-turbine file holds gamma 0.35, alfa 0.45, fpv3pe 1.8, losses 0.035, limit 10 and a
// 1 x 1 station factor of 1; the values are shown in the user's number format.
TEST_F(Estado, CargarCalibradorMuestraElModeloEnAmbasColumnas) {
  struct Caso {
    char separador;
    std::vector<std::string> esperado;
  };
  const Caso casos[] = {
      {'.', {"0.35", "0.45", "1.8", "0.035", "10", "[1|1][1]"}},
      {',', {"0,35", "0,45", "1,8", "0,035", "10", "[1|1][1]"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(std::string(1, c.separador));
    TFormAeronda& v = Ventana(c.separador);
    CargarCalibrador(Fixture("ventana_un_molino.clp"));

    EXPECT_EQ(v.windowTitle().toStdString(), "Calibrador cargado, Parque: Parque Uno Ñ");
    const Columnas p = Parametros(v);
    EXPECT_EQ(p.hoja2, c.esperado);
    EXPECT_EQ(p.hoja5, c.esperado);
    ASSERT_TRUE(v.CalibradorActual);
    EXPECT_EQ(v.ModeloTeoricoActual, v.CalibradorActual->mt);
    EXPECT_FALSE(v.ModeloCombinadoActual);
    // The drawing window is that of pb_Parque_original below its 30-pixel legend.
    EXPECT_EQ(v.ModeloTeoricoActual->pbAncho, v.pb_Parque_original->Width());
    EXPECT_EQ(v.ModeloTeoricoActual->pbAlto, v.pb_Parque_original->Height() - 30);
    // The calibrator links its models: the station factor needs the empirical one.
    EXPECT_EQ(v.ModeloTeoricoActual->modeloEmpirico, v.CalibradorActual->me.get());
  }
}

// The combined model is the current calibrator and the current combined model at once; its
// station-factor matrix is shown with three significant digits per element.
TEST_F(Estado, CargarModeloCombinadoEsCalibradorYModeloCombinado) {
  TFormAeronda& v = Ventana();
  CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));

  EXPECT_EQ(v.windowTitle().toStdString(), "Calibrador cargado, Parque: Parque Dos");
  ASSERT_TRUE(v.ModeloCombinadoActual);
  EXPECT_EQ(v.CalibradorActual.get(), v.ModeloCombinadoActual.get());
  EXPECT_EQ(v.ModeloTeoricoActual, v.ModeloCombinadoActual->mt);
  EXPECT_EQ(v.ModeloCombinadoActual->correccion.Elemento(2, 2), 1.2);
  // 0.98765 -> 0.988, 1.23456 -> 1.23.
  EXPECT_EQ(Texto(v.eEthaMeteo), "[2|2][0.988][1.23][1][1.5]");
  EXPECT_EQ(Texto(v.eEthaMeteo2), "[2|2][0.988][1.23][1][1.5]");
}

// A calibrator after a combined model replaces the calibrator and the theoretical model but
// keeps the combined model; closing then releases everything once.
TEST_F(Estado, CalibradorTrasModeloCombinadoConservaElCombinado) {
  TFormAeronda& v = Ventana();
  CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));
  const auto mc = v.ModeloCombinadoActual;
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  EXPECT_EQ(v.ModeloCombinadoActual, mc);
  EXPECT_NE(v.CalibradorActual.get(), mc.get());
  EXPECT_EQ(v.ModeloTeoricoActual->nombre, "Parque Uno Ñ");
  v.FormClose();
  EXPECT_FALSE(v.ModeloTeoricoActual);
  EXPECT_FALSE(v.ModeloCombinadoActual);
  EXPECT_FALSE(v.Conexion);
}

// A file that cannot be read raises the reader's error and leaves the window as it was.
TEST_F(Estado, ArchivoIlegibleNoCambiaNada) {
  TFormAeronda& v = Ventana();
  CargarCalibrador(Fixture("ventana_un_molino.clp"));
  const auto cal = v.CalibradorActual;
  const Columnas antes = Parametros(v);
  const auto falta = Fixture("no_existe.clp");
  EXPECT_THROW_MSG(CargarCalibrador(falta), EInOutError,
                   "No puedo abrir el archivo: " + falta.string());
  EXPECT_THROW_MSG(CargarModeloCombinado(falta), EInOutError,
                   "No puedo abrir el archivo: " + falta.string());
  // A calibrator file is not a combined-model file: it lacks the correction block.
  EXPECT_THROW(CargarModeloCombinado(Fixture("ventana_un_molino.clp")), EInOutError);
  EXPECT_EQ(v.CalibradorActual, cal);
  EXPECT_EQ(v.ModeloTeoricoActual, cal->mt);
  EXPECT_FALSE(v.ModeloCombinadoActual);
  EXPECT_EQ(Parametros(v).hoja2, antes.hoja2);
  EXPECT_EQ(v.windowTitle().toStdString(), "Calibrador cargado, Parque: Parque Uno Ñ");
}

// The edits may hold expressions in the user's format; a 1 x 1 matrix replaces the 2 x 2 one.
TEST_F(Estado, EditsAlModelo) {
  TFormAeronda& v = Ventana(',');
  CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));
  Escribir(v.eAlfaTerreno, "0,25*2");
  Escribir(v.eGamma_Atmosfera, "0,3");
  Escribir(v.efpv3pe, "1+0,5");
  Escribir(v.eFactorPerdidasParque, "0,04");
  Escribir(v.eLimiteDePotencia, "12/4");
  Escribir(v.eEthaMeteo, "[1|1][0,5+0,25]");
  v.Edits_To_ParametrosMT();
  const TParque_ModeloTeorico& mt = *v.ModeloTeoricoActual;
  EXPECT_DOUBLE_EQ(mt.alfa_terreno, 0.5);
  EXPECT_DOUBLE_EQ(mt.gamma_atmosfera, 0.3);
  EXPECT_DOUBLE_EQ(mt.fpv3pe, 1.5);
  EXPECT_DOUBLE_EQ(mt.factor_perdidas, 0.04);
  EXPECT_DOUBLE_EQ(mt.potencia_autorizada_mw, 3.0);
  ASSERT_EQ(mt.meteo_etha.nf, 1);
  ASSERT_EQ(mt.meteo_etha.nc, 1);
  EXPECT_DOUBLE_EQ(mt.meteo_etha.Elemento(1, 1), 0.75);
  // The calibrator reads the replaced matrix through its handles: one column level, then the
  // loss factor.
  std::vector<TParametroMT> lista;
  mt.ParametrosCalibrables(lista);
  EXPECT_EQ(lista.size(), 2u);

  // A limit of 0 enters the model with the floor every model holds (the grid set-ups of a
  // batch read it on other threads and leave it alone), and the loss coefficient follows the
  // new losses at once.
  Escribir(v.eLimiteDePotencia, "0");
  v.Edits_To_ParametrosMT();
  EXPECT_EQ(mt.potencia_autorizada_mw, 1e-8);
  EXPECT_EQ(mt.kPerdidas, 0.04 / mt.potencia_nominal);
}

// A bad text anywhere, the last edit included, raises the reading error and leaves every value
// of the model as it was.
TEST_F(Estado, TextoInvalidoNoAplicaNada) {
  struct Caso {
    TLabeledEdit* TFormAeronda::*edit;
    const char* texto;
    const char* mensaje;
  };
  const Caso casos[] = {
      {&TFormAeronda::eAlfaTerreno, "abc", "Error: no se puede evaluar \"abc\" a un número real"},
      {&TFormAeronda::eFactorPerdidasParque, "1.5",
       "Error: no se puede evaluar \"1.5\" a un número real"},
      {&TFormAeronda::eLimiteDePotencia, "", "Error: no se puede evaluar \"\" a un número real"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    TFormAeronda& v = Ventana(',');
    CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));
    Escribir(v.eGamma_Atmosfera, "0,2");
    Escribir(v.eEthaMeteo, "[1|1][2]");
    Escribir(v.*(c.edit), c.texto);
    EXPECT_THROW_MSG(v.Edits_To_ParametrosMT(), EConvertError, c.mensaje);
    const TParque_ModeloTeorico& mt = *v.ModeloTeoricoActual;
    EXPECT_DOUBLE_EQ(mt.gamma_atmosfera, 0.35);
    EXPECT_DOUBLE_EQ(mt.alfa_terreno, 0.45);
    EXPECT_DOUBLE_EQ(mt.factor_perdidas, 0.035);
    EXPECT_DOUBLE_EQ(mt.potencia_autorizada_mw, 10.0);
    EXPECT_EQ(mt.meteo_etha.nf, 2);
  }
  // A matrix with a missing element, and one without elements.
  for (const char* m : {"[2|1][1]", "[0|3]"}) {
    SCOPED_TRACE(m);
    TFormAeronda& v = Ventana();
    CargarModeloCombinado(Fixture("ventana_dos_molinos.pmc"));
    Escribir(v.eAlfaTerreno, "0.1");
    Escribir(v.eEthaMeteo, m);
    EXPECT_THROW(v.Edits_To_ParametrosMT(), EConvertError);
    EXPECT_DOUBLE_EQ(v.ModeloTeoricoActual->alfa_terreno, 0.45);
    EXPECT_EQ(v.ModeloTeoricoActual->meteo_etha.nf, 2);
  }
}

// ---------------------------------------------------------------------------------------------
// Edits written by the program give back their values

namespace fs = std::filesystem;

std::string Bytes(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// The one-turbine calibrator with parameters that have no short text, as a calibrator leaves
// them: each is shown shorter than it is (15 significant digits, three in the matrix).
void ParametrosSinTextoCorto(TParque_ModeloTeorico& mt) {
  mt.alfa_terreno = 0.1 + 0.2;                             // 0.30000000000000004, shown "0.3"
  mt.gamma_atmosfera = 1.0 / 3.0;                          // shown "0.333333333333333"
  mt.fpv3pe = 3.2455291748046875;                          // shown "3.24552917480469"
  mt.factor_perdidas = std::nextafter(0.035, 1.0);         // shown "0.035"
  mt.potencia_autorizada_mw = std::nextafter(10.0, 11.0);  // shown "10"
  mt.meteo_etha = TMatR::CreateDesdeCadena("[2|2][1][1][1][1]");
  mt.meteo_etha.PonerElemento(1, 1, 3.2455291748046875);  // shown "3.25"
  mt.meteo_etha.PonerElemento(1, 2, 0.1 + 0.2);           // "0.3"
  mt.meteo_etha.PonerElemento(2, 1, 2.0 / 3.0);           // "0.667"
  mt.meteo_etha.PonerElemento(2, 2, 0.98765);             // "0.988"
}

// "Guardar Cal." right after loading writes the calibrator it was given, byte for byte, in
// either number format, and so do "Calcular" and the other commands that copy the edits into
// the model. A real the user changed (on either page, and even back to the text shown) is read
// as it stands; in the matrix, only the cells whose text changed, unless its shape changed.
// The expected file is the calibrator's own writer's, from the exact values with the edited
// ones replaced.
TEST_F(Estado, GuardarSinEditarConservaLosValoresExactos) {
  const fs::path carpeta = CarpetaDePrueba("editor_exacto");
  const fs::path exacto = carpeta / "exacto.clp";
  {
    const auto c = TCalibradorParque::CreateDesdeArchivo(Fixture("ventana_un_molino.clp"));
    ParametrosSinTextoCorto(*c->mt);
    c->Guardar(exacto);
  }
  struct Caso {
    const char* nombre;
    char separador;
    std::function<void(TFormAeronda&)> editar;
    std::function<void(TParque_ModeloTeorico&)> esperado;
  };
  const auto nada = [](auto&) {};
  const Caso casos[] = {
      {"sin editar", '.', nada, nada},
      {"sin editar, coma decimal", ',', nada, nada},
      {"pérdidas tecleadas", ',',
       [](TFormAeronda& v) { Escribir(v.eFactorPerdidasParque, "0,04"); },
       [](TParque_ModeloTeorico& mt) { mt.factor_perdidas = 0.04; }},
      // One cell typed over, on any of the three copies of the matrix: it reads as typed, the
      // cells whose text is the one shown keep their exact values.
      {"un elemento de la matriz", '.',
       [](TFormAeronda& v) { Escribir(v.eEthaMeteo, "[2|2][3.25][0.3][0.667][0.5]"); },
       [](TParque_ModeloTeorico& mt) { mt.meteo_etha.PonerElemento(2, 2, 0.5); }},
      {"un elemento de la matriz, coma decimal", ',',
       [](TFormAeronda& v) { Escribir(v.eEthaMeteo, "[2|2][3,25][0,3][0,667][0,5]"); },
       [](TParque_ModeloTeorico& mt) { mt.meteo_etha.PonerElemento(2, 2, 0.5); }},
      {"un elemento en TabSheet5", '.',
       [](TFormAeronda& v) { Escribir(v.eEthaMeteo2, "[2|2][3.25][0.9][0.667][0.988]"); },
       [](TParque_ModeloTeorico& mt) { mt.meteo_etha.PonerElemento(1, 2, 0.9); }},
      {"un elemento en TabSheet4", '.',
       [](TFormAeronda& v) {
         v.PageControl1->setCurrentWidget(v.TabSheet4);
         Escribir(v.eEthaMeteo1, "[2|2][3.25][0.3][2*0.5][0.988]");
       },
       [](TParque_ModeloTeorico& mt) { mt.meteo_etha.PonerElemento(2, 1, 1.0); }},
      // Texts are compared, not values: "3.250" is the user's 3.25.
      {"elemento retecleado con otro texto", '.',
       [](TFormAeronda& v) { Escribir(v.eEthaMeteo, "[2|2][3.250][0.3][0.667][0.988]"); },
       [](TParque_ModeloTeorico& mt) { mt.meteo_etha.PonerElemento(1, 1, 3.25); }},
      // Another shape is read as it stands, though its cells hold the texts shown for the
      // first cells of the matrix.
      {"matriz de otra forma", '.',
       [](TFormAeronda& v) { Escribir(v.eEthaMeteo, "[1|2][3.25][0.3]"); },
       [](TParque_ModeloTeorico& mt) {
         mt.meteo_etha = TMatR::CreateDesdeCadena("[1|2][3.25][0.3]");
       }},
      // The matrix shown stays remembered through texts of another shape.
      {"otra forma y vuelta con un elemento cambiado", '.',
       [](TFormAeronda& v) {
         Escribir(v.eEthaMeteo, "[1|1][0.9]");
         Escribir(v.eEthaMeteo, "[2|2][3.25][0.3][0.5][0.988]");
       },
       [](TParque_ModeloTeorico& mt) { mt.meteo_etha.PonerElemento(2, 1, 0.5); }},
      {"elemento editado y vuelto al texto mostrado", '.',
       [](TFormAeronda& v) {
         Escribir(v.eEthaMeteo2, "[2|2][3.25][0.3][0.667][0.5]");
         Escribir(v.eEthaMeteo2, "[2|2][3.25][0.3][0.667][0.988]");
       },
       nada},
      // The twins on TabSheet5 copy their text into TabSheet2's edits.
      {"gemelos", '.',
       [](TFormAeronda& v) {
         Escribir(v.eAlfaTerreno1, "0.25");
         Escribir(v.eEthaMeteo2, "[1|1][0.9]");
       },
       [](TParque_ModeloTeorico& mt) {
         mt.alfa_terreno = 0.25;
         mt.meteo_etha = TMatR::CreateDesdeCadena("[1|1][0.9]");
       }},
      {"editado y vuelto al texto mostrado", '.',
       [](TFormAeronda& v) {
         Escribir(v.eGamma_Atmosfera, "0.3");
         Escribir(v.eGamma_Atmosfera, "0.333333333333333");
       },
       [](TParque_ModeloTeorico& mt) { mt.gamma_atmosfera = 0.333333333333333; }},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    TFormAeronda& v = Ventana(c.separador);
    // The fixture first: its losses and limit show the same texts as the exact ones, and the
    // second load must replace the values remembered with them all the same.
    CargarCalibrador(Fixture("ventana_un_molino.clp"));
    CargarCalibrador(exacto);
    c.editar(v);
    // "Calcular" and "Graficar P(V) MEMTMC" copy the edits first, as the save does.
    v.Edits_To_ParametrosMT();
    const fs::path guardado = carpeta / "guardado.clp";
    dialogos_->Guardar(guardado);
    v.btGuardarCalibrador->click();
    ASSERT_TRUE(dialogos_->Errores().empty()) << dialogos_->Errores().front();
    for (const auto& l : dialogos_->Llamadas())
      ASSERT_NE(l.tipo, TDialogosGuion::TTipo::Error) << l.texto;

    const fs::path esperado = carpeta / "esperado.clp";
    {
      const auto e = TCalibradorParque::CreateDesdeArchivo(exacto);
      c.esperado(*e->mt);
      e->Guardar(esperado);
    }
    EXPECT_EQ(Bytes(guardado), Bytes(esperado));
    EXPECT_EQ(TCalibradorParque::CreateDesdeArchivo(guardado)->mt->fpv3pe, 3.2455291748046875);
  }
}

TEST_F(Estado, SinModeloTeoricoNoHayParametros) {
  TFormAeronda& v = Ventana();
  EXPECT_THROW_MSG(v.Edits_To_ParametrosMT(), EErrorGeneral, "No hay un modelo teórico cargado");
  FormAeronda = nullptr;
  EXPECT_THROW_MSG(CargarCalibrador(Fixture("ventana_un_molino.clp")), EErrorGeneral,
                   "La ventana principal no existe");
}

}  // namespace
