#include "user_panel.h"

#include "text_util.h"
#include "user_row.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox *make_spin(const char *name, int minimum, int maximum)
{
    auto *spin = new QSpinBox;
    spin->setObjectName(QLatin1String(name));
    spin->setRange(minimum, maximum);
    return spin;
}

// What is typed or pasted is first brought to the form the controller
// takes (`normal`), then the whole text must match the pattern; a text that
// can still grow into a match may stand.
class TypingValidator : public QRegularExpressionValidator
{
public:
    TypingValidator(const QString &pattern, QString (*normal)(const QString &), QObject *parent)
        : QRegularExpressionValidator(
            QRegularExpression(QRegularExpression::anchoredPattern(pattern)), parent),
          normal(normal)
    { }

    State validate(QString &input, int &pos) const override
    {
        const QString wanted = normal(input);
        if (wanted != input) {
            pos = normal(input.left(pos)).size();
            input = wanted;
        }
        return QRegularExpressionValidator::validate(input, pos);
    }

private:
    QString (*normal)(const QString &) = nullptr;
};

// A number typed or pasted as a spreadsheet shows it, without its "+".
QString with_plus(const QString &number)
{
    return !number.isEmpty() && number.at(0).isDigit() ? QLatin1Char('+') + number : number;
}

// A record made by "Nuevo" holds placeholder words, not a name and a
// number: its fields start empty, with their hints, so that what is typed is
// all there is.
QString shown_text(const UserRow *u, const QString &text)
{
    return u->unsaved ? QString() : text.trimmed();
}

} // namespace

UserPanel::UserPanel(UserRow *u, bool read_only, QWidget *parent) : QWidget(parent)
{
    auto *top_row = new QHBoxLayout;
    id_spin = make_spin("id_spin", 1, 65535);
    // The root's id is 0: a record created under it is owned by 0.
    padre_spin = make_spin("padre_spin", 0, 65535);
    top_row->addWidget(new QLabel(QStringLiteral("Id")));
    top_row->addWidget(id_spin);
    top_row->addWidget(new QLabel(QStringLiteral("Id_padre")));
    top_row->addWidget(padre_spin);

    auto *form = new QFormLayout;
    nombre_edit = new QLineEdit;
    nombre_edit->setObjectName(QStringLiteral("nombre_edit"));
    // No length limit on the field itself: it would cut what the controller
    // sent as soon as it is shown. The validator limits what is typed;
    // accented letters become the plain ones the controller stores.
    nombre_edit->setValidator(
        new TypingValidator(QStringLiteral("[_ a-zA-Z0-9]{1,15}"), fold_accents, this));
    nombre_edit->setAutoFillBackground(true);
    form->addRow(QStringLiteral("Nombre"), nombre_edit);

    numero_edit = new QLineEdit;
    numero_edit->setObjectName(QStringLiteral("numero_edit"));
    // While typing only the characters of a number are let in; the whole
    // stored number fits, however long the controller's is. Its form is
    // checked on save.
    numero_edit->setValidator(new TypingValidator(QStringLiteral("\\+\\d{0,19}"), with_plus, this));
    form->addRow(QStringLiteral("Numero"), numero_edit);

    cat_combo = new QComboBox;
    cat_combo->setObjectName(QStringLiteral("cat_combo"));
    cat_combo->addItem(QStringLiteral("Administrador"), int(UserRow::Admin));
    cat_combo->addItem(QStringLiteral("Usuario"), int(UserRow::Usuario));
    cat_combo->addItem(QStringLiteral("Visita"), int(UserRow::Visita));
    cat_combo->setEnabled(!read_only);
    form->addRow(QStringLiteral("Categoría"), cat_combo);

    vigencia_group = new QButtonGroup(this);
    vigencia_group->setObjectName(QStringLiteral("vigencia_group"));
    normal_radio = new QRadioButton(QStringLiteral("Normal"));
    normal_radio->setObjectName(QStringLiteral("normal_radio"));
    temporal_radio = new QRadioButton(QStringLiteral("Temporal"));
    temporal_radio->setObjectName(QStringLiteral("temporal_radio"));
    vigencia_group->addButton(normal_radio);
    vigencia_group->addButton(temporal_radio);
    vigencia_spin = make_spin("vigencia_spin", 0, 32767);
    hr_ini_spin = make_spin("hr_ini_spin", 0, 23);
    hr_fin_spin = make_spin("hr_fin_spin", 0, 24);

    auto *vigencia_row = new QHBoxLayout;
    vigencia_row->addWidget(normal_radio);
    vigencia_row->addWidget(temporal_radio);
    vigencia_row->addWidget(vigencia_spin);
    form->addRow(QStringLiteral("Vigencia"), vigencia_row);

    auto *hours_row = new QHBoxLayout;
    hours_row->addWidget(new QLabel(QStringLiteral("Hr inicial")));
    hours_row->addWidget(hr_ini_spin);
    hours_row->addSpacing(50);
    hours_row->addWidget(new QLabel(QStringLiteral("Hr final")));
    hours_row->addWidget(hr_fin_spin);
    form->addRow(QStringLiteral("Restr. Horaria"), hours_row);

    auto *days_row = new QHBoxLayout;
    for (int i = 0; i < 7; ++i) {
        auto *button = new QPushButton(UserRecord::day_letter(i));
        button->setObjectName(QStringLiteral("day_btns_") + UserRecord::day_letter(i));
        button->setCheckable(true);
        button->setAutoFillBackground(true);
        static const char *const day_long[] = {"lunes",   "martes", "miércoles", "jueves",
                                               "viernes", "sábado", "domingo"};
        button->setToolTip(QStringLiteral("Permitir el acceso los ")
                           + QString::fromUtf8(day_long[i]));
        day_btns[size_t(i)] = button;
        days_row->addWidget(button);
    }
    form->addRow(QStringLiteral("Días perm."), days_row);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top_row);
    layout->addLayout(form);

    setUser(u);
    setMode(read_only);
}

