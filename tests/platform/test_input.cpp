// Input through the engine's entry point: events handed to mox_input, as
// every backend hands them, read back by the polling calls; and real SDL
// events pushed to the SDL backend's event thread, which arrive through the
// same entry point with the engine's key codes and button numbers.
#include <SDL2/SDL.h>  // to push real events and attach virtual joysticks
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/platform/backend.h"
#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"

namespace {

// --- events as the engine takes them ---------------------------------------------

void key(int vk, bool down, int side = 0, int system = 0)
{
    s_input e = {};
    e.type = MOX_INPUT_KEY;
    e.key = vk;
    e.down = down;
    e.side = side;
    e.system = system;
    mox_input(e);
}

void press(int vk, int side = 0, int system = 0) { key(vk, true, side, system); }
void release(int vk, int side = 0, int system = 0) { key(vk, false, side, system); }

void wheel(int steps)
{
    s_input e = {};
    e.type = MOX_INPUT_WHEEL;
    e.steps = steps;
    mox_input(e);
}

// 1 left, 2 right, 3 middle, 4 and 5 the side buttons.
void button(int which, bool down)
{
    s_input e = {};
    e.type = MOX_INPUT_BUTTON;
    e.key = which;
    e.down = down;
    mox_input(e);
}

void motion(int x, int y) { mox_inputcursormoved(x, y); }

// --- events as SDL hands them to its backend ---------------------------------------

void sdlkey(SDL_Keycode k, bool down, Uint16 mod = KMOD_NONE, SDL_Scancode place = SDL_SCANCODE_UNKNOWN)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = k;
    e.key.keysym.mod = mod;
    e.key.keysym.scancode = place;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    mox_syncevents();
}

void sdlwheel(int y, bool flipped = false)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEWHEEL;
    e.wheel.y = y;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    mox_syncevents();
}

void sdlbutton(Uint8 which, bool down)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = which;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = 11;
    e.button.y = 22;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    mox_syncevents();
}

TEST(Keys, EscapeHeldIsHeldOnEveryPollAndPressedOnlyOnTheFirst)
{
    int held = -1, pressed = -1;
    MOX_GetKeys(&held, &pressed);  // start from a known previous mask
    press(MOX_VK_ESCAPE);
    MOX_GetKeys(&held, &pressed);
    EXPECT_EQ(held, 0x8000);
    EXPECT_EQ(pressed, 0x8000);
    EXPECT_EQ(MOX_keys[0x1B], 0x8000);
    for (int i = 0; i < 3; i++) {
        MOX_GetKeys(&held, &pressed);
        EXPECT_EQ(held, 0x8000);
        EXPECT_EQ(pressed, 0);
    }
    EXPECT_EQ(MOX_joykey, 0x8000);
    release(MOX_VK_ESCAPE);
    MOX_GetKeys(&held, &pressed);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(MOX_keys[0x1B], 0);
    MOX_GetKeys(nullptr, nullptr);  // both outputs may be null
}

TEST(Keys, EnterAndOneTogetherGiveASingleBit)
{
    press(MOX_VK_RETURN);
    press('1');
    int held = 0;
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0x1000);
    release(MOX_VK_RETURN);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0x1000);  // 1 still holds it
    release('1');
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);
}

TEST(Keys, ArrowsAndModifiersCombine)
{
    press(MOX_VK_UP);
    press(MOX_VK_LEFT);
    press(MOX_VK_SHIFT, 0xA1);
    press(MOX_VK_CONTROL, 0xA2);
    int held = 0;
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0x1 | 0x4 | 0x40 | 0x20);
    release(MOX_VK_UP);
    release(MOX_VK_LEFT);
    release(MOX_VK_SHIFT, 0xA1);
    release(MOX_VK_CONTROL, 0xA2);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);
}

