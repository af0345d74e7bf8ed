#include "imagelib/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/support/sandbox.h"

using Names = std::vector<std::string>;

namespace {
// A program folder with a main settings file, an installed-set record and message capture.
class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    ini.SetFile(box.programFolder() + "quillmrk.ini");
    SetApplicationTitle("QuillMark Configuration");
    SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
      messages.push_back(text);
      EXPECT_EQ(caption, "QuillMark Configuration");
      EXPECT_EQ(type, MB_OK);
      return IDOK;
    });
  }

  void writeIni(const std::string& text) { box.writeFile(ini.m_strFile, text); }

  // A set folder below the program folder with its description file and picture files.
  void installSetFolder(const std::string& folder, const std::string& set, const Names& pictures) {
    std::string text = "[SetDescriptions]\r\n" + set + "=" + folder + "\\\r\n[" + set + "]\r\n";
    for (const std::string& p : pictures) {
      text += p + "=" + p + "\r\n";
      box.writeFile(box.programFolder() + folder + "/" + p + ".jpg", "jpeg");
    }
    box.writeFile(box.programFolder() + folder + "/images.ini", text);
  }

  static void record(const std::string& set, const std::string& folder) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, set.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(folder.c_str()),
                            static_cast<DWORD>(folder.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::string folderOf(const std::string& set) const {
    std::string value;
    ini.ReadString(catalogue::kSetDescriptions, set, value);
    return value;
  }

  Sandbox box;
  CProfileFile ini;
  Names messages;
};

const char* kTwoSets =
    "[Config]\r\nProgramPath=x\r\n"
    "[SetDescriptions]\r\nA=FolderA\\\r\nB=FolderB\r\nEmpty=FolderE/\r\n"
    "[A]\r\na1=one\r\na2=two\r\na3=three\r\n"
    "[B]\r\nb1=Sub\\bee\r\n"
    "[B Deleted Images]\r\nb0=gone\r\n";
}  // namespace

TEST_F(Catalogue, ListsSetsPicturesAndResolvesFilesWhateverTheStoredSeparator) {
  writeIni(kTwoSets);
  EXPECT_EQ(ListSetNames(ini), (Names{"A", "B", "Empty"}));
  EXPECT_EQ(ListPictureNames(ini, "A"), (Names{"a1", "a2", "a3"}));
  EXPECT_EQ(ListRemovedPictureNames(ini, "B"), (Names{"b0"}));
  EXPECT_TRUE(ListPictureNames(ini, "Empty").empty());

  EXPECT_EQ(GetSetFolder(ini, "A"), "FolderA\\");
  EXPECT_EQ(GetSetFolder(ini, "B"), "FolderB/");
  EXPECT_EQ(GetSetFolder(ini, "Empty"), "FolderE/");

  const std::string program = box.programFolder();
  PictureFiles a = GetPictureFiles(ini, program, "A", "a2", false);
  EXPECT_EQ(a.fileBase, "two");
  EXPECT_EQ(a.setFolderPath, program + "FolderA/");
  EXPECT_EQ(a.jpg, program + "FolderA/two.jpg");
  EXPECT_EQ(a.bmp, program + "FolderA/two.bmp");
  EXPECT_EQ(a.nfo, program + "FolderA/two.nfo");

  // The program folder without its separator, a file base in a sub-folder written the old way.
  PictureFiles b = GetPictureFiles(ini, program.substr(0, program.size() - 1), "B", "b1", false);
  EXPECT_EQ(b.jpg, program + "FolderB/Sub/bee.jpg");
  EXPECT_EQ(GetPictureFiles(ini, program, "B", "b0", true).jpg, program + "FolderB/gone.jpg");
  EXPECT_EQ(GetPictureFiles(ini, program, "B", "b0", false).fileBase, "Not Available");
}

