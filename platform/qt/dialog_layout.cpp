// Places a template's controls for the fonts found here. The template's dialog units give
// the arrangement (which control lies beside, below or inside which); the controls then
// take the room their text needs, measured by the toolkit, and push the controls to their
// right and below them, the group boxes round them and the dialog's edges outwards. A
// template that fits its font is placed exactly where its dialog units say.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>

#include "platform/qt/dialog_template_qt.h"

namespace {
// One axis of the placement: every control is an interval [lo, hi) that may only move
// towards hi or grow, until every rule holds.
struct Axis {
  struct Rule {
    size_t a, b;
    int gap;
  };
  std::vector<int> lo, hi, need;  // need: the least size of the control
  std::vector<Rule> after;        // b starts at least gap after a ends
  std::vector<Rule> inside;       // b (in group a) starts at least gap after a starts
  std::vector<Rule> holds;        // group a ends at least gap after b ends
  std::vector<std::pair<size_t, int>> edge;  // the dialog ends at least gap after the control
  int extent = 0;

  void solve() {
    // The rules follow the template's order on the axis, so they cannot chase each other
    // for ever; the bound only guards against a template that overlaps itself.
    for (size_t round = 0; round < 2 * lo.size() + 4; ++round) {
      bool moved = false;
      auto shift = [&](size_t i, int to) {
        if (to <= lo[i]) return;
        hi[i] += to - lo[i];
        lo[i] = to;
        moved = true;
      };
      for (size_t i = 0; i < lo.size(); ++i)
        if (hi[i] < lo[i] + need[i]) {
          hi[i] = lo[i] + need[i];
          moved = true;
        }
      for (const Rule& r : after) shift(r.b, hi[r.a] + r.gap);
      for (const Rule& r : inside) shift(r.b, lo[r.a] + r.gap);
      for (const Rule& r : holds)
        if (hi[r.a] < hi[r.b] + r.gap) {
          hi[r.a] = hi[r.b] + r.gap;
          moved = true;
        }
      if (!moved) break;
    }
    for (const auto& [i, gap] : edge) extent = std::max(extent, hi[i] + gap);
  }
};

// The width a control needs to show its text whole; `placed` is where the template puts it.
int WidthForText(QWidget* w, const QRect& placed) {
  const QFontMetrics fm(w->font());
  const bool oneLineLabel = placed.height() < 2 * fm.height();
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return 0;
    const QString text = label->buddy() ? WithoutMnemonics(label->text()) : label->text();
    if (oneLineLabel || !label->wordWrap()) return fm.horizontalAdvance(text) + 2 * label->margin() + 2;
    // Wrapping breaks lines between words only: the widest word must fit (up to twice
    // the template's width; a longer one is cut off rather than widen the dialog without end).
    int widest = 0;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
      widest = std::max(widest, fm.horizontalAdvance(word) + 2 * label->margin() + 2);
    return std::min(widest, 2 * placed.width());
  }
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    if (button->text().isEmpty()) return 0;
    QStyle* style = button->style();
    return fm.horizontalAdvance(WithoutMnemonics(button->text())) + 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) + 2;
  }
  if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) return w->sizeHint().width();
  if (auto* group = qobject_cast<QGroupBox*>(w)) {
    if (group->title().isEmpty()) return 0;
    return fm.horizontalAdvance(WithoutMnemonics(group->title())) + 4 * fm.averageCharWidth();
  }
  return 0;
}

// The height a control needs at the width it was given.
int HeightForText(QWidget* w, int width) {
  const QFontMetrics fm(w->font());
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (!label->wordWrap()) return fm.height();
    if (!label->text().isEmpty()) return label->heightForWidth(width);
    // A text the program puts in later needs a line at least.
    label->setText(QStringLiteral("X"));
    const int line = label->heightForWidth(width);
    label->clear();
    return line;
  }
  if (qobject_cast<QPushButton*>(w)) return fm.height() + 6;
  if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) return w->sizeHint().height();
  if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) return w->minimumSizeHint().height();
  if (auto* slider = qobject_cast<QSlider*>(w))
    return slider->orientation() == Qt::Horizontal ? slider->minimumSizeHint().height() : 0;
  return 0;
}

// How far in from a group box's edges the controls it holds must keep: its frame and,
// at the top, its title, as the style draws them.
QMargins GroupFrame(QGroupBox* group, const QSize& size) {
  QStyleOptionGroupBox option;
  option.initFrom(group);
  option.rect = QRect(QPoint(0, 0), size);
  option.text = group->title();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.lineWidth = 1;
  QRect inside = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group);
  if (!group->title().isEmpty()) inside.setTop(std::max(inside.top(), QFontMetrics(group->font()).height()));
  return {std::max(inside.left(), 2), std::max(inside.top(), 2), std::max(size.width() - 1 - inside.right(), 2),
          std::max(size.height() - 1 - inside.bottom(), 2)};
}

bool Overlap(int aLo, int aHi, int bLo, int bHi) { return aLo < bHi && bLo < aHi; }
}  // namespace

