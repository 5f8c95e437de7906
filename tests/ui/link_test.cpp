// Opening hyperlinks where the desktop refuses: the command line built from
// the registered desktop entry's Exec line, the lookup of that entry in the
// XDG directories, and the whole fallback run without a shell.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "ui/link_opener.h"

using quorvane::ui::desktopEntryExec;
using quorvane::ui::fallbackCommand;
using quorvane::ui::htmlOpenCommand;
using quorvane::ui::openLink;

namespace {

void writeFile(const QString& path, const QByteArray& content) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

// Points every XDG directory into a fresh temporary tree.
class XdgSandbox {
 public:
  XdgSandbox() {
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                             "XDG_CURRENT_DESKTOP"}) {
      saved_.append({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    }
    qputenv("XDG_CONFIG_HOME", path("config").toUtf8());
    qputenv("XDG_CONFIG_DIRS", path("etc-xdg").toUtf8());
    qputenv("XDG_DATA_HOME", path("data").toUtf8());
    qputenv("XDG_DATA_DIRS", path("usr-share").toUtf8());
    qunsetenv("XDG_CURRENT_DESKTOP");
  }
  ~XdgSandbox() {
    for (const Saved& s : saved_) {
      if (s.set) {
        qputenv(s.name, s.value);
      } else {
        qunsetenv(s.name);
      }
    }
  }
  XdgSandbox(const XdgSandbox&) = delete;
  XdgSandbox& operator=(const XdgSandbox&) = delete;

  QString path(const QString& relative) const { return dir_.filePath(relative); }

 private:
  struct Saved {
    const char* name;
    QByteArray value;
    bool set;
  };
  QTemporaryDir dir_;
  QList<Saved> saved_;
};

}  // namespace

class LinkTest : public QObject {
  Q_OBJECT

 private slots:
  void fallbackCommandFromExecLine_data();
  void fallbackCommandFromExecLine();
  void execValueOfADesktopEntry();
  void registeredCommandForHtml();
  void fallbackRunsTheCommandWithoutAShell();
  void nothingRegisteredNothingOpened();
};

void LinkTest::fallbackCommandFromExecLine_data() {
  QTest::addColumn<QString>("exec");
  QTest::addColumn<QString>("target");
  QTest::addColumn<QStringList>("expected");  // empty: no command
  const QString url = QStringLiteral("https://shop.example/?a=1&b=2");
  QTest::newRow("plain %u") << "firefox %u" << url << QStringList{"firefox", url};
  QTest::newRow("%U, %f, %F, %1 alike")
      << "chromium --new-window %U" << url << QStringList{"chromium", "--new-window", url};
  QTest::newRow("%F") << "viewer %F" << url << QStringList{"viewer", url};
  QTest::newRow("quoted %1 cut with its quotes")
      << "\"/opt/web browser/bin/browser\" -nohome \"%1\" -extra" << url
      << QStringList{"/opt/web browser/bin/browser", "-nohome", url};
  QTest::newRow("single-quoted placeholder")
      << "browser '%u'" << url << QStringList{"browser", url};
  QTest::newRow("no placeholder: target appended")
      << "browser --private" << url << QStringList{"browser", "--private", url};
  QTest::newRow("first placeholder wins, the rest dropped")
      << "browser %u %f --tail" << url << QStringList{"browser", url};
  QTest::newRow("%% is a percent, other codes dropped")
      << "browser --zoom=100%% %i %c --x=%k %u" << url
      << QStringList{"browser", "--zoom=100%", "--x=", url};
  QTest::newRow("shell words are only words")
      << "env A=1 browser;rm -rf ~ | cat > /tmp/x %u" << url
      << QStringList{"env", "A=1", "browser;rm", "-rf", "~", "|", "cat", ">", "/tmp/x", url};
  QTest::newRow("escapes inside quotes")
      << R"(browser "--title=a \"b\" \$HOME \`x\` \\" %u)" << url
      << QStringList{"browser", R"(--title=a "b" $HOME `x` \)", url};
  QTest::newRow("tabs and runs of blanks")
      << "  browser\t\t-a   %u  " << url << QStringList{"browser", "-a", url};
  const QString nasty = QStringLiteral("http://x.example/$(touch /tmp/pwned);`id`|\"'");
  QTest::newRow("a target with shell characters stays one argument")
      << "browser %u" << nasty << QStringList{"browser", nasty};
  QTest::newRow("cut inside a quotation: refused")
      << "sh -c \"browser %u\"" << url << QStringList{};
  QTest::newRow("open quotation: refused") << "\"browser %u" << url << QStringList{};
  QTest::newRow("empty line: refused") << "" << url << QStringList{};
  QTest::newRow("placeholder only: refused") << "%u" << url << QStringList{};
  QTest::newRow("quoted empty program: refused") << "\"\" %u" << url << QStringList{};
}

