#pragma once
// Image sets made from a folder of the user's own photos.
//
// The photo folder belongs to anyone: its files are read as hostile input, links are not
// followed, files that cannot be read or decoded are skipped with one line on stderr, and
// nothing is written outside the new set folder below the program folder. Each picture is
// stored upright as a JPEG with its 80 x 60 thumbnail and its information file; the set
// folder also holds "photos.ini", which remembers the photo folder and which photo each
// file base came from, so that the set can be brought up to date later.
#include <string>

namespace photos {

constexpr const char* kSourceFile = "photos.ini";

// Set names are given in UTF-8.
// Makes the set `setName` from `photoFolder` below `programFolder` (canonical). On success
// `setFolder` receives the set folder as it is to be recorded ("Name\") and "" is
// returned; else a description of why nothing was made.
std::string MakeSet(const std::string& programFolder, const std::string& photoFolder,
                    const std::string& setName, std::string& setFolder);

// Brings a set made by MakeSet up to date with its photo folder: photos added there are
// appended, photos gone from there are dropped from the set, its files and the catalogue
// of "quillmrk.ini"; pictures the user took out of the set stay out. "" on success.
std::string UpdateSet(const std::string& programFolder, const std::string& setName);

// A set name as the catalogue and the installed-set record keep it: in the code page of
// the set files. False when the name has characters that the code page cannot hold.
bool StoredName(const std::string& utf8, std::string& stored);

// The set folder that a set name gets: its letters and digits, the rest as "_".
std::string FolderForName(const std::string& setName);

}  // namespace photos
