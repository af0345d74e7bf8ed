// quillmsg: shows one message box for a program of the suite that does not load the
// toolkit itself (quillrun); exits with the answer (IDOK, IDCANCEL, IDYES, IDNO).
//   quillmsg CAPTION TEXT TYPE
#include <cstdlib>

#include "platform/gui.h"
#include "platform/message_box.h"

int main(int argc, char** argv) {
  if (argc != 4) return 0;
  SetApplicationTitle(argv[1]);
  int toolkitArgc = 1;
  StartUserInterface(toolkitArgc, argv);
  const int answer = MessageBox(nullptr, argv[2], argv[1],
                                static_cast<UINT>(std::strtoul(argv[3], nullptr, 10)));
  StopUserInterface();
  return answer;
}
