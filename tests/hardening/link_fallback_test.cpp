// The hyperlinks of the real window when the desktop refuses to open them (Qt's
// offscreen platform has no open action): the fallback reads the default
// text/html entry of private XDG folders, whose Exec line is full of shell
// metacharacters, and starts exactly the argument vector the desktop-entry
// rules give, with no shell: a fake browser records its arguments, and marker
// files that any shell would create stay absent. A refused open, with nothing
// registered or with a registered program that cannot start, leaves the link's
// visited state false, also after an earlier success. (tests/ui/link_test
// covers the parsing of Exec lines case by case.)
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <functional>
#include <memory>
#include <string_view>

#include "app/startup.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/window_description.h"

using namespace quorvane;

namespace {

void writeFile(const QString& path, const QByteArray& content, bool executable = false) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
  file.close();
  if (executable) {
    QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
  }
}

// Every invocation of the fake browser: its arguments.
QList<QStringList> invocations(const QString& log) {
  QFile file(log);
  QList<QStringList> calls;
  if (!file.open(QIODevice::ReadOnly)) return calls;
  // One line per invocation, each argument ended by a zero byte.
  for (const QByteArray& line : file.readAll().split('\n')) {
    if (line.isEmpty()) continue;
    QStringList args;
    QByteArray rest = line;
    while (!rest.isEmpty()) {
      const qsizetype end = rest.indexOf('\0');
      args << QString::fromUtf8(rest.left(end));
      rest = end < 0 ? QByteArray() : rest.mid(end + 1);
    }
    calls << args;
  }
  return calls;
}

}  // namespace

class LinkFallbackTest : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void cleanup();
  void theDesktopRefusesOnThisPlatform();
  void fallbackStartsExactlyTheRegisteredArguments();
  void aRefusedOpenLeavesTheLinkUnvisited();

 private:
  QString path(const QString& relative) const { return dir_->filePath(relative); }
  void registerBrowser(const QByteArray& execLine);
  static ControlRef control(std::string_view name) {
    for (std::size_t i = 0; i < ui::kControls.size(); ++i) {
      if (ui::kControls[i].name == name) return {ui::kMainWindowId, static_cast<int>(i)};
    }
    return {};
  }

  std::unique_ptr<QTemporaryDir> dir_;
  QByteArray browser_;
  QString log_;
  // A fresh program for each test: the layer holds one main window.
  std::unique_ptr<EventLayer> layer_;
  std::unique_ptr<ui::MainWindow> window_;
};

void LinkFallbackTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  QVERIFY(dir_->isValid());
  qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
  qputenv("XDG_CONFIG_DIRS", path("etc-xdg").toUtf8());
  qputenv("XDG_DATA_HOME", path("data").toUtf8());
  qputenv("XDG_DATA_DIRS", path("usr-share").toUtf8());
  qunsetenv("XDG_CURRENT_DESKTOP");
  // The fake browser appends its arguments, each ended by a zero byte, and a
  // line feed, to the log.
  log_ = path("browser.log");
  browser_ = path("bin/fake browser").toUtf8();
  writeFile(QString::fromUtf8(browser_),
            "#!/bin/sh\n{ for arg in \"$@\"; do printf '%s\\0' \"$arg\"; done; printf '\\n'; } >>'" +
                log_.toUtf8() + "'\n",
            true);
  ui::HyperlinkWidget::setOpener(nullptr);  // the desktop's, with its fallback
  layer_ = std::make_unique<EventLayer>();
  window_ = loadMainWindow(*layer_);
}

void LinkFallbackTest::cleanup() {
  window_.reset();
  layer_.reset();
  dir_.reset();
}

