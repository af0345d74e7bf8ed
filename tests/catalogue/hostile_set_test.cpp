// Image sets come from strangers: what a set names (its name, folder and file bases) must
// never reach one of the suite's own sections, another set, or a file outside the set.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "imagelib/catalogue.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/support/sandbox.h"

using Names = std::vector<std::string>;

namespace {
class HostileSet : public ::testing::Test {
 protected:
  void SetUp() override {
    ini.SetFile(box.programFolder() + "quillmrk.ini");
    SetMessageBoxHandler([](const std::string&, const std::string&, UINT) { return IDOK; });
  }
  void TearDown() override { SetMessageBoxHandler({}); }

  // A set description file in `folder` naming `set` in `storedFolder`.
  std::string description(const std::string& folder, const std::string& set,
                          const std::string& storedFolder, const std::string& pictures = "") {
    const std::string path = box.programFolder() + folder + "/images.ini";
    box.writeFile(path, "[SetDescriptions]\r\n" + set + "=" + storedFolder + "\r\n[" + set + "]\r\n" + pictures);
    return path;
  }

  static void record(const std::string& set, const std::string& folder) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key), ERROR_SUCCESS);
    RegSetValueEx(key, set.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                  static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
  }

  Sandbox box;
  CProfileFile ini;
};

const char* kSettings =
    "[Config]\r\nProgramPath=/real/\r\nCurrentSet=Coast\r\n"
    "[SetDescriptions]\r\nCoast=Coast\\\r\n[Coast]\r\nBeach=beach\r\n";
}  // namespace

TEST_F(HostileSet, ANameOfTheSuitesOwnSectionsIsNeverCopiedOrListed) {
  box.writeFile(ini.m_strFile, kSettings);
  const std::string before = box.readFile(ini.m_strFile);
  for (const std::string name : {"Config", "setdescriptions", "Coast Deleted Images", "All Image Sets",
                                 "A~B", "Odd]Name", "Key=Value", " Coast", "Tab\tName"})
    EXPECT_NE(SetNameProblem(name), "") << name;
  EXPECT_EQ(SetNameProblem("Birds of Prey (2nd edition)"), "");
  for (const std::string name : {"Config", "setdescriptions", "Coast Deleted Images", "All Image Sets"}) {
    EXPECT_FALSE(CopySetFromFolder(CProfileFile(description("Evil", name, "Evil\\", "ProgramPath=../../\r\n")), ini))
        << name;
    EXPECT_EQ(box.readFile(ini.m_strFile), before) << name;
  }

  // A catalogue that already holds such entries (written by an older version or by hand)
  // lists neither them nor a second set in a folder that is already taken.
  box.writeFile(ini.m_strFile, "[SetDescriptions]\r\nCoast=Coast\\\r\nconfig=Evil\\\r\nTwin=Coast/\r\n"
                               "Out=..\\Out\\\r\nCOAST=Other\\\r\nPeaks=Peaks\r\n"
                               "[Coast]\r\nBeach=beach\r\n[Peaks]\r\np=p\r\n[Twin]\r\nt=t\r\n"
                               "[Config]\r\nProgramPath=/real/\r\n");
  EXPECT_EQ(ListSetNames(ini), (Names{"Coast", "Peaks"}));
  EXPECT_EQ(BuildCombinedList(ini), (Names{"Coast~Beach", "Peaks~p"}));
  EXPECT_TRUE(ListPictureNames(ini, "Config").empty());
}

TEST_F(HostileSet, ASetMayNotTakeAnotherSetsNameOrFolderButMayBeCopiedAgain) {
  box.writeFile(ini.m_strFile, kSettings);
  EXPECT_FALSE(CopySetFromFolder(CProfileFile(description("Thief", "Thief", "Coast\\")), ini));
  EXPECT_FALSE(CopySetFromFolder(CProfileFile(description("Thief", "Thief", "./Coast")), ini));
  EXPECT_FALSE(CopySetFromFolder(CProfileFile(description("Thief", "coast", "Thief\\")), ini));
  EXPECT_FALSE(CopySetFromFolder(CProfileFile(description("Thief", "Thief", "..\\Elsewhere\\")), ini));
  EXPECT_EQ(ListSetNames(ini), (Names{"Coast"}));
  EXPECT_TRUE(CopySetFromFolder(CProfileFile(description("Coast", "Coast", "Coast/", "Dunes=dunes\r\n")), ini));
  EXPECT_EQ(ListPictureNames(ini, "Coast"), (Names{"Dunes"}));
}

