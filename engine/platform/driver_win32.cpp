// The Win32 backend: process entry, the window and its message thread, the
// WGL context, the clock, and the device side of input.
//
// Threads: WinMain registers the class "MOX", makes the hidden 10 x 10
// window "MOX Application", starts the demo thread (win32_main, which runs
// coremain) and becomes the message thread, sleeping 1 ms when no message
// waits; WndProc runs there and writes the key and mouse tables. The demo
// thread owns the GL context, which mox_initwindow creates on it; the
// window calls it makes are carried out by the window's thread, as Win32
// does for a window of another thread. The demo thread's end posts
// WM_CLOSE, which WndProc turns into WM_QUIT. The only file that includes
// the window, WGL and joystick interfaces.
#include "engine/platform/moxgl.h"  // windows.h, GL and the engine's loader

#include <mmsystem.h>  // joysticks

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"
#include "engine/platform/backend.h"

// --- module state ----------------------------------------------------------

static HWND winhandle = nullptr;  // the one window, made by the entry thread
static DWORD dwExStyle = 0;       // its extended style
static HDC hdc = nullptr;         // its device context (demo thread)
static HGLRC hrc = nullptr;       // the GL context (demo thread)
static HANDLE moxthread = nullptr;
static volatile LONG mox_demodone = 0;  // coremain has returned

int MOX_shaders_enabled = 0;

enum : DWORD {
    MOX_EXSTYLE = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE,  // 0x00040100
    MOX_WINDOWSTYLE =
        WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,  // 0x96C80000
    MOX_ADJUSTSTYLE = WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION,            // 0x16C00000
};

// --- the window procedure (entry thread) --------------------------------------

static void mox_updatedrawable()
{
    RECT r;
    if (winhandle && GetClientRect(winhandle, &r)) mox_setdrawable(r.right - r.left, r.bottom - r.top);
}

// A key, button or wheel message as the engine takes it.
static void mox_key(WPARAM vk, int down)
{
    s_input in = {};
    in.type = MOX_INPUT_KEY;
    in.key = int(vk & 0xFF);
    in.down = down;
    mox_input(in);
}

static void mox_button(int button, int down, LPARAM at)
{
    s_input in = {};
    in.type = MOX_INPUT_BUTTON;
    in.key = button;
    in.down = down;
    in.x = short(LOWORD(at));
    in.y = short(HIWORD(at));
    mox_input(in);
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        PostMessageA(winhandle, WM_QUIT, 0, 0);
        PostQuitMessage(0);
        return 0;
    case WM_DESTROY: return 0;  // the entry thread destroys the window itself, once
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_SIZE: mox_updatedrawable(); break;
    case WM_KEYDOWN: mox_key(wParam, 1); return 0;
    case WM_KEYUP: mox_key(wParam, 0); return 0;
    case WM_LBUTTONDOWN: mox_button(1, 1, lParam); return 0;
    case WM_LBUTTONUP: mox_button(1, 0, lParam); return 0;
    case WM_RBUTTONDOWN: mox_button(2, 1, lParam); return 0;
    case WM_RBUTTONUP: mox_button(2, 0, lParam); return 0;
    case WM_MBUTTONDOWN: mox_button(3, 1, lParam); return 0;
    case WM_MBUTTONUP: mox_button(3, 0, lParam); return 0;
    case WM_MOUSEWHEEL: {
        s_input in = {};
        in.type = MOX_INPUT_WHEEL;
        const short delta = short(HIWORD(wParam));
        in.steps = delta < 0 ? -1 : delta > 0 ? 1 : 0;
        mox_input(in);
        return 0;
    }
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// --- entry ---------------------------------------------------------------------

static DWORD WINAPI win32_main(LPVOID)
{
    int argc = 0;
    char** argv = CommandLineToArgvA(GetCommandLineA(), &argc);
    // The platform's options were read at entry; coremain gets the rest.
    mox_readoptions(&argc, argv);
    const int result = coremain(argc, argv);
    InterlockedExchange(&mox_demodone, 1);
    PostMessageA(winhandle, WM_CLOSE, 0, 0);
    return DWORD(result);
}

// A GUI program has no console; one started from a console prints there.
static void mox_attachconsole()
{
    if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_UNKNOWN) return;  // redirected already
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        freopen("CONOUT$", "w", stdout);
        freopen("CONOUT$", "w", stderr);
    }
}

