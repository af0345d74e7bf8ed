#pragma once
// The Qt widget behind a top-level window: it shows the window's surface and turns Qt
// input into the window's messages.
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <vector>

#include "platform/window.h"

class SurfaceWidget : public QWidget {
 public:
  explicit SurfaceWidget(HWND owner);
  QImage image;  // the window surface, Format_RGB32, the size of the client area
  QRegion dirty;  // drawn on since it was last presented: strips stay strips
  struct Move {
    QRect rect;    // the area that moved within itself
    QPoint delta;  // by how much
  };
  std::vector<Move> moves;  // since it was last presented, in order
  // Of `dirty`, what was written into the backing image with serial `throughSerial` as it
  // was drawn (MarkSurfaceDrawnThrough): the next paint into that image skips it.
  QRegion drawnThrough;
  qint64 throughSerial = 0;
  // The backing image the last paint copied straight into, at no offset (its serial), or 0.
  qint64 straightSerial = 0;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  HWND keyTarget() const;
  HWND owner_;
};
