#pragma once
// Two of the shell's own dialogs, as a program called them to work on a folder of files.
//
// BrowseForFolder is SHBrowseForFolder with BIF_RETURNONLYFSDIRS | BIF_EDITBOX: a folder of
// the file system is picked from the tree, or its path is typed into the edit box and
// Enter pressed. The path comes back (UTF-8, as the file system names it), "" when the
// user cancelled — and at once when nobody could answer (ModalDialogCanBeAnswered).
//
// RunWithProgress is the shell's progress dialog (IProgressDialog started with
// PROGDLG_MODAL | PROGDLG_NOMINIMIZE) around a piece of work: a title, a line of text, a
// bar and Cancel, modal over the program's windows. The work runs on a thread of its own
// while the program's windows keep painting and answering; it reports each step, and the
// report's answer is HasUserCancelled() turned round: false once Cancel (or Escape, or the
// close box) was pressed, after which the dialog waits, saying so, for the work to return.
// The work must not touch windows. An exception out of the work comes out of
// RunWithProgress once the thread has ended.
#include <functional>
#include <string>

// `start`: the folder shown first; "" for the user's home folder.
std::string BrowseForFolder(const std::string& title, const std::string& start = "");

// `total` 0: the amount of work is not known yet (the bar runs without an end).
using ProgressReport = std::function<bool(int done, int total, const std::string& line)>;
// True when the work ran to its end, false when the user cancelled it.
bool RunWithProgress(const std::string& title, const std::function<void(const ProgressReport&)>& work);

// Test hook for the folder chooser: called once it shows, inside its modal loop, to play the
// user; a chooser still open afterwards is cancelled, so a test never waits for a person.
using FolderChooserHook = std::function<void()>;
// Replaces the hook; returns the previous one.
FolderChooserHook SetFolderChooserHook(FolderChooserHook hook);