TEST(Keys, ShiftStaysHeldWhileEitherSideIs)
{
    press(MOX_VK_SHIFT, 0xA0);
    press(MOX_VK_SHIFT, 0xA1);
    release(MOX_VK_SHIFT, 0xA1);
    int held = 0;
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0x40);
    EXPECT_EQ(MOX_keys[0x10], 0x8000);
    EXPECT_EQ(MOX_keys[0xA0], 0x8000);  // left shift by its own code
    EXPECT_EQ(MOX_keys[0xA1], 0);
    press(MOX_VK_CONTROL, 0xA3);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0x40 | 0x20);
    EXPECT_EQ(MOX_keys[0xA3], 0x8000);
    EXPECT_EQ(MOX_keys[0xA2], 0);
    release(MOX_VK_SHIFT, 0xA0);
    release(MOX_VK_CONTROL, 0xA3);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(MOX_keys[0x10], 0);
    EXPECT_EQ(MOX_keys[0xA0], 0);
    EXPECT_EQ(MOX_keys[0x11], 0);
}

TEST(KeyCode, F5IsReportedChangedOnceAndItsReleaseClearsTheMemory)
{
    int code = -1, changed = -1;
    MOX_GetKeycode(&code, &changed);
    ASSERT_EQ(code, 0);
    press(0x74);
    MOX_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0xF034);
    EXPECT_EQ(changed, 1);
    MOX_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0xF034);
    EXPECT_EQ(changed, 0);
    release(0x74);
    MOX_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(changed, 0);
}

TEST(KeyCode, ReleasingAnEarlierKeyKeepsTheLaterOne)
{
    press('A');
    press('B');
    release('A');
    EXPECT_EQ(mox_keycode, 'B');
    int code = 0, changed = 0;
    MOX_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 'B');
    release('B');
    EXPECT_EQ(mox_keycode, 0);
    MOX_GetKeycode(&code, &changed);
    EXPECT_EQ(code, 0);
}

TEST(KeyCode, SystemKeysReachThePollButNotTheKeyTable)
{
    press('X', 0, 1);
    EXPECT_EQ(MOX_keys[int('X')], 0);
    EXPECT_EQ(mox_keycode, 0);
    int held = 0;
    MOX_GetKeys(&held, nullptr);  // the held state sees it
    EXPECT_EQ(held, 0x100);
    release('X', 0, 1);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);
}

TEST(Mouse, OneWheelStepMovesTheCounterByOne)
{
    int z0 = 0, zdir = 0;
    MOX_GetMouseWheel(&z0, &zdir);
    wheel(1);
    int z = 0;
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0 + 1);
    EXPECT_EQ(zdir, 1);
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0 + 1);
    EXPECT_EQ(zdir, 0);
    wheel(-1);
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0);
    EXPECT_EQ(zdir, -1);
    wheel(0);
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0);
    EXPECT_EQ(zdir, 0);
}

TEST(Mouse, ButtonsStayHeldWhileTheMouseMoves)
{
    button(1, true);
    motion(5, 6);
    motion(7, 9);
    int x, y, b = 0;
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(b, 1);
    button(3, true);
    button(2, true);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(b, 1 | 2 | 4);
    button(1, false);
    button(3, false);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(b, 2);
    button(2, false);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(b, 0);
}

TEST(Mouse, ButtonsHaveTheirOwnVirtualKeys)
{
    button(1, true);
    button(3, true);
    button(5, true);
    int held = -1;
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);  // no logical bit
    EXPECT_EQ(MOX_keys[1], 0x8000);
    EXPECT_EQ(MOX_keys[2], 0);
    EXPECT_EQ(MOX_keys[4], 0x8000);
    EXPECT_EQ(MOX_keys[6], 0x8000);
    button(1, false);
    button(3, false);
    button(5, false);
    button(2, true);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(MOX_keys[1], 0);
    EXPECT_EQ(MOX_keys[2], 0x8000);
    EXPECT_EQ(MOX_keys[4], 0);
    EXPECT_EQ(MOX_keys[6], 0);
    button(2, false);
}

TEST(Mouse, ModesReportClientAndRelativePositions)
{
    MOX_SetMouseMode(1);
    motion(30, 40);
    int x = 0, y = 0, b = 0;
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    MOX_SetMouseMode(2);
    motion(35, 38);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, -2);
    MOX_GetMouse(&x, &y, &b);  // no movement since
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(mox_mouse_oldx, 35);
    MOX_SetMouseMode(7);  // unknown mode: positions are not written
    x = y = 12345;
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(x, 12345);
    EXPECT_EQ(y, 12345);
    MOX_SetMouseMode(0);
}

