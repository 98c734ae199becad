// One operation at a time: while one runs, the rows of buttons that start
// operations are disabled, so that a refusal is visible; the console, its
// clear button, "Ver Consola" and Disconnect stay usable.
#include "dorvak_admin.h"

#include "operation.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

void DORVAK_Admin::operation_running_changed(bool running)
{
    if (running) {
        // What an earlier action said is no news about this one.
        status_bar->clearMessage();
        outcome_reported = false;
    }
    // Disabling the containers leaves each button's own enabled state alone
    // (Editar/Grabar/Cancelar keep theirs), and it comes back with the rows.
    for (QWidget *row : {maint_ops, debug_ops, user_ops, log_ops, param_ops}) {
        if (row)
            row->setEnabled(!running);
    }
    stop_btn->setEnabled(running);
    if (running)
        return;
    // A close or a deletion asked for while the operation ran happens now
    // that nothing of the window is on the stack any more.
    const AfterOperation after = after_operation;
    after_operation = AfterOperation::stay;
    if (after == AfterOperation::close)
        QTimer::singleShot(0, this, [this] { QWidget::close(); });
    else if (after == AfterOperation::remove)
        deleteLater();
}

void DORVAK_Admin::run_operation(Needs line, const std::function<void()> &body)
{
    if (!core.runner.begin())
        return;
    if (line == Needs::line && !is_open()) {
        core.runner.end();
        show_port_closed();
        return;
    }
    try {
        body();
    } catch (const SessionGone &) {
        // The window was deleted while the operation waited for the
        // controller; nothing of it may be touched.
        return;
    }
    core.runner.end();
}

bool DORVAK_Admin::run(Operation &operation)
{
    try {
        const OperationResult result = operation.exec();
        if (!result.summary.isEmpty())
            report(result.summary);
        return result.ok();
    } catch (const SessionGone &) {
        return false;
    }
}
