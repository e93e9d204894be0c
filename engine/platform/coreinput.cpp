// Input polling: the logical button mask, engine key codes, the mouse modes
// and the controller layer over key sets, joysticks, the key code and the
// mouse.
//
// Runs on the demo thread, but for mox_input, which the window's thread
// calls for every event a backend receives and which alone writes the key
// table, the held keys, the key code, the cursor, the mouse buttons and the
// wheel; both sides use mox_load/mox_store. Edge detection
// remembers the previous poll of the same call, so "pressed" means "went
// down since that call last ran".
#include "engine/platform/coreinput.h"

#include <cstdio>
#include <cstring>

#include "engine/platform/backend.h"

// --- module state ----------------------------------------------------------

int MOX_keys[256];
int MOX_joykey = 0;
int mox_input_prevkey = 0;
int mox_keycode = 0;
int mox_input_prevkeycode = 0;

int mox_input_mouse_mode = 0;
int mox_mouse_x = 0, mox_mouse_y = 0, mox_mouse_oldx = 0, mox_mouse_oldy = 0;
int mox_mouse_z = 0, mox_mouse_zdir = 0, mox_mouse_buttons = 0;

static int mox_held[256];                     // keys held, as mox_input saw them go down and up
// Presses in order: mox_input writes at `written`, MOX_NextKeyPress reads at
// `taken`; the count published with release is read with acquire, so the
// press it counts is there.
static int mox_presses[MOX_KEYPRESSES];
static unsigned mox_presseswritten = 0, mox_pressestaken = 0;
static int mox_cursorx = 0, mox_cursory = 0;  // the cursor as the last mouse event left it

s_controller MOX_controller[MOX_MAXCONTROLLERS];
int MOX_controllerkeys[MOX_MAXCONTROLLERS][16];
int MOX_numcontrollers = 0;
int mox_input_prevcontrollerkey = 0;

// Virtual keys whose engine code is not the key itself.
static const struct {
    int vk, code;
} mox_keycodes[] = {
    {0x1B, 0xF000}, {0x26, 0xF001}, {0x28, 0xF002}, {0x25, 0xF003}, {0x27, 0xF004}, {0x0D, 0xF010}, {0x10, 0xF011},
    {0x20, 0xF012}, {0x11, 0xF013}, {0x12, 0xF014}, {0x08, 0xF020}, {0x2D, 0xF021}, {0x2E, 0xF022}, {0x21, 0xF023},
    {0x22, 0xF024}, {0x24, 0xF025}, {0x23, 0xF026}, {0x14, 0xF027}, {0x09, 0xF028},
};

// Logical bits of the key-set entries 0 to 15 (entry 14 is unused).
static const int mox_keysetbits[16] = {0x1,   0x2,   0x4,   0x8,   0x10,   0x20,   0x40, 0x80,
                                       0x100, 0x400, 0x200, 0x800, 0x1000, 0x2000, 0,    0x8000};

// Joystick button bits by layout: [0] layouts 0, 3 and 4, [1] layout 1,
// [2] layout 2; buttons 1 to 14.
static const int mox_joybits[3][14] = {
    {0x0080, 0x0020, 0x0010, 0x0040, 0x0200, 0x0800, 0x0100, 0x0400, 0x1000, 0x2000, 0x4000, 0x4000, 0, 0},
    {0x0010, 0x0020, 0x0040, 0x0080, 0x0100, 0x0400, 0x2000, 0x1000, 0x4000, 0x4000, 0, 0, 0, 0},
    {0x0040, 0x0010, 0x0020, 0x0080, 0x0100, 0x0400, 0x0200, 0x0800, 0x1000, 0x2000, 0x4000, 0x4000, 0x8000, 0x1000},
};

// --- translations ------------------------------------------------------------

int mox_enginekeycode(int vk)
{
    if (vk >= 0x70 && vk <= 0x7B) return 0xF030 + (vk - 0x70);
    for (const auto& k : mox_keycodes)
        if (k.vk == vk) return k.code;
    return vk;
}

int mox_virtualkey(int code)
{
    if (code >= 0 && code < 256) return code;
    if (code >= 0xF030 && code <= 0xF03B) return 0x70 + (code - 0xF030);
    for (const auto& k : mox_keycodes)
        if (k.code == code) return k.vk;
    return -1;
}

