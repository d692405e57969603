// The tool bar's 16 by 16 images, drawn at run time so that no image files are needed:
// index 0 a cross (clear), 1 a square in front of a shadowed square (stay on top),
// 2 a yellow question mark (help).
#pragma once

#include <QIcon>
#include <QList>

namespace vek::monitor {

QList<QIcon> CreateToolIcons();

}  // namespace vek::monitor
