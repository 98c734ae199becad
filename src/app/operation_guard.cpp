#include "operation_guard.h"

#include "dorvak_admin.h"

#include <QWidget>

OperationGuard::OperationGuard(DORVAK_Admin *w, Line line) : window(w)
{
    if (window->operation_running)
        return;
    if (line == Line::open && !window->serial->isOpen()) {
        window->show_port_closed();
        return;
    }
    acquired = true;
    window->operation_running = true;
    set_rows_enabled(false);
}

OperationGuard::~OperationGuard()
{
    if (!acquired)
        return;
    window->operation_running = false;
    set_rows_enabled(true);
}

void OperationGuard::set_rows_enabled(bool enabled)
{
    // Disabling the containers leaves each button's own enabled state alone
    // (Editar/Grabar/Cancelar keep theirs), and it comes back with the rows.
    for (QWidget *row : {window->maint_ops, window->debug_ops, window->user_ops, window->log_ops,
                         window->param_ops}) {
        if (row)
            row->setEnabled(enabled);
    }
}
