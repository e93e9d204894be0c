// Linked into a copy of the example program: once a few frames are on
// screen it pushes a real Escape key-down into SDL's event queue, as a user
// pressing the key would, and leaves it held. The example must end on it.
// With MOX_TEST_CLOSE=1 it closes the window from outside instead, and the
// process must end at once without the example finishing its loop.
#include <SDL2/SDL.h>  // to push the key event

#include <chrono>
#include <cstdlib>
#include <thread>

#include "engine/platform/driver.h"

namespace {

void pushescape()
{
    // Give up after a minute; the test then fails on the example's output.
    for (int i = 0; i < 6000 && mox_framespresented() < 10; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    SDL_Event e;
    SDL_zero(e);
    const char* close = getenv("MOX_TEST_CLOSE");
    if (close && *close == '1') {
        e.type = SDL_WINDOWEVENT;
        e.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&e);
        return;
    }
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = SDLK_ESCAPE;
    e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&e);
}

const bool started = [] {
    std::thread(pushescape).detach();
    return true;
}();

}  // namespace