void LinkFallbackTest::registerBrowser(const QByteArray& execLine) {
  writeFile(path("config/mimeapps.list"),
            "[Default Applications]\ntext/html=fake-browser.desktop;\n");
  writeFile(path("data/applications/fake-browser.desktop"),
            "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + execLine + "\n");
}

void LinkFallbackTest::theDesktopRefusesOnThisPlatform() {
  // What the rest relies on: without the fallback nothing opens here.
  QVERIFY(!QDesktopServices::openUrl(QUrl(QStringLiteral("http://refused.example/"))));
}

void LinkFallbackTest::fallbackStartsExactlyTheRegisteredArguments() {
  const QByteArray markers = path("marker").toUtf8();
  // As written in the entry file: "\\" is the file's escape for a backslash,
  // and inside quotes \$ and \` stand for $ and `.
  const QByteArray exec = "\"" + browser_ + "\" --name=\"a;b|c&d\" ;touch " + markers +
                          "1 $(touch " + markers + "2) `touch " + markers + "3` >\"" + markers +
                          "4\" \"\\\\$HOME \\\\`id\\\\`\" && %u | touch " + markers + "5";
  registerBrowser(exec);
  const QStringList expected = {"--name=a;b|c&d",
                                ";touch",
                                QString::fromUtf8(markers + "1"),
                                "$(touch",
                                QString::fromUtf8(markers + "2)"),
                                "`touch",
                                QString::fromUtf8(markers + "3`"),
                                ">" + QString::fromUtf8(markers + "4"),
                                "$HOME `id`",
                                "&&"};

  // The shop's link holds a complete address; the site's a bare host name.
  struct Case {
    const char* name;
    QString target;
  };
  const Case cases[] = {
      {"超级链接框2", QStringLiteral("https://shop.lumeno-studio.example/")},
      {"超级链接框1", QStringLiteral("http://www.lumeno-studio.example")},
  };
  int calls = 0;
  for (const Case& c : cases) {
    auto* hyperlink = dynamic_cast<ui::HyperlinkWidget*>(window_->widgetOf(control(c.name)));
    QVERIFY(hyperlink != nullptr);
    QVERIFY(!hyperlink->visited());
    QTest::mousePress(hyperlink, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY2(hyperlink->visited(), c.name);
    ++calls;
    QTRY_COMPARE(invocations(log_).size(), calls);
    QCOMPARE(invocations(log_).back(), expected + QStringList{c.target});
    QTest::mouseRelease(hyperlink, Qt::LeftButton, {}, QPoint(10, 10));
  }
  // Nothing else ran: one start per press, and no shell made a marker.
  QTest::qWait(300);
  QCOMPARE(invocations(log_).size(), calls);
  for (int n = 1; n <= 5; ++n) {
    QVERIFY2(!QFile::exists(QString::fromUtf8(markers) + QString::number(n)), "a shell ran");
  }
}

void LinkFallbackTest::aRefusedOpenLeavesTheLinkUnvisited() {
  auto* shop = dynamic_cast<ui::HyperlinkWidget*>(window_->widgetOf(control("超级链接框2")));
  QVERIFY(shop != nullptr);
  const auto press = [shop] {
    QTest::mousePress(shop, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(shop, Qt::LeftButton, {}, QPoint(10, 10));
  };

  registerBrowser("\"" + browser_ + "\" %u");
  press();
  QVERIFY(shop->visited());
  QTRY_COMPARE(invocations(log_).size(), 1);

  struct Case {
    const char* what;
    std::function<void()> arrange;
  };
  const Case refusals[] = {
      {"nothing registered", [this] { QFile::remove(path("config/mimeapps.list")); }},
      {"the registered program is missing",
       [this] { registerBrowser("\"" + browser_ + " gone\" %u"); }},
      {"the Exec line leaves a quotation open", [this] { registerBrowser("\"" + browser_ + " %u"); }},
      {"the Exec line names no program", [this] { registerBrowser("%u"); }},
  };
  for (const Case& c : refusals) {
    registerBrowser("\"" + browser_ + "\" %u");
    press();
    QVERIFY2(shop->visited(), c.what);
    c.arrange();
    press();
    QVERIFY2(!shop->visited(), c.what);
    QCOMPARE(shop->textColor(), QColor(0, 0, 255));  // its own colour again
  }
  QTest::qWait(300);
  // One start for each successful press, none for the refused ones.
  QCOMPARE(invocations(log_).size(), 1 + static_cast<qsizetype>(std::size(refusals)));
}

QTEST_MAIN(LinkFallbackTest)
#include "link_fallback_test.moc"
