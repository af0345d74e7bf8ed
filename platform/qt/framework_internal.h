#pragma once
// What the framework's Qt files share: the image behind an icon handle.
#include <QIcon>
#include <QImage>

#include "platform/resources.h"

struct IconObject {
  QImage image;
};

// An empty icon for nullptr.
QIcon ToQIcon(HICON icon);
