#include "ui/look.h"

#include <QApplication>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QStyleFactory>

#include "ui/assets.h"

namespace quorvane::ui {

QColor toQColor(Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

QFont fontFor(FontGroup group) {
  const FontSpec wanted = fontOf(group);
  if (wanted.face.empty()) return QApplication::font();
  QFont font(QString::fromUtf8(wanted.face.data(), static_cast<qsizetype>(wanted.face.size())));
  font.setPixelSize(wanted.pixelHeight);
  font.setBold(wanted.bold);
  return font;
}

void applyLook(QApplication& app) {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
  // The style's own icons on every desktop (the calendar's arrows, the notices' icons),
  // never an icon theme's: looking a name up in a theme first reads the theme's whole
  // index, some 5 ms of the start-up for the calendar's arrows alone. An empty list would
  // mean Qt's default folders; this resource folder does not exist.
  QIcon::setThemeSearchPaths({QStringLiteral(":/quorvane/no-icon-theme")});

  // One light palette for every colour group, built around the button face,
  // so that no desktop theme puts black label text on a dark ground.
  const QColor face = toQColor(kButtonFace);
  QPalette palette(face);
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Window, face);
    palette.setColor(group, QPalette::Button, face);
    palette.setColor(group, QPalette::WindowText, Qt::black);
    palette.setColor(group, QPalette::ButtonText, Qt::black);
    palette.setColor(group, QPalette::Text, Qt::black);
    palette.setColor(group, QPalette::Base, Qt::white);
    palette.setColor(group, QPalette::AlternateBase, QColor(233, 233, 233));
    palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 220));
    palette.setColor(group, QPalette::ToolTipText, Qt::black);
    palette.setColor(group, QPalette::Highlight, QColor(0, 120, 215));
    palette.setColor(group, QPalette::HighlightedText, Qt::white);
    palette.setColor(group, QPalette::Link, QColor(0, 0, 255));
    palette.setColor(group, QPalette::LinkVisited, QColor(128, 0, 128));
    palette.setColor(group, QPalette::PlaceholderText, QColor(120, 120, 120));
  }
  palette.setColor(QPalette::Disabled, QPalette::Window, face);
  palette.setColor(QPalette::Disabled, QPalette::Button, face);
  palette.setColor(QPalette::Disabled, QPalette::Base, face);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
  QApplication::setPalette(palette);

  // fontconfig would give DejaVu for the Chinese face names.
  QFont::insertSubstitution(QString::fromUtf8(kKaiFace.data(), kKaiFace.size()),
                            QString::fromLatin1(kKaiSubstitute));
  QFont::insertSubstitution(QString::fromUtf8(kSongFace.data(), kSongFace.size()),
                            QString::fromLatin1(kSongSubstitute));
}

QIcon applicationIcon() {
  QIcon icon;
  for (const auto& png : {assets::icon16Png(), assets::icon32Png(), assets::icon48Png(),
                          assets::icon64Png(), assets::icon128Png(), assets::icon256Png()}) {
    QPixmap pixmap;
    if (pixmap.loadFromData(png.data(), static_cast<uint>(png.size()), "PNG")) {
      icon.addPixmap(pixmap);
    }
  }
  return icon;
}

}  // namespace quorvane::ui
