#ifndef CORE_FIXTURE_H
#define CORE_FIXTURE_H

#include "admin_core.h"
#include "fake_controller.h"
#include "fast_timings.h"
#include "scripted_asker.h"

// The core on a line to a scripted controller, with shortened timings.
struct CoreOnLine
{
    explicit CoreOnLine(const SessionTimings &timings = fast_timings())
    {
        core.session.set_timings(timings);
        opened = core.session.open(fake.port());
    }

    FakeController fake;
    ScriptedAsker asker;
    AdminCore core{asker};
    bool opened = false;
};

#endif