QSize LayOutControls(const DialogTemplate& t, const DialogBaseUnits& base, const std::vector<QWidget*>& widgets,
                     const std::vector<QRect>& placed, std::vector<QRect>& out) {
  const size_t n = widgets.size();
  const PixelRect client = DialogUnitsToPixels(base, 0, 0, t.cx, t.cy);
  const PixelRect most = DialogUnitsToPixels(base, 0, 0, 4, 4);  // the widest gap kept whole
  const int slack = 2;  // controls that touch or overlap by this much still lie side by side
  std::vector<bool> takesPart(n);
  std::vector<QGroupBox*> groups(n);
  for (size_t i = 0; i < n; ++i) {
    takesPart[i] = !(t.controls[i].options & ctl::Hidden) && placed[i].width() > 0 && placed[i].height() > 0;
    groups[i] = qobject_cast<QGroupBox*>(widgets[i]);
  }
  // Which group box holds a control: the template puts its middle inside the box.
  auto holds = [&](size_t g, size_t c) {
    return g != c && groups[g] && !groups[c] && placed[g].contains(placed[c].center());
  };
  auto related = [&](size_t a, size_t b) { return holds(a, b) || holds(b, a); };

  auto add = [&](Axis& axis, size_t a, size_t b, bool horizontal) {
    const QRect& ra = placed[a];
    const QRect& rb = placed[b];
    const int aEnd = horizontal ? ra.x() + ra.width() : ra.y() + ra.height();
    const int bStart = horizontal ? rb.x() : rb.y();
    if (bStart < aEnd - slack) return;
    axis.after.push_back({a, b, std::clamp(bStart - aEnd, 0, horizontal ? most.cx : most.cy)});
  };
  // Room kept between a group box's edge and what it holds: the template's, up to a few
  // units, but never less than the frame needs.
  auto margin = [&](int room, int most, int frame) { return std::max(std::min(room, most), frame); };
  std::vector<QMargins> frames(n);
  for (size_t i = 0; i < n; ++i)
    if (groups[i]) frames[i] = GroupFrame(groups[i], placed[i].size());

  // Across first: the text widths.
  Axis x;
  x.extent = client.cx;
  for (size_t i = 0; i < n; ++i) {
    const QRect& r = placed[i];
    x.lo.push_back(r.x());
    x.hi.push_back(r.x() + r.width());
    x.need.push_back(std::max(r.width(), takesPart[i] ? WidthForText(widgets[i], r) : 0));
  }
  for (size_t a = 0; a < n; ++a) {
    if (!takesPart[a]) continue;
    for (size_t b = 0; b < n; ++b) {
      if (a == b || !takesPart[b]) continue;
      if (holds(a, b)) {
        x.inside.push_back({a, b, std::max(placed[b].x() - placed[a].x(), frames[a].left())});
        x.holds.push_back({a, b, margin(placed[a].right() - placed[b].right(), most.cx, frames[a].right())});
      } else if (!related(a, b) && Overlap(placed[a].y(), placed[a].y() + placed[a].height(), placed[b].y(),
                                           placed[b].y() + placed[b].height())) {
        add(x, a, b, true);
      }
    }
    x.edge.push_back({a, std::clamp(client.cx - (placed[a].x() + placed[a].width()), 0, 2 * most.cx)});
  }
  x.solve();

  // Then down: heights follow the widths (a wrapped text), and what now shares columns
  // keeps the template's order from top to bottom.
  Axis y;
  y.extent = client.cy;
  for (size_t i = 0; i < n; ++i) {
    const QRect& r = placed[i];
    y.lo.push_back(r.y());
    y.hi.push_back(r.y() + r.height());
    y.need.push_back(std::max(r.height(), takesPart[i] ? HeightForText(widgets[i], x.hi[i] - x.lo[i]) : 0));
  }
  for (size_t a = 0; a < n; ++a) {
    if (!takesPart[a]) continue;
    for (size_t b = 0; b < n; ++b) {
      if (a == b || !takesPart[b]) continue;
      if (holds(a, b)) {
        y.inside.push_back({a, b, std::max(placed[b].y() - placed[a].y(), frames[a].top())});
        y.holds.push_back({a, b, margin(placed[a].bottom() - placed[b].bottom(), most.cy, frames[a].bottom())});
      } else if (!related(a, b) && (Overlap(x.lo[a], x.hi[a], x.lo[b], x.hi[b]) ||
                                    Overlap(placed[a].x(), placed[a].right() + 1, placed[b].x(), placed[b].right() + 1))) {
        add(y, a, b, false);
      }
    }
    y.edge.push_back({a, std::clamp(client.cy - (placed[a].y() + placed[a].height()), 0, 2 * most.cy)});
  }
  y.solve();

  out.resize(n);
  for (size_t i = 0; i < n; ++i)
    out[i] = takesPart[i] ? QRect(x.lo[i], y.lo[i], x.hi[i] - x.lo[i], y.hi[i] - y.lo[i]) : placed[i];
  return {x.extent, y.extent};
}
