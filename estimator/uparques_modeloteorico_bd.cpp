// The theoretical model in the plant database: its load for one plant, the joined model of
// several plants, and the update of its parameters and turbine factors.
#include <cstdint>
#include <string>
#include <vector>

#include "estimator/uparques_modeloteorico.h"
#include "numerics/matreal.h"
#include "numerics/uauxiliares.h"
#include "numerics/ugeoutm.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"
#include "platform/sqlconsulta.h"
#include "platform/sqlvalores.h"
#include "services/udbconpg.h"

namespace {

TMatR EthaDeUnos() {
  TMatR e(72, 1);
  e.LlenarUnos();
  return e;
}

void ParametrosPorDefecto(TParque_ModeloTeorico& m) {
  m.n_sectores_dir = 72;
  m.alfa_terreno = 0.5;
  m.gamma_atmosfera = 0.4;
  m.fpv3pe = 1.8;
  m.factor_perdidas = 0.035;
  m.meteo_etha = EthaDeUnos();
  m.grilla_rotada_dx = 9.0;
  m.grilla_rotada_dy = 1.0;
  m.grilla_rotada_margen_dx = 1000.0;
}

// The mast's UTM place and height from a row of centrales or modelo_teorico.
void MastilDeFila(TParque_ModeloTeorico& m, const TSQLQuery& fila, const char* columnaXe) {
  const std::string zona = fila.field("meteo_utm_zona").asString();
  m.meteo_utm_zona = zona.empty() ? '?' : zona[0];
  m.meteo_utm_huso = fila.field("meteo_utm_huso").asInteger();
  m.meteo_utm_xe = fila.field(columnaXe).asFloat();
  m.meteo_utm_yn = fila.field("meteo_utm_yn").asFloat();
  m.meteo_cota = fila.field("meteo_cota").asFloat();
}

// The station-factor matrix stored as bracketed text; a text without "|" means none, and so
// does a matrix without elements (the station factor reads row 1 and column 1 at least): both
// give the 72 x 1 ones of a new model.
TMatR EthaDeTexto(const std::string& texto) {
  if (texto.find('|') == std::string::npos) return EthaDeUnos();
  TMatR e = TMatR::CreateDesdeCadena(texto);
  if (e.nf < 1 || e.nc < 1) return EthaDeUnos();
  return e;
}

// The parameters a stored model row holds, the mast excepted.
void ParametrosDeFila(TParque_ModeloTeorico& m, const TSQLQuery& q) {
  m.nid = q.field("nid").asInteger();
  m.n_sectores_dir = q.field("n_sectores_dir").asInteger();
  m.alfa_terreno = q.field("alfa_terreno").asFloat();
  m.gamma_atmosfera = q.field("gamma_atmosfera").asFloat();
  m.fpv3pe = q.field("fpv3pe").asFloat();
  m.factor_perdidas = q.field("factor_perdidas").asFloat();
  m.meteo_etha = EthaDeTexto(q.field("meteo_etha").asString());
  m.grilla_rotada_dx = q.field("grilla_rotada_dx").asFloat();
  m.grilla_rotada_dy = q.field("grilla_rotada_dy").asFloat();
  m.grilla_rotada_margen_dx = q.field("grilla_rotada_margen_dx").asFloat();
}

std::string SqlModeloDeCentral(int32_t central) {
  return "SELECT * FROM modelo_teorico WHERE central = " + SQLEntero(central) +
         " ORDER BY dt_creacion DESC LIMIT 1";
}

std::string SqlInsertarModelo(int32_t nid, int32_t central) {
  return "INSERT INTO modelo_teorico (nid, central, dt_creacion, dt_actualizacion )  VALUES ( " +
         SQLEntero(nid) + ", " + SQLEntero(central) + ", now(), now() )";
}

std::string SqlInsertarEtha(int32_t nidModelo, int32_t nidMolino) {
  return "INSERT INTO modelo_teorico_etha_molinos ( nid_modelo, nid_molino, etha ) VALUES ( " +
         SQLEntero(nidModelo) + ", " + SQLEntero(nidMolino) + ", 1 )";
}

// Appends the turbines of plant `central`, in the order the database returns them. The count
// bounds the rows read, and the rows bound the count: a turbine added or removed between the two
// statements neither reads past the last row nor is half read.
void AgregarMolinos(TDBPQCon& con, TParque_ModeloTeorico& m, int32_t central) {
  const int32_t n =
      con.funcI("SELECT count(*) FROM molinos WHERE nidcentral=" + SQLEntero(central), -1);
  std::unique_ptr<TSQLQuery> q =
      con.query("SELECT * FROM molinos WHERE nidcentral=" + SQLEntero(central));
  for (int32_t i = 0; i < n && !q->eof(); ++i) {
    m.molinos.push_back(TMolino::CreateDesdeFila(con, *q));
    q->next();
  }
  m.nMolinos = static_cast<int32_t>(m.molinos.size());
}

// Every turbine's factor in this model replaces the one of its molinos row; a turbine without a
// factor row gets one with 1. A new model first inserts a row for every turbine.
void CargarEthas(TDBPQCon& con, TParque_ModeloTeorico& m, bool nuevo) {
  if (nuevo) {
    for (const TMolino& t : m.molinos) con.exec(SqlInsertarEtha(m.nid, t.nid));
  }
  for (TMolino& t : m.molinos) {
    const NReal e = con.funcF("SELECT etha FROM modelo_teorico_etha_molinos WHERE nid_modelo = " +
                                  SQLEntero(m.nid) + " AND nid_molino = " + SQLEntero(t.nid),
                              -1.0);
    t.etha = e;
    if (e <= -1) {
      con.exec(SqlInsertarEtha(m.nid, t.nid));
      t.etha = 1;
    }
  }
}

// The joined plant number, checked: plant numbers of one or two digits (with three or more
// digits two groups could share a number, and a group's model would be read and overwritten
// as another's), no repeats, and a result that fits in 32 bits.
int32_t NumeroSupercentral(const std::vector<int32_t>& centrales) {
  if (centrales.size() < 2) throw EErrorGeneral("Una supercentral necesita al menos dos centrales");
  for (size_t i = 0; i < centrales.size(); ++i) {
    const int32_t p = centrales[i];
    if (p < 1 || p > 99) {
      throw EErrorGeneral("Número de central no válido para una supercentral: " + IntToStr(p) +
                          " (de 1 a 99)");
    }
    for (size_t j = 0; j < i; ++j) {
      if (centrales[j] == p)
        throw EErrorGeneral("Central repetida en la supercentral: " + IntToStr(p));
    }
  }
  int64_t n = 0;
  for (int32_t p : centrales) {
    n = n * 100 + p;  // n < 2^31 before the step: no overflow in 64 bits
    if (n > INT32_MAX) {
      // The joined number as text, each plant after the first as two digits.
      std::string texto = IntToStr(centrales[0]);
      for (size_t k = 1; k < centrales.size(); ++k) {
        if (centrales[k] < 10) texto += '0';
        texto += IntToStr(centrales[k]);
      }
      throw EErrorGeneral("El número de la supercentral no cabe en 32 bits: " + texto);
    }
  }
  return static_cast<int32_t>(n);
}

}  // namespace

