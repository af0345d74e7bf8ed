// Start-up: settings repair and migration, publishing the program folder, the hand-over of
// a newly installed set, the sheet's frame, and help.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "config/resource.h"
#include "imagelib/catalogue.h"
#include "config/wallpaper_page.h"
#include "platform/shortcut.h"
#include "tests/config/config_fixture.h"
#include "tests/support/file_permissions.h"

namespace {
const char* kMessage8 =
    "Please note that you have not completed the setup of the wallpaper and screen saver by selecting "
    "options on the Wallpaper and Screen Saver tabs. You must make your selections and click OK before your "
    "wallpaper and screen saver will function properly.";
const char* kMessage30 =
    "The program could not complete the setup of the last installed product. Please attempt to re-install, "
    "or contact QuillMark customer support for more information.";
const char* kMessage31 =
    "No images sets were detected during the initialization of the program. Please install an image set or "
    "contact QuillMark customer support for more information.";

const Pictures kCoast = {{"Harbour at Dawn", "harbour"}, {"Cliffs", "cliffs"}};
const Pictures kPeaks = {{"Summit", "summit"}};

class StartupTest : public ConfigTest {};

TEST_F(StartupTest, FirstRunAfterInstallRebuildsCopiesWritesDefaultsAndForgetsTheInstallOnOk) {
  WriteSetFolder("Coast", "Sets/Coast", kCoast);
  RecordInstalledSet("Coast", "Sets\\Coast");
  SetProfileDefault("New Install", "Sets\\Coast");  // no trailing backslash

  bool sawPage = false;
  int result = Run([&](CPropertySheet& sheet) {
    sawPage = sheet.GetActiveIndex() == 0 && sheet.GetWindowText() == "QuillMark Configuration";
    sheet.PressButton(IDOK);
  });
  EXPECT_TRUE(sawPage);
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(messages_.empty());

  EXPECT_EQ(Ini(pf() + "quillmrk.ini", "Coast", "Cliffs"), "cliffs");
  EXPECT_EQ(ConfigValue("ProgramPath"), pf());
  EXPECT_EQ(Ini("control.ini", "ScreenSaver.QuillMark", "ProgramPath"), pf());
  EXPECT_EQ(ReadProfileDefault("ProgramPath"), pf());
  const std::pair<const char*, const char*> defaults[] = {
      {"CurrentSet", "Coast"},   {"UseAllImages", "0"},        {"InMinutes", "1"},
      {"TimeBetween", "1"},      {"CurrentImageNumber", "1"},  {"ShowTextDescription", "1"},
      {"ShowInterpretiveText", "0"}, {"InterpretiveTextLanguage", "English"}, {"Transition", "1"}};
  for (const auto& [key, value] : defaults) EXPECT_EQ(Ini("control.ini", "ScreenSaver.QuillMark", key), value) << key;
  EXPECT_EQ(ReadProfileDefault("New Install"), "");
}

TEST_F(StartupTest, NewInstallClosedWithCancelWarnsAndIsHandedOverAgainNextTime) {
  AddSet("Coast", "Coast", kCoast);
  WriteSetFolder("Peaks", "Peaks", kPeaks);
  SetProfileDefault("New Install", "Peaks\\");

  EXPECT_EQ(Run([](CPropertySheet& sheet) { sheet.PressButton(IDCANCEL); }), IDCANCEL);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], kMessage8);
  EXPECT_EQ(captions_[0], "QuillMark Configuration");
  EXPECT_EQ(ReadProfileDefault("New Install"), "Peaks\\");
  EXPECT_EQ(Ini(pf() + "quillmrk.ini", "Peaks", "Summit"), "summit");
  // quillmrk.ini was there already: the screen saver keeps its own settings.
  EXPECT_EQ(Ini("control.ini", "ScreenSaver.QuillMark", "CurrentSet"), kMissing);

  messages_.clear();
  EXPECT_EQ(Run([](CPropertySheet& sheet) { sheet.PressEscape(); }), IDCANCEL);
  EXPECT_EQ(messages_, std::vector<std::string>{kMessage8});
}

