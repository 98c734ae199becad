#ifndef PROBE_H
#define PROBE_H

#include "dorvak_admin.h"
#include "fast_timings.h"
#include "param_form.h"

#include <QMetaObject>
#include <QPushButton>
#include <QSerialPort>

// The tests' view into the main window's state and its private helpers.
struct TestProbe
{
    explicit TestProbe(DORVAK_Admin &window) : w(window) { }

    // The session's timings shortened, for a scripted controller.
    void fast() { w.core.session.set_timings(fast_timings()); }
    Session &session() { return w.core.session; }
    IdCounter &ids() { return w.core.ids; }

    // Runs an operation slot by name, as its button would.
    bool invoke(const char *slot) { return QMetaObject::invokeMethod(&w, slot); }

    QStringList resps() const { return w.core.session.lines(); }
    bool busy() const { return w.core.session.busy(); }
    bool show_progress() const { return w.core.session.shows_progress(); }
    bool operation_running() const { return w.core.runner.running(); }
    QString port_name() const { return w.port_name; }
    QString line_buffer() const { return w.line_buffer; }
    // The serial port of the line last opened; null before the first.
    QSerialPort *serial() { return qobject_cast<QSerialPort *>(w.core.session.device()); }
    bool is_open() const { return w.core.session.is_open(); }

    UserRow *root() { return w.root; }
    QList<UserRow *> &users() { return w.users; }
    int gen_count() const { return w.gen_count; }

    void load_user_lines(const QStringList &lines) { w.load_user_lines(lines); }
    void build_user_tree() { w.build_user_tree(); }
    void install_root(const QString &caption) { w.install_root(caption); }

    // Event log and parameters
    void load_log_lines(const QStringList &lines) { w.load_log_lines(lines, w.core.identity()); }
    QString param_value(int numero) const { return w.param_form_widget->value(numero); }

    // User directory
    QTreeWidget *user_tree() { return w.user_tree; }
    UserPanel *user_panel() { return w.user_panel; }

    // Users CSV file
    void export_users_to(const QString &name) { w.export_users_to(name); }
    void import_users_from(const QString &name) { w.import_users_from(name); }
    void export_log_to(const QString &name) { w.export_log_to(name); }

    // Event log and parameters (lp)
    void apply_param(int numero, const QString &valor)
    {
        w.param_form_widget->apply(numero, valor);
    }

    DORVAK_Admin &w;
};

// Opens `port` as the installer would: chosen, then "Conectar". The session
// waits with shortened timings unless `real_timings`.
inline bool connect_window(DORVAK_Admin &w, const QString &port, bool real_timings = false)
{
    if (!real_timings)
        TestProbe(w).fast();
    w.choose_port(port);
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    return TestProbe(w).is_open();
}

#endif
