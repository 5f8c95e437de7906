// The information box: modal for the whole program, owned by no window.
#pragma once

#include <QString>
#include <optional>

namespace quorvane::ui {

inline constexpr const char16_t* kDefaultNoticeCaption = u"信息：";

// Shows message in a box that blocks the program's windows until it is closed
// (timers keep running) and returns the button that closed it: OK 0, Cancel 1,
// Abort 2, Retry 3, Ignore 4, Yes 5, No 6, anything else 0.
//
// flags are message-box style bits: the low four bits pick the buttons (0 OK,
// 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel, 6 Cancel/Try again/Continue; others OK), 0x10/0x20/0x30/0x40
// the icon (error, question, warning, information; none otherwise). The
// caption is "信息：" when none is given.
int showNotice(const QString& message, int flags, const std::optional<QString>& caption);

}  // namespace quorvane::ui
