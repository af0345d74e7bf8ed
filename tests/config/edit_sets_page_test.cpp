// The Edit Sets page: choosing sets, taking pictures out and putting them back with the
// button states that follow, and removing and restoring whole sets.
#include "config/edit_sets_page.h"
#include "config/page_ids.h"
#include "imagelib/catalogue.h"
#include "platform/controls.h"
#include "platform/dialog_items.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "tests/config/config_fixture.h"

namespace {
const Pictures kCoast = {{"Harbour", "harbour"}, {"Cliffs", "cliffs"}, {"Bay", "bay"}};
const Pictures kPeaks = {{"Summit", "summit"}};
const char* kNoSetsToDelete = "There are no sets available to delete.";

std::vector<std::string> Items(CPropertyPage& page, int id) {
  return id == IDC_EDIT_SET_CHOOSER ? ComboItems(CComboBox(page.GetDlgItem(id))) : ListItems(CListBox(page.GetDlgItem(id)));
}
int Selected(CPropertyPage& page, int id) { return CListBox(page.GetDlgItem(id)).GetCurSel(); }

using Strings = std::vector<std::string>;

class EditSetsPageTest : public ConfigTest {
 protected:
  int Run(const std::function<void(CPropertySheet&, CEditSetsDlg&)>& user) {
    return RunSheet(
        [] {
          std::vector<std::unique_ptr<CPropertyPage>> pages;
          pages.push_back(std::make_unique<CEditSetsDlg>());
          return pages;
        },
        [&](CPropertySheet& sheet) { user(sheet, *dynamic_cast<CEditSetsDlg*>(sheet.GetPage(0))); });
  }
  Strings SetOrder(const std::string& set) const {
    return ListPictureNames(CProfileFile(mainIni()), set);
  }
  // Plays the user in the set dialog: choose `set`, tick the box when asked, press the button.
  void AnswerSetDialog(const std::string& set, bool removeFiles) {
    SetModalDialogHook([set, removeFiles](CDialog& dialog) {
      CListBox list(GetDialogItem(dialog, IDC_SET_LIST));
      int index = list.FindString(-1, set);
      ChooseDialogListItem(dialog, IDC_SET_LIST, index);
      if (removeFiles) dialog.ClickDlgItem(IDC_REMOVE_FILES);
      dialog.ClickDlgItem(IDOK);
    });
  }
  // Removes "Peaks" with its files, answering Yes, and leaves only "Coast" in the chooser.
  void RemovePeaksWithFiles() {
    answers_ = {IDYES};
    Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
      AnswerSetDialog("Peaks", true);
      page.ClickDlgItem(IDC_EDIT_REMOVE_SET);
      EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast"}));
      sheet.PressButton(IDOK);
    });
  }
};

TEST_F(EditSetsPageTest, OpensOnTheFirstSetWithBothButtonsOff) {
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  AddInstalledSet("Coast", "Coast", kCoast);
  RemovePicture(CProfileFile(mainIni()), "Coast", "Bay");
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast", "Peaks"}));
    EXPECT_EQ(page.m_strCurrentSet, "Coast");
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Cliffs", "Harbour"}));
    EXPECT_EQ(Items(page, IDC_EDIT_REMOVED), (Strings{"Bay"}));
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    EXPECT_EQ(page.m_strProgramFolder, pf());

    page.ChooseListItem(IDC_EDIT_REMOVED, 0);
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    EXPECT_EQ(page.m_wndMonitor.m_nMode, CMonitorWnd::kPicture);
    EXPECT_NE(page.m_wndMonitor.m_hPicture, nullptr);
    page.ChooseListItem(IDC_EDIT_PICTURES, 1);
    EXPECT_EQ(Selected(page, IDC_EDIT_REMOVED), LB_ERR);
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_ADD));

    // A set without removed pictures: Add goes off, Remove stays as it was.
    page.ChooseComboItem(IDC_EDIT_SET_CHOOSER, 1);
    EXPECT_EQ(page.m_strCurrentSet, "Peaks");
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Summit"}));
    EXPECT_EQ(Selected(page, IDC_EDIT_PICTURES), LB_ERR);
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));
    EXPECT_EQ(page.m_wndMonitor.m_nMode, CMonitorWnd::kEmpty);
    sheet.PressButton(IDOK);
  });
  EXPECT_TRUE(messages_.empty());
}

