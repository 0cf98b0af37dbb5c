// The one application object of the window tests, and a way to answer a modal dialog.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Creates the QApplication the first time it is called; it lives until the tests end.
void AsegurarAplicacion();

// Runs `accion` on the first visible top-level window of type D once it opens (a modal dialog
// runs its own event loop, and the timer fires inside it).
template <class D>
void AlAbrirse(std::function<void(D*)> accion) {
  auto* t = new QTimer;
  t->setInterval(10);
  QObject::connect(t, &QTimer::timeout, [t, accion] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* d = qobject_cast<D*>(w);
      if (d && d->isVisible()) {
        t->stop();
        t->deleteLater();
        accion(d);
        return;
      }
    }
  });
  t->start();
}
