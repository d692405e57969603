// Small hand-drawn icons; crisp at 16 by 16 and readable on any style.
#include "monitor/ToolIcons.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace vek::monitor {
namespace {

constexpr int kSize = 16;

QPixmap BlankPixmap() {
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QIcon Cross() {
  QPixmap pixmap = BlankPixmap();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(176, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
  painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
  return QIcon(pixmap);
}

QIcon SquareOverShadow() {
  QPixmap pixmap = BlankPixmap();
  QPainter painter(&pixmap);
  painter.setPen(QColor(96, 96, 96));
  painter.setBrush(QColor(160, 160, 160));
  painter.drawRect(6, 6, 8, 8);  // the square behind, in shadow
  painter.setPen(QColor(0, 0, 128));
  painter.setBrush(QColor(255, 255, 255));
  painter.drawRect(1, 1, 9, 9);  // the square in front
  painter.fillRect(2, 2, 8, 2, QColor(0, 0, 128));  // its title bar
  return QIcon(pixmap);
}

QIcon QuestionMark() {
  QPixmap pixmap = BlankPixmap();
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font;
  font.setBold(true);
  font.setPixelSize(15);
  painter.setFont(font);
  painter.setPen(QColor(96, 72, 0));  // dark outline for contrast on light tool bars
  for (int dx = -1; dx <= 1; ++dx) {
    for (int dy = -1; dy <= 1; ++dy) {
      painter.drawText(QRect(dx, dy, kSize, kSize), Qt::AlignCenter, QStringLiteral("?"));
    }
  }
  painter.setPen(QColor(255, 215, 0));
  painter.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("?"));
  return QIcon(pixmap);
}

}  // namespace

QList<QIcon> CreateToolIcons() { return {Cross(), SquareOverShadow(), QuestionMark()}; }

}  // namespace vek::monitor
