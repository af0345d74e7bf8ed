#pragma once
// The image set catalogue: which sets are installed, where their files lie, which pictures
// each set shows and in which order, and which pictures the user has taken out.
//
// It lives in three places: [SetDescriptions] (set name = set folder), one section per set
// (picture name = file base) and one "<set> Deleted Images" section per set in the main
// settings file "quillmrk.ini"; the set description file "images.ini" in every set
// folder; and the installed-set record in the registry, which outlives the settings file
// and is what sets are restored from. Nothing is cached: every operation reads the files
// as they are now and writes at once.
//
// Set folders are relative to the program folder and may be stored with "\" (as written
// on the old platform) or "/"; both count as the trailing separator, "/" is appended when
// neither ends the value. Paths handed back for the file system are in native form.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "imagelib/profile_file.h"
#include "imagelib/settings_keys.h"

namespace catalogue {
using settings::kMainSettingsFile;
using settings::kRecordKey;
using settings::kSetDescriptionFile;
using settings::kSetDescriptions;
constexpr const char* kDeletedSuffix = " Deleted Images";
constexpr char kEntrySeparator = '~';
constexpr const char* kAllSetsName = "All Image Sets";
}  // namespace catalogue

// Image sets come from strangers. A set's name becomes a section of "quillmrk.ini", its
// folder and file bases become paths below the program folder, so each is checked before
// it is used: a name that would address one of the suite's own sections (or another
// set's), a folder or file base that leads outside where it belongs, is skipped with a
// warning on stderr wherever the catalogue is read, and refused when a set is copied in.

// Why `name` cannot name a set, or "" when it can: empty; "~" (the combined list splits
// there); a section the suite itself uses ("Config", "SetDescriptions", the pseudo-set
// "All Image Sets", any "... Deleted Images" section), compared ignoring case as profile
// names are; or characters that a profile file cannot hold in a key or section name.
std::string SetNameProblem(const std::string& name);
// Why a stored set folder cannot be used, or "" when it can: it must be a relative path
// without ".." components that names a sub-folder of the program folder.
std::string SetFolderProblem(const std::string& folder);
// Two stored set folders name the same folder ("Birds\", "Birds/", "./Birds").
bool SameSetFolder(const std::string& a, const std::string& b);
// The names that may be shown and used as sets, in the given order: without those that
// SetNameProblem refuses, that repeat an earlier name (ignoring case) or whose folder
// (from `folderOf`) is unusable or already belongs to an earlier set.
std::vector<std::string> UsableSetNames(
    const std::vector<std::string>& names,
    const std::function<std::string(const std::string&)>& folderOf);
// True when the picture's files (file base + any extension) lie inside its set folder,
// and the set folder inside the program folder, once links are followed. Warns once
// for each picture it refuses.
bool PictureFilesInside(const std::string& programFolder, const std::string& setFolder,
                        const std::string& fileBase);
// A set's name and its folder as stored.
using SetAndFolder = std::pair<std::string, std::string>;
// Why a set `name` in `folder` cannot stand beside `others`, or "" when it can: another
// set has its name (ignoring case) in another folder, or its folder under another name.
std::string SetClashProblem(const std::string& name, const std::string& folder,
                            const std::vector<SetAndFolder>& others);
// Why the set that `source` describes may not be copied into `target`, or "" when it may
// (or when the source names no set at all): an unusable name or folder, a name that
// another set of the target already has with another folder, or a folder that another
// set of the target already uses. A set copied again over itself is fine.
std::string SetDescriptionProblem(const CProfileFile& source, const CProfileFile& target);

// The files of one picture. Set folder and files are found as the old platform found
// them: the name as stored, else the same name in another letter case ("HARBOUR" finds
// "harbour.jpg"), each file on its own.
// When the set folder or file base would lead outside the program folder or the set
// folder, `usable` is false and the paths are empty: the picture is skipped, as a missing
// one is, and nothing outside is read.
struct PictureFiles {
  bool usable = false;
  std::string fileBase;       // as stored ("Not Available" when the picture is unknown)
  std::string setFolderPath;  // program folder + set folder, with a trailing "/"
  std::string base;           // set folder path + file base as stored
  std::string jpg, bmp, nfo;  // each file's path as found
};