TEST_F(EditSetsPageTest, RemovingPicturesSelectsTheOneBeforeUntilNoneIsLeft) {
  AddInstalledSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    page.ChooseListItem(IDC_EDIT_PICTURES, 0);  // Bay
    page.ClickDlgItem(IDC_EDIT_REMOVE);
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Cliffs", "Harbour"}));
    EXPECT_EQ(Items(page, IDC_EDIT_REMOVED), (Strings{"Bay"}));
    EXPECT_EQ(Selected(page, IDC_EDIT_PICTURES), 0);
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));

    page.ChooseListItem(IDC_EDIT_PICTURES, 1);
    CListBox pictures(page.GetDlgItem(IDC_EDIT_PICTURES));
    ASSERT_EQ(pictures.GetText(pictures.GetCurSel()), "Harbour");
    page.ClickDlgItem(IDC_EDIT_REMOVE);
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Cliffs"}));
    EXPECT_EQ(Selected(page, IDC_EDIT_PICTURES), 0);

    page.ClickDlgItem(IDC_EDIT_REMOVE);  // the last picture may go too
    EXPECT_TRUE(Items(page, IDC_EDIT_PICTURES).empty());
    EXPECT_EQ(Items(page, IDC_EDIT_REMOVED), (Strings{"Bay", "Cliffs", "Harbour"}));
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));
    EXPECT_EQ(page.m_wndMonitor.m_nMode, CMonitorWnd::kEmpty);
    page.ClickDlgItem(IDC_EDIT_REMOVE);  // nothing left to remove
    EXPECT_EQ(Items(page, IDC_EDIT_REMOVED).size(), 3u);
    sheet.PressButton(IDCANCEL);
  });
  // Cancel undoes nothing.
  EXPECT_TRUE(SetOrder("Coast").empty());
}

TEST_F(EditSetsPageTest, AddingBackPutsThePictureLastInTheSetAndTheLastOneTurnsAddOff) {
  AddInstalledSet("Coast", "Coast", kCoast);
  CProfileFile ini(mainIni());
  RemovePicture(ini, "Coast", "Harbour");
  RemovePicture(ini, "Coast", "Bay");
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    EXPECT_EQ(Items(page, IDC_EDIT_REMOVED), (Strings{"Bay", "Harbour"}));
    page.ChooseListItem(IDC_EDIT_REMOVED, 1);  // Harbour
    page.ClickDlgItem(IDC_EDIT_ADD);
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Cliffs", "Harbour"}));
    EXPECT_EQ(Selected(page, IDC_EDIT_REMOVED), 0);
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_REMOVE));

    page.ClickDlgItem(IDC_EDIT_ADD);  // Bay, the last removed one
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Bay", "Cliffs", "Harbour"}));
    EXPECT_TRUE(Items(page, IDC_EDIT_REMOVED).empty());
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_EDIT_ADD));
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(SetOrder("Coast"), (Strings{"Cliffs", "Harbour", "Bay"}));
}

TEST_F(EditSetsPageTest, RemoveSetWithoutFilesKeepsTheRecordAndTheFolder) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  answers_ = {IDNO, IDYES};
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    AnswerSetDialog("Coast", false);
    page.ClickDlgItem(IDC_EDIT_REMOVE_SET);  // answered No
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast", "Peaks"}));
    page.ClickDlgItem(IDC_EDIT_REMOVE_SET);  // answered Yes
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Peaks"}));
    EXPECT_EQ(page.m_strCurrentSet, "Peaks");
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Summit"}));
    sheet.PressButton(IDOK);
  });
  const std::string question = "Are you sure you would like to delete the set Coast?";
  EXPECT_EQ(messages_, (Strings{question, question}));
  EXPECT_EQ(ListSetNames(CProfileFile(mainIni())), (Strings{"Peaks"}));
  EXPECT_TRUE(IsRecorded("Coast"));
  EXPECT_TRUE(sandbox_.exists(pf() + "Coast/images.ini"));
}

TEST_F(EditSetsPageTest, RemoveSetWithFilesDeletesThemAfterTheLongerQuestion) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  RemovePeaksWithFiles();
  EXPECT_EQ(messages_,
            (Strings{"You are about to delete the set Peaks and delete the image files from your hard drive. You "
                     "will not be able to restore this set unless you reinstall it from the original disks.\n\nAre "
                     "you sure you would like to delete the set Peaks and remove the image files from your hard "
                     "drive? "}));
  EXPECT_FALSE(IsRecorded("Peaks"));
  EXPECT_FALSE(sandbox_.exists(pf() + "Peaks"));
  EXPECT_TRUE(sandbox_.exists(pf() + "Coast/bay.bmp"));
}

