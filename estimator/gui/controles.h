// Small widgets of the main window that Qt does not have as such: the paint box (a fixed-size
// picture the handlers draw into), the labelled edit (an edit with its label above it) and a
// click watcher for widgets without a click signal.
#pragma once

#include <QImage>
#include <QLineEdit>
#include <QObject>
#include <QWidget>
#include <functional>

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
class TLabeledEdit : public QLineEdit {
 public:
  explicit TLabeledEdit(QWidget* padre = nullptr) : QLineEdit(padre) {}
  QLabel* EditLabel() const { return etiqueta_; }
  void FijarEtiqueta(QLabel* etiqueta) { etiqueta_ = etiqueta; }

 private:
  QLabel* etiqueta_ = nullptr;
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