TEST(SdlEvents, LettersOfANonLatinLayoutKeepTheCodesOfTheirPlaces)
{
    // Cyrillic ef sits where A is; the top row of AZERTY gives "&" for 1.
    sdlkey(0x0444, true, KMOD_NONE, SDL_SCANCODE_A);
    sdlkey(SDLK_AMPERSAND, true, KMOD_NONE, SDL_SCANCODE_1);
    EXPECT_EQ(MOX_keys[int('A')], 1);
    EXPECT_EQ(mox_keycode, '1');
    int held = 0;
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0x1000);
    EXPECT_EQ(MOX_keys[int('A')], 0x8000);
    sdlkey(0x0444, false, KMOD_NONE, SDL_SCANCODE_A);
    sdlkey(SDLK_AMPERSAND, false, KMOD_NONE, SDL_SCANCODE_1);
    EXPECT_EQ(mox_keycode, 0);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);
    EXPECT_EQ(MOX_keys[int('A')], 0);
}

// Alt with a key, Alt itself and F10 are the system's: SDL's backend says
// so, and the key table and the key code do not see them.
TEST(SdlEvents, SystemKeysReachThePollButNotTheKeyTable)
{
    sdlkey(SDLK_x, true, KMOD_LALT);
    EXPECT_EQ(MOX_keys[int('X')], 0);
    EXPECT_EQ(mox_keycode, 0);
    int held = 0;
    MOX_GetKeys(&held, nullptr);  // the asynchronous state sees it
    EXPECT_EQ(held, 0x100);
    sdlkey(SDLK_x, false, KMOD_LALT);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(held, 0);
    // Alt itself and F10 alone are system keys too.
    sdlkey(SDLK_F10, true);
    sdlkey(SDLK_RALT, true);
    EXPECT_EQ(MOX_keys[0x79], 0);
    EXPECT_EQ(MOX_keys[0x12], 0);
    EXPECT_EQ(mox_keycode, 0);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(MOX_keys[0x79], 0x8000);
    EXPECT_EQ(MOX_keys[0x12], 0x8000);
    EXPECT_EQ(MOX_keys[0xA5], 0x8000);
    EXPECT_EQ(MOX_keys[0xA4], 0);
    sdlkey(SDLK_F10, false);
    sdlkey(SDLK_RALT, false);
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(MOX_keys[0x79], 0);
    EXPECT_EQ(MOX_keys[0x12], 0);
    EXPECT_EQ(MOX_keys[0xA5], 0);
}

TEST(SdlEvents, OneWheelStepMovesTheCounterByOneWhateverItsSize)
{
    int z0 = 0, zdir = 0;
    MOX_GetMouseWheel(&z0, &zdir);
    sdlwheel(2);  // two notches in one event: one step, as a delta of 240 was
    int z = 0;
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0 + 1);
    EXPECT_EQ(zdir, 1);
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0 + 1);
    EXPECT_EQ(zdir, 0);
    sdlwheel(-1);
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0);
    EXPECT_EQ(zdir, -1);
    sdlwheel(1, true);  // flipped devices report the other way round
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0 - 1);
    EXPECT_EQ(zdir, -1);
    sdlwheel(0);  // sideways only
    MOX_GetMouseWheel(&z, &zdir);
    EXPECT_EQ(z, z0 - 1);
    EXPECT_EQ(zdir, 0);
}

// SDL numbers its buttons left, middle, right, then the side ones; they
// arrive as the engine numbers them, with the cursor where they went down.
TEST(SdlEvents, ButtonsArriveAsTheEngineNumbersThem)
{
    sdlbutton(SDL_BUTTON_MIDDLE, true);
    sdlbutton(SDL_BUTTON_X1, true);
    int x = 0, y = 0, b = 0;
    MOX_SetMouseMode(1);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(b, 4);
    EXPECT_EQ(x, 11);
    EXPECT_EQ(y, 22);
    int held = 0;
    MOX_GetKeys(&held, nullptr);
    EXPECT_EQ(MOX_keys[4], 0x8000);
    EXPECT_EQ(MOX_keys[5], 0x8000);
    sdlbutton(SDL_BUTTON_MIDDLE, false);
    sdlbutton(SDL_BUTTON_X1, false);
    sdlbutton(SDL_BUTTON_RIGHT, true);
    MOX_GetMouse(&x, &y, &b);
    EXPECT_EQ(b, 2);
    sdlbutton(SDL_BUTTON_RIGHT, false);
    MOX_SetMouseMode(0);
}

