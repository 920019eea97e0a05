#pragma once

// Handles the events pending for the calling thread (queued calls, posted messages, timers) and
// no user input: a wait that keeps the program alive must not let the operator start a command,
// or close a window, in the middle of what it waits for. Input that arrives meanwhile stays
// queued and is handled by the event loop once the wait is over.
void PumpPostedEvents();
