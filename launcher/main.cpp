#include "launcher/netjumper.h"

int main(int argc, char** argv) {
  CNetJumperApp app;
  return RunApplication(app, argc, argv);
}
