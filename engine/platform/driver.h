// Process entry, window, GL context and the millisecond clock.
//
// The entry thread (main) owns the window and pumps its events; the demo
// thread runs coremain and every GL call. Window work that the demo thread
// asks for (shape, show, title, cursor) is carried out by the entry thread;
// the GL context is created and made current on the demo thread.
#pragma once
#include <cstdint>
#include <cstdio>  // mox_printoptions writes to a FILE

// The application's entry, run on the demo thread with the process's
// arguments. Supplied by whoever links the engine.
int coremain(int argc, char** argv);

// The entry thread's body: window, demo thread, event loop. The engine's
// own main calls it; it returns the process exit code (0).
int mox_main(int argc, char** argv);

// Splits a command line into a vector that ends with a null pointer; one
// block holds the pointers and the text and is never released.
char** CommandLineToArgvA(const char* cmdline, int* argc);

// The desktop's size in pixels (the first display's); SDL gives 0 x 0 when
// it cannot say.
void GetDesktopResolution(int& width, int& height);

// Shapes and shows the window (full screen when flags bit 0 is set), creates
// the GL context on the calling thread and loads the GL entry points.
void mox_initwindow(int width, int height, int flags);
// Releases the GL context (demo thread); the window stays until the entry
// thread closes it after coremain returns.
void mox_closewindow();
// Presents the back buffer: runs the present hook, swaps (waiting for the
// display where the driver does; in a browser, for the next animation
// frame) and counts a frame. Demo thread.
void mox_swapbuffers();

// 1 once the GL entry points are loaded: the renderer's shader path is on.
extern int MOX_shaders_enabled;

// Sets the window's title, carried out by the window's thread (on SDL the
// caller does not wait for it). Null is an empty title.
void MOX_SetTitle(const char* title);
// Milliseconds, unsigned 32-bit; every difference of two readings is taken
// in unsigned 32-bit arithmetic, so the wrap is harmless.
uint32_t MOX_GetMillis();
// Gives up the demo thread for `ms` milliseconds (0: a moment), letting the
// platform's own work run meanwhile (a browser page plays its sound then).
void mox_sleep(int ms);

// --- rendering off-screen, the offline clock, presented frames --------------

// 1 when frames are rendered off-screen: there is no display, or it was
// asked for.
int mox_headless();
// Asks for rendering without showing a window, whatever display there is
// (capture, tests); before mox_main. The SDL backend renders through its
// off-screen driver, the Win32 backend keeps its window hidden.
void mox_setoffscreen(int on);
// The off-screen window's size (capture at another size than the
// picture's: MOX_SwapBuffers fits the picture to it); 0 x 0: the picture's.
void mox_setoffscreensize(int width, int height);

// The offline clock for capture and tests: with fps > 0, MOX_GetMillis
// reads a virtual clock that starts at start_ms and moves only when a step
// of the frame loop ends, presented or rehearsed, to start_ms + steps *
// 1000 / fps. fps 0 returns to the system clock.
void mox_setvirtualclock(int fps, uint32_t start_ms);
int mox_virtualclock();  // 1 while the virtual clock is in use
// A slow machine on the offline clock: from its reading now, each presented
// frame moves it by `ms` and a rehearsed step not at all, as on a machine
// that takes `ms` to draw a frame and no time to rehearse one. 0 returns to
// the clock that moves per step.
void mox_setvirtualdrawtime(int ms);
// A wait on the offline clock: it moves on by `ms` at once, as a machine
// that waits that long would see it.
void mox_virtualsleep(uint32_t ms);

// Waits until the event thread has handled every event posted before the
// call (tests, tools that inject events).
void mox_syncevents();

// Frames presented by mox_swapbuffers since start (any thread may read).
uint32_t mox_framespresented();

// Called on the demo thread by mox_swapbuffers with the finished frame in
// the back buffer, just before it is presented (capture, tests); width and
// height are the window's drawable. A frame buffer may still be bound: read
// with frame buffer 0 bound. Null removes it.
void mox_setpresenthook(void (*hook)(int width, int height));
// Ends a rehearsed step in place of a present: the step is counted and the
// offline clock moves as for a presented frame (MOX_SwapBuffers).
void mox_rehearsed();

// Where a picture of width x height lands in the window: the whole drawable
// when the sizes agree, else scaled to fit with its shape kept and centred
// (black bars beside or above it). GL viewport coordinates, demo thread.
void mox_getpresentrect(int width, int height, int* x, int* y, int* w, int* h);

// --- options -------------------------------------------------------------------

// Set from the command line before coremain runs.
extern int mox_option_window;  // --window: a window that fits the desktop

// Declares the program for --help; a program with a usage takes no options
// beyond those declared. Returns 1, so a static initialiser can call it.
int mox_setusage(const char* program, const char* description);
// The program's name as its usage gives it, for its lines.
const char* mox_programname();

// Declares an option: its name ("--from"), its value's name for --help
// ("N|Ts"; null when it takes none; in brackets, "[TEXT]", when it may be
// left out: the next argument is its value unless it starts with "-"),
// its help (lines ending in line breaks) and the handler that takes it,
// with its value (null when none);
// a handler that refuses the value says why on stderr and returns 0. The
// platform declares --window, the renderer --resolution; a program declares
// its own, usually from a static initialiser (which is why this returns 1;
// a static library's file that holds nothing else is dropped by the linker,
// so the program links such a library whole). At most MOX_MAXOPTIONS: one
// more is refused with a line on stderr and 0. A name declared twice keeps
// its first handler.
enum {
    MOX_MAXOPTIONS = 16
};
typedef int (*mox_optionhandler)(const char* value);
// Returns 1 when declared (or declared before), 0 when the table is full.
int mox_addoption(const char* name, const char* value, const char* help, mox_optionhandler handler);
// 1 when a declared option takes a value, 2 when it may take one, 0 when
// it takes none, -1 when no option has that name.
int mox_optionvalue(const char* name);

// The declared options and their help, as --help lists them, into `to`.
void mox_printoptions(FILE* to);

// Takes the declared options out of argv (argc follows). Returns -1 to go
// on, or the exit code to end with at once: 0 after --help, 2 after an
// unknown option of a program with a usage or a refused value.
int mox_readoptions(int* argc, char** argv);
