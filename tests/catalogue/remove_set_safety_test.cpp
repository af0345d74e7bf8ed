// Deleting a set's files trusts a folder name that outside installers wrote into the
// registry. Whatever that name says, nothing outside the set's own folder below the
// program folder may be deleted, and the set still leaves the catalogue.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "imagelib/catalogue.h"
#include "platform/folder_ops.h"
#include "platform/registry.h"
#include "tests/support/sandbox.h"

namespace {
void record(const std::string& set, const std::string& folder) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, catalogue::kRecordKey, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, set.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                          static_cast<DWORD>(folder.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
}
}  // namespace

TEST(RemoveSetSafety, RefusesFoldersThatAreNotStrictlyInsideTheProgramFolder) {
  struct Case {
    const char* why;
    std::string folder;
  };
  Sandbox probe;
  const std::vector<Case> cases = {
      {"empty", ""},
      {"absolute", probe.root() + "/outside/"},
      {"absolute, old form", "\\outside\\"},
      {"drive letter", "C:\\outside\\"},
      {"parent", "..\\outside\\"},
      {"parent inside a path", "Birds\\..\\..\\outside\\"},
      {"program folder itself", ".\\"},
      {"program folder through a sub-folder", "Birds/.."},
      {"link leading outside", "Escape\\"},
      {"link to the program folder", "Loop\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Sandbox box;
    const std::string program = box.programFolder();
    // The absolute cases name the outside folder of this sandbox, not the probe's.
    std::string folder = c.folder;
    if (folder.rfind(probe.root(), 0) == 0) folder = box.root() + folder.substr(probe.root().size());
    box.writeFile("outside/precious.jpg", "keep");
    box.writeFile(program + "quillmrk.ini",
                  "[SetDescriptions]\r\nBirds=x\\\r\n[Birds]\r\nHawk=hawk\r\n"
                  "[Birds Deleted Images]\r\nOwl=owl\r\n");
    box.writeFile(program + "quillsav", "program");
    box.writeFile(program + "Birds/hawk.jpg", "bird");
    ASSERT_EQ(symlink(box.path("outside").c_str(), (program + "Escape").c_str()), 0);
    ASSERT_EQ(symlink(program.c_str(), (program + "Loop").c_str()), 0);
    record("Birds", folder);

    CProfileFile ini(program + "quillmrk.ini");
    EXPECT_FALSE(RemoveSet(ini, program, "Birds", true));

    EXPECT_EQ(box.readFile("outside/precious.jpg"), "keep");
    EXPECT_TRUE(box.exists(program + "quillsav"));
    EXPECT_TRUE(box.exists(program + "Birds/hawk.jpg"));
    EXPECT_TRUE(box.exists(program + "Escape")) << "the link itself stays too";
    EXPECT_TRUE(ListSetNames(ini).empty());
    EXPECT_TRUE(ListPictureNames(ini, "Birds").empty());
    EXPECT_TRUE(ListRemovedPictureNames(ini, "Birds").empty());
    EXPECT_TRUE(ListInstalledSets().empty());
  }
}

TEST(RemoveSetSafety, DeletesLinksInsideTheSetFolderButNeverWhatTheyPointAt) {
  Sandbox box;
  const std::string program = box.programFolder();
  box.writeFile("outside/precious.jpg", "keep");
  box.writeFile(program + "Sets/Birds/hawk.jpg", "bird");
  box.writeFile(program + "Sets/Birds/Nested/egg.jpg", "egg");
  ASSERT_EQ(symlink(box.path("outside/precious.jpg").c_str(), (program + "Sets/Birds/link.jpg").c_str()), 0);
  ASSERT_EQ(symlink(box.path("outside").c_str(), (program + "Sets/Birds/dirlink").c_str()), 0);
  record("Birds", "Sets\\Birds\\");
  CProfileFile ini(program + "quillmrk.ini");
  ini.WriteString("SetDescriptions", "Birds", "Sets\\Birds\\");

  EXPECT_FALSE(RemoveSet(ini, program, "Birds", true)) << "the nested folder keeps it in place";
  EXPECT_EQ(box.readFile("outside/precious.jpg"), "keep");
  EXPECT_FALSE(box.exists(program + "Sets/Birds/hawk.jpg"));
  EXPECT_FALSE(box.exists(program + "Sets/Birds/link.jpg"));
  EXPECT_TRUE(box.exists(program + "Sets/Birds/Nested/egg.jpg"));
  EXPECT_TRUE(ListSetNames(ini).empty());

  EXPECT_FALSE(box.exists(program + "Sets/Birds/dirlink"));

  // Handed a link as the folder itself, the deletion does not follow it.
  ASSERT_EQ(symlink(box.path("outside").c_str(), (program + "OutLink").c_str()), 0);
  EXPECT_FALSE(DeleteFolderFiles(program + "OutLink"));
  EXPECT_EQ(box.readFile("outside/precious.jpg"), "keep");
}
