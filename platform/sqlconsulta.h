// The rows a query delivered, kept whole on the client side, read through a cursor.
//
// This is the part of the old dataset layer the program relies on:
//  * fields are found by name without regard to case, compared against the result's own
//    column names (a column created as "curva_P" is found as curva_p and as CURVA_P), or by
//    position from 0;
//  * a NULL field reads as 0 through asInteger / asFloat and as "" through asString;
//  * numbers are parsed from the server's text with "." whatever the process locale;
//  * reading a field when the cursor is past the last row (an empty result included) raises,
//    instead of handing out NULL defaults that would let a caller build a row for plant 0.
// A result stays readable after the connection commits or rolls back: it lives on the client.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct pg_result;

class TSQLQuery;

// One column of a query, read at the cursor's current row (as a dataset field follows its
// dataset: keep it and advance the cursor, and it reads the new row).
class TSQLField {
 public:
  TSQLField(const TSQLQuery& consulta, int columna) : consulta_(&consulta), columna_(columna) {}

  // The column's name as the result gives it.
  std::string name() const;
  bool isNull() const;
  // The field's text, bytes as the server sent them (UTF-8); "" for NULL.
  std::string asString() const;
  // A whole number in decimal (blanks around it allowed); a real-typed column (numeric, real,
  // double precision) is rounded half to even, as the dataset layer did. 0 for NULL.
  // Throws EConvertError "\"s\" no es un número entero válido".
  int32_t asInteger() const;
  // A real in the server's text ("50.000", "1e-05", "-0.1", "NaN", "Infinity"). 0 for NULL.
  // Throws EConvertError "\"s\" no es un número real válido".
  double asFloat() const;

 private:
  const char* valor() const;  // throws when there is no current row
  const TSQLQuery* consulta_;
  int columna_;
};

class TSQLQuery {
 public:
  // Takes ownership of a result of PQexec* with status TUPLES_OK or COMMAND_OK.
  explicit TSQLQuery(pg_result* resultado);
  ~TSQLQuery();
  TSQLQuery(const TSQLQuery&) = delete;
  TSQLQuery& operator=(const TSQLQuery&) = delete;

  // True when the cursor is past the last row; an empty result starts at eof.
  bool eof() const { return fila_ >= filas_; }
  // Moves to the next row; at eof it stays there.
  void next();
  // Back to the first row.
  void first() { fila_ = 0; }
  int recordCount() const { return filas_; }
  int recNo() const { return fila_; }  // the current row, from 0

  int fieldCount() const;
  // The first column whose name equals `nombre` without regard to ASCII case.
  // Throws EErrorGeneral "Campo no encontrado: " + nombre.
  TSQLField field(std::string_view nombre) const;
  // Column `indice`, from 0. Throws EErrorGeneral "Campo fuera de rango: " + indice.
  TSQLField field(int indice) const;
  // -1 when there is no such column.
  int findField(std::string_view nombre) const;

  // The rows the statement affected, as the server reported them (0 when it reports none).
  int32_t rowsAffected() const;

 private:
  friend class TSQLField;
  struct Liberar {
    void operator()(pg_result* r) const;
  };
  std::unique_ptr<pg_result, Liberar> resultado_;
  int filas_ = 0;
  int fila_ = 0;
};
