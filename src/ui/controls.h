// The widgets for the kinds of control that Qt has no exact match for: the
// opaque label, the hyperlink, the edit box with its sunken edge and the month
// calendar with its fixed colours. Each is set up from its record of the
// window description by the main window's one creation loop.
#pragma once

#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QString>

#include "ui/window_description.h"

namespace quorvane::ui {

// Static text on one line: the area filled with its background colour, the
// text left-aligned and centred vertically, cut off at the edge; line breaks
// in the text are not drawn. Optional raised edge and engraved text. Colours:
// palette Window (background) and WindowText (text).
class LabelWidget : public QWidget {
 public:
  explicit LabelWidget(const ControlRecord& record, QWidget* parent);

  QString text() const { return text_; }
  void setText(const QString& text);
  bool engraved() const { return engraved_; }
  bool raised() const { return raised_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QString shown_;  // the text without its line breaks
  bool engraved_;
  bool raised_;
};

// A text link that opens its address on a press of the left button. Drawn on
// button face with a raised edge, its caption centred on one line, never
// underlined; the text colour is the hover colour while the pointer is over
// it, else the visited colour once an open succeeded, else its own colour.
class HyperlinkWidget : public QWidget {
 public:
  // Asks the desktop to open an address; true when it (or the fallback) did.
  using Opener = bool (*)(const QString& address);

  static constexpr Rgb kHoverColor{49, 106, 197};
  static constexpr Rgb kVisitedColor{128, 0, 0};

  explicit HyperlinkWidget(const ControlRecord& record, QWidget* parent);

  QString text() const { return text_; }
  void setText(const QString& text);
  QString address() const { return address_; }
  bool hovered() const { return hovered_; }
  bool visited() const { return visited_; }
  QColor textColor() const;  // the colour the caption is drawn in now

  // The opener for every link; the desktop's by default (tests replace it).
  static void setOpener(Opener opener);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  QString text_;
  QString address_;
  QColor ownColor_;
  bool hovered_ = false;
  bool visited_ = false;
};

// A single-line edit box: white, with a two-pixel sunken edge, the text in its
// colour and alignment, the selection shown only while it has the focus, no
// length limit and no input filter.
class EditBoxWidget : public QLineEdit {
 public:
  explicit EditBoxWidget(const ControlRecord& record, QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The month calendar: Sunday first, blue title on button face, white month,
// black days, grey days of the adjacent months, today circled, a single
// selected day (today at start), no week numbers, no border, the platform's
// user-interface font. It never takes the keyboard focus.
class MonthCalendarWidget : public QCalendarWidget {
 public:
  static constexpr Rgb kTitleColor{0, 0, 255};
  static constexpr Rgb kMonthBackground{255, 255, 255};
  static constexpr Rgb kDayColor{0, 0, 0};
  static constexpr Rgb kAdjacentDayColor{192, 192, 192};
  static constexpr Rgb kTodayMarkColor{255, 0, 0};

  explicit MonthCalendarWidget(const ControlRecord& record, QWidget* parent);

  // The line under the month that names today; a click on it shows today's
  // month and selects today.
  QWidget* todayLine() const { return todayLine_; }

 protected:
  void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Redraws at the next local midnight, so that the mark moves to the new day.
  void redrawAtMidnight();
  void showTodayLine();

  QLabel* todayLine_ = nullptr;
};

}  // namespace quorvane::ui