// One step through a list by stored position.
struct PositionStep {
  bool shown = false;   // false only for an empty list
  std::string entry;    // the entry to show
  int nextPosition = 1; // what to store for the next step
};

// The picture that follows the current one.
struct NameStep {
  bool found = false;  // false only for an empty list: there is nothing to show
  std::string set;
  std::string picture;
};

// The usable sets of [SetDescriptions] (see UsableSetNames).
std::vector<std::string> ListSetNames(const CProfileFile& ini);
// The set's folder with a trailing separator; "Not Available/" for a set that is not in
// the catalogue, which names no existing folder.
std::string GetSetFolder(const CProfileFile& ini, const std::string& set);
std::vector<std::string> ListPictureNames(const CProfileFile& ini, const std::string& set);
std::vector<std::string> ListRemovedPictureNames(const CProfileFile& ini, const std::string& set);
PictureFiles GetPictureFiles(const CProfileFile& ini, const std::string& programFolder,
                             const std::string& set, const std::string& picture, bool removed);
// The same for a set folder and file base already read (the screen saver reads them on
// its own); `fileBase` is what the result reports as stored.
PictureFiles FindPictureFiles(const std::string& programFolder, const std::string& setFolder,
                              const std::string& fileBase);

// All sets interleaved: the first picture of every set in catalogue order, then the
// second pictures, and so on; each entry is set name + "~" + picture name.
std::vector<std::string> BuildCombinedList(const CProfileFile& ini);
// Splits an entry at its first "~" (picture names may contain "~", set names may not).
// An entry without "~" is all picture name.
void SplitCombinedEntry(const std::string& entry, std::string& set, std::string& picture);

// Shows the entry at `position` and stores position + 1; past the end (or before the
// start) it starts over with entry 0 and stores 1. An empty list shows nothing, stores 1.
PositionStep StepByPosition(const std::vector<std::string>& list, int position);
// The entry after the first one equal to the current picture (single set) or to
// current set + "~" + current picture (all-sets mode, `combined` true), wrapping from the
// last entry to the first. When nothing matches, the list starts over at its first entry,
// so a wallpaper changer whose current picture vanished still moves on to a real picture.
// An empty list gives found == false.
NameStep StepByName(const std::vector<std::string>& list, bool combined,
                    const std::string& currentSet, const std::string& currentPicture);

// Moving a picture between the set's section and its removed-pictures section; the
// picture keeps its file base and goes to the end of the target section. A picture that
// is not in the source section is left alone.
void RemovePicture(const CProfileFile& ini, const std::string& set, const std::string& picture);
void RestorePicture(const CProfileFile& ini, const std::string& set, const std::string& picture);

// Copies the set named by the source's first [SetDescriptions] key into the target: its
// [SetDescriptions] entry and its whole picture section (replacing the target's). False,
// and nothing changed, when the source names no set or SetDescriptionProblem refuses it
// (which is then said on stderr). The source is a set's images.ini, read as an outside
// file (its first megabyte).
bool CopySetFromFolder(const CProfileFile& source, const CProfileFile& target);
// Rebuilds the catalogue of programFolder + "quillmrk.ini" from the installed-set record.
// Shows the "no sets" message and returns false when no set could be copied.
bool RestoreAllSets(const std::string& programFolder);
// Value names of the installed-set record, in record order.
std::vector<std::string> ListInstalledSets();
// The same with each set's recorded folder (values that are not text are left out).
std::vector<SetAndFolder> ListInstalledSetFolders();
// Takes the set out of the catalogue. With `deleteFiles` it also drops the set from the
// installed-set record and deletes the set folder's plain files and the folder — but
// only when the recorded folder lies strictly inside the program folder and no other set
// of the catalogue or the record uses it; otherwise no file is touched. Returns false when files were to be deleted but were refused or the
// folder could not be removed; the catalogue entries are removed either way.
bool RemoveSet(const CProfileFile& ini, const std::string& programFolder, const std::string& set,
               bool deleteFiles);
// Puts an installed set back into the catalogue as installed: all its pictures, none
// removed, last in catalogue order. When its folder no longer holds a set description,
// tells the user, forgets the set in the record too and returns false.
bool RestoreSet(const CProfileFile& ini, const std::string& programFolder, const std::string& set);
