#include "ui/controls.h"

#include <QDate>
#include <QDateTime>
#include <QEnterEvent>
#include <QHeaderView>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTableView>
#include <QTextCharFormat>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <limits>

#include "ui/link_opener.h"
#include "ui/look.h"

namespace quorvane::ui {
namespace {

// The two-pixel three-dimensional edges of the classic desktop look.
constexpr int kEdge = 2;

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Border borderOf(const ControlRecord& record) {
  return record.border.value_or(kindSettings(record.kind).border);
}
Rgb backgroundOf(const ControlRecord& record) {
  return record.background.value_or(kindSettings(record.kind).background);
}
Align alignOf(const ControlRecord& record) {
  return record.align.value_or(kindSettings(record.kind).align);
}

Qt::Alignment toQtAlignment(Align align) {
  switch (align) {
    case Align::Right:
      return Qt::AlignRight | Qt::AlignVCenter;
    case Align::Center:
      return Qt::AlignCenter;
    case Align::Left:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// Line breaks are not drawn: the sentences run on along the one line.
QString withoutLineBreaks(QString text) {
  text.remove(QLatin1Char('\r'));
  text.remove(QLatin1Char('\n'));
  return text;
}

// The classic two-pixel three-dimensional edge (like qDrawWinPanel), drawn
// with rectangle fills, which cost far less than its polylines: the clock's
// box repaints every second all day.
void drawEdge(QPainter& painter, const QRect& rect, const QPalette& palette, bool sunken) {
  const auto frame = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    painter.fillRect(r.left(), r.top(), r.width(), 1, topLeft);
    painter.fillRect(r.left(), r.top(), 1, r.height(), topLeft);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, bottomRight);
    painter.fillRect(r.right(), r.top(), 1, r.height(), bottomRight);
  };
  const QColor light = palette.color(QPalette::Light);
  const QColor midlight = palette.color(QPalette::Midlight);
  const QColor dark = palette.color(QPalette::Dark);
  const QColor shadow = palette.color(QPalette::Shadow);
  const QRect inner = rect.adjusted(1, 1, -1, -1);
  if (sunken) {
    frame(rect, dark, light);
    frame(inner, shadow, midlight);
  } else {
    frame(rect, light, shadow);
    frame(inner, midlight, dark);
  }
}

HyperlinkWidget::Opener gOpener = openLink;

}  // namespace

// ------------------------------------------------------------------- Label

LabelWidget::LabelWidget(const ControlRecord& record, QWidget* parent)
    : QWidget(parent), engraved_(record.engraved), raised_(borderOf(record) == Border::Raised) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, toQColor(backgroundOf(record)));
  pal.setColor(QPalette::WindowText, toQColor(record.color));
  setPalette(pal);
  if (raised_) setContentsMargins(kEdge, kEdge, kEdge, kEdge);
  setText(fromUtf8(record.text));
}

void LabelWidget::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  shown_ = withoutLineBreaks(text);
  update();
}

void LabelWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  if (raised_) drawEdge(painter, rect(), palette(), false);
  const QRect area = contentsRect();
  const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
  painter.setClipRect(area);
  painter.setFont(font());
  if (engraved_) {
    painter.setPen(Qt::white);
    painter.drawText(area, flags, shown_);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area.translated(1, 1), flags, shown_);
  } else {
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(area, flags, shown_);
  }
}

// --------------------------------------------------------------- Hyperlink

HyperlinkWidget::HyperlinkWidget(const ControlRecord& record, QWidget* parent)
    : QWidget(parent), address_(fromUtf8(record.address)), ownColor_(toQColor(record.color)) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, toQColor(backgroundOf(record)));
  pal.setColor(QPalette::WindowText, ownColor_);
  setPalette(pal);
  if (borderOf(record) == Border::Raised) setContentsMargins(kEdge, kEdge, kEdge, kEdge);
  setCursor(Qt::PointingHandCursor);
  setText(fromUtf8(record.text));
}

void HyperlinkWidget::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  update();
}

void HyperlinkWidget::setOpener(Opener opener) {
  gOpener = opener != nullptr ? opener : openLink;
}

QColor HyperlinkWidget::textColor() const {
  if (hovered_) return toQColor(kHoverColor);
  if (visited_) return toQColor(kVisitedColor);
  return ownColor_;
}

void HyperlinkWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  if (contentsMargins().left() > 0) drawEdge(painter, rect(), palette(), false);
  const QRect area = contentsRect();
  painter.setClipRect(area);
  QFont shownFont = font();
  shownFont.setUnderline(false);
  painter.setFont(shownFont);
  painter.setPen(textColor());
  const QString shown = withoutLineBreaks(text_);
  const int needed = painter.fontMetrics().horizontalAdvance(shown);
  if (needed > area.width()) {
    // The substitute faces set some captions wider than the link: squeeze
    // the caption across so that all of it shows, at its full height.
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(area.left(), 0);
    painter.scale(static_cast<qreal>(area.width()) / needed, 1.0);
    painter.drawText(QRect(0, area.top(), needed, area.height()),
                     Qt::AlignCenter | Qt::TextSingleLine, shown);
    return;
  }
  painter.drawText(area, Qt::AlignCenter | Qt::TextSingleLine, shown);
}

void HyperlinkWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  event->accept();
  if (address_.isEmpty()) return;
  visited_ = gOpener(address_);
  if (visited_) update();
}

void HyperlinkWidget::enterEvent(QEnterEvent* event) {
  hovered_ = true;
  update();
  QWidget::enterEvent(event);
}

void HyperlinkWidget::leaveEvent(QEvent* event) {
  hovered_ = false;
  update();
  QWidget::leaveEvent(event);
}

// ----------------------------------------------------------------- EditBox

