#include "estimator/gui/controles.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <string>
#include <utility>

#include "platform/rtltexto.h"

TPaintBox::TPaintBox(int ancho, int alto, QWidget* padre)
    : QWidget(padre), imagen_(ancho, alto, QImage::Format_RGB32) {
  imagen_.fill(Qt::white);
  // Fixed before the first show: a box on a hidden page has its size all the same.
  setFixedSize(ancho, alto);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  p.drawImage(e->rect(), imagen_, e->rect());
}

void TPaintBox::mousePressEvent(QMouseEvent* e) {
  pulsado_ = true;
  const QPoint q = e->position().toPoint();
  if (OnMouseDown) OnMouseDown(q.x(), q.y());
}

void TPaintBox::mouseMoveEvent(QMouseEvent* e) {
  const QPoint q = e->position().toPoint();
  if (OnMouseMove) OnMouseMove(q.x(), q.y());
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* e) {
  // A click is a press and a release over the box.
  const bool clic = pulsado_ && rect().contains(e->position().toPoint());
  pulsado_ = false;
  if (clic && OnClick) OnClick();
}

TLabeledEdit::TLabeledEdit(QWidget* padre) : QLineEdit(padre) {
  // Connected before the window's change handlers: the twin copies they make run after the
  // value is forgotten.
  connect(this, &QLineEdit::textChanged, this, [this](const QString& texto) {
    if (texto != textoRecordado_) {
      recordado_ = std::monostate{};
      textoRecordado_.clear();
    }
  });
}

void TLabeledEdit::Recordar(const std::string& texto,
                            std::variant<std::monostate, NReal, TMatR> valor) {
  // The text first: its change forgets the previous value (and runs the twin's copy); a text
  // equal to the one shown changes nothing, and the new value replaces the old all the same.
  const QString q = QString::fromStdString(texto);
  setText(q);
  recordado_ = std::move(valor);
  textoRecordado_ = q;
}

void TLabeledEdit::MostrarValor(NReal x) { Recordar(FloatToStr(x), x); }

void TLabeledEdit::MostrarMatriz(const TMatR& m) { Recordar(m.ACadena(), m); }

NReal TLabeledEdit::Valor() const {
  if (const NReal* x = std::get_if<NReal>(&recordado_); x && text() == textoRecordado_) return *x;
  return EvaluarNumero(text().toStdString());
}

TMatR TLabeledEdit::Matriz() const {
  if (const TMatR* m = std::get_if<TMatR>(&recordado_); m && text() == textoRecordado_) return *m;
  return TMatR::CreateDesdeCadena(text().toStdString());
}

TVigiaClic::TVigiaClic(QWidget* vigilado, std::function<void()> alPulsar)
    : QObject(vigilado), alPulsar_(std::move(alPulsar)) {
  vigilado->installEventFilter(this);
}

bool TVigiaClic::eventFilter(QObject* objeto, QEvent* evento) {
  if (evento->type() == QEvent::MouseButtonRelease && objeto == parent()) {
    auto* w = static_cast<QWidget*>(objeto);
    auto* m = static_cast<QMouseEvent*>(evento);
    if (w->rect().contains(m->position().toPoint()) && alPulsar_) alPulsar_();
  }
  return false;
}