void LinkTest::fallbackCommandFromExecLine() {
  QFETCH(QString, exec);
  QFETCH(QString, target);
  QFETCH(QStringList, expected);
  const std::optional<QStringList> command = fallbackCommand(exec, target);
  if (expected.isEmpty()) {
    QVERIFY2(!command.has_value(), qPrintable(command ? command->join(u'|') : QString()));
  } else {
    QVERIFY(command.has_value());
    QCOMPARE(*command, expected);
  }
}

void LinkTest::execValueOfADesktopEntry() {
  const QString entry = QStringLiteral(
      "# comment\n"
      "[Desktop Entry]\n"
      "Name=Browser\n"
      "Exec[zh_CN]=ignored %u\n"
      "Exec = /opt/my\\sbrowser/run \"a\\\\\\\\b\" %u\n"
      "\n"
      "[Desktop Action new-window]\n"
      "Exec=other --new-window %u\n");
  QCOMPARE(desktopEntryExec(entry).value_or(QString()),
           QStringLiteral("/opt/my browser/run \"a\\\\b\" %u"));
  // ...which then reads as two words and the target.
  QCOMPARE(fallbackCommand(*desktopEntryExec(entry), QStringLiteral("T")).value_or(QStringList()),
           (QStringList{"/opt/my", "browser/run", "a\\b", "T"}));

  QVERIFY(!desktopEntryExec(QStringLiteral("[Desktop Action x]\nExec=a %u\n")));
  QVERIFY(!desktopEntryExec(QStringLiteral("[Desktop Entry]\nExec=\n")));
  QVERIFY(!desktopEntryExec(QString()));
}

void LinkTest::registeredCommandForHtml() {
  XdgSandbox xdg;
  // The user's defaults come first; the first listed entry that exists wins.
  writeFile(xdg.path("config/mimeapps.list"),
            "[Added Associations]\ntext/html=added.desktop;\n"
            "[Default Applications]\ntext/html=missing.desktop;my-browser.desktop;\n");
  writeFile(xdg.path("data/applications/my-browser.desktop"),
            "[Desktop Entry]\nType=Application\nExec=my-browser --new-window %U\n");
  writeFile(xdg.path("usr-share/applications/mimeapps.list"),
            "[Default Applications]\ntext/html=system.desktop\n");
  writeFile(xdg.path("usr-share/applications/system.desktop"),
            "[Desktop Entry]\nExec=system-browser %u\n");
  QCOMPARE(htmlOpenCommand().value_or(QString()), QStringLiteral("my-browser --new-window %U"));

  // The desktop's own list comes before the general one.
  qputenv("XDG_CURRENT_DESKTOP", "Test:Other");
  writeFile(xdg.path("config/test-mimeapps.list"),
            "[Default Applications]\ntext/html=vendor-web.desktop\n");
  writeFile(xdg.path("usr-share/applications/vendor/web.desktop"),
            "[Desktop Entry]\nExec=vendor-web %f\n");
  QCOMPARE(htmlOpenCommand().value_or(QString()), QStringLiteral("vendor-web %f"));

  // Without the user's files the system's defaults are used.
  QFile::remove(xdg.path("config/test-mimeapps.list"));
  QFile::remove(xdg.path("config/mimeapps.list"));
  QCOMPARE(htmlOpenCommand().value_or(QString()), QStringLiteral("system-browser %u"));
}

void LinkTest::fallbackRunsTheCommandWithoutAShell() {
  XdgSandbox xdg;
  const QString opened = xdg.path("opened");
  const QString pwned = xdg.path("pwned");
  writeFile(xdg.path("config/mimeapps.list"),
            "[Default Applications]\ntext/html=toucher.desktop\n");
  writeFile(xdg.path("data/applications/toucher.desktop"),
            ("[Desktop Entry]\nExec=/usr/bin/touch " + opened + " \"%u\"\n").toUtf8());
  // On this platform the desktop has no open action, so the fallback runs:
  // touch gets the marker and the address as two plain arguments. Through a
  // shell, the address would have created the second file.
  QVERIFY(openLink(QStringLiteral("https://shop.example/?a=$(touch$IFS") + pwned +
                   QStringLiteral(");b=`touch$IFS") + pwned + QStringLiteral("`")));
  QTRY_VERIFY(QFile::exists(opened));
  QTest::qWait(200);
  QVERIFY(!QFile::exists(pwned));
}

void LinkTest::nothingRegisteredNothingOpened() {
  XdgSandbox xdg;
  QVERIFY(!htmlOpenCommand());
  QVERIFY(!openLink(QStringLiteral("www.example.com")));
  QVERIFY(!openLink(QString()));
  // A registered entry whose program does not exist fails as well.
  writeFile(xdg.path("config/mimeapps.list"), "[Default Applications]\ntext/html=gone.desktop\n");
  writeFile(xdg.path("data/applications/gone.desktop"),
            "[Desktop Entry]\nExec=/nonexistent/browser %u\n");
  QVERIFY(!openLink(QStringLiteral("www.example.com")));
}

QTEST_MAIN(LinkTest)
#include "link_test.moc"
