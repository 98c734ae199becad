#ifndef USER_PANEL_H
#define USER_PANEL_H

#include <QWidget>

#include <array>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class UserRow;

// The form beside the user tree: shows one record and, in edit mode, writes
// the edited values back into it. It keeps no pointer to the record; the
// window hands it the record with every call.
class UserPanel : public QWidget
{
    Q_OBJECT

public:
    UserPanel(UserRow *u, bool read_only, QWidget *parent);

    // The category box lists the categories from the highest down; these
    // translate between its index and the record's category code.
    static int category_of_index(int index);
    static int index_of_category(int categoria);

    // The number as it stands in the field.
    QString typed_number() const;
    // The id, category and owner as they stand in the form; the owner is
    // the record's own while the field still shows it (an id beyond the
    // field's range is shown clamped).
    int typed_id() const;
    int typed_category() const;
    int typed_owner(const UserRow *u) const;
    // Whether the form holds anything that a save would change in `u`.
    bool changed(const UserRow *u) const;

public slots:
    void setUser(UserRow *u);
    void setMode(bool read_only);
    void edit(UserRow *u);
    void cancel(UserRow *u);
    bool save(UserRow *u);

signals:
    // A save was refused; the text says why, as its message box did.
    void refused(const QString &text);

private:
    void refuse(const QString &title, const QString &text);
    int checked_days() const;

    QSpinBox *id_spin = nullptr;
    QSpinBox *padre_spin = nullptr;
    QLineEdit *nombre_edit = nullptr;
    QLineEdit *numero_edit = nullptr;
    QComboBox *cat_combo = nullptr;
    QButtonGroup *vigencia_group = nullptr;
    QRadioButton *normal_radio = nullptr;
    QRadioButton *temporal_radio = nullptr;
    QSpinBox *vigencia_spin = nullptr;
    QSpinBox *hr_ini_spin = nullptr;
    QSpinBox *hr_fin_spin = nullptr;
    // Monday to Sunday; button i stands for bit i of the permitted days.
    std::array<QPushButton *, 7> day_btns{};
};

#endif
