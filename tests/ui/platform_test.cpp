// The choice of windowing platform made before the QApplication exists: X
// wherever an X server is reachable (on a Wayland desktop that is XWayland,
// which keeps the window on top), Wayland where only Wayland is, the user's
// own choice always; the warning follows the platform actually loaded; and
// the -platform argument read as Qt reads it.
#include <QTest>
#include <string>
#include <vector>

#include "app/startup.h"

using namespace quorvane;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

class PlatformTest : public QObject {
  Q_OBJECT

 private slots:
  void choice_data();
  void choice();
  void cannotStayOnTop_data();
  void cannotStayOnTop();
  void platformArgument_data();
  void platformArgument();
};

namespace {

void choiceRow(const char* name, std::string qpa, std::string argument, std::string wayland,
               std::string display, std::string session, std::string forced) {
  QTest::newRow(name) << qpa << argument << wayland << display << session << forced;
}

}  // namespace

void PlatformTest::choice_data() {
  QTest::addColumn<std::string>("qpa");       // QT_QPA_PLATFORM
  QTest::addColumn<std::string>("argument");  // -platform
  QTest::addColumn<std::string>("wayland");   // WAYLAND_DISPLAY
  QTest::addColumn<std::string>("display");   // DISPLAY
  QTest::addColumn<std::string>("session");   // XDG_SESSION_TYPE
  QTest::addColumn<std::string>("forced");    // what QT_QPA_PLATFORM is set to

  // A Wayland desktop with XWayland: X, and Wayland only if X does not answer.
  choiceRow("XWayland", "", "", "wayland-0", ":0", "wayland", "xcb;wayland");
  choiceRow("XWayland, no session type", "", "", "wayland-1", ":1", "", "xcb;wayland");
  // Qt's wayland platform finds the default socket without WAYLAND_DISPLAY.
  choiceRow("Wayland session, default socket, XWayland", "", "", "", ":0", "wayland",
            "xcb;wayland");
  // Wayland alone: it still runs, there.
  choiceRow("Wayland only", "", "", "wayland-0", "", "wayland", "wayland");
  choiceRow("Wayland only, no session type", "", "", "wayland-0", "", "", "wayland");
  choiceRow("Wayland session only", "", "", "", "", "wayland", "wayland");
  // A plain X11 desktop.
  choiceRow("X11", "", "", "", ":0", "x11", "xcb");
  choiceRow("X over ssh", "", "", "", "localhost:10.0", "tty", "xcb");
  // Nothing to go by: Qt's own choice and its own message.
  choiceRow("no desktop", "", "", "", "", "", "");
  choiceRow("tty session", "", "", "", "", "tty", "");
  // The user's explicit choice stands, whatever the desktop.
  choiceRow("QT_QPA_PLATFORM=wayland on XWayland", "wayland", "", "wayland-0", ":0", "wayland", "");
  choiceRow("QT_QPA_PLATFORM=wayland;xcb on XWayland", "wayland;xcb", "", "wayland-0", ":0",
            "wayland", "");
  choiceRow("QT_QPA_PLATFORM=offscreen", "offscreen", "", "", "", "", "");
  choiceRow("QT_QPA_PLATFORM=xcb, Wayland only", "xcb", "", "wayland-0", "", "wayland", "");
  choiceRow("-platform wayland on XWayland", "", "wayland", "wayland-0", ":0", "wayland", "");
  choiceRow("-platform offscreen, X11", "", "offscreen", "", ":0", "x11", "");
  // An empty value counts as unset.
  choiceRow("empty values", "", "", "wayland-0", ":0", "", "xcb;wayland");
}

void PlatformTest::choice() {
  QFETCH(std::string, qpa);
  QFETCH(std::string, argument);
  QFETCH(std::string, wayland);
  QFETCH(std::string, display);
  QFETCH(std::string, session);
  QFETCH(std::string, forced);
  const PlatformEnvironment env{.qpaPlatform = qpa,
                                .platformArgument = argument,
                                .waylandDisplay = wayland,
                                .display = display,
                                .sessionType = session};
  QCOMPARE(std::string(choosePlatform(env)), forced);
}

void PlatformTest::cannotStayOnTop_data() {
  QTest::addColumn<std::string>("platform");
  QTest::addColumn<bool>("warn");
  for (const auto& [name, warn] : {std::pair{"wayland", true},
                                   {"wayland-egl", true},
                                   {"xcb", false},
                                   {"offscreen", false},
                                   {"windows", false},
                                   {"cocoa", false},
                                   {"", false}}) {
    QTest::newRow(*name != 0 ? name : "none") << std::string(name) << warn;
  }
}

void PlatformTest::cannotStayOnTop() {
  QFETCH(std::string, platform);
  QFETCH(bool, warn);
  QCOMPARE(quorvane::cannotStayOnTop(platform), warn);
}

void PlatformTest::platformArgument_data() {
  QTest::addColumn<std::vector<std::string>>("arguments");
  QTest::addColumn<std::string>("value");
  using Args = std::vector<std::string>;
  using namespace std::string_literals;
  QTest::newRow("none") << Args{"quorvane"} << ""s;
  QTest::newRow("-platform") << Args{"quorvane", "-platform", "wayland"} << "wayland"s;
  QTest::newRow("--platform") << Args{"quorvane", "--platform", "xcb"} << "xcb"s;
  QTest::newRow("the last counts")
      << Args{"quorvane", "-platform", "xcb", "-platform", "wayland"} << "wayland"s;
  QTest::newRow("no value after it") << Args{"quorvane", "-platform"} << ""s;
  QTest::newRow("a value is not an option") << Args{"quorvane", "xcb", "-style", "fusion"} << ""s;
  QTest::newRow("the program's name is not read") << Args{"-platform", "xcb"} << ""s;
}

void PlatformTest::platformArgument() {
  QFETCH(std::vector<std::string>, arguments);
  QFETCH(std::string, value);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  QCOMPARE(std::string(quorvane::platformArgument(static_cast<int>(arguments.size()), argv.data())),
           value);
}

QTEST_APPLESS_MAIN(PlatformTest)
#include "platform_test.moc"
