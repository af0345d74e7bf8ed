// The Remove Set and Restore Set dialogs: the list they offer, the action button that waits
// for a choice, the refusal to remove the last set and the question before a restoration.
#include "config/page_ids.h"
#include "config/set_dialogs.h"
#include "platform/dialog_items.h"
#include "platform/message_box.h"
#include "tests/config/config_fixture.h"

namespace {
const char* kLeaveOne =
    "You must leave at least one set installed. Please use the Windows Add/Remove programs if you would like to "
    "remove the program from your machine.";

std::vector<std::string> Items(CDialog& dialog) { return ListItems(CListBox(GetDialogItem(dialog, IDC_SET_LIST))); }

class SetDialogsTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    SetApplicationTitle("QuillMark Configuration");
  }
};

TEST_F(SetDialogsTest, RemoveSetOffersSortedNamesAndReturnsTheChoice) {
  CRemoveSetDlg dialog;
  dialog.m_names = {"peaks", "Coast", "Birds"};
  SetModalDialogHook([&](CDialog& running) {
    EXPECT_EQ(running.GetWindowText(), "Remove Set");
    EXPECT_EQ(Items(running), (std::vector<std::string>{"Birds", "Coast", "peaks"}));
    EXPECT_FALSE(running.IsDlgItemEnabled(IDOK));
    running.ClickDlgItem(IDOK);  // disabled: nothing happens
    EXPECT_TRUE(running.IsRunning());
    ChooseDialogListItem(running, IDC_SET_LIST, 2);
    EXPECT_TRUE(running.IsDlgItemEnabled(IDOK));
    running.ClickDlgItem(IDC_REMOVE_FILES);
    running.ClickDlgItem(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_strChosen, "peaks");
  EXPECT_EQ(dialog.m_nRemoveFiles, 1);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SetDialogsTest, RemoveSetRefusesTheLastSet) {
  CRemoveSetDlg dialog;
  dialog.m_names = {"Coast"};
  SetModalDialogHook([&](CDialog& running) {
    ChooseDialogListItem(running, IDC_SET_LIST, 0);
    running.ClickDlgItem(IDOK);
    EXPECT_TRUE(running.IsRunning());
    running.ClickDlgItem(IDCANCEL);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(messages_, (std::vector<std::string>{kLeaveOne}));
  EXPECT_EQ(captions_, (std::vector<std::string>{"QuillMark Configuration"}));
}

TEST_F(SetDialogsTest, RestoreSetAsksAndStaysOpenOnNo) {
  CRestoreSetDlg dialog;
  dialog.m_names = {"Peaks", "Coast"};
  answers_ = {IDNO, IDYES};
  SetModalDialogHook([&](CDialog& running) {
    EXPECT_EQ(running.GetWindowText(), "Restore Set");
    EXPECT_EQ(running.GetDlgItemText(IDOK), "&Restore");
    EXPECT_FALSE(running.IsDlgItemEnabled(IDOK));
    ChooseDialogListItem(running, IDC_SET_LIST, 1);
    running.ClickDlgItem(IDOK);
    EXPECT_TRUE(running.IsRunning());
    EXPECT_EQ(CListBox(GetDialogItem(running, IDC_SET_LIST)).GetCurSel(), 1);
    running.ClickDlgItem(IDOK);
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.m_strChosen, "Peaks");
  const std::string question = "The set Peaks will be restored to its installation state. Would you like to continue?";
  EXPECT_EQ(messages_, (std::vector<std::string>{question, question}));
}

TEST_F(SetDialogsTest, AnEmptyListOnlyCancels) {
  CRestoreSetDlg dialog;
  SetModalDialogHook([&](CDialog& running) {
    EXPECT_TRUE(Items(running).empty());
    running.PressEnter();
    EXPECT_TRUE(running.IsRunning());
    running.PressEscape();
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_TRUE(messages_.empty());
}

TEST(SetMessages, EverySetNamePlaceholderIsFilledOnce) {
  EXPECT_EQ(FormatSetMessage(IDS_DELETE_SET_AND_FILES, "A%s"),
            "You are about to delete the set A%s and delete the image files from your hard drive. You will not be "
            "able to restore this set unless you reinstall it from the original disks.\n\nAre you sure you would "
            "like to delete the set A%s and remove the image files from your hard drive? ");
}
}  // namespace