TEST_F(EditSetsPageTest, RemoveSetWithFilesSaysSoWhenTheFilesStay) {
  // Recorded in the folder of another set, and then outside the program folder: the
  // files stay either way.
  for (const std::string recorded : {"Coast", "../Peaks"}) {
    messages_.clear();
    AddInstalledSet("Coast", "Coast", kCoast);
    AddInstalledSet("Peaks", "Peaks", kPeaks);
    sandbox_.writeFile(pf() + recorded + "/summit.bmp", "kept");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key), ERROR_SUCCESS);
    const std::string data = recorded + "\\";
    RegSetValueEx(key, "Peaks", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                  static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
    RemovePeaksWithFiles();
    ASSERT_EQ(messages_.size(), 2u) << recorded;
    EXPECT_EQ(messages_[1],
              "The set Peaks was deleted, but its image files were not all removed from your hard drive: its "
              "folder lies outside the program folder, holds another set as well, or could not be emptied.");
    EXPECT_TRUE(sandbox_.exists(pf() + recorded + "/summit.bmp")) << recorded;
  }
}

TEST_F(EditSetsPageTest, RemoveSetRefusesTheLastSetAndNeedsASet) {
  AddInstalledSet("Coast", "Coast", kCoast);
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    SetModalDialogHook([](CDialog& dialog) {
      ChooseDialogListItem(dialog, IDC_SET_LIST, 0);
      dialog.ClickDlgItem(IDOK);
      EXPECT_TRUE(dialog.IsRunning());
      dialog.ClickDlgItem(IDCANCEL);
    });
    page.ClickDlgItem(IDC_EDIT_REMOVE_SET);
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast"}));
    WritePrivateProfileString("SetDescriptions", "Coast", nullptr, mainIni().c_str());
    page.ClickDlgItem(IDC_EDIT_REMOVE_SET);
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(messages_, (Strings{"You must leave at least one set installed. Please use the Windows Add/Remove "
                                "programs if you would like to remove the program from your machine.",
                                kNoSetsToDelete}));
  EXPECT_TRUE(IsRecorded("Coast"));
}

TEST_F(EditSetsPageTest, RestoreSetBringsARemovedSetBackAndRefillsAPresentOne) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  CProfileFile ini(mainIni());
  RemoveSet(ini, pf(), "Peaks", false);
  RemovePicture(ini, "Coast", "Cliffs");
  answers_ = {IDYES, IDYES};
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast"}));
    AnswerSetDialog("Peaks", false);
    page.ClickDlgItem(IDC_EDIT_RESTORE_SET);
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast", "Peaks"}));
    EXPECT_EQ(page.GetDlgItemText(IDC_EDIT_SET_CHOOSER), "Peaks");
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Summit"}));

    AnswerSetDialog("Coast", false);
    page.ClickDlgItem(IDC_EDIT_RESTORE_SET);
    EXPECT_EQ(page.m_strCurrentSet, "Coast");
    EXPECT_EQ(Items(page, IDC_EDIT_PICTURES), (Strings{"Bay", "Cliffs", "Harbour"}));
    EXPECT_TRUE(Items(page, IDC_EDIT_REMOVED).empty());
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(messages_,
            (Strings{"The set Peaks will be restored to its installation state. Would you like to continue?",
                     "The set Coast will be restored to its installation state. Would you like to continue?"}));
}

TEST_F(EditSetsPageTest, AFailedRestorationLeavesTheSetOutOfTheChooser) {
  AddInstalledSet("Coast", "Coast", kCoast);
  AddInstalledSet("Peaks", "Peaks", kPeaks);
  std::remove((pf() + "Peaks/images.ini").c_str());
  answers_ = {IDYES};
  Run([&](CPropertySheet& sheet, CEditSetsDlg& page) {
    AnswerSetDialog("Peaks", false);
    page.ClickDlgItem(IDC_EDIT_RESTORE_SET);
    EXPECT_EQ(Items(page, IDC_EDIT_SET_CHOOSER), (Strings{"Coast"}));
    EXPECT_EQ(page.m_strCurrentSet, "Coast");
    sheet.PressButton(IDOK);
  });
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1],
            "The image directory for the set Peaks could not be found. Please re-install this set from the original "
            "disk.");
}
}  // namespace
