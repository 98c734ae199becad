#ifndef FAST_TIMINGS_H
#define FAST_TIMINGS_H

#include "session.h"

// The session's timings shortened tenfold for a scripted controller on a
// pseudo-terminal: a quiet line after 20 ms, a pause of 20 ms, 400 ms for a
// busy controller's first line and 200 ms for each second of a command's
// own time-out.
inline SessionTimings fast_timings()
{
    SessionTimings fast;
    fast.quiet_ms = 20;
    fast.pause_ms = 20;
    fast.first_line_ms = 400;
    fast.second_ms = 200;
    fast.settle_limit_ms = 3000;
    return fast;
}

#endif