TEST_F(Catalogue, CombinedListInterleavesSetsAndStepByNameWalksIt) {
  writeIni(kTwoSets);
  const Names combined = BuildCombinedList(ini);
  EXPECT_EQ(combined, (Names{"A~a1", "B~b1", "A~a2", "A~a3"}));

  NameStep step = StepByName(combined, true, "B", "b1");
  EXPECT_TRUE(step.found);
  EXPECT_EQ(step.set, "A");
  EXPECT_EQ(step.picture, "a2");
  step = StepByName(combined, true, "A", "a3");
  EXPECT_EQ(step.set + "~" + step.picture, "A~a1") << "the last entry wraps to the first";
  step = StepByName(combined, true, "b", "b1");
  EXPECT_EQ(step.set + "~" + step.picture, "A~a1") << "comparison is exact; no match starts over";
  EXPECT_FALSE(StepByName({}, true, "A", "a1").found);

  const Names pictures = ListPictureNames(ini, "A");
  step = StepByName(pictures, false, "A", "a1");
  EXPECT_EQ(step.set, "A");
  EXPECT_EQ(step.picture, "a2");
  EXPECT_EQ(StepByName(pictures, false, "A", "a3").picture, "a1");
  EXPECT_EQ(StepByName(pictures, false, "A", "vanished").picture, "a1");
  EXPECT_EQ(StepByName({"only"}, false, "S", "only").picture, "only");
  EXPECT_FALSE(StepByName({}, false, "Not Available", "Not Available").found);
}

TEST(CatalogueEntries, SplitAtTheFirstTildeOnly) {
  std::string set, picture;
  SplitCombinedEntry("Nature~Sunset~Lake", set, picture);
  EXPECT_EQ(set, "Nature");
  EXPECT_EQ(picture, "Sunset~Lake");
  NameStep step = StepByName({"Nature~Dawn", "Nature~Sunset~Lake"}, true, "Nature", "Dawn");
  EXPECT_EQ(step.set, "Nature");
  EXPECT_EQ(step.picture, "Sunset~Lake");
}

TEST(CatalogueEntries, StepByPositionShowsTheStoredPositionAndStartsOverPastTheEnd) {
  const Names list{"e0", "e1", "e2"};
  PositionStep step = StepByPosition(list, 1);
  EXPECT_TRUE(step.shown);
  EXPECT_EQ(step.entry, "e1");
  EXPECT_EQ(step.nextPosition, 2);
  for (int stored : {3, 99, -4}) {
    step = StepByPosition(list, stored);
    EXPECT_EQ(step.entry, "e0") << stored;
    EXPECT_EQ(step.nextPosition, 1) << stored;
  }
  step = StepByPosition({}, 0);
  EXPECT_FALSE(step.shown);
  EXPECT_EQ(step.nextPosition, 1);
}

TEST_F(Catalogue, RemovedPictureComesBackAtTheEndOfItsSet) {
  writeIni(kTwoSets);
  RemovePicture(ini, "A", "a1");
  EXPECT_EQ(ListPictureNames(ini, "A"), (Names{"a2", "a3"}));
  EXPECT_EQ(ListRemovedPictureNames(ini, "A"), (Names{"a1"}));
  EXPECT_EQ(GetPictureFiles(ini, box.programFolder(), "A", "a1", true).fileBase, "one");

  RestorePicture(ini, "A", "a1");
  EXPECT_EQ(ListPictureNames(ini, "A"), (Names{"a2", "a3", "a1"}));
  EXPECT_TRUE(ListRemovedPictureNames(ini, "A").empty());
  EXPECT_EQ(GetPictureFiles(ini, box.programFolder(), "A", "a1", false).fileBase, "one");

  // Moving a picture that is not there plants nothing in the other section.
  RemovePicture(ini, "A", "ghost");
  RestorePicture(ini, "B", "ghost");
  EXPECT_TRUE(ListRemovedPictureNames(ini, "A").empty());
  EXPECT_EQ(ListPictureNames(ini, "B"), (Names{"b1"}));

  RemovePicture(ini, "B", "b1");
  EXPECT_EQ(ListSetNames(ini), (Names{"A", "B", "Empty"})) << "an emptied set stays";
}