int mox_keybits(int vk)
{
    switch (vk) {
    case 0x26: return 0x0001;
    case 0x28: return 0x0002;
    case 0x25: return 0x0004;
    case 0x27: return 0x0008;
    case 0x20: return 0x0010;
    case 0x11: return 0x0020;
    case 0x10: return 0x0040;
    case 'Z': return 0x0080;
    case 'X': return 0x0100;
    case 'C': return 0x0400;
    case 0x0D:
    case '1': return 0x1000;
    case 0x08:
    case '2': return 0x2000;
    case 0x1B: return 0x8000;
    default: return 0;
    }
}

int mox_joybuttonbits(int layout, int button)
{
    if (button < 1 || button > 14) return 0;
    int row = layout == 1 ? 1 : layout == 2 ? 2 : 0;
    return mox_joybits[row][button - 1];
}

int mox_hatbits(int pov)
{
    int p = pov / 100;
    if (p > 360) return 0;  // centred
    int bits = 0;
    if (p <= 45 || p > 314) bits |= 0x1;
    if (p > 134 && p <= 225) bits |= 0x2;
    if (p > 44 && p <= 135) bits |= 0x8;
    if (p > 224 && p <= 315) bits |= 0x4;
    return bits;
}

// --- keys ------------------------------------------------------------------

void MOX_GetKeys(int* held, int* pressed)
{
    int table[256];
    mox_getkeys(table);
    int mask = 0;
    for (int i = 0; i < 256; i++) {
        mox_store(MOX_keys[i], table[i]);
        if (table[i]) mask |= mox_keybits(i);
    }
    MOX_joykey = mask;
    if (held) *held = mask;
    if (pressed) *pressed = mask & ~mox_input_prevkey;
    mox_input_prevkey = mask;
}

int MOX_NextKeyPress()
{
    const unsigned written = __atomic_load_n(&mox_presseswritten, __ATOMIC_ACQUIRE);
    if (mox_pressestaken == written) return 0;
    const int press = mox_presses[mox_pressestaken % MOX_KEYPRESSES];
    // The slot is read before it is given back to the writer.
    __atomic_store_n(&mox_pressestaken, mox_pressestaken + 1, __ATOMIC_RELEASE);
    return press;
}

void MOX_GetKeycode(int* code, int* changed)
{
    int vk = 0;
    mox_getkeycode(&vk);
    int c = vk ? mox_enginekeycode(vk & 0xFF) : 0;
    if (code) *code = c;
    if (changed) *changed = c != mox_load(mox_input_prevkeycode) ? 1 : 0;
    mox_store(mox_input_prevkeycode, c);
}

// --- mouse -----------------------------------------------------------------

void MOX_GetMouse(int* x, int* y, int* buttons)
{
    int cx, cy, left, top;
    mox_getmouse(&cx, &cy, &left, &top);
    switch (mox_input_mouse_mode) {
    case 0:
        mox_mouse_x = cx - left;
        mox_mouse_y = cy - top;
        if (x) *x = mox_mouse_x;
        if (y) *y = mox_mouse_y;
        break;
    case 1:
        mox_mouse_x = cx;
        mox_mouse_y = cy;
        if (x) *x = cx;
        if (y) *y = cy;
        break;
    case 2:
        mox_mouse_oldx = mox_mouse_x;
        mox_mouse_oldy = mox_mouse_y;
        mox_mouse_x = cx;
        mox_mouse_y = cy;
        if (x) *x = mox_mouse_x - mox_mouse_oldx;
        if (y) *y = mox_mouse_y - mox_mouse_oldy;
        break;
    default: break;
    }
    if (buttons) *buttons = mox_load(mox_mouse_buttons);
}

void MOX_GetMouseWheel(int* z, int* zdir)
{
    int wz, wdir;
    mox_getmousewheel(&wz, &wdir);
    if (z) *z = wz;
    if (zdir) *zdir = wdir;
    // A step is reported once.
    mox_store(mox_mouse_zdir, 0);
}

void MOX_SetMouse(int x, int y) { mox_setmouse(x, y); }
void MOX_SetMouseMode(int mode) { mox_input_mouse_mode = mode; }
void MOX_ShowMouse() { mox_showmouse(); }
void MOX_HideMouse() { mox_hidemouse(); }

// --- controllers ---------------------------------------------------------------

