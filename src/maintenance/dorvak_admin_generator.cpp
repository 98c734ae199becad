// The bulk test-user generator.
#include "dorvak_admin.h"

#include "operation_guard.h"

void DORVAK_Admin::add_5000()
{
    const OperationGuard guard(this);
    if (!guard)
        return;
}