TEST_F(Catalogue, CopySetTakesTheFirstSetOfTheSourceAndReplacesItsSection) {
  writeIni("[SetDescriptions]\r\nBirds=New/\r\n[Birds]\r\nstale=stale\r\n"
           "[Birds Deleted Images]\r\nx=x\r\n");
  const std::string source = box.programFolder() + "New/images.ini";
  box.writeFile(source, "[SetDescriptions]\r\nBirds=New\\\r\nIgnored=Other\\\r\n"
                        "[Birds]\r\nHawk=Sub\\hawk\r\nOwl=owl\r\n");
  EXPECT_TRUE(CopySetFromFolder(CProfileFile(source), ini));
  EXPECT_EQ(ListSetNames(ini), (Names{"Birds"}));
  EXPECT_EQ(folderOf("Birds"), "New\\");
  EXPECT_EQ(ListPictureNames(ini, "Birds"), (Names{"Hawk", "Owl"}));
  EXPECT_EQ(GetPictureFiles(ini, "/p/", "Birds", "Hawk", false).fileBase, "Sub\\hawk");
  EXPECT_EQ(ListRemovedPictureNames(ini, "Birds"), (Names{"x"})) << "left to the caller";

  const std::string before = box.readFile(ini.m_strFile);
  box.writeFile(box.programFolder() + "Bad/images.ini", "[Birds]\r\nHawk=hawk\r\n");
  EXPECT_FALSE(CopySetFromFolder(CProfileFile(box.programFolder() + "Bad/images.ini"), ini));
  EXPECT_FALSE(CopySetFromFolder(CProfileFile(box.programFolder() + "None/images.ini"), ini));
  EXPECT_EQ(box.readFile(ini.m_strFile), before);
}

TEST_F(Catalogue, CopyOfAnOversizedSectionKeepsOnlyWholeEntries) {
  std::string text = "[SetDescriptions]\r\nHuge=Huge\\\r\n[Huge]\r\n";
  for (int i = 0; i < 1500; ++i)
    text += "Picture " + std::to_string(i) + "=files\\picture" + std::to_string(i) + "\r\n";
  const std::string source = box.programFolder() + "Huge/images.ini";
  box.writeFile(source, text);
  ASSERT_TRUE(CopySetFromFolder(CProfileFile(source), ini));

  // Read the copy back with the platform's whole-section view, past the 499-name limit.
  const std::string copied = box.readFile(ini.m_strFile);
  std::size_t lines = 0, pos = copied.find("[Huge]");
  ASSERT_NE(pos, std::string::npos);
  for (pos = copied.find("\r\n", pos) + 2; pos < copied.size();) {
    std::size_t end = copied.find("\r\n", pos);
    std::string line = copied.substr(pos, end - pos);
    if (line.empty() || line[0] == '[') break;
    std::size_t eq = line.find('=');
    ASSERT_NE(eq, std::string::npos) << line;
    EXPECT_EQ(line.substr(eq + 1), "files\\picture" + line.substr(8, eq - 8)) << line;
    ++lines;
    pos = end + 2;
  }
  EXPECT_GT(lines, 1000u);
  EXPECT_LT(lines, 1500u) << "the buffer bounds the copy";
}

TEST_F(Catalogue, RestoreAllSetsRebuildsFromTheRecordInItsOrder) {
  installSetFolder("Xfolder", "X", {"x1", "x2"});
  installSetFolder("Zfolder", "Z", {"z1"});
  record("Z", "Zfolder");           // no trailing separator: one is appended
  record("Y", "Yfolder\\");          // no images.ini there
  record("Long", std::string(600, 'L'));  // cannot be read into the record's buffer
  record("X", "Xfolder\\");
  EXPECT_TRUE(RestoreAllSets(box.programFolder()));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ListSetNames(ini), (Names{"Z", "X"}));
  EXPECT_EQ(ListPictureNames(ini, "X"), (Names{"x1", "x2"}));
  EXPECT_EQ(ListInstalledSets(), (Names{"Z", "Y", "Long", "X"}))
      << "the record is listed whole, present sets included";
}

