// The property sheet's protocol with pages of its own, the data exchange's validation, and
// the item rules of combo and list boxes.
#include "platform/dialog_template.h"
#include "tests/config/config_fixture.h"

namespace {
constexpr int kTemplate = 9001;
constexpr int kEdit = 100, kCheck = 101, kRadioA = 102, kRadioB = 103, kList = 104, kCombo = 105;

const DialogTemplateRegistration kPageTemplate{[] {
  DialogTemplate t;
  t.id = kTemplate;
  t.caption = "Test";
  t.cx = 200;
  t.cy = 120;
  t.controls = {{kEdit, ControlKind::Edit, "", 7, 7, 50, 12, ctl::TabStop},
                {kCheck, ControlKind::CheckBox, "Check", 7, 25, 50, 10, 0},
                {kRadioA, ControlKind::RadioButton, "A", 7, 40, 30, 10, ctl::Group},
                {kRadioB, ControlKind::RadioButton, "B", 40, 40, 30, 10, 0},
                {kList, ControlKind::ListBox, "", 7, 55, 80, 50, ctl::Sort},
                {kCombo, ControlKind::ComboBox, "", 100, 7, 80, 60, ctl::DropDownList | ctl::Sort}};
  return t;
}()};

struct Log {
  std::vector<std::string> calls;
};

class TestPage : public CPropertyPage {
 public:
  TestPage(std::string name, Log& log) : CPropertyPage(kTemplate), name_(std::move(name)), log_(log) {}
  BOOL OnInitDialog() override {
    log_.calls.push_back(name_ + ":init");
    return CPropertyPage::OnInitDialog();
  }
  void DoDataExchange(CPageDataExchange* pDX) override {
    DDX_Text(pDX, kEdit, number);
    DDV_MinMaxInt(pDX, number, 1, 60);
    DDX_Check(pDX, kCheck, check);
    DDX_Radio(pDX, kRadioA, radio);
  }
  BOOL OnSetActive() override {
    log_.calls.push_back(name_ + ":active");
    return CPropertyPage::OnSetActive();
  }
  BOOL OnKillActive() override {
    log_.calls.push_back(name_ + ":kill");
    return CPropertyPage::OnKillActive();
  }
  BOOL OnApply() override {
    log_.calls.push_back(name_ + ":apply");
    return refuse ? FALSE : CPropertyPage::OnApply();
  }
  void OnCancel() override { log_.calls.push_back(name_ + ":cancel"); }

  int number = 5, check = 1, radio = 1;
  bool refuse = false;

