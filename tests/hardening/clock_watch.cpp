// Watches the clock box of the real window (its handlers, its timer) on Qt's
// offscreen platform and prints every text the box takes, one a line, in
// UTF-8, until it shows the text given or the time is up. For the clock tests
// under a faked system clock (clock_zones_test.sh); the program itself needs
// no switch for it.
//
//   clock_watch UNTIL_TEXT TIMEOUT_SECONDS
// Exit code 0 once UNTIL_TEXT was shown, 1 at the timeout, 2 on bad arguments.
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/startup.h"
#include "ui/main_window.h"
#include "ui/window_description.h"

using namespace quorvane;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: clock_watch UNTIL_TEXT TIMEOUT_SECONDS\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  prepareApplication(app);
  resetFloatingPointEnvironment();
  const QString until = QString::fromUtf8(argv[1]);
  const int timeoutMs = QByteArray(argv[2]).toInt() * 1000;

  EventLayer layer;
  std::unique_ptr<ui::MainWindow> window = loadMainWindow(layer);
  ui::MainWindow* shown = window.get();
  auto* clock = qobject_cast<QLineEdit*>(shown->widgetOf(ui::control("编辑框11")));
  int code = 1;
  // The box is rewritten at every tick; its widget changes when the text does.
  QObject::connect(clock, &QLineEdit::textChanged, [&](const QString& text) {
    std::printf("%s\n", text.toUtf8().constData());
    std::fflush(stdout);
    if (text == until && code != 0) {
      code = 0;
      shown->close();
    }
  });
  QTimer::singleShot(timeoutMs, shown, [shown] { shown->close(); });
  runEventLoop(layer, std::move(window));
  return code;
}
