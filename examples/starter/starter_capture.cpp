// starter-capture: the engine's capture tool for the starter, linked with
// its coremain: starter-capture starter.mp4, --stills, --trace, --slow...
#include "tools/capture/capture.h"

int main(int argc, char** argv)
{
    capture_demo demo;
    demo.program = "starter-capture";
    demo.width = 1280;
    demo.height = 720;
    return capture_main(argc, argv, demo);
}
