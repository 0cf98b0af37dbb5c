// Small widgets of the main window that Qt does not have as such: the paint box (a fixed-size
// picture the handlers draw into), the labelled edit (an edit with its label above it) and a
// click watcher for widgets without a click signal.
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QObject>
#include <QWidget>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "numerics/matreal.h"
#include "numerics/xmatdefs.h"

class QLabel;

// A paint box owns a QImage of its fixed size. Handlers paint into Imagen() and call update();
// the widget only shows the picture, so what was painted survives being covered and uncovered.
// Mouse positions are in the image's pixels.
class TPaintBox : public QWidget {
 public:
  TPaintBox(int ancho, int alto, QWidget* padre = nullptr);

  QImage& Imagen() { return imagen_; }
  const QImage& Imagen() const { return imagen_; }
  int Width() const { return imagen_.width(); }
  int Height() const { return imagen_.height(); }

  std::function<void(int x, int y)> OnMouseDown;
  std::function<void(int x, int y)> OnMouseMove;
  std::function<void()> OnClick;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QImage imagen_;
  bool pulsado_ = false;
};

// An edit with a caption above it. The edit is the control (its objectName is the control's
// name, its text the control's text); the label, named after it with "_label", sits in the
// same small box above it.
//
// The edits that carry a model's parameters are written with MostrarValor or MostrarMatriz:
// the edit shows the value's text (general float text, or the bracketed matrix text with three
// significant digits) and remembers the value itself. Valor gives back the remembered real, to
// the last bit, while the edit still shows the text it was written with; any change of the text
// (typed by the user, copied from a twin, written by the program) forgets it, and the text is
// then read as it stands with EvaluarNumero. A remembered matrix lasts through text changes
// until MostrarMatriz or MostrarValor writes the edit again: Matriz reads a changed text with
// TMatR::CreateDesdeCadena, and when its shape is the remembered one, each element whose text
// is still, byte for byte, the one shown for that cell gives the remembered value; the others,
// and every element of a text of another shape, are read as typed. Texts are compared, not values,
// so "0,9350" typed over "0,935" is the user's value; the remembered values are numbers and do not
// depend on the number format in force when they are read.
class TLabeledEdit : public QLineEdit {
 public:
  explicit TLabeledEdit(QWidget* padre = nullptr);
  QLabel* EditLabel() const { return etiqueta_; }
  void FijarEtiqueta(QLabel* etiqueta) { etiqueta_ = etiqueta; }

  void MostrarValor(NReal x);
  void MostrarMatriz(const TMatR& m);
  // The remembered real, or the text through EvaluarNumero (its reading error on a bad text).
  NReal Valor() const;
  // The remembered matrix, or the text through TMatR::CreateDesdeCadena, its unchanged cells
  // (same shape) with their remembered values.
  TMatR Matriz() const;

 private:
  // A matrix as the program wrote it, and the text of each element as shown, in row order.
  struct TMatrizMostrada {
    TMatR valor;
    std::vector<std::string> textos;
  };
  using TRecordado = std::variant<std::monostate, NReal, TMatrizMostrada>;
  void Recordar(const std::string& texto, TRecordado valor);

  QLabel* etiqueta_ = nullptr;
  TRecordado recordado_;
  QString textoRecordado_;
};

// Calls `alPulsar` when the watched widget itself is clicked (button released over it).
class TVigiaClic : public QObject {
 public:
  TVigiaClic(QWidget* vigilado, std::function<void()> alPulsar);

 protected:
  bool eventFilter(QObject* objeto, QEvent* evento) override;

 private:
  std::function<void()> alPulsar_;
};
