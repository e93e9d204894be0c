// The process entry of programs on the SDL2 backend. A program that needs
// an entry of its own (the capture tool sets up the offline platform first)
// defines main and calls mox_main; the linker then leaves this file out.
#include "engine/platform/driver.h"

int main(int argc, char** argv) { return mox_main(argc, argv); }
