// The window on a high-resolution screen (a scale factor of 2, set by main
// below, on Qt's offscreen platform): its size in device pixels, text and
// background drawn at device resolution rather than doubled into blocks,
// crisp three-dimensional edges, the icon's 32-pixel image where 16 pixels
// are asked for; and the client size that makes client and frame together
// the outer size in device pixels.
#include <QApplication>
#include <QImage>
#include <QTest>
#include <QWindow>
#include <memory>

#include "app/startup.h"
#include "ui/assets.h"
#include "ui/controls.h"
#include "ui/look.h"
#include "ui/main_window.h"

using namespace quorvane;
using ui::control;

namespace {

constexpr qreal kScale = 2.0;

// The share of the whole 2 x 2 blocks (aligned to even device pixels) of an
// area that are not of one colour. A picture drawn at half the resolution and
// doubled has none; text and pictures drawn at device resolution have many.
double unevenBlocks(const QImage& image, const QRect& area) {
  int blocks = 0;
  int uneven = 0;
  for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2) {
    for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
      const QRgb p = image.pixel(x, y);
      ++blocks;
      if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p ||
          image.pixel(x + 1, y + 1) != p)
        ++uneven;
    }
  }
  return blocks == 0 ? 0.0 : double(uneven) / blocks;
}

// A logical rectangle of the client area in device pixels.
QRect device(int x, int y, int w, int h) {
  return QRect(int(x * kScale), int(y * kScale), int(w * kScale), int(h * kScale));
}

QImage decodePng(std::span<const unsigned char> png) {
  QImage image;
  image.loadFromData(png.data(), static_cast<int>(png.size()), "PNG");
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

class HiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void clientSizeFromTheDeviceFrame_data();
  void clientSizeFromTheDeviceFrame();
  void windowIsDrawnAtDeviceResolution();
  void iconOffersTheImageOfTheDeviceSize_data();
  void iconOffersTheImageOfTheDeviceSize();

 private:
  EventLayer layer_;
  std::unique_ptr<ui::MainWindow> window_;
  QImage shot_;  // the whole client area, device pixels
};

