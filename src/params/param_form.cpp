// The parameter form: its fields and what each holds.
#include "param_form.h"

#include "text_util.h"
#include "widget_util.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>

namespace {

// The field of a text parameter holds what the controller keeps for it:
// its length and its validator have the controller's limit.
QLineEdit *make_edit(const char *name, int numero, QValidator *validator)
{
    auto *edit = named(new QLineEdit, name);
    edit->setMaxLength(text_limit(numero));
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

ParamForm::ParamForm(QWidget *parent) : QWidget(parent)
{
    param_form = new QFormLayout(this);
    param_form->setObjectName(QStringLiteral("param_form"));

    auto *name_rule = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[_ a-zA-Z0-9]{1,%1}").arg(text_limit(0))), this);
    name_rule->setObjectName(QStringLiteral("name_rule"));
    auto *phone_rule = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^\\+[\\d]{8,%1}$").arg(text_limit(1) - 1)), this);
    phone_rule->setObjectName(QStringLiteral("phone_rule"));
    auto *base_rule = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[_ 0-9\\+\\*\\#Xx]{1,%1}").arg(text_limit(14))), this);
    base_rule->setObjectName(QStringLiteral("base_rule"));

    nombre_inst_edit = make_edit("nombre_inst_edit", 0, name_rule);
    num_equipo_edit = make_edit("num_equipo_edit", 1, phone_rule);
    version_edit = make_shown_only("version_edit");
    num_registro_edit = make_edit("num_registro_edit", 5, phone_rule);
    limite_usuarios_edit = make_shown_only("limite_usuarios_edit");
    max_visitas_spin = make_spin("max_visitas_spin", 5000);
    modo_operacion_combo = named(new QComboBox, "modo_operacion_combo");
    modo_operacion_combo->addItems({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                                    QStringLiteral("4"), QStringLiteral("5")});
    modo_entrada1_combo = make_entrance_combo("modo_entrada1_combo");
    modo_entrada2_combo = make_entrance_combo("modo_entrada2_combo");
    num_base_edit = make_edit("num_base_edit", 14, base_rule);
    min_digitos_spin = make_spin("min_digitos_spin", 15);

    // The row order of the buttons is not the order of their bits. Two
    // lines of two, so that every label stays whole in a narrow tab.
    notif_widget = named(new QWidget, "notif_widget");
    auto *notif_row = new QGridLayout(notif_widget);
    notif_row->setContentsMargins(0, 0, 0, 0);
    notif_acceso_btn = make_toggle(QStringLiteral("Acceso"), "notif_acceso_btn");
    notif_config_btn = make_toggle(QStringLiteral("Configuración"), "notif_config_btn");
    notif_usuarios_btn = make_toggle(QStringLiteral("Usuarios"), "notif_usuarios_btn");
    notif_sms_btn = make_toggle(QStringLiteral("SMS no reconocidos"), "notif_sms_btn");
    notif_acceso_btn->setToolTip(QStringLiteral("Avisar cada acceso abierto"));
    notif_config_btn->setToolTip(QStringLiteral("Avisar cada cambio de configuración"));
    notif_usuarios_btn->setToolTip(QStringLiteral("Avisar cada cambio de usuarios"));
    notif_sms_btn->setToolTip(QStringLiteral("Avisar los SMS de números desconocidos"));
    int at = 0;
    for (QPushButton *b : {notif_acceso_btn, notif_config_btn, notif_usuarios_btn, notif_sms_btn}) {
        notif_row->addWidget(b, at / 2, at % 2);
        ++at;
    }

    msg_apertura1_edit = make_edit("msg_apertura1_edit", 9, nullptr);
    msg_apertura2_edit = make_edit("msg_apertura2_edit", 11, nullptr);
    msg_cierre1_edit = make_edit("msg_cierre1_edit", 10, nullptr);
    msg_cierre2_edit = make_edit("msg_cierre2_edit", 12, nullptr);

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
}

QVector<ParamRead> ParamForm::show_read(const QVector<QString> &values, bool writable_only)
{
    QVector<ParamRead> read(param_count);
    for (int n = 0; n < param_count && n < values.size(); ++n) {
        if (writable_only && !writable_params().contains(n))
            continue;
        read[n].valor = values.at(n);
        apply(n, read[n].valor);
        read[n].shown = value(n);
        read[n].held = is_text_param(n) ? read[n].valor.size() <= text_limit(n)
                                        : is_param_number(read[n].valor)
                && QString::number(param_number(read[n].valor)) == read[n].shown;
    }
    return read;
}

QLineEdit *ParamForm::edit(int numero) const
{
    switch (numero) {
    case 0:
        return nombre_inst_edit;
    case 1:
        return num_equipo_edit;
    case 5:
        return num_registro_edit;
    case 9:
        return msg_apertura1_edit;
    case 10:
        return msg_cierre1_edit;
    case 11:
        return msg_apertura2_edit;
    case 12:
        return msg_cierre2_edit;
    case 14:
        return num_base_edit;
    default:
        return nullptr;
    }
}

QWidget *ParamForm::field(int numero) const
{
    switch (numero) {
    case 2:
        return version_edit;
    case 3:
        return max_visitas_spin;
    case 4:
        return notif_widget;
    case 6:
        return modo_operacion_combo;
    case 7:
        return modo_entrada1_combo;
    case 8:
        return modo_entrada2_combo;
    case 13:
        return min_digitos_spin;
    case 15:
        return limite_usuarios_edit;
    default:
        return edit(numero);
    }
}

void ParamForm::apply(int numero, const QString &valor)
{
    if (QLineEdit *line = edit(numero)) {
        // A longer text than the field takes is shown whole, never cut: the
        // write then refuses it instead of sending it shortened.
        const QString text = param_text(valor);
        line->setMaxLength(qMax(text_limit(numero), text.size()));
        line->setText(text);
        return;
    }
    const int n = param_number(valor);
    switch (numero) {
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
    // The operation modes 1 to 5 are the items "1" to "5"; anything else
    // leaves no item selected.
    case 6:
        modo_operacion_combo->setCurrentIndex(n > 0 && n <= 5 ? n - 1 : -1);
        break;
    case 7:
        modo_entrada1_combo->setCurrentIndex(n >= 0 && n < modo_entrada1_combo->count() ? n : -1);
        break;
    case 8:
        modo_entrada2_combo->setCurrentIndex(n >= 0 && n < modo_entrada2_combo->count() ? n : -1);
        break;
    case 13:
        min_digitos_spin->setValue(n);
        break;
    case 15:
        limite_usuarios_edit->setText(QString::number(n));
        break;
    default:
        break;
    }
}

QString ParamForm::value(int numero) const
{
    if (const QLineEdit *line = edit(numero))
        return fold(line->text());
    auto choice = [](const QComboBox *combo, const QString &value) {
        return combo->currentIndex() < 0 ? QString() : value;
    };
    switch (numero) {
    case 3:
        return QString::number(max_visitas_spin->value());
    case 4:
        return QString::number((notif_acceso_btn->isChecked() ? notif_acceso : 0)
                               | (notif_usuarios_btn->isChecked() ? notif_usuarios : 0)
                               | (notif_sms_btn->isChecked() ? notif_sms : 0)
                               | (notif_config_btn->isChecked() ? notif_config : 0));
    case 6:
        return choice(modo_operacion_combo, modo_operacion_combo->currentText());
    case 7:
        return choice(modo_entrada1_combo, QString::number(modo_entrada1_combo->currentIndex()));
    case 8:
        return choice(modo_entrada2_combo, QString::number(modo_entrada2_combo->currentIndex()));
    case 13:
        return QString::number(min_digitos_spin->value());
    default:
        return QString();
    }
}

bool ParamForm::acceptable(int numero) const
{
    if (const QLineEdit *line = edit(numero))
        return line->text().size() <= text_limit(numero) && line->hasAcceptableInput();
    return !value(numero).isEmpty();
}

QString ParamForm::words(int numero, const QString &valor) const
{
    // A value that was not there reads as nothing, not as a choice's first.
    if (is_text_param(numero) || valor.trimmed().isEmpty())
        return param_text(valor);
    const int n = param_number(valor);
    const auto item = [&](const QComboBox *combo, int index) {
        return index >= 0 && index < combo->count() ? combo->itemText(index) : valor;
    };
    switch (numero) {
    case 2:
        return version_text(n);
    case 4: {
        QStringList on;
        // In the order the buttons stand, as the form shows them.
        for (const QPushButton *b :
             {notif_acceso_btn, notif_config_btn, notif_usuarios_btn, notif_sms_btn}) {
            const int bit = b == notif_acceso_btn ? notif_acceso
                : b == notif_config_btn           ? notif_config
                : b == notif_usuarios_btn         ? notif_usuarios
                                                  : notif_sms;
            if (n & bit)
                on << b->text();
        }
        return on.isEmpty() ? QStringLiteral("ninguna") : on.join(QStringLiteral(", "));
    }
    case 6:
        return item(modo_operacion_combo, n - 1);
    case 7:
        return item(modo_entrada1_combo, n);
    case 8:
        return item(modo_entrada2_combo, n);
    default:
        return param_text(valor);
    }
}

QString ParamForm::label(int numero) const
{
    const auto *label = qobject_cast<QLabel *>(param_form->labelForField(field(numero)));
    return label ? label->text() : QString();
}