TEST_F(HostileSet, FileBasesThatLeaveTheSetAreSkipped) {
  const std::string pf = box.programFolder();
  box.writeFile(pf + "Coast/beach.jpg", "jpeg");
  box.writeFile(box.root() + "/outside/secret.jpg", "secret");
  ASSERT_EQ(symlink((box.root() + "/outside").c_str(), (pf + "Coast/door").c_str()), 0);
  ASSERT_EQ(symlink((box.root() + "/outside/secret.jpg").c_str(), (pf + "Coast/fake.jpg").c_str()), 0);
  ASSERT_EQ(symlink((box.root() + "/outside").c_str(), (pf + "Linked").c_str()), 0);
  box.writeFile(ini.m_strFile, "[SetDescriptions]\r\nCoast=Coast\\\r\nLinked=Linked\\\r\n"
                               "[Coast]\r\nBeach=beach\r\nUp=..\\..\\outside\\secret\r\nAbs=/etc/passwd\r\n"
                               "Drive=C:\\secret\r\nDoor=door\\secret\r\nFake=fake\r\nNew=sub\\later\r\n"
                               "[Linked]\r\nSecret=secret\r\n");
  const PictureFiles good = GetPictureFiles(ini, pf, "Coast", "Beach", false);
  EXPECT_TRUE(good.usable);
  EXPECT_EQ(good.jpg, pf + "Coast/beach.jpg");
  EXPECT_TRUE(GetPictureFiles(ini, pf, "Coast", "New", false).usable) << "a file not there yet is only missing";
  for (const char* picture : {"Up", "Abs", "Drive", "Door", "Fake"}) {
    const PictureFiles files = GetPictureFiles(ini, pf, "Coast", picture, false);
    EXPECT_FALSE(files.usable) << picture;
    EXPECT_EQ(files.jpg + files.bmp + files.nfo + files.base, "") << picture;
  }
  EXPECT_FALSE(GetPictureFiles(ini, pf, "Linked", "Secret", false).usable);
}

TEST_F(HostileSet, RemovingASetWithItsFilesSparesAFolderThatAnotherSetUses) {
  const std::string pf = box.programFolder();
  box.writeFile(pf + "Coast/beach.jpg", "jpeg");
  ASSERT_EQ(symlink("Coast", (pf + "Alias").c_str()), 0);
  box.writeFile(ini.m_strFile, "[SetDescriptions]\r\nCoast=Coast\\\r\nCopy=Alias\\\r\n");
  record("Coast", "Coast\\");
  record("Copy", "Alias\\");
  EXPECT_FALSE(RemoveSet(ini, pf, "Copy", true));
  EXPECT_TRUE(box.exists(pf + "Coast/beach.jpg"));
  EXPECT_EQ(ListSetNames(ini), (Names{"Coast"}));
  EXPECT_TRUE(RemoveSet(ini, pf, "Coast", true));
  EXPECT_FALSE(box.exists(pf + "Coast/beach.jpg"));
}

TEST_F(HostileSet, RestoreAllSetsLeavesOutSetsThatWouldOverwriteOthers) {
  const std::string pf = box.programFolder();
  description("Coast", "Coast", "Coast\\", "Beach=beach\r\n");
  description("Evil", "SetDescriptions", "Evil\\", "Coast=..\\..\\\r\n");
  description("Thief", "Thief", "Coast\\");
  record("Evil", "Evil\\");
  record("Coast", "Coast\\");
  record("Thief", "Thief\\");
  EXPECT_TRUE(RestoreAllSets(pf));
  EXPECT_EQ(ListSetNames(ini), (Names{"Coast"}));
  std::string folder;
  ini.ReadString(catalogue::kSetDescriptions, "Coast", folder);
  EXPECT_EQ(folder, "Coast\\");
}

TEST_F(HostileSet, ARecordedSetOfAReservedNameIsNeitherOfferedNorAllowedToDropAnOwnSection) {
  box.writeFile(ini.m_strFile, kSettings);
  record("Config", "Coast\\");
  record("Coast", "Coast\\");
  EXPECT_EQ(ListInstalledSets(), (Names{"Coast"}));
  RemoveSet(ini, box.programFolder(), "Config", false);
  RestoreSet(ini, box.programFolder(), "Config");
  std::string kept;
  ini.ReadString("Config", "CurrentSet", kept);
  EXPECT_EQ(kept, "Coast");
}

// Sets from the old platform name folders and files in any letter case. What is found in
// another case is still held to the set folder.
TEST_F(HostileSet, NamesInAnotherLetterCaseFindTheFilesButNotALinkOutside) {
  const std::string pf = box.programFolder();
  for (const char* file : {"Harbour/quay.jpg", "Harbour/Quay.BMP", "Harbour/QUAY.nfo", "Harbour/Boats.jpg"})
    box.writeFile(pf + file, "x");
  box.writeFile(box.root() + "/outside/door.jpg", "secret");
  ASSERT_EQ(symlink((box.root() + "/outside/door.jpg").c_str(), (pf + "Harbour/door.jpg").c_str()), 0);
  box.writeFile(ini.m_strFile, "[SetDescriptions]\r\nHarbour=HARBOUR\\\r\n"
                               "[Harbour]\r\nQuay=QUAY\r\nBoats=boats\r\nDoor=DOOR\r\n");
  const PictureFiles quay = GetPictureFiles(ini, pf, "Harbour", "Quay", false);
  ASSERT_TRUE(quay.usable);
  EXPECT_EQ(quay.jpg, pf + "Harbour/quay.jpg");
  EXPECT_EQ(quay.bmp, pf + "Harbour/Quay.BMP");
  EXPECT_EQ(quay.nfo, pf + "Harbour/QUAY.nfo");
  EXPECT_EQ(GetPictureFiles(ini, pf, "Harbour", "Boats", false).jpg, pf + "Harbour/Boats.jpg");
  EXPECT_EQ(FindPictureFiles(pf, "harbour/", "boats").jpg, pf + "Harbour/Boats.jpg") << "the saver's way";
  EXPECT_FALSE(GetPictureFiles(ini, pf, "Harbour", "Door", false).usable);
}
