// The "Configuración" tab: the parameter form, its read and its write.
#include "dorvak_admin.h"

#include "operation_guard.h"
#include "param_lines.h"
#include "widget_util.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace {

QLineEdit *make_edit(const char *name, int max_length, QValidator *validator)
{
    auto *edit = named(new QLineEdit, name);
    edit->setMaxLength(max_length);
    edit->setValidator(validator);
    return edit;
}

QLineEdit *make_shown_only(const char *name)
{
    auto *edit = named(new QLineEdit, name);
    edit->setReadOnly(true);
    return edit;
}

QSpinBox *make_spin(const char *name, int maximum)
{
    auto *spin = named(new QSpinBox, name);
    spin->setRange(0, maximum);
    spin->setAlignment(Qt::AlignRight);
    return spin;
}

// The item index is the value of the entrance-mode parameters.
QComboBox *make_entrance_combo(const char *name)
{
    auto *combo = named(new QComboBox, name);
    combo->addItems({QStringLiteral("No Enviar"), QStringLiteral("Enviar Apertura"),
                     QStringLiteral("Enviar Cierre"), QStringLiteral("Enviar Apertura y Cierre")});
    return combo;
}

QPushButton *make_toggle(const QString &text, const char *name)
{
    auto *button = named(new QPushButton(text), name);
    button->setCheckable(true);
    return button;
}

} // namespace

void DORVAK_Admin::build_config_page()
{
    config_page = new QWidget;
    config_page->setObjectName(QStringLiteral("config_page"));
    param_form = new QFormLayout;
    param_form->setObjectName(QStringLiteral("param_form"));

    auto *name_rule = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[_ a-zA-Z0-9]{1,30}")), this);
    name_rule->setObjectName(QStringLiteral("name_rule"));
    auto *phone_rule = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^\\+[\\d]{8,20}$")), this);
    phone_rule->setObjectName(QStringLiteral("phone_rule"));
    auto *base_rule = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[_ 0-9\\+\\*\\#Xx]{1,30}")), this);
    base_rule->setObjectName(QStringLiteral("base_rule"));

    nombre_inst_edit = make_edit("nombre_inst_edit", 15, name_rule);
    num_equipo_edit = make_edit("num_equipo_edit", 12, phone_rule);
    version_edit = make_shown_only("version_edit");
    num_registro_edit = make_edit("num_registro_edit", 12, phone_rule);
    limite_usuarios_edit = make_shown_only("limite_usuarios_edit");
    max_visitas_spin = make_spin("max_visitas_spin", 5000);
    modo_operacion_combo = named(new QComboBox, "modo_operacion_combo");
    modo_operacion_combo->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                    QStringLiteral("4"), QStringLiteral("5")});
    modo_entrada1_combo = make_entrance_combo("modo_entrada1_combo");
    modo_entrada2_combo = make_entrance_combo("modo_entrada2_combo");
    num_base_edit = make_edit("num_base_edit", 12, base_rule);
    min_digitos_spin = make_spin("min_digitos_spin", 15);

    // The row order of the buttons is not the order of their bits.
    notif_widget = named(new QWidget, "notif_widget");
    auto *notif_row = new QHBoxLayout(notif_widget);
    notif_row->setContentsMargins(0, 0, 0, 0);
    notif_acceso_btn = make_toggle(QStringLiteral("Acceso"), "notif_acceso_btn");
    notif_config_btn = make_toggle(QStringLiteral("Configuración"), "notif_config_btn");
    notif_usuarios_btn = make_toggle(QStringLiteral("Usuarios"), "notif_usuarios_btn");
    notif_sms_btn = make_toggle(QStringLiteral("SMS no reconocidos"), "notif_sms_btn");
    for (QPushButton *b : {notif_acceso_btn, notif_config_btn, notif_usuarios_btn, notif_sms_btn})
        notif_row->addWidget(b);

    msg_apertura1_edit = make_edit("msg_apertura1_edit", 38, nullptr);
    msg_apertura2_edit = make_edit("msg_apertura2_edit", 38, nullptr);
    msg_cierre1_edit = make_edit("msg_cierre1_edit", 38, nullptr);
    msg_cierre2_edit = make_edit("msg_cierre2_edit", 38, nullptr);

    param_form->addRow(QStringLiteral("Nombre Instalación"), nombre_inst_edit);
    param_form->addRow(QStringLiteral("Número Equipo"), num_equipo_edit);
    param_form->addRow(QStringLiteral("Version Firmware"), version_edit);
    param_form->addRow(QStringLiteral("Número Registro"), num_registro_edit);
    param_form->addRow(QStringLiteral("Limite de usuarios"), limite_usuarios_edit);
    param_form->addRow(QStringLiteral("Máximo de Visitas"), max_visitas_spin);
    param_form->addRow(QStringLiteral("Modo de operación"), modo_operacion_combo);
    param_form->addRow(QStringLiteral("Modo Entrada 1"), modo_entrada1_combo);
    // Parameter 08, the second entrance: its own label, so that the two
    // entrance rows can be told apart.
    param_form->addRow(QStringLiteral("Modo Entrada 2"), modo_entrada2_combo);
    param_form->addRow(QStringLiteral("Número Base"), num_base_edit);
    param_form->addRow(QStringLiteral("Número mínimo de dígitos"), min_digitos_spin);
    param_form->addRow(QStringLiteral("Notificaciones de"), notif_widget);
    param_form->addRow(QStringLiteral("Mensaje Apertura entrada 1"), msg_apertura1_edit);
    param_form->addRow(QStringLiteral("Mensaje Apertura entrada 2"), msg_apertura2_edit);
    param_form->addRow(QStringLiteral("Mensaje Cierre entrada 1"), msg_cierre1_edit);
    param_form->addRow(QStringLiteral("Mensaje Cierre entrada 2"), msg_cierre2_edit);

    get_params_btn = make_button(QStringLiteral("Obtener Parametros"), "get_params_btn");
    send_params_btn = make_button(QStringLiteral("Grabar Parametros"), "send_params_btn");
    param_ops = make_ops_row("param_ops", {get_params_btn, send_params_btn});

    auto *layout = new QVBoxLayout(config_page);
    layout->addLayout(param_form);
    layout->addStretch();
    layout->addLayout(button_bar(param_ops));
}

