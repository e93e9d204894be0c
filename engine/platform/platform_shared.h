// Values shared between the event thread and the demo thread: single ints
// read and written whole, with no ordering between different values. The
// relaxed atomic builtins say exactly that to the compiler and to
// ThreadSanitizer while the tables stay plain ints for the application.
#pragma once

inline int mox_load(const int& v) { return __atomic_load_n(&v, __ATOMIC_RELAXED); }
inline void mox_store(int& v, int value) { __atomic_store_n(&v, value, __ATOMIC_RELAXED); }

// The event thread's own view of which keys are down, by virtual-key code;
// what GetAsyncKeyState answered on the original target.
extern int mox_asynckeys[256];
