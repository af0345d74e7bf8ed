#pragma once
// Qt side of dialog templates: builds a template's controls as child widgets of a dialog
// window, arranged as their dialog units say and sized for the text of the font found
// here. Used by the framework's dialogs and by the plain dialogs with a dialog procedure.
#include <QFont>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "platform/dialog_template.h"

class QSpinBox;

// The dialog font of a template: its face (fontconfig resolves "MS Sans Serif" and the
// like), falling back to a sans-serif face, at its point size.
QFont DialogFont(const DialogTemplate& t);
DialogBaseUnits BaseUnitsForQFont(const QFont& font);
// A control's text as shown: "&&" stands for "&", a single "&" marks the next letter as
// the mnemonic and is not shown.
QString WithoutMnemonics(const QString& text);

// The up-down control: two arrow buttons with a range and a position. With a buddy it
// writes its position into the buddy's text (SetBuddyInt) and the arrow keys in the buddy
// step it.
class UpDownControl : public QWidget {
 public:
  explicit UpDownControl(QWidget* parent);
  void setRange(int lower, int upper);  // either order; lower > upper counts downwards
  int lower() const { return lower_; }
  int upper() const { return upper_; }
  void setPos(int pos);                 // clamped to the range
  int pos() const { return pos_; }
  void setBuddy(QWidget* buddy, bool setBuddyInt);
  QWidget* buddy() const { return buddy_; }
  void step(int delta);  // +1: the up arrow, -1: the down arrow
  std::function<void()> onChanged;  // after every change of position by the user

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void showInBuddy();
  int lower_ = 100, upper_ = 0, pos_ = 0;  // the old default range: 100 (bottom) .. 0 (top)
  QWidget* buddy_ = nullptr;
  bool setBuddyInt_ = false;
};

struct BuiltDialog {
  std::map<int, QWidget*> controls;  // by id; several controls may share an id (e.g. -1)
  std::vector<QWidget*> ordered;     // every control, in the template's order
  DialogBaseUnits base;
  QFont font;
  std::vector<QRect> placed;         // where the template's dialog units put each control
};

// Places controls built from `t`: `placed` is where the template's dialog units put each
// one (an empty rectangle: placed by other means); `out` gets where each one goes once it
// has the room its text needs. Returns the dialog's client size.
QSize LayOutControls(const DialogTemplate& t, const DialogBaseUnits& base, const std::vector<QWidget*>& widgets,
                     const std::vector<QRect>& placed, std::vector<QRect>& out);

// Creates the controls of `t` in `dialog`, sets the dialog's font, caption and fixed
// client size. Controls with the same id keep the first one in the map.
BuiltDialog BuildDialogFromTemplate(QWidget* dialog, const DialogTemplate& t);
// Whether a key press is an Enter that the dialog itself must answer with IDOK: the old
// dialog manager sent IDOK when no push button was the default and none had the focus
// (the toolkit then does nothing).
class QDialog;
class QKeyEvent;
bool EnterMeansOk(QDialog* dialog, QKeyEvent* event);

// The focus rectangle shows in `window` whatever moved the focus, as the old dialogs drew
// it; the toolkit's styles draw it only after the keyboard moved the focus.
void KeepFocusShown(QWidget* window);

// The client size of a dialog built from `t`, without building it for use.
QSize LaidOutSize(const DialogTemplate& t);
// What the dialog `client` shows (platform/shown_controls.h), the ids taken from `controls`.
struct ShownControl;
std::vector<ShownControl> DescribeBuilt(QWidget* client, const std::map<int, QWidget*>& controls);
// Places the controls again for the texts they have now: a dialog whose program fills
// its texts in before it shows (WM_INITDIALOG, OnInitDialog) grows to hold them.
void PlaceControls(QWidget* dialog, const DialogTemplate& t, const BuiltDialog& built);
// Dialog units of a template to pixels of the dialog built from it.
PixelRect MapDialogRect(const BuiltDialog& built, int x, int y, int cx, int cy);

// Mnemonics as the old dialog manager resolved them, instead of the toolkit's shortcuts
// (which refuse a letter that two controls share): Alt+letter (or the letter alone where
// the focused control is a button) looks through the groups of controls that `groups`
// lists, in order, skipping hidden and disabled controls; the first group with a match
// decides. One match is pressed (a button) or gets the focus (a static text's or group
// box's next control); several matches in that group take the focus in turn.
void RegisterMnemonicScope(QWidget* window, std::function<std::vector<std::vector<QWidget*>>()> groups);
