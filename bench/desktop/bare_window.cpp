// A reference for start-up time and memory: a bare fixed-size window with 48 widgets of the
// same kinds, places and fonts as the program's (labels, link labels, a month calendar, edit
// boxes, push buttons and a 1 ms timer), but no background picture, no handlers and no
// custom drawing. Esc closes it.
#include <QApplication>
#include <QCalendarWidget>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>

namespace {

enum class Kind { Label, Link, Calendar, Edit, Button };
enum class Face { Kai, Song, Default };

struct Item {
  Kind kind;
  int x, y, w, h;
  Face face;
  int pixels;
  const char* text;  // UTF-8
};

// 47 visible widgets; the timer is the 48th.
constexpr std::array<Item, 47> kItems{{
    {Kind::Label, 471, 189, 257, 24, Face::Kai, 14, "(米转到码/0.914)(米数转到英寸/0.0254)"},
    {Kind::Label, 472, 160, 256, 24, Face::Kai, 14, "(码数转到英寸*36)(码数转到米*0.914)"},
    {Kind::Label, 473, 128, 255, 24, Face::Kai, 14, "(英寸转到码/36)(英寸转到米*0.0254)"},
    {Kind::Label, 8, 280, 632, 24, Face::Kai, 14, "注意:此计算器只能用鼠标点击输入,单位换算可用键盘输入!"},
    {Kind::Link, 8, 216, 152, 24, Face::Kai, 16, "工作室网站"},
    {Kind::Link, 8, 248, 152, 24, Face::Kai, 16, "工作室网店"},
    {Kind::Calendar, 194, 129, 272, 144, Face::Default, 0, ""},
    {Kind::Edit, 469, 240, 283, 32, Face::Kai, 21, ""},
    {Kind::Label, 472, 214, 96, 24, Face::Song, 19, "现在时间:"},
    {Kind::Edit, 634, 100, 70, 24, Face::Kai, 19, ""},
    {Kind::Edit, 634, 68, 70, 24, Face::Kai, 19, ""},
    {Kind::Label, 580, 100, 40, 25, Face::Song, 16, "英寸:"},
    {Kind::Label, 580, 68, 40, 25, Face::Song, 16, "米数:"},
    {Kind::Edit, 634, 36, 70, 24, Face::Kai, 19, ""},
    {Kind::Edit, 503, 100, 70, 24, Face::Kai, 19, ""},
    {Kind::Edit, 503, 68, 70, 24, Face::Kai, 19, ""},
    {Kind::Edit, 503, 36, 70, 24, Face::Kai, 19, ""},
    {Kind::Label, 580, 36, 40, 25, Face::Song, 16, "米数:"},
    {Kind::Label, 452, 100, 40, 25, Face::Song, 16, "码数:"},
    {Kind::Label, 452, 68, 40, 25, Face::Song, 16, "英寸:"},
    {Kind::Edit, 363, 100, 70, 24, Face::Kai, 19, ""},
    {Kind::Edit, 363, 68, 70, 24, Face::Kai, 19, ""},
    {Kind::Label, 452, 36, 40, 25, Face::Song, 16, "码数:"},
    {Kind::Label, 304, 100, 40, 25, Face::Song, 16, "米数:"},
    {Kind::Label, 304, 68, 40, 25, Face::Song, 16, "码数:"},
    {Kind::Edit, 363, 36, 70, 24, Face::Kai, 19, ""},
    {Kind::Label, 304, 36, 40, 25, Face::Song, 16, "英寸:"},
    {Kind::Label, 376, 8, 184, 24, Face::Song, 16, "服装单位之间常用换算"},
    {Kind::Button, 208, 11, 80, 24, Face::Kai, 19, "等于"},
    {Kind::Button, 208, 48, 80, 24, Face::Kai, 19, "清零"},
    {Kind::Button, 152, 160, 40, 32, Face::Kai, 19, "/"},
    {Kind::Button, 152, 120, 40, 32, Face::Kai, 19, "*"},
    {Kind::Button, 152, 80, 40, 32, Face::Kai, 19, "-"},
    {Kind::Button, 152, 40, 40, 32, Face::Kai, 19, "+"},
    {Kind::Button, 56, 160, 40, 32, Face::Kai, 19, "+/-"},
    {Kind::Button, 104, 160, 40, 32, Face::Kai, 19, "·"},
    {Kind::Button, 8, 160, 40, 32, Face::Kai, 19, "0"},
    {Kind::Button, 8, 120, 40, 32, Face::Kai, 19, "7"},
    {Kind::Button, 56, 120, 40, 32, Face::Kai, 19, "8"},
    {Kind::Button, 104, 120, 40, 32, Face::Kai, 19, "9"},
    {Kind::Button, 56, 80, 40, 32, Face::Kai, 19, "5"},
    {Kind::Button, 104, 80, 40, 32, Face::Kai, 19, "6"},
    {Kind::Button, 8, 80, 40, 32, Face::Kai, 19, "4"},
    {Kind::Button, 104, 40, 40, 32, Face::Kai, 19, "3"},
    {Kind::Button, 56, 40, 40, 32, Face::Kai, 19, "2"},
    {Kind::Button, 8, 40, 40, 32, Face::Kai, 19, "1"},
    {Kind::Edit, 8, 8, 184, 24, Face::Song, 16, ""},
}};

class EscClosing : public QWidget {
 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
      close();
      return;
    }
    QWidget::keyPressEvent(event);
  }
};

QFont fontFor(const Item& item) {
  QFont font;
  if (item.face == Face::Default) return font;
  font.setFamilies({item.face == Face::Kai ? QStringLiteral("AR PL UKai CN")
                                           : QStringLiteral("AR PL UMing CN")});
  font.setPixelSize(item.pixels);
  return font;
}

QWidget* make(const Item& item, QWidget* parent) {
  const QString text = QString::fromUtf8(item.text);
  switch (item.kind) {
    case Kind::Label:
    case Kind::Link: {
      auto* label = new QLabel(text, parent);
      label->setAutoFillBackground(true);
      if (item.kind == Kind::Link) label->setAlignment(Qt::AlignCenter);
      return label;
    }
    case Kind::Calendar:
      return new QCalendarWidget(parent);
    case Kind::Edit:
      return new QLineEdit(parent);
    case Kind::Button:
      return new QPushButton(text, parent);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  EscClosing window;
  window.setWindowTitle(QStringLiteral("bare window"));
  window.setFixedSize(768, 319);
  for (const Item& item : kItems) {
    QWidget* widget = make(item, &window);
    widget->setGeometry(item.x, item.y, item.w, item.h);
    widget->setFont(fontFor(item));
  }
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [] {});
  timer.start(1);
  window.show();
  return QApplication::exec();
}
