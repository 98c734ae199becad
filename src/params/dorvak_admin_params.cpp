// The "Configuración" tab: the parameter form, its read and its write.
#include "dorvak_admin.h"

#include "param_form.h"
#include "param_operations.h"

#include "console.h"
#include "param_lines.h"
#include "text_util.h"
#include "widget_util.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

void DORVAK_Admin::build_config_page()
{
    config_page = new QWidget;
    config_page->setObjectName(QStringLiteral("config_page"));
    get_params_btn = make_button(QStringLiteral("Obtener Parametros"), "get_params_btn");
    send_params_btn = make_button(QStringLiteral("Grabar Parametros"), "send_params_btn");
    get_params_btn->setToolTip(QStringLiteral("Leer los parámetros del controlador (F5)"));
    send_params_btn->setToolTip(
        QStringLiteral("Escribir en el controlador los parámetros del formulario; pide una "
                       "lectura completa antes"));
    param_ops = make_ops_row("param_ops", {get_params_btn, send_params_btn});

    // Sixteen rows are taller than a laptop screen leaves the tab: the form
    // scrolls, and the buttons below it stay in reach.
    param_form_widget = named(new ParamForm, "param_form_widget");
    auto *form_scroll = named(new QScrollArea, "param_scroll");
    form_scroll->setWidget(param_form_widget);
    form_scroll->setWidgetResizable(true);
    form_scroll->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(config_page);
    layout->addWidget(form_scroll, 1);
    layout->addLayout(button_bar(param_ops));

    // A read counts for the controller it came from: once the line closes,
    // the next one may lead to another controller.
    connect(&core.session, &Session::connected, this, [this](bool open) {
        if (!open)
            params_read.clear();
    });
}

void DORVAK_Admin::get_param()
{
    ReadParams read(core);
    run(read);
}

void DORVAK_Admin::show_params(const QVector<QString> &values)
{
    // A read overwrites what was loaded from the history.
    params_read = param_form_widget->show_read(values);
    params_loaded.clear();
    update_title();
}

void DORVAK_Admin::send_params()
{
    WriteParams write(core);
    // The form holds the connected controller's read, or a visit's values
    // loaded over it (or over nothing: then every value is sent).
    const QVector<ParamRead> &source = params_loaded.isEmpty() ? params_read : params_loaded;
    write.have_read = !source.isEmpty();
    QVector<ParamRead> after = params_read.isEmpty() ? source : params_read;
    for (const int n : write.have_read ? writable_params() : QVector<int>()) {
        const QString now = param_form_widget->value(n);
        const bool known = !params_read.isEmpty();
        // Left as the controller sent it: nothing to send, whatever the
        // form made of it.
        if (known && &source == &params_read && now == params_read.at(n).shown)
            continue;
        const auto value = param_to_send(source.at(n), now, param_form_widget->acceptable(n));
        if (!value) {
            write.refused << param_form_widget->label(n);
            continue;
        }
        if (known && *value == params_read.at(n).valor)
            continue;
        write.lines << send_par_line(n, *value);
        write.changes << QStringLiteral("%1 (%2): %3 → %4")
                             .arg(param_form_widget->label(n))
                             .arg(n, 2, 10, QLatin1Char('0'))
                             .arg(known ? param_form_widget->words(n, params_read.at(n).valor)
                                        : QStringLiteral("(sin leer)"),
                                  param_form_widget->words(n, *value));
        after[n] = {*value, now, true};
    }
    if (!run(write))
        return;
    // What the controller now holds, for the next write.
    params_read = after;
    params_loaded.clear();
}