// Appends a record; -1 with a log line when the table is full.
static int mox_addcontroller(int type, int id)
{
    if (MOX_numcontrollers >= MOX_MAXCONTROLLERS) {
        printf("[MOX] controller table full (%d): controller not added\n", MOX_MAXCONTROLLERS);
        return -1;
    }
    int i = MOX_numcontrollers++;
    MOX_controller[i] = s_controller{type, id, 0, 0, 0, 0, 0, 0, 1};
    return i;
}

static int mox_addkeyset(const int* keys)
{
    int i = mox_addcontroller(1, 0);
    if (i >= 0) memcpy(MOX_controllerkeys[i], keys, sizeof MOX_controllerkeys[i]);
    return i;
}

void MOX_InitControllers()
{
    static const int seta[16] = {0xF001, 0xF002, 0xF003, 0xF004, 0xF012, 0xF013, 0xF011, 'Z',
                                 'X',    'C',    'V',    'B',    0xF010, 0xF020, 0xF000, 0xF000};
    static const int setb[16] = {'W', 'S', 'A', 'D', 'U',    'I',    'O',    'P',
                                 'K', 'L', 'H', 'J', 0xF010, 0xF020, 0xF000, 0xF000};
    MOX_numcontrollers = 0;
    for (int id = 0; id < 4; id++) {
        if (!mox_joystickconnected(id)) continue;
        mox_addcontroller(2, mox_initjoystick(id));
        printf("joystick %d found\n", id);
    }
    mox_addkeyset(seta);
    mox_addkeyset(setb);
    mox_addcontroller(4, 0);
    mox_addcontroller(3, 0);
}

void MOX_AddKeyController(int* keys) { mox_addkeyset(keys); }

void MOX_SetKeyController(int index, int* keys)
{
    if (index < 0 || index >= MOX_MAXCONTROLLERS) return;
    memcpy(MOX_controllerkeys[index], keys, sizeof MOX_controllerkeys[index]);
}

void MOX_GetControllerKeys(int index, int* held, int* pressed)
{
    if (index < 0 || index >= MOX_MAXCONTROLLERS) return;
    s_controller& c = MOX_controller[index];
    if (c.type != 1) return;
    c.x = c.y = 0;
    c.buttons = 0;
    for (int e = 0; e < 16; e++) {
        int vk = mox_virtualkey(MOX_controllerkeys[index][e]);
        if (e == 14 || vk < 0 || !mox_load(MOX_keys[vk])) continue;
        c.buttons |= mox_keysetbits[e];
        if (e == 0) c.y = -127;
        if (e == 1) c.y = 127;
        if (e == 2) c.x = -127;
        if (e == 3) c.x = 127;
    }
    if (held) *held = c.buttons;
    if (pressed) *pressed = c.buttons & ~c.oldbuttons;
    c.oldbuttons = c.buttons;
}

void MOX_PollControllers()
{
    for (int i = 0; i < MOX_numcontrollers; i++) {
        s_controller& c = MOX_controller[i];
        if (!c.active) continue;
        switch (c.type) {
        case 1: {
            int held = 0;
            MOX_GetControllerKeys(i, &held, nullptr);
            c.x = (held & 0x8) ? 127 : (held & 0x4) ? -127 : 0;
            c.y = (held & 0x2) ? 127 : (held & 0x1) ? -127 : 0;
            c.z = c.r = 0;
            c.oldbuttons = held & 0xF;
            c.buttons = held & 0xFFF0;
            break;
        }
        case 2: {
            int x, y, z, r, b;
            if (mox_polljoystick(c.id, &x, &y, &z, &r, &b)) {
                c.x = x;
                c.y = y;
                c.z = z;
                c.r = r;
                c.oldbuttons = c.buttons & ~b;
                c.buttons = b;
            } else {
                c.active = 0;  // dropped until the next MOX_InitControllers
            }
            break;
        }
        case 3: {
            int code = 0, changed = 0;
            MOX_GetKeycode(&code, &changed);
            c.oldbuttons = c.buttons & ~code;
            c.buttons = code;
            break;
        }
        case 4: {
            int x = 0, y = 0, b = 0;
            MOX_GetMouse(&x, &y, &b);
            c.x = x;
            c.y = y;
            c.oldbuttons = c.buttons & ~b;
            c.buttons = b;
            break;
        }
        default: break;
        }
    }
}

