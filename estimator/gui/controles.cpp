#include "estimator/gui/controles.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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
