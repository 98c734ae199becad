#ifndef FAST_TIMINGS_H
#define FAST_TIMINGS_H

#include "session.h"

// The session's timings shortened for a controller on a pseudo-terminal
// whose answers come whole (the simulator at full speed, a scripted
// controller): a quiet line after 5 ms, a pause of 5 ms, 200 ms for a busy
// controller's first line, 100 ms for each second of a command's own
// time-out, a lost adapter looked for every 50 ms, the lines of a long
// answer taken in every 5 ms.
inline SessionTimings fast_timings()
{
    SessionTimings fast;
    fast.quiet_ms = 5;
    fast.pause_ms = 5;
    fast.first_line_ms = 200;
    fast.second_ms = 100;
    fast.settle_limit_ms = 3000;
    fast.watch_ms = 50;
    fast.batch_ms = 5;
    return fast;
}

// The same for a scripted controller that paces its answers in ticks of
// 10 ms: the line falls quiet only after two ticks without a byte, and a
// long answer has 400 ms for its first line and 200 ms a second.
inline SessionTimings paced_timings()
{
    SessionTimings paced = fast_timings();
    paced.quiet_ms = 20;
    paced.pause_ms = 20;
    paced.first_line_ms = 400;
    paced.second_ms = 200;
    return paced;
}

#endif
