#pragma once

// Where a span ends: the user's wait is over when the program has nothing
// left to do for the window. waitUntilIdle() runs the event loop in passes,
// each delivering every posted event (the widgets' update requests and so
// their paints, queued calls, the 0 ms timers' calls) and then whatever the
// loop has pending (timers that are due, the window system's events), and
// returns after the first pass in which not one event was delivered to any
// object of this thread, paints included. Events are counted by a filter on
// the application, which sees every event sent or posted to any object.
void waitUntilIdle();

// Paints delivered to any widget since the program started, as counted by
// the same filter.
unsigned long long paintsSoFar();
