// The floor for the clock's cost: an empty window of the program's client size whose 1 ms
// precise timer does nothing but count. Esc closes it; at exit it prints
// "ticks <N> seconds <S>" to stderr, as the program does with its trace switched on.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class EscClosing : public QWidget {
 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
      close();
      return;
    }
    QWidget::keyPressEvent(event);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QElapsedTimer running;
  running.start();

  EscClosing window;
  window.setWindowTitle(QStringLiteral("bare timer"));
  window.setFixedSize(768, 319);
  window.show();

  unsigned long long ticks = 0;
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start(1);

  const int code = QApplication::exec();
  std::fprintf(stderr, "ticks %llu seconds %.3f\n", ticks,
               static_cast<double>(running.nsecsElapsed()) / 1e9);
  return code;
}
