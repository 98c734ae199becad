#ifndef OPERATION_GUARD_H
#define OPERATION_GUARD_H

#include <QPointer>

class DORVAK_Admin;

// Thrown by the exchange when the window was deleted while it waited for the
// controller; caught where the operation started (DORVAK_Admin::run_operation).
struct WindowGone
{ };

// One operation at a time. The exchange processes events while it waits for
// the controller, so without this a second button could start an operation
// that clears the response list under the first one, or frees a record that
// a running upload still holds. Every operation slot opens a guard first and
// returns at once when it is refused; while a guard is held, the rows of
// buttons that start operations are disabled, so the refusal is visible.
// The console, its clear button, "Ver Consola" and Disconnect stay usable.
class OperationGuard
{
public:
    // An operation made of many exchanges needs the line open from the
    // start: on a closed port it is refused with the closed-port message
    // once, instead of one message per exchange.
    enum class Line { any, open };

    explicit OperationGuard(DORVAK_Admin *window, Line line = Line::any);
    ~OperationGuard();

    OperationGuard(const OperationGuard &) = delete;
    OperationGuard &operator=(const OperationGuard &) = delete;

    explicit operator bool() const { return acquired; }

private:
    void set_rows_enabled(bool enabled);

    // Guarded: the window may be deleted while the operation waits.
    QPointer<DORVAK_Admin> window;
    bool acquired = false;
};

#endif
