#pragma once
// Image sets made from a folder of the user's own photos, by the installer's --photos and
// by the configuration program's "New Set from Folder...".
//
// The photo folder belongs to anyone: its files are read as hostile input, links are not
// followed, files that cannot be read or decoded are skipped with one line each, and
// nothing is written outside the new set folder below the program folder. Each picture is
// stored upright as a JPEG with its 80 x 60 thumbnail and its information file; the set
// folder also holds "photos.ini", which remembers the photo folder and which photo each
// file base came from, so that the set can be brought up to date later.
#include <functional>
#include <string>

namespace photos {

constexpr const char* kSourceFile = "photos.ini";

// What became of one photo (or of one file the listing passed over).
struct Step {
  int done = 0;   // photos handled so far, this one included (0 while listing)
  int total = 0;  // photos found (0 while listing)
  bool skipped = false;
  // One line for the user: "trip/a.jpg -> Harbour at dawn", "skipping b.jpg: it cannot be
  // decoded", "removed Harbour (trip/a.jpg)".
  std::string line;
};
// Told of every step, on the thread that makes the set. Returning false stops MakeSet,
// which then removes all it made; UpdateSet does not ask.
using Progress = std::function<bool(const Step&)>;

// Set names are given in UTF-8.
// Why `setName` cannot be made into a new set below `programFolder`, or "" when it can:
// characters that the set files' code page cannot hold, a name that SetNameProblem refuses,
// one longer than the installed-set record keeps, or one that clashes (SetClashProblem)
// with an installed set or a set of the catalogue, or one whose set folder (FolderForName)
// is already there. `stored` receives the name as the catalogue keeps it.
std::string NewSetProblem(const std::string& programFolder, const std::string& setName, std::string& stored);

// Why the set `stored` in `setFolder` cannot stand beside the installed sets and those of
// the catalogue in programFolder's "quillmrk.ini", or "" when it can.
std::string InstalledSetClash(const std::string& programFolder, const std::string& stored,
                              const std::string& setFolder);

// Makes the set `setName` from `photoFolder` below `programFolder` (canonical). On success
// `setFolder` receives the set folder as it is to be recorded ("Name\") and "" is
// returned; else a description of why nothing was made (and nothing is left behind).
std::string MakeSet(const std::string& programFolder, const std::string& photoFolder,
                    const std::string& setName, std::string& setFolder, const Progress& progress);

// Brings a set made by MakeSet up to date with its photo folder: photos added there are
// appended, photos gone from there are dropped from the set, its files and the catalogue
// of "quillmrk.ini"; pictures the user took out of the set stay out. "" on success, with
// `summary` saying how many pictures came and went.
std::string UpdateSet(const std::string& programFolder, const std::string& setName,
                      const Progress& progress, std::string& summary);

// Records a set that MakeSet made (name as stored) as installed, and puts it into the
// catalogue of programFolder's "quillmrk.ini" at once. "" on success.
std::string AddMadeSet(const std::string& programFolder, const std::string& stored,
                       const std::string& setFolder);

// A set name as the catalogue and the installed-set record keep it: in the code page of
// the set files. False when the name has characters that the code page cannot hold.
bool StoredName(const std::string& utf8, std::string& stored);

// The set folder that a set name gets: its letters and digits, the rest as "_".
std::string FolderForName(const std::string& setName);

}  // namespace photos