int UserPanel::category_of_index(int index)
{
    switch (index) {
    case 0:
        return UserRow::Admin;
    case 1:
        return UserRow::Usuario;
    default:
        return UserRow::Visita;
    }
}

int UserPanel::index_of_category(int categoria)
{
    switch (categoria) {
    case UserRow::Admin:
        return 0;
    case UserRow::Usuario:
        return 1;
    case UserRow::Visita:
        return 2;
    default:
        return -1;
    }
}

QString UserPanel::typed_number() const
{
    return numero_edit->text();
}

int UserPanel::typed_id() const
{
    return id_spin->value();
}

int UserPanel::typed_category() const
{
    return category_of_index(cat_combo->currentIndex());
}

int UserPanel::typed_owner(const UserRow *u) const
{
    const int shown = qBound(padre_spin->minimum(), u->id_padre, padre_spin->maximum());
    return padre_spin->value() == shown ? u->id_padre : padre_spin->value();
}

bool UserPanel::changed(const UserRow *u) const
{
    // A spin box shows a value beyond its range clamped, unchanged by the user.
    const auto moved = [](const QSpinBox *spin, int value) {
        return spin->value() != qBound(spin->minimum(), value, spin->maximum());
    };
    const int categoria = typed_category();
    return moved(id_spin, u->id_user)
        || (categoria != UserRow::Admin && moved(padre_spin, u->id_padre))
        || nombre_edit->text() != shown_text(u, u->nombre)
        || numero_edit->text() != shown_text(u, u->numero) || categoria != u->categoria
        || moved(vigencia_spin, u->hrs_reman) || moved(hr_ini_spin, u->rh_ini)
        || moved(hr_fin_spin, u->rh_fin) || checked_days() != (u->rd & 127);
}

void UserPanel::setUser(UserRow *u)
{
    // The tree's root stands for the whole database, not for a record: the
    // form is left empty rather than showing made-up values.
    if (u->treeWidget() && !u->parent()) {
        id_spin->setValue(0);
        padre_spin->setValue(0);
        nombre_edit->clear();
        numero_edit->clear();
        vigencia_spin->setValue(0);
        normal_radio->setChecked(true);
        for (QPushButton *button : day_btns)
            button->setChecked(false);
        hr_ini_spin->setValue(0);
        hr_fin_spin->setValue(24);
        return;
    }
    id_spin->setValue(u->id_user);
    padre_spin->setValue(u->id_padre);
    nombre_edit->setText(shown_text(u, u->nombre));
    numero_edit->setText(shown_text(u, u->numero));
    // A record of no known category leaves the box where it was.
    const int index = index_of_category(u->categoria);
    if (index >= 0)
        cat_combo->setCurrentIndex(index);
    vigencia_spin->setValue(u->hrs_reman);
    (u->hrs_reman > 0 ? temporal_radio : normal_radio)->setChecked(true);
    for (int i = 0; i < 7; ++i)
        day_btns[size_t(i)]->setChecked(u->rd & (1 << i));
    hr_ini_spin->setValue(u->rh_ini);
    hr_fin_spin->setValue(u->rh_fin);
}

