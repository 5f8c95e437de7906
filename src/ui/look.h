// The look that does not depend on the desktop theme: the Fusion style, a
// fixed light palette around the button face, the substitutes for the two
// Chinese faces, and the conversions from the window description's fonts and
// colours.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>

#include "ui/window_description.h"

class QApplication;

namespace quorvane::ui {

// The faces that stand in for the Kai and Song faces (Debian's AR PL fonts).
inline constexpr const char* kKaiSubstitute = "AR PL UKai CN";
inline constexpr const char* kSongSubstitute = "AR PL UMing CN";

// Style, palette and font substitutions for the whole program. Call once
// after the QApplication exists. Writes nothing anywhere.
void applyLook(QApplication& app);

QColor toQColor(Rgb rgb);
// The font of a group; for FontGroup::Platform the application's default font.
QFont fontFor(FontGroup group);
// The application icon with its 16 to 256 pixel images.
QIcon applicationIcon();

}  // namespace quorvane::ui
