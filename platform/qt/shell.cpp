#include <QFileInfo>
#include <QStandardPaths>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/shell.h"

namespace {
bool IsProgramFile(const std::string& path) {
  QFileInfo info(QString::fromStdString(path));
  return info.isFile() && info.isExecutable();
}
}  // namespace

std::intptr_t ShellExecute(HWND, const char* verb, const char* file, const char* parameters,
                           const char*, int) {
  if (verb && *verb && std::strcmp(verb, "open") != 0) return SE_ERR_NOASSOC;
  if (!file || !*file) return SE_ERR_FNF;
  std::string target = file;
  std::string params = parameters ? parameters : "";

  // Programs written for the old platform name their siblings with ".exe".
  std::string program = target;
  if (!IsProgramFile(program) && program.size() > 4 &&
      program.compare(program.size() - 4, 4, ".exe") == 0)
    program.resize(program.size() - 4);
  if (target.find('/') != std::string::npos && IsProgramFile(program)) {
    std::vector<std::string> argv{program};
    if (!params.empty()) argv.push_back(params);
    return SpawnProgram(argv) ? 42 : SE_ERR_FNF;
  }

  // Everything else is a document or an address for the desktop's opener, which reads a
  // leading "-" as an option: such a name is never handed over.
  if (target[0] == '-') return SE_ERR_ACCESSDENIED;
  QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) return SE_ERR_NOASSOC;
  return SpawnProgram({opener.toStdString(), target}) ? 42 : SE_ERR_NOASSOC;
}
