// Linked into a copy of the example program: once a few frames are on
// screen it pushes a real Escape key-down into SDL's event queue, as a user
// pressing the key would, and leaves it held. The example must end on it.
#include <SDL2/SDL.h>  // to push the key event

#include <chrono>
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
