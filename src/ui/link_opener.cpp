#include "ui/link_opener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QUrl>

namespace quorvane::ui {
namespace {

bool isPlaceholder(QChar code) {
  return code == u'u' || code == u'U' || code == u'f' || code == u'F' || code == u'1';
}

// Index of the first placeholder's '%', or -1. "%%" is an escaped percent.
qsizetype findPlaceholder(const QString& line) {
  for (qsizetype i = 0; i + 1 < line.size(); ++i) {
    if (line[i] != u'%') continue;
    if (isPlaceholder(line[i + 1])) return i;
    ++i;  // %% or another field code: step over its second character
  }
  return -1;
}

bool isBlank(QChar c) {
  return c == u' ' || c == u'\t' || c == u'\n';
}

// Splits by the desktop-entry quoting rules; nullopt on an open quotation.
std::optional<QStringList> splitArguments(const QString& line) {
  QStringList args;
  QString current;
  bool inArgument = false;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quoted) {
      if (c == u'\\' && i + 1 < line.size() &&
          (line[i + 1] == u'"' || line[i + 1] == u'`' || line[i + 1] == u'$' ||
           line[i + 1] == u'\\')) {
        current += line[++i];
      } else if (c == u'"') {
        quoted = false;
      } else {
        current += c;
      }
    } else if (isBlank(c)) {
      if (inArgument) args.append(std::exchange(current, QString()));
      inArgument = false;
    } else {
      inArgument = true;
      if (c == u'"') {
        quoted = true;
      } else {
        current += c;
      }
    }
  }
  if (quoted) return std::nullopt;
  if (inArgument) args.append(current);
  return args;
}

// %% -> %, other field codes removed; an argument that was only a field code
// disappears.
std::optional<QString> expandFieldCodes(const QString& arg) {
  QString out;
  bool hadCode = false;
  for (qsizetype i = 0; i < arg.size(); ++i) {
    if (arg[i] == u'%' && i + 1 < arg.size()) {
      if (arg[i + 1] == u'%') {
        out += u'%';
      } else {
        hadCode = true;
      }
      ++i;
    } else {
      out += arg[i];
    }
  }
  if (hadCode && out.isEmpty()) return std::nullopt;
  return out;
}

// The value of key in group of an ini-like text (desktop entries and
// mimeapps.list share the syntax); nullopt when absent.
std::optional<QString> iniValue(const QString& text, QStringView group, QStringView key) {
  bool inGroup = false;
  for (QStringView line : QStringView(text).split(u'\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    if (line.startsWith(u'[')) {
      inGroup = line.endsWith(u']') && line.sliced(1, line.size() - 2) == group;
      continue;
    }
    if (!inGroup) continue;
    const qsizetype eq = line.indexOf(u'=');
    if (eq <= 0) continue;
    if (line.first(eq).trimmed() == key) return line.sliced(eq + 1).trimmed().toString();
  }
  return std::nullopt;
}

QString readTextFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.read(1 << 20));
}

// The desktop entry file for a desktop file id, searched in the data dirs'
// applications folders ("a-b.desktop" may also live at "a/b.desktop").
QString findDesktopFile(const QString& id) {
  const QStringList dirs = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
  for (const QString& dir : dirs) {
    QString candidate = QDir(dir).filePath(id);
    if (QFileInfo(candidate).isFile()) return candidate;
    QString nested = id;
    for (qsizetype dash = nested.indexOf(u'-'); dash >= 0; dash = nested.indexOf(u'-', dash + 1)) {
      nested[dash] = u'/';
      candidate = QDir(dir).filePath(nested);
      if (QFileInfo(candidate).isFile()) return candidate;
    }
  }
  return {};
}

// mimeapps.list files from most to least important.
QStringList mimeappsFiles() {
  QStringList names;
  const QString desktops =
      QProcessEnvironment::systemEnvironment().value(QStringLiteral("XDG_CURRENT_DESKTOP"));
  for (const QString& desktop : desktops.split(u':', Qt::SkipEmptyParts)) {
    names << desktop.toLower() + QStringLiteral("-mimeapps.list");
  }
  names << QStringLiteral("mimeapps.list");

  QStringList files;
  const auto addFrom = [&](const QStringList& dirs, const QStringList& fileNames) {
    for (const QString& dir : dirs) {
      for (const QString& name : fileNames) files << QDir(dir).filePath(name);
    }
  };
  addFrom(QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation), names);
  addFrom(QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation),
          names + QStringList{QStringLiteral("defaults.list")});
  return files;
}

}  // namespace

std::optional<QStringList> fallbackCommand(const QString& execLine, const QString& target) {
  QString line = execLine;
  const qsizetype at = findPlaceholder(line);
  if (at >= 0) {
    qsizetype cut = at;
    if (at > 0 && at + 2 < line.size()) {
      const QChar before = line[at - 1];
      if ((before == u'"' || before == u'\'') && line[at + 2] == before) cut = at - 1;
    }
    line.truncate(cut);
  }
  const std::optional<QStringList> split = splitArguments(line);
  if (!split) return std::nullopt;
  QStringList args;
  for (const QString& arg : *split) {
    if (std::optional<QString> expanded = expandFieldCodes(arg)) args << *expanded;
  }
  if (args.isEmpty() || args.first().isEmpty()) return std::nullopt;
  args << target;
  return args;
}

std::optional<QString> desktopEntryExec(const QString& desktopFileText) {
  const std::optional<QString> raw = iniValue(desktopFileText, u"Desktop Entry", u"Exec");
  if (!raw || raw->isEmpty()) return std::nullopt;
  QString value;
  for (qsizetype i = 0; i < raw->size(); ++i) {
    const QChar c = (*raw)[i];
    if (c != u'\\' || i + 1 == raw->size()) {
      value += c;
      continue;
    }
    switch ((*raw)[++i].unicode()) {
      case u's':
        value += u' ';
        break;
      case u'n':
        value += u'\n';
        break;
      case u't':
        value += u'\t';
        break;
      case u'r':
        value += u'\r';
        break;
      case u'\\':
        value += u'\\';
        break;
      default:  // not a string escape: kept for the quoting rules
        value += u'\\';
        value += (*raw)[i];
    }
  }
  return value;
}

std::optional<QString> htmlOpenCommand() {
  for (const QString& file : mimeappsFiles()) {
    const QString text = readTextFile(file);
    if (text.isEmpty()) continue;
    std::optional<QString> ids = iniValue(text, u"Default Applications", u"text/html");
    if (!ids) continue;
    for (const QString& id : ids->split(u';', Qt::SkipEmptyParts)) {
      const QString path = findDesktopFile(id.trimmed());
      if (path.isEmpty()) continue;
      if (std::optional<QString> exec = desktopEntryExec(readTextFile(path))) return exec;
    }
  }
  return std::nullopt;
}

bool openLink(const QString& address) {
  if (address.isEmpty()) return false;
  const QUrl url = QUrl::fromUserInput(address);
  if (url.isValid() && QDesktopServices::openUrl(url)) return true;

  const std::optional<QString> exec = htmlOpenCommand();
  if (!exec) return false;
  const std::optional<QStringList> command =
      fallbackCommand(*exec, url.isValid() ? url.toString() : address);
  if (!command) return false;
  return QProcess::startDetached(command->first(), command->mid(1));
}

}  // namespace quorvane::ui