TEST_F(StartupTest, NormalRunNeverWarnsOnCancel) {
  AddSet("Coast", "Coast", kCoast);
  EXPECT_EQ(Run([](CPropertySheet& sheet) { sheet.PressButton(IDCANCEL); }), IDCANCEL);
  EXPECT_TRUE(messages_.empty());
}

// The program folder published where the others look for it matters: when the settings
// folder cannot take it, start-up says so once, and the sheet still opens.
TEST_F(StartupTest, PublishingIntoAReadOnlySettingsFolderIsToldOnceBeforeTheSheet) {
  AddSet("Coast", "Coast", kCoast);
  chmod(sandbox_.windowsDirectory().c_str(), 0555);
  int result;
  {
    FilePermissionsBind permissions;
    result = Run([](CPropertySheet& sheet) { sheet.PressButton(IDCANCEL); });
  }
  chmod(sandbox_.windowsDirectory().c_str(), 0755);
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(messages_, std::vector<std::string>{std::string(kSettingsNotSavedText) + "\n\n" + windows() +
                                                "user.reg: permission denied\n" + windows() +
                                                "control.ini: permission denied\n\n" +
                                                kStartupSettingsNotSavedAdvice});
  EXPECT_EQ(ConfigValue("ProgramPath"), pf());
}

TEST_F(StartupTest, NewInstallWhoseSetCannotBeCopiedEndsWithMessage30AndKeepsTheValue) {
  AddSet("Coast", "Coast", kCoast);
  SetProfileDefault("New Install", "Missing\\");
  bool shown = false;
  EXPECT_EQ(Run([&](CPropertySheet&) { shown = true; }), 0);
  EXPECT_FALSE(shown);
  EXPECT_EQ(messages_, std::vector<std::string>{kMessage30});
  EXPECT_EQ(ReadProfileDefault("New Install"), "Missing\\");
}

TEST_F(StartupTest, ANewSetNamedAfterTheSuitesOwnSectionIsRefusedOnceAndTakesNothingOver) {
  // A downloaded set named "Config" would replace the [Config] section, and with it the
  // program folder that the decoder, the log-on entry and Remove Set are taken from.
  AddSet("Coast", "Coast", kCoast);
  WriteSetFolder("Config", "Evil", {{"ProgramPath", "../../"}, {"ChangeImage", "0"}});
  RecordInstalledSet("Config", "Evil");
  SetProfileDefault("New Install", "Evil\\");

  std::vector<std::string> sets;
  EXPECT_EQ(Run([&](CPropertySheet& sheet) {
              sets = ListSetNames(CProfileFile(pf() + "quillmrk.ini"));
              sheet.PressButton(IDOK);
            }),
            IDOK);
  EXPECT_EQ(messages_, std::vector<std::string>{
                           "The image set installed last was not added, because the image set "
                           "\"Config\" has the name of the suite's own section [Config]. Your other "
                           "image sets and settings are unchanged."});
  EXPECT_EQ(sets, std::vector<std::string>{"Coast"});
  EXPECT_EQ(ConfigValue("ProgramPath"), pf());
  EXPECT_EQ(ReadProfileDefault("New Install"), "") << "told once, not at every start";
  EXPECT_EQ(ReadShortcutTarget(ShortcutPath()), pf() + "quillrun");

  // A catalogue that an older version let the set into is not trusted either.
  messages_.clear();
  WriteIni(pf() + "quillmrk.ini", "SetDescriptions", "Config", "Evil\\");
  Run([&](CPropertySheet& sheet) {
    sets = ListSetNames(CProfileFile(pf() + "quillmrk.ini"));
    sheet.PressButton(IDOK);
  });
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(sets, std::vector<std::string>{"Coast"});
  EXPECT_EQ(ReadShortcutTarget(ShortcutPath()), pf() + "quillrun");
}