void HiDpiTest::initTestCase() {
  prepareApplication(*qApp);
  window_ = loadMainWindow(layer_);  // the window-created handler shows it
  QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  QCOMPARE(window_->devicePixelRatioF(), kScale);
  shot_ = window_->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

void HiDpiTest::clientSizeFromTheDeviceFrame_data() {
  QTest::addColumn<QMargins>("frame");  // device pixels: left, top, right, bottom
  QTest::addColumn<qreal>("ratio");
  QTest::addColumn<QSize>("client");
  QTest::addColumn<QSize>("whole");  // client and frame in device pixels
  // The described outer size is 770 x 340.
  QTest::newRow("no frame, 1") << QMargins() << 1.0 << QSize(770, 340) << QSize(770, 340);
  QTest::newRow("openbox, 1") << QMargins(1, 20, 1, 1) << 1.0 << QSize(768, 319) << QSize(770, 340);
  QTest::newRow("no frame, 2") << QMargins() << 2.0 << QSize(770, 340) << QSize(1540, 680);
  QTest::newRow("even frame, 2") << QMargins(2, 22, 2, 2) << 2.0 << QSize(768, 328)
                                 << QSize(1540, 680);
  // Qt's own margins would read 1, 10, 1, 1 here and give 768 x 329; an odd
  // frame leaves the height one device pixel short, never over.
  QTest::newRow("openbox, 2") << QMargins(1, 20, 1, 1) << 2.0 << QSize(769, 329)
                              << QSize(1540, 679);
  QTest::newRow("1.5") << QMargins(2, 20, 2, 2) << 1.5 << QSize(767, 325) << QSize(1155, 510);
  QTest::newRow("1.25") << QMargins(1, 1, 1, 1) << 1.25 << QSize(768, 338) << QSize(962, 425);
  QTest::newRow("frame larger than the window")
      << QMargins(0, 900, 0, 900) << 2.0 << QSize(770, 1) << QSize(1540, 1802);
}

void HiDpiTest::clientSizeFromTheDeviceFrame() {
  QFETCH(QMargins, frame);
  QFETCH(qreal, ratio);
  QFETCH(QSize, client);
  QFETCH(QSize, whole);
  const QSize size = ui::clientSizeFor(QSize(770, 340), frame, ratio);
  QCOMPARE(size, client);
  // As Qt turns a size into device pixels.
  const QSize wholeDevice(qRound(size.width() * ratio) + frame.left() + frame.right(),
                          qRound(size.height() * ratio) + frame.top() + frame.bottom());
  QCOMPARE(wholeDevice, whole);
}

void HiDpiTest::windowIsDrawnAtDeviceResolution() {
  // Client and frame (the offscreen platform's frame is whole pixels at any
  // scale) make the outer size in device pixels.
  const QMargins frame = window_->windowHandle()->frameMargins();
  const QSize whole = window_->frameGeometry().size();
  QCOMPARE(whole, QSize(770, 340));
  QCOMPARE(whole * kScale, QSize(1540, 680));
  QVERIFY(frame.left() + frame.top() > 0);  // a frame that was subtracted
  QCOMPARE(shot_.size(), window_->size() * kScale);

  // The background's leaves, between 标签1 and the converter's right column.
  const double picture = unevenBlocks(shot_, device(566, 0, 128, 34));
  // The calculator's note 标签12, and the clock's label 标签11.
  const double note = unevenBlocks(shot_, device(10, 282, 300, 20));
  const double clockLabel = unevenBlocks(shot_, device(472, 214, 96, 24));
  qInfo("uneven 2x2 blocks: background %.3f, note %.3f, clock label %.3f", picture, note,
        clockLabel);
  QVERIFY2(picture > 0.3, "the background picture is doubled into blocks");
  QVERIFY2(note > 0.05, "the note's text is drawn at half resolution");
  QVERIFY2(clockLabel > 0.05, "the engraved text is drawn at half resolution");

  // The raised edge of 标签1 and the sunken edge of 编辑框1: each of their
  // one-pixel lines two whole device pixels of the palette's colour, nothing
  // blended between them.
  const auto expectRows = [this](ControlRef ref, std::array<QPalette::ColorRole, 2> top,
                                 std::array<QPalette::ColorRole, 2> bottom) {
    const QWidget* widget = window_->widgetOf(ref);
    const QRect r = device(widget->x(), widget->y(), widget->width(), widget->height());
    const QPalette& pal = widget->palette();
    const int x = r.center().x();
    const std::array<std::pair<int, QPalette::ColorRole>, 8> rows{{
        {r.top(), top[0]},
        {r.top() + 1, top[0]},
        {r.top() + 2, top[1]},
        {r.top() + 3, top[1]},
        {r.bottom(), bottom[0]},
        {r.bottom() - 1, bottom[0]},
        {r.bottom() - 2, bottom[1]},
        {r.bottom() - 3, bottom[1]},
    }};
    for (const auto& [y, role] : rows) {
      QCOMPARE(QColor(shot_.pixel(x, y)), pal.color(role));
    }
    // The same down the left side.
    QCOMPARE(QColor(shot_.pixel(r.left() + 1, r.center().y())), pal.color(top[0]));
    QCOMPARE(QColor(shot_.pixel(r.left() + 3, r.center().y())), pal.color(top[1]));
  };
  expectRows(control("标签1"), {QPalette::Light, QPalette::Midlight},
             {QPalette::Shadow, QPalette::Dark});
  expectRows(control("编辑框1"), {QPalette::Dark, QPalette::Shadow},
             {QPalette::Light, QPalette::Midlight});
}

void HiDpiTest::iconOffersTheImageOfTheDeviceSize_data() {
  QTest::addColumn<int>("logical");
  QTest::addColumn<QImage>("expected");
  QTest::newRow("16 at 2") << 16 << decodePng(ui::assets::icon32Png());
  QTest::newRow("24 at 2") << 24 << decodePng(ui::assets::icon48Png());
  QTest::newRow("32 at 2") << 32 << decodePng(ui::assets::icon64Png());
}

void HiDpiTest::iconOffersTheImageOfTheDeviceSize() {
  QFETCH(int, logical);
  QFETCH(QImage, expected);
  QVERIFY(!expected.isNull());
  // The window's icon and the application's, as a caption or task bar asks.
  for (const QIcon& icon : {window_->windowIcon(), QApplication::windowIcon()}) {
    const QPixmap pixmap = icon.pixmap(QSize(logical, logical), kScale);
    QCOMPARE(pixmap.devicePixelRatio(), kScale);
    QCOMPARE(pixmap.size(), expected.size());
    QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(1.0);  // the pixels are compared, not the ratio
    QCOMPARE(image, expected);
  }
}

int main(int argc, char** argv) {
  // Before the QApplication: the whole program at twice the resolution.
  qputenv("QT_SCALE_FACTOR", "2");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  HiDpiTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "hidpi_test.moc"
