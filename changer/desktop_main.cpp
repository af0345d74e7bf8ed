// quillrun-desktop: the part of quillrun (logon_main.cpp) that reaches the desktop, started by
// it only when there is a wallpaper to change or put back. Changes the wallpaper
// when its interval has passed, else puts the recorded one back, and ends. It shows no
// window; the only thing that can appear is the wallpaper's error message. Settings it
// could not write go to stderr (the session's log) and make the exit status 1, so a full
// disk does not pass for a change. When a new picture could not be shown it says so in one
// line on stderr; it ends with 1 when a desktop was there but not set (with no display at
// all, recording was all there was to do, and the next log-on with a display shows it).
// It runs at every log-on, so it starts without the toolkit: the message is shown by the
// small program quillmsg beside it, started only when there is something to say.
#include <cstdio>

#include "changer/wallpaper_change.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "platform/screen.h"
#include "platform/wallpaper.h"
#include "platform/write_failures.h"

namespace {
// The exit status.
int RunQuillrun() {
  // The screen's size, its monitors, the desktop's signals and the root's wallpaper are
  // asked of the display in turn: one connection serves them all.
  const SharedDisplayConnection display;
  int exitCode = 0;
  ClearWriteFailures();
  const ChangeResult result = RunLogonWallpaperChange(ProgramFolder(), LocalNow());
  for (const WriteFailure& failure : WriteFailures()) {
    std::fprintf(stderr, "quillrun: cannot write %s\n", DescribeWriteFailure(failure).c_str());
    exitCode = 1;
  }
  const bool changed = result == ChangeResult::Changed;
  if ((result == ChangeResult::Manual || result == ChangeResult::NotDue) &&
      !RestoreRecordedWallpaper())
    return exitCode;
  const WallpaperReport shown = LastWallpaperReport();
  // A bitmap that could not be read has had its say where it failed (the decoder's
  // message); the desktop keeps what it showed.
  if (shown.desktop.empty() || shown.result == WallpaperShown::Shown ||
      shown.result == WallpaperShown::NotRead)
    return exitCode;
  // Nothing is lost when there is no display to put the recorded wallpaper back on.
  if (!changed && shown.result == WallpaperShown::NoDisplay) return exitCode;
  std::fprintf(stderr, "quillrun: %s\n", shown.message.c_str());
  if (shown.result != WallpaperShown::NoDisplay) exitCode = 1;
  return exitCode;
}
}  // namespace

int main() {
  SetApplicationTitle("QuillMark Configuration");
  ShowMessagesThrough(ExecutableFolder() + "quillmsg");
  return RunQuillrun();
}