void UserPanel::setMode(bool read_only)
{
    // The text fields stay enabled so that their text can still be copied.
    id_spin->setReadOnly(read_only);
    padre_spin->setReadOnly(read_only);
    nombre_edit->setReadOnly(read_only);
    numero_edit->setReadOnly(read_only);
    // Hints only where something is to be typed.
    nombre_edit->setPlaceholderText(
        read_only ? QString() : QStringLiteral("Hasta 15 letras, números, blancos o _"));
    numero_edit->setPlaceholderText(
        read_only ? QString() : QStringLiteral("+ y 11 dígitos, como +56912345678"));
    for (QWidget *w : {static_cast<QWidget *>(cat_combo), static_cast<QWidget *>(vigencia_spin),
                       static_cast<QWidget *>(normal_radio), static_cast<QWidget *>(temporal_radio),
                       static_cast<QWidget *>(hr_ini_spin), static_cast<QWidget *>(hr_fin_spin)})
        w->setEnabled(!read_only);
    for (QPushButton *button : day_btns)
        button->setEnabled(!read_only);
}

void UserPanel::edit(UserRow *)
{
    setMode(false);
}

void UserPanel::cancel(UserRow *u)
{
    setMode(true);
    setUser(u);
}

void UserPanel::refuse(const QString &title, const QString &text)
{
    QMessageBox::critical(this, title, text);
    emit refused(text);
}

int UserPanel::checked_days() const
{
    int days = 0;
    for (int i = 0; i < 7; ++i) {
        if (day_btns[size_t(i)]->isChecked())
            days |= 1 << i;
    }
    return days;
}

bool UserPanel::save(UserRow *u)
{
    const QString format_error = QStringLiteral("Error de formato");
    const QString number_error = QStringLiteral("El numero debe tener el formato +XXXXXXXXXXX");
    // Everything that is missing is named at once, and the first empty
    // field takes the cursor.
    QStringList missing;
    if (nombre_edit->text().isEmpty())
        missing << QStringLiteral("El nombre debe tener al menos un caracter");
    if (numero_edit->text().isEmpty())
        missing << number_error;
    if (!missing.isEmpty()) {
        (nombre_edit->text().isEmpty() ? nombre_edit : numero_edit)->setFocus();
        refuse(format_error, missing.join(QLatin1Char('\n')));
        return false;
    }
    if (hr_ini_spin->value() >= hr_fin_spin->value()) {
        refuse(format_error,
               QStringLiteral("La hora inicial de restriccion debe ser menor que la final"));
        return false;
    }
    // The root stands for the whole database and is never saved.
    auto *owner = static_cast<UserRow *>(u->parent());
    if (!owner)
        return false;
    // What the controller sent is kept as it is, even where the editor
    // would not let it be typed; what was typed must be complete. The
    // controller finds and deletes users by their number, so a number left
    // half typed must not be stored.
    const bool name_kept = nombre_edit->text() == u->nombre.trimmed();
    const bool number_kept = numero_edit->text() == u->numero.trimmed();
    if (!name_kept && !nombre_edit->hasAcceptableInput()) {
        refuse(format_error,
               QStringLiteral("El nombre debe tener hasta 15 letras, numeros, blancos o _"));
        return false;
    }
    static const QRegularExpression number_form(QStringLiteral("^\\+\\d{11}$"));
    if (!number_kept && !number_form.match(numero_edit->text()).hasMatch()) {
        refuse(format_error, number_error);
        return false;
    }
    const int categoria = category_of_index(cat_combo->currentIndex());
    if (categoria != UserRow::Visita && owner->categoria == UserRow::Usuario) {
        refuse(QStringLiteral("Error"), QStringLiteral("Un usuario solo puede crear visitas"));
        return false;
    }

    u->id_user = id_spin->value();
    u->id_padre = padre_spin->value();
    if (!name_kept)
        u->nombre = nombre_edit->text();
    if (!number_kept)
        u->numero = numero_edit->text();
    u->categoria = categoria;
    u->rh_ini = hr_ini_spin->value();
    u->rh_fin = hr_fin_spin->value();
    // The spin box decides; the radio buttons only show what it holds.
    u->hrs_reman = vigencia_spin->value();
    (u->hrs_reman > 0 ? temporal_radio : normal_radio)->setChecked(true);
    u->rd = checked_days();
    if (categoria == UserRow::Admin)
        u->id_padre = u->id_user;
    setMode(true);
    return true;
}