void DORVAK_Admin::get_param()
{
    run_operation([this] {
        // Status lines mixed into the answer do not count towards the sixteen.
        exchange(QStringLiteral("GET_PARS"), 16, 1, QStringLiteral("Obteniendo Parametros"),
                 QStringLiteral("## "));
        // On a closed port resps holds an earlier exchange's lines, and user
        // lines start with "## " as well: they would be taken for parameters.
        if (!sent)
            return;
        // Fields whose line did not come keep what they showed; a number that
        // comes twice takes the later value.
        for (const QString &line : std::as_const(resps)) {
            if (const auto p = read_param_line(line))
                apply_param(p->numero, p->valor);
        }
    });
}

void DORVAK_Admin::apply_param(int numero, const QString &valor)
{
    // Texts from the controller skip the validators; setText cuts them to
    // the field's length, and the spin boxes clamp their values.
    const int n = param_number(valor);
    switch (numero) {
    case 0:
        nombre_inst_edit->setText(param_text(0, valor));
        break;
    case 1:
        num_equipo_edit->setText(param_text(1, valor));
        break;
    case 2:
        version_edit->setText(version_text(n));
        break;
    case 3:
        max_visitas_spin->setValue(n);
        break;
    case 4:
        notif_acceso_btn->setChecked((n & notif_acceso) != 0);
        notif_usuarios_btn->setChecked((n & notif_usuarios) != 0);
        notif_sms_btn->setChecked((n & notif_sms) != 0);
        notif_config_btn->setChecked((n & notif_config) != 0);
        break;
    case 5:
        num_registro_edit->setText(param_text(5, valor));
        break;
    // The operation modes 1 to 5 are the items "1" to "5"; anything else
    // leaves no item selected.
    case 6:
        modo_operacion_combo->setCurrentIndex(n > 0 ? n - 1 : -1);
        break;
    case 7:
        modo_entrada1_combo->setCurrentIndex(n);
        break;
    case 8:
        modo_entrada2_combo->setCurrentIndex(n);
        break;
    case 9:
        msg_apertura1_edit->setText(param_text(9, valor));
        break;
    case 10:
        msg_cierre1_edit->setText(param_text(10, valor));
        break;
    case 11:
        msg_apertura2_edit->setText(param_text(11, valor));
        break;
    case 12:
        msg_cierre2_edit->setText(param_text(12, valor));
        break;
    case 13:
        min_digitos_spin->setValue(n);
        break;
    case 14:
        num_base_edit->setText(param_text(14, valor));
        break;
    case 15:
        limite_usuarios_edit->setText(QString::number(n));
        break;
    default:
        break;
    }
}

ParamForm DORVAK_Admin::param_values() const
{
    ParamForm f;
    f.nombre_inst = nombre_inst_edit->text();
    f.num_equipo = num_equipo_edit->text();
    f.max_visitas = max_visitas_spin->value();
    f.notificaciones = (notif_acceso_btn->isChecked() ? notif_acceso : 0)
        | (notif_usuarios_btn->isChecked() ? notif_usuarios : 0)
        | (notif_sms_btn->isChecked() ? notif_sms : 0)
        | (notif_config_btn->isChecked() ? notif_config : 0);
    f.num_registro = num_registro_edit->text();
    f.modo_operacion = modo_operacion_combo->currentText();
    f.modo_entrada1 = modo_entrada1_combo->currentIndex();
    f.modo_entrada2 = modo_entrada2_combo->currentIndex();
    f.msg_apertura1 = msg_apertura1_edit->text();
    f.msg_cierre1 = msg_cierre1_edit->text();
    f.msg_apertura2 = msg_apertura2_edit->text();
    f.msg_cierre2 = msg_cierre2_edit->text();
    f.min_digitos = min_digitos_spin->value();
    f.num_base = num_base_edit->text();
    return f;
}

void DORVAK_Admin::send_params()
{
    run_operation(OperationGuard::Line::open, [this] {
        const int count = send_par_lines(param_values()).size();
        for (int i = 0; i < count; ++i) {
            // The form stays editable while the lines go out; each line takes
            // its field as it is when the line is sent. The answers are only
            // shown in the console.
            exchange(send_par_lines(param_values()).at(i), 1, 1, QString());
            if (!sent)
                break; // the line was lost on the way and the user already told so
        }
    });
}
