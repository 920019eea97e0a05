#pragma once

// Where start-up spends its time. With CALTRIM_TRACE_STARTUP=1 in the environment each call
// writes one line to standard error, "caltrim-trace <ms> <step>": the milliseconds since the
// first call (made first thing in main), with the time from the process's start to that call
// (the dynamic linker's share, to the kernel's 10 ms clock) on the first line. Switched off it
// costs one test of a flag. Any thread.
void TraceStartup(const char* step);