TEST(Controllers, KeySetsMouseAndKeyCodeAreSetUpInOrder)
{
    MOX_InitControllers();
    int joysticks = MOX_numcontrollers - 4;
    ASSERT_GE(joysticks, 0);
    EXPECT_EQ(MOX_controller[joysticks].type, 1);
    EXPECT_EQ(MOX_controller[joysticks + 1].type, 1);
    EXPECT_EQ(MOX_controller[joysticks + 2].type, 4);
    EXPECT_EQ(MOX_controller[joysticks + 3].type, 3);
    EXPECT_EQ(MOX_controllerkeys[joysticks][0], 0xF001);
    EXPECT_EQ(MOX_controllerkeys[joysticks + 1][0], 'W');
    for (int i = 0; i < MOX_numcontrollers; i++) EXPECT_EQ(MOX_controller[i].active, 1);
}

TEST(Controllers, KeySetArrowsBecomeAxesAndDirectionBits)
{
    MOX_InitControllers();
    int held = 0, pressed = 0;
    MOX_GetAllControllers(&held, &pressed);
    press(MOX_VK_UP);     // key set A, entry 0
    press('D');           // key set B, entry 3: right
    press(MOX_VK_SPACE);  // key set A, entry 4
    MOX_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x1 | 0x8 | 0x10);
    EXPECT_EQ(pressed, 0x1 | 0x8 | 0x10);
    int a = MOX_numcontrollers - 4;
    EXPECT_EQ(MOX_controller[a].y, -127);
    EXPECT_EQ(MOX_controller[a].x, 0);
    EXPECT_EQ(MOX_controller[a].buttons, 0x10);
    EXPECT_EQ(MOX_controller[a + 1].x, 127);
    MOX_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x1 | 0x8 | 0x10);
    EXPECT_EQ(pressed, 0);
    for (int k : {int(MOX_VK_UP), int('D'), int(MOX_VK_SPACE)}) release(k);
    MOX_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0);
}

TEST(Controllers, KeyCodeControllerCarriesTheEngineCode)
{
    MOX_InitControllers();
    press(MOX_VK_TAB);
    MOX_PollControllers();
    EXPECT_EQ(MOX_controller[MOX_numcontrollers - 1].buttons, 0xF028);
    release(MOX_VK_TAB);
    MOX_PollControllers();
    EXPECT_EQ(MOX_controller[MOX_numcontrollers - 1].buttons, 0);
}

TEST(Controllers, UnresolvableKeySetEntriesCountAsNotHeld)
{
    MOX_InitControllers();
    int keys[16] = {0xF0FF, -5, 0x12345, 'Q', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'Q', 0xF000};
    MOX_SetKeyController(0, keys);
    press('Q');
    int held = -1;
    MOX_GetControllerKeys(0, &held, nullptr);
    EXPECT_EQ(held, 0x8);  // only entry 3; entry 14 is not used
    EXPECT_EQ(MOX_controller[0].x, 127);
    release('Q');
    MOX_GetControllerKeys(-1, &held, nullptr);  // out of the table: nothing
    MOX_GetControllerKeys(8, &held, nullptr);
}

TEST(Controllers, TheNinthControllerIsRefused)
{
    MOX_InitControllers();
    int keys[16] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 'Q', 'E', 'R', 'T', 'Y', 'M'};
    while (MOX_numcontrollers < MOX_MAXCONTROLLERS) MOX_AddKeyController(keys);
    testing::internal::CaptureStdout();
    MOX_AddKeyController(keys);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(MOX_numcontrollers, MOX_MAXCONTROLLERS);
    EXPECT_NE(out.find("controller table full"), std::string::npos) << out;
    EXPECT_EQ(MOX_controller[MOX_MAXCONTROLLERS - 1].type, 1);
}