 private:
  std::string name_;
  Log& log_;
};

class SheetTest : public ConfigTest {
 protected:
  int RunSheet(const std::function<void(CPropertySheet&)>& user) {
    CPropertySheet sheet("Sheet");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.AddPage(&third);
    SetPropertySheetHook([&](CPropertySheet& s) { user(s); });
    return sheet.DoModal();
  }
  Log log;
  TestPage first{"1", log}, second{"2", log}, third{"3", log};
};

TEST_F(SheetTest, OkValidatesTheCurrentPageAndAppliesOnlyCreatedPagesInOrder) {
  int result = RunSheet([&](CPropertySheet& sheet) {
    EXPECT_EQ(first.GetDlgItemText(kEdit), "5");
    EXPECT_EQ(first.IsDlgButtonChecked(kRadioB), 1u);
    sheet.SetActivePage(1);
    second.TypeDlgItemText(kEdit, " 42 ");
    second.ClickDlgItem(kRadioA);
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(log.calls, (std::vector<std::string>{"1:init", "1:active", "1:kill", "2:init", "2:active", "2:kill",
                                                 "1:apply", "2:apply"}));
  EXPECT_EQ(second.number, 42);
  EXPECT_EQ(second.radio, 0);
  EXPECT_FALSE(third.IsCreated());
}

TEST_F(SheetTest, InvalidNumbersKeepThePageWithTheExactMessages) {
  RunSheet([&](CPropertySheet& sheet) {
    first.TypeDlgItemText(kEdit, "12a");
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    first.TypeDlgItemText(kEdit, "61");
    sheet.PressButton(IDOK);
    EXPECT_TRUE(sheet.IsRunning());
    first.TypeDlgItemText(kEdit, "60");
    sheet.PressButton(IDOK);
    EXPECT_FALSE(sheet.IsRunning());
  });
  EXPECT_EQ(messages_, (std::vector<std::string>{"Please enter an integer.",
                                                 "Please enter an integer between 1 and 60."}));
  EXPECT_EQ(first.number, 60);
}

TEST_F(SheetTest, APageThatRefusesToApplyIsShownAndTheSheetStays) {
  second.refuse = true;
  int result = RunSheet([&](CPropertySheet& sheet) {
    sheet.SetActivePage(1);
    sheet.SetActivePage(2);
    sheet.PressButton(IDOK);
    EXPECT_TRUE(sheet.IsRunning());
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    second.refuse = false;
    sheet.PressButton(IDOK);
  });
  EXPECT_EQ(result, IDOK);
}

TEST_F(SheetTest, ApplyIsEnabledByAModifiedPageAndClearedByAnApply) {
  RunSheet([&](CPropertySheet& sheet) {
    EXPECT_FALSE(sheet.IsApplyEnabled());
    sheet.PressButton(ID_APPLY_NOW);  // disabled: nothing happens
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "1:apply"), 0);
    first.SetModified();
    EXPECT_TRUE(sheet.IsApplyEnabled());
    sheet.PressButton(ID_APPLY_NOW);
    EXPECT_TRUE(sheet.IsRunning());
    EXPECT_FALSE(sheet.IsApplyEnabled());
    EXPECT_FALSE(first.IsModified());
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "1:apply"), 1);
}

TEST_F(SheetTest, CancelTellsEveryCreatedPageAndAppliesNothing) {
  int result = RunSheet([&](CPropertySheet& sheet) {
    sheet.SetActivePage(2);
    sheet.PressEscape();
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "1:cancel"), 1);
  EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "2:cancel"), 0);
  EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "3:cancel"), 1);
  EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "1:apply"), 0);
}

TEST_F(SheetTest, ReturningToAPageReloadsItsControlsFromTheMembers) {
  RunSheet([&](CPropertySheet& sheet) {
    sheet.SetActivePage(1);
    first.number = 7;
    sheet.SetActivePage(0);
    EXPECT_EQ(first.GetDlgItemText(kEdit), "7");
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(SheetTest, BoxesSortWithoutCaseAndFindByPrefixWrappingRound) {
  RunSheet([&](CPropertySheet& sheet) {
    CListBox list(first.GetDlgItem(kList));
    for (const char* item : {"beta", "Alpha", "alpha two", "Gamma", "BETA"}) list.AddString(item);
    EXPECT_EQ(ListItems(list), (std::vector<std::string>{"Alpha", "alpha two", "beta", "BETA", "Gamma"}));
    EXPECT_EQ(list.FindString(-1, "ALPHA"), 0);
    EXPECT_EQ(list.FindString(0, "alpha"), 1);
    EXPECT_EQ(list.FindString(1, "alpha"), 0);  // wraps round
    EXPECT_EQ(list.FindString(-1, "delta"), LB_ERR);
    EXPECT_EQ(list.SelectString(-1, "g"), 4);
    EXPECT_EQ(list.GetCurSel(), 4);

    CComboBox combo(first.GetDlgItem(kCombo));
    combo.AddString("\xC9t\xE9");  // Windows-1252 bytes come back unchanged
    combo.AddString("Autumn");
    EXPECT_EQ(combo.GetCurSel(), CB_ERR);
    EXPECT_EQ(combo.GetLBText(1), "\xC9t\xE9");
    EXPECT_EQ(combo.SelectString(-1, "\xE9"), 1);  // case folded beyond ASCII too
    sheet.PressButton(IDCANCEL);
  });
}

TEST_F(SheetTest, ASheetTheHookLeavesOpenIsCancelled) {
  EXPECT_EQ(RunSheet([](CPropertySheet&) {}), IDCANCEL);
}
}  // namespace
