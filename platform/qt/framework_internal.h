#pragma once
// What the framework's Qt files share: the image behind an icon handle, and the controls'
// notifications to the dialog or page that holds them.
#include <QIcon>
#include <QImage>
#include <QWidget>
#include <functional>

#include "platform/framework.h"
#include "platform/resources.h"

struct IconObject {
  QImage image;
};

// An empty icon for nullptr.
QIcon ToQIcon(HICON icon);

// Calls `notify` with the notification the old control would have sent its dialog, for as
// long as `context` lives.
void ConnectControlNotifications(QWidget* widget, QObject* context,
                                 const std::function<void(Notification)>& notify);
