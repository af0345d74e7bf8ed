#pragma once
// Shortcuts in the user's Startup folder, as the old shell's shortcut object (IShellLinkA
// saved through IPersistFile) made them. Here the Startup folder is the XDG autostart
// folder (the registry's "Startup" shell folder) and a shortcut is a desktop entry
// "<name>.desktop" whose Exec line starts the target, quoted, with no arguments; the
// desktop session starts it at every log-on.
#include <string>

#include "platform/types.h"

// The file name a shortcut of that name gets: name + ".desktop".
std::string ShortcutFileName(const std::string& name);

// The user's Startup folder from the registry (value "Startup" of the shell folders key,
// Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders, read into a
// 260-byte buffer). False when the
// key or the value cannot be read.
bool GetStartupFolder(std::string& folder);

class CShellLink {
 public:
  void SetPath(const std::string& target) { m_target = target; }
  void SetDescription(const std::string& text) { m_description = text; }
  const std::string& GetPath() const { return m_target; }
  const std::string& GetDescription() const { return m_description; }

  // Writes the entry to `path` (atomically; the folder is made when missing). FALSE when
  // there is no target, when the target or description holds a line break or another
  // control character (the entry could not say it), or when the file cannot be written.
  BOOL Save(const std::string& path) const;

  // The entry's text, as Save writes it ("" when it cannot be written).
  std::string EntryText() const;

 private:
  std::string m_target;
  std::string m_description;
};

// The target of a saved entry's Exec line, unquoted; "" when the file is no entry of ours
// or cannot be read. For tests and diagnostics.
std::string ReadShortcutTarget(const std::string& path);