// A virtual joystick attached through SDL: the engine sees a real device.
class VirtualJoystick : public testing::Test {
protected:
    int attach(int buttons)
    {
        device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 4, buttons, 1);
        EXPECT_GE(device, 0) << SDL_GetError();
        handle = SDL_JoystickOpen(device);
        EXPECT_NE(handle, nullptr);
        return device;
    }
    void TearDown() override
    {
        if (handle) SDL_JoystickClose(handle);
        if (device >= 0) SDL_JoystickDetachVirtual(device);
    }
    // Values reach the device on the event thread's next update.
    void settle()
    {
        mox_syncevents();
        mox_syncevents();
    }
    int device = -1;
    SDL_Joystick* handle = nullptr;
};

TEST_F(VirtualJoystick, AxesScaleToPlusMinus128AroundZero)
{
    int id = attach(10);
    SDL_JoystickSetVirtualAxis(handle, 0, -32768);  // device position 0
    SDL_JoystickSetVirtualAxis(handle, 1, 32767);   // 65535
    SDL_JoystickSetVirtualAxis(handle, 2, -1);      // 32767
    SDL_JoystickSetVirtualAxis(handle, 3, 0);       // 32768
    settle();
    int x, y, z, r, b;
    ASSERT_EQ(mox_polljoystick(id, &x, &y, &z, &r, &b), 1);
    EXPECT_EQ(x, -128);
    EXPECT_EQ(y, 128);
    EXPECT_EQ(z, 0);
    EXPECT_EQ(r, 0);
}

TEST_F(VirtualJoystick, HatAndButtonsFollowTheLayoutOfTheButtonCount)
{
    int id = attach(10);  // layout 1
    SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_RIGHTUP);
    SDL_JoystickSetVirtualButton(handle, 0, 1);  // button 1
    SDL_JoystickSetVirtualButton(handle, 6, 1);  // button 7
    settle();
    int x, y, z, r, b = 0;
    ASSERT_EQ(mox_polljoystick(id, &x, &y, &z, &r, &b), 1);
    EXPECT_EQ(b, 0x1 | 0x8 | 0x10 | 0x2000);
    SDL_JoystickSetVirtualHat(handle, 0, SDL_HAT_CENTERED);
    SDL_JoystickSetVirtualButton(handle, 0, 0);
    SDL_JoystickSetVirtualButton(handle, 6, 0);
    settle();
    ASSERT_EQ(mox_polljoystick(id, &x, &y, &z, &r, &b), 1);
    EXPECT_EQ(b, 0);
}

TEST_F(VirtualJoystick, FourteenButtonsUseTheSecondLayout)
{
    int id = attach(14);
    SDL_JoystickSetVirtualButton(handle, 12, 1);  // button 13
    settle();
    int x, y, z, r, b = 0;
    ASSERT_EQ(mox_polljoystick(id, &x, &y, &z, &r, &b), 1);
    EXPECT_EQ(b, 0x8000);
}

TEST_F(VirtualJoystick, AJoystickThatGoesAwayIsDroppedFromTheControllers)
{
    int id = attach(12);
    settle();
    testing::internal::CaptureStdout();
    MOX_InitControllers();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("joystick " + std::to_string(id) + " found\n"), std::string::npos) << out;
    ASSERT_EQ(MOX_controller[0].type, 2);
    SDL_JoystickSetVirtualButton(handle, 0, 1);  // button 1 of the shared layout
    settle();
    int held = 0, pressed = 0;
    MOX_GetAllControllers(&held, &pressed);
    EXPECT_EQ(held, 0x80);
    SDL_JoystickClose(handle);
    handle = nullptr;
    SDL_JoystickDetachVirtual(device);
    device = -1;
    settle();
    MOX_PollControllers();
    EXPECT_EQ(MOX_controller[0].active, 0);
    int x, y, z, r, b = 1;
    EXPECT_EQ(mox_polljoystick(id, &x, &y, &z, &r, &b), 0);
    EXPECT_EQ(b, 0);
}

}  // namespace
