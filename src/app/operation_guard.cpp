#include "operation_guard.h"

#include "console.h"
#include "dorvak_admin.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
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
    window->stopping = false;
    // What an earlier action said is no news about this one.
    window->status_bar->clearMessage();
    window->outcome_reported = false;
    set_rows_enabled(false);
    window->stop_btn->setEnabled(true);
}

OperationGuard::~OperationGuard()
{
    // Nothing of a deleted window may be touched.
    if (!acquired || !window)
        return;
    DORVAK_Admin *w = window;
    w->operation_running = false;
    set_rows_enabled(true);
    w->stop_btn->setEnabled(false);
    if (w->stopping) {
        w->stopping = false;
        w->show_progress = true;
        w->progress->setValue(0);
        w->progress->setFormat(QString());
        w->console->note(QStringLiteral("Operación detenida"));
    }
    // A close or a deletion asked for while the operation ran happens now
    // that nothing of the window is on the stack any more.
    if (w->close_when_done) {
        w->close_when_done = false;
        QTimer::singleShot(0, w, [w] { w->QWidget::close(); });
    }
    if (w->delete_when_done) {
        w->delete_when_done = false;
        w->deleteLater();
    }
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

void DORVAK_Admin::run_operation(OperationGuard::Line line, const std::function<void()> &body)
{
    try {
        const OperationGuard guard(this, line);
        if (guard)
            body();
    } catch (const WindowGone &) {
        // The window was deleted while the operation waited for the
        // controller; its guard let go of it without touching it.
    }
}
