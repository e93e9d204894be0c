// Values shared between the event thread and the demo thread: single ints
// read and written whole, with no ordering between different values. The
// relaxed atomic builtins say exactly that to the compiler and to
// ThreadSanitizer while the tables stay plain ints for the application.
#pragma once
#include <cstdint>

inline int mox_load(const int& v) { return __atomic_load_n(&v, __ATOMIC_RELAXED); }
inline void mox_store(int& v, int value) { __atomic_store_n(&v, value, __ATOMIC_RELAXED); }

// The event thread's own view of which keys are down, by virtual-key code;
// what GetAsyncKeyState answered on the original target.
extern int mox_asynckeys[256];

// --- between the backends and what they share (frameclock.cpp) ------------

// 1 once mox_setoffscreen(1) asked for rendering without a window shown.
int mox_offscreenasked();
// The offline clock's reading: 1 and *ms while it is in use, else 0.
int mox_virtualmillis(uint32_t* ms);
// A backend's present: mox_presenting() runs the hook with the finished
// frame in the back buffer, mox_presented() counts the frame once shown.
void mox_presenting();
void mox_presented();
// The window's drawable size, as the window's thread last saw it.
void mox_setdrawable(int width, int height);

// The client size of a --window window for a picture of width x height: at
// most MOX_WINDOWWIDTH wide and within roomw x roomh (what the desktop
// leaves beside the window's frame; 0: no limit known), its shape kept.
enum { MOX_WINDOWWIDTH = 1280 };
void mox_fitwindow(int width, int height, int roomw, int roomh, int* w, int* h);
