#include "ui/notice.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace quorvane::ui {
namespace {

QMessageBox::StandardButtons buttonsFor(int flags) {
  switch (flags & 0xF) {
    case 1:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case 2:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4:
      return QMessageBox::Yes | QMessageBox::No;
    case 5:
      return QMessageBox::Retry | QMessageBox::Cancel;
    case 6:
      return QMessageBox::Cancel | QMessageBox::Retry | QMessageBox::Ignore;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::Icon iconFor(int flags) {
  switch (flags & 0xF0) {
    case 0x10:
      return QMessageBox::Critical;
    case 0x20:
      return QMessageBox::Question;
    case 0x30:
      return QMessageBox::Warning;
    case 0x40:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int resultFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Cancel:
      return 1;
    case QMessageBox::Abort:
      return 2;
    case QMessageBox::Retry:
      return 3;
    case QMessageBox::Ignore:
      return 4;
    case QMessageBox::Yes:
      return 5;
    case QMessageBox::No:
      return 6;
    default:
      return 0;  // OK, and a box closed in any other way
  }
}

}  // namespace

int showNotice(const QString& message, int flags, const std::optional<QString>& caption) {
  QMessageBox box(iconFor(flags), caption.value_or(QString::fromUtf16(kDefaultNoticeCaption)),
                  message, buttonsFor(flags), nullptr);
  // Owned by no window, yet it must not vanish behind the always-on-top one.
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.setWindowModality(Qt::ApplicationModal);
  if ((flags & 0xF) == 6) {
    // Cancel / Try again / Continue: the last two stand on Retry and Ignore.
    box.button(QMessageBox::Retry)->setText(QMessageBox::tr("Try Again"));
    box.button(QMessageBox::Ignore)->setText(QMessageBox::tr("Continue"));
  }
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (clicked == nullptr) return 0;
  const int result = resultFor(box.standardButton(clicked));
  // Try again and Continue have no number of their own here.
  if ((flags & 0xF) == 6 && result != 1) return 0;
  return result;
}

}  // namespace quorvane::ui
