// The Win32 window procedure as the message thread runs it: the key table
// and the last key code, the mouse buttons and the wheel, and the cursor
// over the client area. Messages go straight to WndProc; Windows builds only.
#include <gtest/gtest.h>

#include "engine/platform/coreinput.h"
#include "engine/platform/moxgl.h"  // windows.h

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The backend starts coremain on its demo thread; these tests never do.
int coremain(int, char**) { return 0; }

namespace {

LRESULT send(UINT message, WPARAM w, LPARAM l = 0) { return WndProc(nullptr, message, w, l); }

TEST(WindowProcedure, KeysSetTheTableAndTheLastKeyCodeUntilThatKeyIsReleased)
{
    send(WM_KEYDOWN, 'A');
    send(WM_KEYDOWN, 'B');
    EXPECT_EQ(MOX_keys['A'], 1);
    EXPECT_EQ(mox_keycode, 'B');
    send(WM_KEYUP, 'A');  // not the last key: the code stays
    EXPECT_EQ(MOX_keys['A'], 0);
    EXPECT_EQ(mox_keycode, 'B');
    mox_input_prevkeycode = 0x42;
    send(WM_KEYUP, 'B');
    EXPECT_EQ(mox_keycode, 0);
    EXPECT_EQ(mox_input_prevkeycode, 0);
    send(WM_KEYDOWN, 0x1B | 0x4100);  // only the low byte names the key
    EXPECT_EQ(MOX_keys[0x1B], 1);
    send(WM_KEYUP, 0x1B);
}

TEST(WindowProcedure, ButtonsKeepTheirBitsAndTheWheelStepsOncePerMessage)
{
    mox_mouse_buttons = 0;
    EXPECT_EQ(send(WM_LBUTTONDOWN, 0), 0);
    send(WM_MBUTTONDOWN, 0);
    send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));  // moving keeps the bits
    EXPECT_EQ(mox_mouse_buttons, 1 | 4);
    send(WM_RBUTTONDOWN, 0);
    send(WM_LBUTTONUP, 0);
    EXPECT_EQ(mox_mouse_buttons, 2 | 4);

    mox_mouse_z = 0;
    EXPECT_EQ(send(WM_MOUSEWHEEL, MAKEWPARAM(0, 240)), 0);
    EXPECT_EQ(mox_mouse_z, 1);
    EXPECT_EQ(mox_mouse_zdir, 1);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)));
    EXPECT_EQ(mox_mouse_z, 0);
    EXPECT_EQ(mox_mouse_zdir, -1);
}

TEST(WindowProcedure, TheCursorIsRemovedOverTheClientAreaOnly)
{
    EXPECT_EQ(send(WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(GetCursor(), nullptr);
    mox_mouse_buttons = 2;
    send(WM_SETCURSOR, 0, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));  // default processing
    EXPECT_EQ(mox_mouse_buttons, 2);
}

}  // namespace
