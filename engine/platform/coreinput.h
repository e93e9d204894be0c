// Keyboard, mouse, joysticks and the controller layer.
//
// The window's thread hands every event to mox_input, which writes the key
// table, the held keys, the last key code, the cursor, the mouse buttons
// and the wheel; the polling calls run on the demo thread. Shared values
// are single 32-bit ints read and written whole (relaxed atomics in the
// engine), so a reader sees the old or the new value and nothing more.
// Logical button bits: 0x1 up, 0x2 down, 0x4 left, 0x8 right, 0x10 space,
// 0x20 ctrl, 0x40 shift, 0x80 Z, 0x100 X, 0x400 C, 0x1000 enter or 1,
// 0x2000 backspace or 2, 0x8000 escape.
#pragma once

// Windows virtual-key codes the engine knows by name.
enum {
    MOX_VK_BACK = 0x08,
    MOX_VK_TAB = 0x09,
    MOX_VK_RETURN = 0x0D,
    MOX_VK_SHIFT = 0x10,
    MOX_VK_CONTROL = 0x11,
    MOX_VK_MENU = 0x12,
    MOX_VK_CAPITAL = 0x14,
    MOX_VK_ESCAPE = 0x1B,
    MOX_VK_SPACE = 0x20,
    MOX_VK_PRIOR = 0x21,
    MOX_VK_NEXT = 0x22,
    MOX_VK_END = 0x23,
    MOX_VK_HOME = 0x24,
    MOX_VK_LEFT = 0x25,
    MOX_VK_UP = 0x26,
    MOX_VK_RIGHT = 0x27,
    MOX_VK_DOWN = 0x28,
    MOX_VK_INSERT = 0x2D,
    MOX_VK_DELETE = 0x2E,
    MOX_VK_F1 = 0x70,
    MOX_VK_F10 = 0x79,
    MOX_VK_F12 = 0x7B,
};

// One controller record.
struct s_controller {
    int type;  // 1 key set, 2 joystick, 3 key code, 4 mouse
    int id;    // joystick number (type 2)
    int x, y, z, r;
    int buttons;
    int oldbuttons;
    int active;
};

enum {
    MOX_MAXCONTROLLERS = 8
};

extern int MOX_keys[256];          // nonzero = held, by virtual-key code
extern int MOX_joykey;             // mask of the last MOX_GetKeys
extern int mox_input_prevkey;      // mask of the one before
extern int mox_keycode;            // virtual key of the last key pressed, 0 after its release
extern int mox_input_prevkeycode;  // engine code of the previous MOX_GetKeycode

extern int mox_input_mouse_mode;  // 0 window-relative, 1 client, 2 relative
extern int mox_mouse_x, mox_mouse_y, mox_mouse_oldx, mox_mouse_oldy;
extern int mox_mouse_z, mox_mouse_zdir, mox_mouse_buttons;

extern s_controller MOX_controller[MOX_MAXCONTROLLERS];
extern int MOX_controllerkeys[MOX_MAXCONTROLLERS][16];
extern int MOX_numcontrollers;
extern int mox_input_prevcontrollerkey;

void MOX_GetKeys(int* held, int* pressed);
void MOX_GetKeycode(int* code, int* changed);
// Every key pressed, in order, for a program that acts on each press (a tap
// between two polls of MOX_GetKeys is not lost, and a key held down repeats
// as the system repeats it): the next press's virtual-key code, with
// MOX_KEYPRESS_SHIFT added when Shift was held, or 0 when none is waiting.
// Holds MOX_KEYPRESSES presses not yet taken; more are dropped until
// there is room. Demo thread.
enum {
    MOX_KEYPRESS_SHIFT = 0x100,
    MOX_KEYPRESSES = 64
};
int MOX_NextKeyPress();
void MOX_GetMouse(int* x, int* y, int* buttons);
void MOX_GetMouseWheel(int* z, int* zdir);
void MOX_SetMouse(int x, int y);
void MOX_SetMouseMode(int mode);
void MOX_ShowMouse();
void MOX_HideMouse();

void MOX_InitControllers();
void MOX_AddKeyController(int* keys);
void MOX_SetKeyController(int index, int* keys);
void MOX_GetControllerKeys(int index, int* held, int* pressed);
void MOX_PollControllers();
void MOX_GetAllControllers(int* held, int* pressed);

// Engine key code of a virtual key (0xF000 and up for the special keys),
// and back: -1 when a code names no virtual key.
int mox_enginekeycode(int vk);
int mox_virtualkey(int enginecode);
// Logical button bits a held virtual key sets in MOX_GetKeys.
int mox_keybits(int vk);
// Logical bits of joystick button number (1 to 14) in a layout (0 to 4).
int mox_joybuttonbits(int layout, int button);
// Hat bits of a point-of-view value in hundredths of degrees (65535 centred).
int mox_hatbits(int pov);

// --- input from a backend -------------------------------------------------------
// Everything a backend learns of the viewer's keys, mouse buttons, cursor
// and wheel reaches the engine through mox_input, on the window's thread;
// coreinput keeps the state the polling calls read, and nothing else
// writes it. Tests hand it events the same way.
enum {
    MOX_INPUT_KEY,
    MOX_INPUT_BUTTON,
    MOX_INPUT_MOUSE,
    MOX_INPUT_WHEEL
};

struct s_input {
    int type;    // MOX_INPUT_...
    int key;     // KEY: a virtual-key code; BUTTON: 1 left, 2 right, 3 middle, 4 and 5 the side buttons
    int down;    // KEY, BUTTON: 1 pressed, 0 released
    int side;    // KEY: 0xA0 to 0xA5 for the left or right Shift, Ctrl or Alt, else 0
    int system;  // KEY: a key the system takes (Alt, F10, anything with Alt): only its held state counts
    int x, y;    // MOUSE, BUTTON: the cursor in client pixels
    int steps;   // WHEEL: +1 a step away from the viewer, -1 towards; 0 nothing
};

void mox_input(const s_input& e);
// mox_input of a cursor move to x, y: for backends whose platform moves the
// cursor without an event of its own (a warp, a page that cannot warp).
void mox_inputcursormoved(int x, int y);

// Shared by every backend: the key code and the wheel as mox_input left
// them, and the joystick id a controller polls.
void mox_getkeycode(int* vk);
void mox_getmousewheel(int* z, int* zdir);
int mox_initjoystick(int id);