TEST_F(Catalogue, RestoreAllSetsWithNothingReadableSaysSo) {
  const std::string noSets =
      "No images sets were detected during the initialization of the program. Please install "
      "an image set or contact QuillMark customer support for more information.";
  EXPECT_FALSE(RestoreAllSets(box.programFolder())) << "no record at all";
  EXPECT_TRUE(ListInstalledSets().empty());
  record("Y", "Yfolder\\");
  EXPECT_FALSE(RestoreAllSets(box.programFolder()));
  EXPECT_EQ(messages, (Names{noSets, noSets}));
}

TEST_F(Catalogue, RestoreSetBringsBackTheInstalledStateAtTheEnd) {
  installSetFolder("Afolder", "A", {"a1", "a2", "a3"});
  installSetFolder("Bfolder", "B", {"b1"});
  record("A", "Afolder\\");
  record("B", "Bfolder\\");
  ASSERT_TRUE(RestoreAllSets(box.programFolder()));
  RemovePicture(ini, "A", "a1");
  RemovePicture(ini, "A", "a3");

  EXPECT_TRUE(RestoreSet(ini, box.programFolder(), "A"));
  EXPECT_EQ(ListSetNames(ini), (Names{"B", "A"}));
  EXPECT_EQ(ListPictureNames(ini, "A"), (Names{"a1", "a2", "a3"}));
  EXPECT_TRUE(ListRemovedPictureNames(ini, "A").empty());
  EXPECT_EQ(BuildCombinedList(ini), (Names{"B~b1", "A~a1", "A~a2", "A~a3"}));
  EXPECT_TRUE(messages.empty());

  EXPECT_FALSE(RestoreSet(ini, box.programFolder(), "Unrecorded"));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(ListSetNames(ini), (Names{"B", "A"}));
}

TEST_F(Catalogue, RestoreSetWhoseFolderIsGoneForgetsItEverywhere) {
  writeIni(kTwoSets);
  record("B", "FolderB\\");
  record("A", "FolderA\\");
  EXPECT_FALSE(RestoreSet(ini, box.programFolder(), "B"));
  EXPECT_EQ(messages, (Names{"The image directory for the set B could not be found. Please "
                             "re-install this set from the original disk."}));
  EXPECT_EQ(ListSetNames(ini), (Names{"A", "Empty"}));
  EXPECT_TRUE(ListPictureNames(ini, "B").empty());
  EXPECT_TRUE(ListRemovedPictureNames(ini, "B").empty());
  EXPECT_EQ(ListInstalledSets(), (Names{"A"}));
}

TEST_F(Catalogue, RemoveSetKeepsTheRecordUnlessFilesAreDeleted) {
  installSetFolder("Birds", "Birds", {"hawk", "owl"});
  record("Birds", "Birds\\");
  ASSERT_TRUE(RestoreAllSets(box.programFolder()));
  RemovePicture(ini, "Birds", "owl");

  EXPECT_TRUE(RemoveSet(ini, box.programFolder(), "Birds", false));
  EXPECT_TRUE(ListSetNames(ini).empty());
  EXPECT_TRUE(ListRemovedPictureNames(ini, "Birds").empty());
  EXPECT_TRUE(box.exists(box.programFolder() + "Birds/hawk.jpg"));
  EXPECT_EQ(ListInstalledSets(), (Names{"Birds"}));
  EXPECT_TRUE(RestoreSet(ini, box.programFolder(), "Birds"));
  EXPECT_EQ(ListPictureNames(ini, "Birds"), (Names{"hawk", "owl"}));

  EXPECT_TRUE(RemoveSet(ini, box.programFolder(), "Birds", true));
  EXPECT_TRUE(ListSetNames(ini).empty());
  EXPECT_TRUE(ListInstalledSets().empty());
  EXPECT_FALSE(box.exists(box.programFolder() + "Birds/hawk.jpg"));
  EXPECT_FALSE(box.exists(box.programFolder() + "Birds"));
  EXPECT_TRUE(box.exists(ini.m_strFile));
}