std::unique_ptr<TParque_ModeloTeorico> TParque_ModeloTeorico::CreateDesdeDB(TDBPQCon& con,
                                                                            const TSQLQuery& fila) {
  FormatoEstandar guardia;
  auto m = std::make_unique<TParque_ModeloTeorico>();
  bool nuevo = false;
  bool cambiado = false;
  m->central = fila.field("nid").asInteger();
  m->nombre = fila.field("centralgeneradora").asString();
  // Every row this load writes goes in whole or not at all.
  TTransaccionSQL unidad(con);

  {
    std::unique_ptr<TSQLQuery> q = con.query(SqlModeloDeCentral(m->central));
    if (q->eof()) {
      // A plant without a model: a new one with the default parameters. Its number and row
      // come once its turbines have loaded.
      ParametrosPorDefecto(*m);
      m->potencia_autorizada_mw = fila.field("potencia_autorizada_mw").asFloat();
      m->potencia_nominal = m->potencia_autorizada_mw;
      MastilDeFila(*m, fila, "Meteo_UTM_xe");
      nuevo = true;
    } else {
      ParametrosDeFila(*m, *q);
      m->potencia_autorizada_mw = q->field("potencia_autorizada_mw").asFloat();
      m->potencia_nominal = q->field("potencia_nominal").asFloat();
      // Cell sizes below 0.1 m (NaN included) would ask for grids of billions of cells.
      if (!(m->grilla_rotada_dx >= 0.1 && m->grilla_rotada_dy >= 0.1)) {
        m->grilla_rotada_dx = 9.0;
        m->grilla_rotada_dy = 1.0;
      }
      MastilDeFila(*m, *q, "meteo_utm_xe");
    }
  }

  if (m->potencia_autorizada_mw == 0) {
    // A model without authorised power starts again from the defaults and the plant's data.
    ParametrosPorDefecto(*m);
    m->potencia_autorizada_mw = fila.field("potencia_autorizada_mw").asFloat();
    m->potencia_nominal = m->potencia_autorizada_mw;
    MastilDeFila(*m, fila, "Meteo_UTM_xe");
    cambiado = true;
  }

  if (m->meteo_utm_zona == '?' || m->meteo_utm_huso == 0) {
    LatLonAUTM(m->meteo_utm_xe, m->meteo_utm_yn, m->meteo_utm_zona, m->meteo_utm_huso,
               kElipsoideWGS84, fila.field("latitud").asFloat(), fila.field("longitud").asFloat());
    cambiado = true;
  }

  AgregarMolinos(con, *m, m->central);
  if (nuevo) {
    m->nid = con.nextval("modelo_teorico", "nid");
    con.exec(SqlInsertarModelo(m->nid, m->central));
  }
  CargarEthas(con, *m, nuevo);
  m->CalcularPuntosRelativos();
  if (nuevo || cambiado) m->ActualizarDB(con);
  m->CalcularCurvaEquivalente();
  unidad.Confirmar();
  return m;
}