EditBoxWidget::EditBoxWidget(const ControlRecord& record, QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  // The box fills all of itself (base colour, then its edges): nothing under
  // it needs painting when its text changes, as the clock's does every second.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setTextMargins(kEdge, kEdge, kEdge, kEdge);
  setMaxLength(std::numeric_limits<int>::max());
  setAlignment(toQtAlignment(alignOf(record)));
  QPalette pal = palette();
  const QColor text = toQColor(record.color);
  const QColor base = toQColor(backgroundOf(record));
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    pal.setColor(group, QPalette::Text, text);
    pal.setColor(group, QPalette::Base, base);
  }
  // Without the focus the selection is kept but not shown.
  pal.setColor(QPalette::Inactive, QPalette::Highlight, base);
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
  setPalette(pal);
  setText(fromUtf8(record.text));
}

void EditBoxWidget::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  QPainter painter(this);
  drawEdge(painter, rect(), palette(), true);
}

// ----------------------------------------------------------- MonthCalendar

MonthCalendarWidget::MonthCalendarWidget(const ControlRecord&, QWidget* parent)
    : QCalendarWidget(parent) {
  setLocale(QLocale(QLocale::Chinese, QLocale::China));
  setFirstDayOfWeek(Qt::Sunday);
  setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
  setGridVisible(false);
  setSelectionMode(QCalendarWidget::SingleSelection);
  setDateEditEnabled(false);
  setSelectedDate(QDate::currentDate());

  const QColor face = toQColor(kButtonFace);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, face);
  pal.setColor(QPalette::Button, face);
  setPalette(pal);

  // Every day black, the weekend too; the day names likewise.
  QTextCharFormat dayFormat;
  dayFormat.setForeground(toQColor(kDayColor));
  for (int day = Qt::Monday; day <= Qt::Sunday; ++day) {
    setWeekdayTextFormat(static_cast<Qt::DayOfWeek>(day), dayFormat);
  }
  QTextCharFormat headerFormat = dayFormat;
  headerFormat.setBackground(toQColor(kMonthBackground));
  setHeaderTextFormat(headerFormat);

  if (auto* view = findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
    QPalette viewPalette = view->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
      viewPalette.setColor(group, QPalette::Base, toQColor(kMonthBackground));
      viewPalette.setColor(group, QPalette::AlternateBase, toQColor(kMonthBackground));
      viewPalette.setColor(group, QPalette::Text, toQColor(kDayColor));
    }
    // Days of the months before and after are drawn in the disabled text colour.
    viewPalette.setColor(QPalette::Disabled, QPalette::Text, toQColor(kAdjacentDayColor));
    view->setPalette(viewPalette);
    view->setFrameShape(QFrame::NoFrame);
    // Rows and columns share out the little room there is instead of keeping
    // a minimum that would push the last week out of sight.
    view->horizontalHeader()->setMinimumSectionSize(1);
    view->verticalHeader()->setMinimumSectionSize(1);
  }
  // The title: blue text on button face (the title buttons draw their text in
  // the highlighted-text colour on the highlight colour).
  if (auto* title = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
    QPalette titlePalette = title->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
      titlePalette.setColor(group, QPalette::Highlight, face);
      titlePalette.setColor(group, QPalette::HighlightedText, toQColor(kTitleColor));
      titlePalette.setColor(group, QPalette::Window, face);
      titlePalette.setColor(group, QPalette::ButtonText, toQColor(kTitleColor));
    }
    title->setPalette(titlePalette);
  }

  // Today's line under the days, circled like today's cell.
  todayLine_ = new QLabel(this);
  todayLine_->setObjectName(QStringLiteral("quorvane_calendar_today"));
  todayLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  todayLine_->setContentsMargins(4, 0, 0, 0);
  todayLine_->setAutoFillBackground(true);
  QPalette todayPalette = todayLine_->palette();
  todayPalette.setColor(QPalette::Window, toQColor(kMonthBackground));
  todayPalette.setColor(QPalette::WindowText, toQColor(kDayColor));
  todayLine_->setPalette(todayPalette);
  todayLine_->installEventFilter(this);
  if (QLayout* parts = layout()) parts->addWidget(todayLine_);
  showTodayLine();

  // Never reached by Tab nor by a click: not the calendar, not its parts.
  setFocusPolicy(Qt::NoFocus);
  for (QWidget* part : findChildren<QWidget*>()) part->setFocusPolicy(Qt::NoFocus);
  redrawAtMidnight();
}

void MonthCalendarWidget::redrawAtMidnight() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDateTime midnight(now.date().addDays(1), QTime(0, 0));
  // A little after midnight, and at least once an hour (clock changes).
  const qint64 wait = std::clamp<qint64>(now.msecsTo(midnight) + 500, 500, 3600 * 1000);
  QTimer::singleShot(std::chrono::milliseconds(wait), this, [this] {
    updateCells();
    showTodayLine();
    redrawAtMidnight();
  });
}

void MonthCalendarWidget::showTodayLine() {
  todayLine_->setText(QStringLiteral("今天: ") +
                      QDate::currentDate().toString(QStringLiteral("yyyy/M/d")));
}

bool MonthCalendarWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == todayLine_ && event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    setSelectedDate(QDate::currentDate());
    showToday();
    return true;
  }
  return QCalendarWidget::eventFilter(watched, event);
}

void MonthCalendarWidget::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
  QCalendarWidget::paintCell(painter, rect, date);
  if (date != QDate::currentDate()) return;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  painter->setPen(QPen(toQColor(kTodayMarkColor), 1.5));
  painter->setBrush(Qt::NoBrush);
  painter->drawEllipse(QRectF(rect).adjusted(2.0, 1.0, -2.0, -1.0));
  painter->restore();
}

}  // namespace quorvane::ui
