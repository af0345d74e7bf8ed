// The notifications the old controls sent to their dialog (BN_CLICKED, EN_CHANGE,
// CBN_SELCHANGE, LBN_SELCHANGE, LBN_DBLCLK, the trackbar's scroll), taken from the toolkit's
// signals for dialogs and property pages alike.
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSlider>

#include "platform/qt/dialog_template_qt.h"
#include "platform/qt/framework_internal.h"

void ConnectControlNotifications(QWidget* widget, QObject* context,
                                 const std::function<void(Notification)>& notify) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QObject::connect(button, &QAbstractButton::clicked, context, [notify] { notify(Notification::Clicked); });
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    QObject::connect(edit, &QLineEdit::textChanged, context, [notify] { notify(Notification::Changed); });
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
    QObject::connect(text, &QPlainTextEdit::textChanged, context, [notify] { notify(Notification::Changed); });
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    QObject::connect(combo, &QComboBox::activated, context, [notify] { notify(Notification::SelChange); });
  } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
    // The old list box told its dialog once the selection had changed, whatever changed it:
    // a click, Space, the arrows or typing. The toolkit's current-row signal comes before
    // a click has selected anything (and not at all for a click on the current row), so a
    // handler asking for the selection would see the old one.
    QObject::connect(list, &QListWidget::itemSelectionChanged, context,
                     [notify] { notify(Notification::SelChange); });
    QObject::connect(list, &QListWidget::itemDoubleClicked, context,
                     [notify] { notify(Notification::DoubleClicked); });
  } else if (auto* slider = qobject_cast<QSlider*>(widget)) {
    QObject::connect(slider, &QSlider::valueChanged, context, [notify] { notify(Notification::Scroll); });
  } else if (auto* upDown = dynamic_cast<UpDownControl*>(widget)) {
    upDown->onChanged = [notify] { notify(Notification::Scroll); };
  }
}
