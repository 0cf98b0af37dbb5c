#include "estimator/gui/controles.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

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
  // value is forgotten. Only a real is forgotten: a matrix's cells are compared when it is read.
  connect(this, &QLineEdit::textChanged, this, [this](const QString& texto) {
    if (std::holds_alternative<NReal>(recordado_) && texto != textoRecordado_) {
      recordado_ = std::monostate{};
      textoRecordado_.clear();
    }
  });
}

void TLabeledEdit::Recordar(const std::string& texto, TRecordado valor) {
  // The text first: its change forgets a previous real (and runs the twin's copy); a text equal
  // to the one shown changes nothing, and the new value replaces the old all the same.
  const QString q = QString::fromStdString(texto);
  setText(q);
  recordado_ = std::move(valor);
  textoRecordado_ = q;
}

void TLabeledEdit::MostrarValor(NReal x) { Recordar(FloatToStr(x), x); }

void TLabeledEdit::MostrarMatriz(const TMatR& m) {
  const std::string texto = m.ACadena();
  // The cells' texts as the reader cuts them from the text shown, the same cut Matriz compares
  // an edited text's cells with. A matrix without elements has none (and one of very many rows
  // and no columns would not even read back).
  std::vector<std::string> textos;
  if (static_cast<int64_t>(m.nf) * m.nc > 0) {
    textos.reserve(static_cast<size_t>(m.nf) * static_cast<size_t>(m.nc));
    TMatR::CreateDesdeCadena(texto,
                             [&textos](int32_t, int32_t, int32_t, int32_t, const std::string& t) {
                               textos.push_back(t);
                               return 0.0;
                             });
  }
  Recordar(texto, TMatrizMostrada{m, std::move(textos)});
}

NReal TLabeledEdit::Valor() const {
  if (const NReal* x = std::get_if<NReal>(&recordado_); x && text() == textoRecordado_) return *x;
  return EvaluarNumero(text().toStdString());
}

TMatR TLabeledEdit::Matriz() const {
  const TMatrizMostrada* r = std::get_if<TMatrizMostrada>(&recordado_);
  if (r == nullptr) return TMatR::CreateDesdeCadena(text().toStdString());
  if (text() == textoRecordado_) return r->valor;
  return TMatR::CreateDesdeCadena(text().toStdString(), [r](int32_t nf, int32_t nc, int32_t i,
                                                            int32_t j, const std::string& t) {
    if (nf == r->valor.nf && nc == r->valor.nc) {
      const size_t k =
          static_cast<size_t>(i - 1) * static_cast<size_t>(nc) + static_cast<size_t>(j - 1);
      if (t == r->textos[k]) return r->valor.Elemento(i, j);
    }
    return ElementoDeCadena(t);
  });
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