void MOX_GetAllControllers(int* held, int* pressed)
{
    MOX_PollControllers();
    int mask = 0;
    for (int i = 0; i < MOX_numcontrollers; i++) {
        const s_controller& c = MOX_controller[i];
        if (!c.active || (c.type != 1 && c.type != 2)) continue;
        mask |= c.buttons;
        mask |= c.x < -64 ? 0x4 : c.x > 64 ? 0x8 : 0;
        mask |= c.y < -64 ? 0x1 : c.y > 64 ? 0x2 : 0;
    }
    if (held) *held = mask;
    if (pressed) *pressed = mask & ~mox_input_prevcontrollerkey;
    mox_input_prevcontrollerkey = mask;
}

// --- input from a backend ---------------------------------------------------------

void mox_input(const s_input& e)
{
    switch (e.type) {
    case MOX_INPUT_KEY: {
        const int vk = e.key & 0xFF;
        if (!e.side) {
            mox_store(mox_held[vk], e.down ? 1 : 0);
        } else {
            // Shift, Ctrl and Alt have a code per side; the shared code
            // stays down while either side is.
            const int side = e.side & 0xFF, left = side & ~1;
            mox_store(mox_held[side], e.down ? 1 : 0);
            mox_store(mox_held[vk], mox_load(mox_held[left]) | mox_load(mox_held[left + 1]));
        }
        if (e.system) return;  // the key table and the key code do not see it
        mox_store(MOX_keys[vk], e.down ? 1 : 0);
        if (e.down) {
            mox_store(mox_keycode, vk);
            // A full queue drops the new press: a slot is written only once
            // the reader has given it back.
            const unsigned at = mox_presseswritten;
            if (at - __atomic_load_n(&mox_pressestaken, __ATOMIC_ACQUIRE) < MOX_KEYPRESSES) {
                mox_presses[at % MOX_KEYPRESSES] = vk | (mox_load(mox_held[MOX_VK_SHIFT]) ? MOX_KEYPRESS_SHIFT : 0);
                __atomic_store_n(&mox_presseswritten, at + 1, __ATOMIC_RELEASE);
            }
        } else if (mox_load(mox_keycode) == vk) {
            mox_store(mox_input_prevkeycode, 0);
            mox_store(mox_keycode, 0);
        }
        return;
    }
    case MOX_INPUT_BUTTON: {
        // Buttons 1 to 3 are bits 1, 2 and 4 of the mask; every button also
        // has a virtual key of its own: left 1, right 2, middle 4, the side
        // buttons 5 and 6.
        static const int bits[] = {0, 1, 2, 4, 0, 0}, keys[] = {0, 1, 2, 4, 5, 6};
        if (e.key < 1 || e.key > 5) return;
        const int b = mox_load(mox_mouse_buttons);
        mox_store(mox_mouse_buttons, e.down ? (b | bits[e.key]) : (b & ~bits[e.key]));
        mox_store(mox_held[keys[e.key]], e.down ? 1 : 0);
        mox_store(mox_cursorx, e.x);
        mox_store(mox_cursory, e.y);
        return;
    }
    case MOX_INPUT_MOUSE:
        mox_store(mox_cursorx, e.x);
        mox_store(mox_cursory, e.y);
        return;
    case MOX_INPUT_WHEEL:
        // One step an event, whatever its size.
        if (e.steps == 0) return;
        mox_store(mox_mouse_zdir, e.steps < 0 ? -1 : 1);
        mox_store(mox_mouse_z, mox_load(mox_mouse_z) + (e.steps < 0 ? -1 : 1));
        return;
    default: return;
    }
}

void mox_inputcursormoved(int x, int y)
{
    s_input moved = {};
    moved.type = MOX_INPUT_MOUSE;
    moved.x = x;
    moved.y = y;
    mox_input(moved);
}

void mox_heldkeys(int* table)
{
    for (int i = 0; i < 256; i++) table[i] = mox_load(mox_held[i]) ? 0x8000 : 0;
}

void mox_inputcursor(int* x, int* y)
{
    *x = mox_load(mox_cursorx);
    *y = mox_load(mox_cursory);
}

void mox_getkeycode(int* vk) { *vk = mox_load(mox_keycode); }

void mox_getmousewheel(int* z, int* zdir)
{
    *z = mox_load(mox_mouse_z);
    *zdir = mox_load(mox_mouse_zdir);
}

int mox_initjoystick(int id) { return id; }

void mox_resetinput()
{
    mox_store(mox_mouse_x, 0);
    mox_store(mox_mouse_y, 0);
    mox_store(mox_mouse_z, 0);
    mox_store(mox_mouse_zdir, 0);
    mox_store(mox_mouse_buttons, 0);
}
