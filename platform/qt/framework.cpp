#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <QPixmap>
#include <map>
#include <memory>
#include <string>

#include "platform/framework.h"
#include "platform/gui.h"
#include "platform/message_box.h"
#include "platform/qt/framework_internal.h"

// ----- icon resources --------------------------------------------------------------------

namespace {
struct IconResource {
  const char* const* xpm = nullptr;
  const unsigned char* data = nullptr;
  std::size_t size = 0;
  std::unique_ptr<IconObject> loaded;
  bool tried = false;
};

std::map<UINT, IconResource>& icons() {
  static std::map<UINT, IconResource> m;
  return m;
}
}  // namespace

void RegisterIconResource(UINT id, const char* const* xpm) {
  IconResource& r = icons()[id];
  r = IconResource{};
  r.xpm = xpm;
}

void RegisterIconResource(UINT id, const unsigned char* data, std::size_t size) {
  IconResource& r = icons()[id];
  r = IconResource{};
  r.data = data;
  r.size = size;
}

HICON LoadIconResource(UINT id) {
  auto it = icons().find(id);
  if (it == icons().end()) return nullptr;
  IconResource& r = it->second;
  if (!r.tried) {
    r.tried = true;
    QImage image;
    if (r.xpm) image = QImage(r.xpm);
    else if (r.data) image = QImage::fromData(r.data, static_cast<int>(r.size));
    if (!image.isNull()) r.loaded = std::make_unique<IconObject>(IconObject{image});
  }
  return r.loaded.get();
}

void GetIconSize(HICON icon, int* width, int* height) {
  if (width) *width = icon ? icon->image.width() : 0;
  if (height) *height = icon ? icon->image.height() : 0;
}

QIcon ToQIcon(HICON icon) {
  if (!icon) return QIcon();
  return QIcon(QPixmap::fromImage(icon->image));
}

// ----- the application object ------------------------------------------------------------

namespace {
CWinApp*& currentApp() {
  static CWinApp* app = nullptr;
  return app;
}
}  // namespace

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName ? appName : "") {
  currentApp() = this;
}

CWinApp::~CWinApp() {
  if (currentApp() == this) currentApp() = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }
int CWinApp::ExitInstance() { return 0; }

CWinApp* AfxGetApp() { return currentApp(); }

std::string JoinCommandLine(int argc, char** argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (!argv[i]) break;
    if (i > 1) line += ' ';
    line += argv[i];
  }
  return line;
}

int RunApplication(CWinApp& app, int argc, char** argv) {
  currentApp() = &app;
  app.m_lpCmdLine = JoinCommandLine(argc, argv);
  if (app.m_pszAppName.empty() && argc > 0 && argv[0]) {
    std::string path = argv[0];
    std::size_t slash = path.find_last_of('/');
    app.m_pszAppName = slash == std::string::npos ? path : path.substr(slash + 1);
  }
  SetApplicationTitle(app.m_pszAppName);
  // The toolkit gets the program name only; the command line is the program's own.
  static char* toolkitArgv[2] = {nullptr, nullptr};
  static std::string programName;
  programName = (argc > 0 && argv[0]) ? argv[0] : app.m_pszAppName;
  toolkitArgv[0] = programName.data();
  static int toolkitArgc = 1;
  StartUserInterface(toolkitArgc, toolkitArgv);
  int code = 0;
  if (app.InitInstance()) RunUserInterface();
  code = app.ExitInstance();
  StopUserInterface();
  return code;
}
