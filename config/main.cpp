#include "config/ssconfig.h"

int main(int argc, char** argv) {
  CSsconfigApp app;
  return RunApplication(app, argc, argv);
}
