// coremain for engine test programs: the engine's own main brings up the
// window and the event thread, and the tests run on the demo thread as an
// application would. The engine always exits with 0, so a failure ends the
// process here with GoogleTest's status.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "engine/platform/driver.h"

// Leaks of the GL and window-system libraries at exit are theirs, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libGLX\nleak:libGL.so\nleak:libEGL\nleak:_dri.so\nleak:libLLVM\nleak:libSDL2\n"
           "leak:libX11\nleak:libxcb\nleak:libdbus\nleak:libudev\nleak:libglapi\nleak:libgallium\n";
}

int coremain(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    if (result != 0) {
        fflush(stdout);
        fflush(stderr);
        _exit(result);
    }
    return 0;
}
