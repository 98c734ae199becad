#ifndef PARAM_FORM_H
#define PARAM_FORM_H

#include "param_lines.h"

#include <QVector>
#include <QWidget>

class QComboBox;
class QFormLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The sixteen parameters as a form: each field shows a value as the
// controller sent it and gives back what it holds as it goes out.
class ParamForm : public QWidget
{
    Q_OBJECT

public:
    explicit ParamForm(QWidget *parent = nullptr);

    // One value as the controller sent it into its field.
    void apply(int numero, const QString &valor);
    // What the field holds as it goes out: a text folded and without its
    // quotes, empty for a choice with no item.
    QString value(int numero) const;
    // Whether the field accepts what it holds.
    bool acceptable(int numero) const;
    // The label that names the field.
    QString label(int numero) const;
    // A complete read into the form, and what the form made of it; only the
    // writable parameters when the values are another controller's.
    QVector<ParamRead> show_read(const QVector<QString> &values, bool writable_only = false);
    // A value as the form shows it, in words: a choice by its item's text,
    // the notifications by their buttons, the version as major.minor.
    QString words(int numero, const QString &valor) const;

private:
    QLineEdit *edit(int numero) const;
    QWidget *field(int numero) const;

    QFormLayout *param_form = nullptr;
    QLineEdit *nombre_inst_edit = nullptr, *num_equipo_edit = nullptr, *version_edit = nullptr,
              *num_registro_edit = nullptr, *limite_usuarios_edit = nullptr,
              *num_base_edit = nullptr;
    QSpinBox *max_visitas_spin = nullptr, *min_digitos_spin = nullptr;
    QComboBox *modo_operacion_combo = nullptr, *modo_entrada1_combo = nullptr,
              *modo_entrada2_combo = nullptr;
    QWidget *notif_widget = nullptr;
    QPushButton *notif_acceso_btn = nullptr, *notif_config_btn = nullptr,
                *notif_usuarios_btn = nullptr, *notif_sms_btn = nullptr;
    QLineEdit *msg_apertura1_edit = nullptr, *msg_apertura2_edit = nullptr,
              *msg_cierre1_edit = nullptr, *msg_cierre2_edit = nullptr;
};

#endif
