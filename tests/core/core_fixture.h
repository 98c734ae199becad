#ifndef CORE_FIXTURE_H
#define CORE_FIXTURE_H

#include "admin_core.h"
#include "fake_controller.h"
#include "scripted_asker.h"

// The core on a line to a scripted controller, with the timings shortened
// tenfold: a quiet line after 20 ms, a pause of 20 ms, 400 ms for a busy
// controller's first line and 200 ms for each second of a command's own
// time-out.
struct CoreOnLine
{
    CoreOnLine()
    {
        SessionTimings fast;
        fast.quiet_ms = 20;
        fast.pause_ms = 20;
        fast.first_line_ms = 400;
        fast.second_ms = 200;
        fast.settle_limit_ms = 3000;
        core.session.set_timings(fast);
        opened = core.session.open(fake.port());
    }

    FakeController fake;
    ScriptedAsker asker;
    AdminCore core{asker};
    bool opened = false;
};

#endif