int mox_main(int argc, char** argv)
{
    // Log lines of both threads reach a pipe in the order they were made.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    int ended = mox_readoptions(&argc, argv);
    if (ended >= 0) return ended;

    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.lpszClassName = "MOX";
    if (!RegisterClassA(&wc)) {
        printf("Could not register Window class");
        fflush(stdout);
        MessageBoxA(nullptr, "Register class FAILED", nullptr, MB_OK);
        return 0;
    }
    dwExStyle = MOX_EXSTYLE;
    winhandle = CreateWindowExA(dwExStyle, "MOX", "MOX Application", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                                nullptr, instance, nullptr);
    if (!winhandle) MessageBoxA(nullptr, "Window creation failed", nullptr, MB_OK);
    SetFocus(winhandle);
    mox_resetinput();

    moxthread = CreateThread(nullptr, 0, win32_main, nullptr, 0, nullptr);

    MSG msg;
    memset(&msg, 0, sizeof msg);
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            continue;
        }
        if (msg.message == WM_QUIT) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    fflush(stdout);
    if (!InterlockedCompareExchange(&mox_demodone, 0, 0)) {
        // Closed from outside: the demo thread is stopped wherever it is. It
        // may hold a lock the process's end would wait for, so the process
        // ends here, as a forced stop of everything.
        TerminateThread(moxthread, 0);
        DestroyWindow(winhandle);
        TerminateProcess(GetCurrentProcess(), 0);
    }
    WaitForSingleObject(moxthread, INFINITE);  // it is posting its last message
    CloseHandle(moxthread);
    DestroyWindow(winhandle);
    winhandle = nullptr;
    return int(msg.wParam);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    mox_attachconsole();
    int argc = 0;
    char** argv = CommandLineToArgvA(GetCommandLineA(), &argc);
    return mox_main(argc, argv);
}

void GetDesktopResolution(int& width, int& height)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    width = desktop.right;
    height = desktop.bottom;
}

// Off-screen here is a window never shown: the demo draws into its frame
// buffers all the same.
int mox_headless() { return mox_offscreenasked(); }

// --- window and context (demo thread) -------------------------------------------

// Full screen at exactly width x height, 32 bits, 60 Hz: 0 when the display
// has no such mode.
static int mox_fullscreen(int width, int height)
{
    DEVMODEA mode;
    memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmBitsPerPel = 32;
    mode.dmPelsWidth = DWORD(width);
    mode.dmPelsHeight = DWORD(height);
    mode.dmDisplayFrequency = 60;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 0;
    dwExStyle &= ~DWORD(WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
    LONG style = GetWindowLongA(winhandle, GWL_STYLE);
    style &= ~LONG(WS_CAPTION | WS_THICKFRAME | WS_MINIMIZE | WS_MAXIMIZE | WS_SYSMENU);
    SetWindowLongA(winhandle, GWL_STYLE, style);
    SetWindowLongA(winhandle, GWL_EXSTYLE, LONG(dwExStyle));
    SetWindowPos(winhandle, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_FRAMECHANGED);
    SetCursor(nullptr);
    ShowCursor(FALSE);
    return 1;
}

// The monitor the window is on, whole and without the task bar.
static void mox_monitor(RECT* whole, RECT* work)
{
    MONITORINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromWindow(winhandle, MONITOR_DEFAULTTOPRIMARY), &info)) {
        *whole = info.rcMonitor;
        *work = info.rcWork;
    } else {
        int w = 0, h = 0;
        GetDesktopResolution(w, h);
        *whole = *work = RECT{0, 0, w, h};
    }
}

