#pragma once
// The log-on wallpaper change: read the wallpaper state from quillmrk.ini in the program
// folder, decide whether the change interval has passed since "LastDate", step to the next
// picture of the set (or of all sets), make it the wallpaper, and record the new current
// set, picture and today's date.
#include <string>

#include "imagelib/last_date.h"

enum class ChangeResult {
  Manual,       // "ChangeImage" 3 or missing (also: no quillmrk.ini): nothing written
  NotDue,       // interval not passed, or "LastDate" missing or not a date: nothing written
  NoPicture,    // the set (or every set) has no pictures: nothing to show, nothing written
  Changed,      // a picture was handed to the wallpaper and the state written
};

// `programFolder` with or without a trailing separator; `now` is the local time of the run.
ChangeResult RunLogonWallpaperChange(const std::string& programFolder, const LocalDateTime& now);

// Puts the wallpaper recorded in win.ini back on the desktop, without recording anything:
// a bare window manager forgets the root background when the X server ends, and quillrun
// is the suite's only program that runs at every log-on. False when nothing (or "(None)")
// is recorded, so there was nothing to put back.
bool RestoreRecordedWallpaper();

// Whether a log-on run has anything for the desktop: a change is due, or a recorded
// wallpaper is to be put back and the session names a display, a desktop or a session bus
// to put it on. False means that reading the settings was all there was to do. Reads only
// the settings files, so the log-on program can answer it before loading any desktop code.
bool LogonNeedsDesktop(const std::string& programFolder, const LocalDateTime& now);
