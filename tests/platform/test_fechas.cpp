#include "platform/fechas.h"

#include <gtest/gtest.h>

#include <cmath>

#include "comun/afirmaciones.h"
#include "platform/errores.h"
#include "platform/rtltexto.h"

namespace {

class Fechas : public ::testing::Test {
 protected:
  void SetUp() override {
    guardado_ = FormatSettings();
    FormatSettings() = FormatoDeLocale("es_ES.UTF-8");
  }
  void TearDown() override { FormatSettings() = guardado_; }
  TFormatSettings guardado_;
};

TEST_F(Fechas, NumerosDeSerieConocidos) {
  // Day counts since 1899-12-30 (Python: (date(y, m, d) - date(1899, 12, 30)).days).
  struct Caso {
    int y, m, d;
    double serie;
  };
  const Caso casos[] = {{2016, 11, 1, 42675},  {1899, 12, 30, 0},   {1900, 3, 1, 61},
                        {2000, 2, 29, 36585},  {1, 1, 1, -693593},  {9999, 12, 31, 2958465},
                        {1899, 12, 29, -1},    {2024, 12, 31, 45657}};
  for (const auto& c : casos) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serie) << c.y << "-" << c.m << "-" << c.d;
    int y = 0, m = 0, d = 0;
    DecodeDate(c.serie, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
  }
  EXPECT_THROW_MSG(EncodeDate(2023, 2, 29), EConvertError, "Fecha inválida: 2023-2-29");
  TDateTime f = 0;
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, f));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, f));
  EXPECT_EQ(DayOfWeek(42675), 3);  // 2016-11-01 was a Tuesday
}

TEST_F(Fechas, UnAnioDeMuestrasDiezMinutales) {
  // Every ten-minute date of 2016 computed as start + k * 10/1440 decodes to its exact minute
  // and maps back to its own sample index.
  const TDateTime inicio = EncodeDate(2016, 1, 1);
  const double paso = 10.0 / 1440.0;
  for (int k = 0; k < 366 * 144; ++k) {
    TDateTime t = inicio + k * paso;
    TFechaHora f = DecodeDateTime(t);
    int minutos = k * 10;
    TDateTime dia = inicio + minutos / 1440;
    int y = 0, m = 0, d = 0;
    DecodeDate(dia, y, m, d);
    ASSERT_EQ(f.anio * 10000 + f.mes * 100 + f.dia, y * 10000 + m * 100 + d) << k;
    ASSERT_EQ(f.hora * 60 + f.minuto, minutos % 1440) << k;
    ASSERT_EQ(f.segundo, 0) << k;
    ASSERT_EQ(f.milisegundo, 0) << k;
    ASSERT_EQ(IndiceDeMuestra(t, inicio, paso), k + 1) << k;
  }
}

TEST_F(Fechas, RedondeoAlMilisegundo) {
  TDateTime casiMedianoche = EncodeDate(2016, 11, 1) + (86400000.0 - 1.0) / 86400000.0;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", casiMedianoche), "2016-11-01 23:59:59.999");
  TDateTime rozando = EncodeDate(2016, 11, 1) + (86400000.0 - 0.4) / 86400000.0;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", rozando), "2016-11-02 00:00");
  EXPECT_THROW(DecodeDateTime(std::nan("")), EConvertError);
  // Before the origin the fraction still counts the time of day forward.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
  EXPECT_EQ(EncodeDateTime({1899, 12, 29, 6, 0, 0, 0}), -1.25);
  // A time that rounds up to midnight gives the next calendar day on that side as well.
  const struct {
    double fecha;
    const char* texto;
  } medianoches[] = {{-0.9999999999, "1899-12-31 00:00"},
                     {-1.9999999999, "1899-12-30 00:00"},
                     {-2.0000000001, "1899-12-28 00:00"},
                     {1.9999999999, "1900-01-01 00:00"}};
  for (const auto& c : medianoches)
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", c.fecha), c.texto) << c.fecha;
}

TEST_F(Fechas, PatronesDelRunTime) {
  TDateTime t = EncodeDate(2016, 3, 5) + EncodeTime(7, 8, 9, 45);
  struct Caso {
    const char* patron;
    const char* texto;
  };
  const Caso casos[] = {
      {"yyyy-mm-dd", "2016-03-05"},
      {"hh:mm", "07:08"},            // mm after an hour token is minutes
      {"HH:MM:SS", "07:08:09"},      // letters in any case
      {"d/m/yy", "5/3/16"},          // "/" is the date separator in force
      {"mm", "03"},                  // mm alone is the month
      {"h:n:s", "7:8:9"},
      {"nn", "08"},
      {"zzz", "045"},
      {"dddd d 'de' mmmm", "sábado 5 de marzo"},
      {"ddd mmm", "sáb mar"},
      {"\"hh\" hh", "hh 07"},
      {"hh am/pm", "07 am"},
      {"yyyymmddhhnn", "201603050708"},
      {"c", "05/03/2016 07:08:09"},
      {"ddddd", "05/03/2016"},
  };
  for (const auto& c : casos) EXPECT_EQ(FormatDateTime(c.patron, t), c.texto) << c.patron;
  FormatSettings().DateSeparator = '.';
  FormatSettings().TimeSeparator = 'h';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", t), "05.03.2016 07h08");
}

TEST_F(Fechas, DateTimeToStrOmiteLaMedianoche) {
  FormatSettings().ShortDateFormat = "yyyy-MM-dd";
  FormatSettings().DateSeparator = '-';
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  EXPECT_EQ(DateTimeToStr(42675.0), "2016-11-01");
  EXPECT_EQ(DateTimeToStr(42675.0 + 7.0 / 24.0), "2016-11-01 07:00:00");
  EXPECT_EQ(DateToStr(42675.5), "2016-11-01");
  EXPECT_EQ(TimeToStr(42675.5), "12:00:00");
}

TEST_F(Fechas, IndiceDeMuestraAntesDelInicio) {
  const double paso = 10.0 / 1440.0;
  EXPECT_EQ(IndiceDeMuestra(100.0, 100.0, paso), 1);
  EXPECT_EQ(IndiceDeMuestra(100.0 - paso / 2, 100.0, paso), 1);  // truncation toward zero
  EXPECT_EQ(IndiceDeMuestra(100.0 - 1.5 * paso, 100.0, paso), 0);
  EXPECT_THROW(IndiceDeMuestra(std::nan(""), 100.0, paso), EErrorGeneral);
}

}  // namespace