// Without the mode: a borderless window over the whole monitor, the picture
// scaled into it by the present.
static int mox_desktopfullscreen(int width, int height)
{
    RECT whole, work;
    mox_monitor(&whole, &work);
    const int w = whole.right - whole.left, h = whole.bottom - whole.top;
    if (w <= 0 || h <= 0) return 0;
    dwExStyle &= ~DWORD(WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_WINDOWEDGE);
    SetWindowLongA(winhandle, GWL_STYLE, LONG(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
    SetWindowLongA(winhandle, GWL_EXSTYLE, LONG(dwExStyle));
    SetWindowPos(winhandle, HWND_TOP, whole.left, whole.top, w, h, SWP_FRAMECHANGED);
    SetCursor(nullptr);
    ShowCursor(FALSE);
    printf("[MOX] no %d x %d display mode: full screen at the desktop's %d x %d, picture scaled\n", width, height, w,
           h);
    return 1;
}

// The outer rectangle of a window whose client area is width x height.
static RECT mox_outer(int width, int height)
{
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, MOX_ADJUSTSTYLE, FALSE, MOX_EXSTYLE);
    return r;
}

// A --window window for a picture of width x height, its frame within the
// monitor's work area, centred.
static void mox_placewindow(int width, int height)
{
    RECT whole, work;
    mox_monitor(&whole, &work);
    const RECT frame = mox_outer(0, 0);  // the frame alone
    int w = width, h = height;
    mox_fitwindow(width, height, (work.right - work.left) - (frame.right - frame.left),
                  (work.bottom - work.top) - (frame.bottom - frame.top), &w, &h);
    const RECT outer = mox_outer(w, h);
    const int ow = outer.right - outer.left, oh = outer.bottom - outer.top;
    MoveWindow(winhandle, work.left + ((work.right - work.left) - ow) / 2,
               work.top + ((work.bottom - work.top) - oh) / 2, ow, oh, TRUE);
}

void mox_initwindow(int width, int height, int flags)
{
    if (winhandle) {
        SetWindowLongA(winhandle, GWL_STYLE, LONG(MOX_WINDOWSTYLE));
        int w = width, h = height;
        if (mox_offscreenasked()) mox_offscreensize(&w, &h);
        const RECT outer = mox_outer(w, h);
        MoveWindow(winhandle, 10, 10, outer.right - outer.left, outer.bottom - outer.top, TRUE);
        if (mox_option_window) {
            mox_placewindow(width, height);
        } else if ((flags & 1) && !mox_fullscreen(width, height)) {
            mox_desktopfullscreen(width, height);
        }
        if (!mox_offscreenasked()) ShowWindow(winhandle, SW_SHOW);
        UpdateWindow(winhandle);
        SetForegroundWindow(winhandle);
        SetFocus(winhandle);
        mox_updatedrawable();
        hdc = GetDC(winhandle);
    }

    PIXELFORMATDESCRIPTOR pfd;
    memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;  // 40
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 32;
    pfd.iLayerType = PFD_MAIN_PLANE;
    if (hdc) {
        SetPixelFormat(hdc, ChoosePixelFormat(hdc, &pfd), &pfd);
        hrc = wglCreateContext(hdc);
        if (hrc) wglMakeCurrent(hdc, hrc);
    }

    // Frames wait for the display (adaptive, so a late one is shown at
    // once, where the driver offers it); the pacer holds the show's grid
    // whatever the display's rate. A hidden window waits for nothing.
    typedef BOOL(WINAPI * swapinterval)(int);
    const swapinterval setinterval =
        hrc ? reinterpret_cast<swapinterval>(reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")))
            : nullptr;
    if (setinterval) {
        if (mox_offscreenasked())
            setinterval(0);
        else if (!setinterval(-1))
            setinterval(1);
    }

    puts("[MOX] Init Glew");
    const int missing = hrc ? mox_loadgl() : -1;
    if (missing != 0) puts("\nError Initing Glew");
    puts("\nReady for GLSL");
    // Only with the entry points there: a shader call through a missing one
    // would jump through a null pointer. The renderer keeps to OpenGL 1.1.
    MOX_shaders_enabled = missing == 0 ? 1 : 0;
}

void mox_closewindow()
{
    wglMakeCurrent(nullptr, nullptr);
    if (hrc) wglDeleteContext(hrc);
    hrc = nullptr;
    if (hdc) ReleaseDC(winhandle, hdc);
    hdc = nullptr;
}

void mox_swapbuffers()
{
    mox_presenting();
    if (hdc) SwapBuffers(hdc);
    mox_presented();
}

void mox_syncevents()
{
    // Sent, not posted: returns once the window's thread has handled it and
    // every message posted before it.
    if (winhandle) SendMessageA(winhandle, WM_NULL, 0, 0);
}

void MOX_SetTitle(const char* title)
{
    if (winhandle) SetWindowTextA(winhandle, title ? title : "");
}

uint32_t MOX_GetMillis()
{
    uint32_t ms;
    if (mox_virtualmillis(&ms)) return ms;
    return GetTickCount();
}

void mox_sleep(int ms) { Sleep(ms > 0 ? DWORD(ms) : 0); }

// --- input, device side ------------------------------------------------------------

void mox_getkeys(int* table)
{
    for (int i = 0; i < 256; i++) table[i] = GetAsyncKeyState(i) & 0x8000;
}

void mox_getmouse(int* cx, int* cy, int* left, int* top)
{
    RECT r = {0, 0, 0, 0};
    POINT p = {0, 0};
    GetWindowRect(winhandle, &r);
    GetCursorPos(&p);
    ScreenToClient(winhandle, &p);
    *cx = p.x;
    *cy = p.y;
    *left = r.left;
    *top = r.top;
}

void mox_setmouse(int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(winhandle, &p);
    SetCursorPos(p.x, p.y);
}

void mox_showmouse() { ShowCursor(TRUE); }
void mox_hidemouse() { ShowCursor(FALSE); }

int mox_getnumjoysticks() { return int(joyGetNumDevs()); }

int mox_joystickconnected(int id)
{
    JOYINFO info;
    return joyGetPos(UINT(id), &info) != JOYERR_UNPLUGGED ? 1 : 0;
}

int mox_polljoystick(int id, int* x, int* y, int* z, int* r, int* buttons)
{
    JOYCAPSA caps;
    int layout = 0;
    if (joyGetDevCapsA(UINT(id), &caps, sizeof caps) == JOYERR_NOERROR) {
        const UINT count = caps.wNumButtons;
        layout = count == 10 ? 1 : count == 14 ? 2 : count == 12 ? 4 : 3;
    }
    JOYINFOEX info;
    memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    if (joyGetPosEx(UINT(id), &info) != JOYERR_NOERROR) {
        *x = *y = *z = *r = *buttons = 0;
        return 0;
    }
    *x = (int(info.dwXpos) - 32767) >> 8;
    *y = (int(info.dwYpos) - 32767) >> 8;
    *z = (int(info.dwZpos) - 32767) >> 8;
    *r = (int(info.dwRpos) - 32767) >> 8;
    int bits = mox_hatbits(int(info.dwPOV));
    for (int b = 0; b < 32; b++)
        if (info.dwButtons & (1u << b)) bits |= mox_joybuttonbits(layout, b + 1);
    *buttons = bits;
    return 1;
}