std::unique_ptr<TParque_ModeloTeorico> TParque_ModeloTeorico::CreateSuperparque(
    TDBPQCon& con, const std::vector<int32_t>& centrales, int32_t centralMeteo) {
  FormatoEstandar guardia;
  auto m = std::make_unique<TParque_ModeloTeorico>();
  m->nombre = "Superparque";
  m->potencia_autorizada_mw = 0;
  m->potencia_nominal = 0;
  m->central = NumeroSupercentral(centrales);
  // Every row this build writes goes in whole or not at all; every refusal comes before the
  // group takes a model number.
  TTransaccionSQL unidad(con);

  bool nuevo;
  {
    std::unique_ptr<TSQLQuery> q = con.query(SqlModeloDeCentral(m->central));
    nuevo = q->eof();
    if (nuevo) {
      bool conMastil = false;
      for (int32_t p : centrales) conMastil = conMastil || p == centralMeteo;
      if (!conMastil) {
        throw EErrorGeneral("La central del anemómetro " + IntToStr(centralMeteo) +
                            " no está entre las centrales de la supercentral");
      }
      // Each plant's current model, as for one plant: its latest by creation date.
      for (size_t i = 0; i < centrales.size(); ++i) {
        const int32_t p = centrales[i];
        std::unique_ptr<TSQLQuery> qp = con.query(SqlModeloDeCentral(p));
        if (qp->eof()) {
          throw EErrorGeneral("La central " + IntToStr(p) +
                              " no tiene modelo teórico en la base de datos");
        }
        if (i == 0) ParametrosPorDefecto(*m);
        if (p == centralMeteo) {
          m->meteo_etha = EthaDeUnos();
          MastilDeFila(*m, *qp, "Meteo_UTM_xe");
          m->grilla_rotada_dx = 9.0;
          m->grilla_rotada_dy = 1.0;
          m->grilla_rotada_margen_dx = 1000.0;
        }
        m->nombre += '_';
        m->nombre += qp->field("central").asString();
        m->potencia_autorizada_mw += qp->field("potencia_autorizada_mw").asFloat();
        m->potencia_nominal += qp->field("potencia_nominal").asFloat();
      }
    } else {
      ParametrosDeFila(*m, *q);
      MastilDeFila(*m, *q, "meteo_utm_xe");
      m->potencia_autorizada_mw = q->field("potencia_autorizada_mw").asFloat();
      m->potencia_nominal = q->field("potencia_nominal").asFloat();
    }
  }

  for (int32_t p : centrales) AgregarMolinos(con, *m, p);
  if (nuevo) {
    m->nid = con.nextval("modelo_teorico", "nid");
    con.exec(SqlInsertarModelo(m->nid, m->central));
  }
  CargarEthas(con, *m, nuevo);
  m->CalcularPuntosRelativos();
  if (nuevo) m->ActualizarDB(con);
  m->CalcularCurvaEquivalente();
  unidad.Confirmar();
  return m;
}

