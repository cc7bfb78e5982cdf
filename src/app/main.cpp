// veltrix: the desktop window.

#include "app/application.h"

int main(int argc, char** argv) {
  return veltrix::RunApplication(argc, argv);
}