TEST_F(StartupTest, ANewSetInAnotherSetsFolderOrOutsideIsRefused) {
  AddSet("Coast", "Coast", kCoast);
  RecordInstalledSet("Coast", "Coast");
  WriteSetFolder("Thief", "Coast", {{"Harbour at Dawn", "harbour"}});  // overwrites Coast/images.ini
  SetProfileDefault("New Install", "Coast\\");
  Run([](CPropertySheet& sheet) { sheet.PressButton(IDOK); });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("\"Thief\" has the folder of the set \"Coast\""), std::string::npos) << messages_[0];
  EXPECT_EQ(Ini(pf() + "quillmrk.ini", "SetDescriptions", "Thief"), kMissing);

  messages_.clear();
  SetProfileDefault("New Install", "..\\outside\\");
  Run([](CPropertySheet& sheet) { sheet.PressButton(IDOK); });
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("is not a sub-folder of the program folder"), std::string::npos) << messages_[0];
  EXPECT_EQ(ReadProfileDefault("New Install"), "");
}

TEST_F(StartupTest, NoSettingsAndNoInstalledSetsEndsWithMessage31WritingNothing) {
  bool shown = false;
  EXPECT_EQ(Run([&](CPropertySheet&) { shown = true; }), 0);
  EXPECT_FALSE(shown);
  EXPECT_EQ(messages_, std::vector<std::string>{kMessage31});
  EXPECT_EQ(ReadProfileDefault("ProgramPath"), "");
  EXPECT_FALSE(sandbox_.exists(windows() + "control.ini"));
}

TEST_F(StartupTest, SettingsOfAnOlderInstallationAreMergedRegisteredAndRetired) {
  AddSet("Coast", "Coast", kCoast);
  std::string old = windows() + "quillmrk.ini";
  WriteIni(old, "SetDescriptions", "Peaks", "Peaks\\");
  WriteIni(old, "Peaks", "Summit", "summit");
  sandbox_.writeFile(windows() + "quillsav.scr", "old saver");
  sandbox_.writeFile(pf() + "djpeg.dll", "old decoder");

  Run([](CPropertySheet& sheet) { sheet.PressButton(IDCANCEL); });
  EXPECT_EQ(Ini(pf() + "quillmrk.ini", "Peaks", "Summit"), "summit");
  EXPECT_FALSE(sandbox_.exists(old));
  EXPECT_FALSE(sandbox_.exists(windows() + "quillsav.scr"));
  EXPECT_FALSE(sandbox_.exists(pf() + "djpeg.dll"));
  std::string record = sandbox_.readFile(windows() + "user.reg");
  EXPECT_NE(record.find("\"Coast\"=\"Coast\\\\\""), std::string::npos) << record;
  EXPECT_NE(record.find("\"Peaks\"=\"Peaks\\\\\""), std::string::npos) << record;
}

TEST_F(StartupTest, SheetHasItsIconAndMinimizesOnTheButtonPress) {
  AddSet("Coast", "Coast", kCoast);
  bool minimizeBox = false, icon = false, iconic = false;
  Run([&](CPropertySheet& sheet) {
    minimizeBox = (sheet.GetStyle() & WS_MINIMIZEBOX) != 0;
    icon = sheet.GetIcon(FALSE) != nullptr;
    sheet.PressMinimizeBox();
    iconic = sheet.IsIconic();
    sheet.PressButton(IDCANCEL);
  });
  EXPECT_TRUE(minimizeBox);
  EXPECT_TRUE(icon);
  EXPECT_TRUE(iconic);
}

TEST_F(StartupTest, HelpOpensTheManualOfTheProgramFolderInTheBrowser) {
  AddSet("Coast", "Coast", kCoast);
  // A stand-in for the desktop's opener, first on PATH, logging its arguments.
  std::string bin = sandbox_.path("bin");
  std::string log = sandbox_.path("opened.log");
  sandbox_.writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + log + "'\n");
  ASSERT_EQ(system(("chmod +x '" + bin + "/xdg-open'").c_str()), 0);
  std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
  sandbox_.writeFile(pf() + "Quillmrk.html", "<html></html>");

  Run([](CPropertySheet& sheet) {
    sheet.PressButton(IDHELP);
    sheet.PressButton(IDCANCEL);
  });
  setenv("PATH", oldPath.c_str(), 1);
  for (int i = 0; i < 100 && !sandbox_.exists(log); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(sandbox_.readFile(log), pf() + "Quillmrk.html\n");
}
}  // namespace