int32_t TParque_ModeloTeorico::ActualizarDB(TDBPQCon& con) const {
  FormatoEstandar guardia;
  std::vector<std::string> sentencias;
  // The matrix text and the zone letter go in as escaped literals; under the guard the matrix
  // text has decimal points.
  sentencias.push_back(
      "UPDATE modelo_teorico SET n_sectores_dir= " + SQLEntero(n_sectores_dir) +
      ", alfa_terreno = " + SQLReal(alfa_terreno) +
      ", gamma_atmosfera = " + SQLReal(gamma_atmosfera) + ", fpv3pe = " + SQLReal(fpv3pe) +
      ", factor_perdidas = " + SQLReal(factor_perdidas) + ", potencia_autorizada_mw =" +
      SQLReal(potencia_autorizada_mw) + ", potencia_nominal = " + SQLReal(potencia_nominal) +
      ", meteo_etha = " + SQLTexto(con, meteo_etha.ACadena()) + ", meteo_cota = " +
      SQLReal(meteo_cota) + ", grilla_rotada_dx = " + SQLReal(grilla_rotada_dx) +
      ", grilla_rotada_dy = " + SQLReal(grilla_rotada_dy) +
      ", grilla_rotada_margen_dx = " + SQLReal(grilla_rotada_margen_dx) +
      ", meteo_utm_zona = " + SQLTexto(con, std::string(1, meteo_utm_zona)) +
      ", meteo_utm_huso = " + SQLEntero(meteo_utm_huso) +
      ", meteo_utm_xe = " + SQLReal(meteo_utm_xe) + ", meteo_utm_yn = " + SQLReal(meteo_utm_yn) +
      " WHERE nid = " + SQLEntero(nid));
  for (const TMolino& t : molinos) {
    sentencias.push_back("UPDATE modelo_teorico_etha_molinos SET etha = " + SQLReal(t.etha) +
                         " WHERE nid_modelo = " + SQLEntero(nid) +
                         " AND nid_molino = " + SQLEntero(t.nid));
  }
  // The model's row first: when it is gone (the group was deleted, or the model came from
  // another database) no factor row is touched either, since the factor rows left under that
  // number are not this model's. All of it in one transaction.
  TTransaccionSQL unidad(con);
  const int32_t filas = con.exec(sentencias.front());
  if (filas > 0) {
    for (size_t i = 1; i < sentencias.size(); ++i) con.exec(sentencias[i]);
  }
  unidad.Confirmar();
  return filas;
}
