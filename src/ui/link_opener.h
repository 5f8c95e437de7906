// Opening a hyperlink's address: the desktop's "open" action, and where the
// desktop refuses, the command registered for HTML documents, started
// directly (never through a shell).
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quorvane::ui {

// The program and arguments that open target with a desktop entry's Exec
// line (already unescaped as a desktop-entry string value).
//
// The first placeholder (%u, %U, %f, %F or %1) is where the target goes: the
// line is cut there, together with the quotation marks directly around the
// placeholder, and what follows is dropped; a line without a placeholder keeps
// all of it. The rest is split into arguments by the desktop-entry quoting
// rules (blanks separate; "..." quotes, with \" \` \$ \\ escaped inside);
// %% becomes %, other field codes (%i, %c, %k, ...) are dropped. The target
// is appended as one argument, whatever characters it holds.
//   fallbackCommand("firefox %u", t)                -> {"firefox", t}
//   fallbackCommand("\"/opt/my web/b\" -n \"%U\"", t) -> {"/opt/my web/b", "-n", t}
//   fallbackCommand("browser", t)                   -> {"browser", t}
// No command (nullopt): an empty program, or a quotation left open by the cut
// or by the line itself.
std::optional<QStringList> fallbackCommand(const QString& execLine, const QString& target);

// The Exec value of a desktop entry file's [Desktop Entry] group, with the
// string escapes (\s \n \t \r \\) undone; nullopt if there is none.
std::optional<QString> desktopEntryExec(const QString& desktopFileText);

// The Exec line of the default application for text/html, from the
// mimeapps.list files of the XDG configuration and data directories; nullopt
// when none is registered or its desktop entry cannot be read.
std::optional<QString> htmlOpenCommand();

// Opens a web address (a bare host name is taken as http). True when the
// desktop accepted it or the fallback command started.
bool openLink(const QString& address);

}  // namespace quorvane::ui
