#include "user_row.h"

#include <QBrush>
#include <QColor>

int UserRow::id_siguiente = 0;

UserRow::UserRow() : QTreeWidgetItem(QTreeWidgetItem::Type)
{
    take_next_id();
}

UserRow::UserRow(QTreeWidgetItem *parent) : QTreeWidgetItem(parent, QTreeWidgetItem::Type)
{
    take_next_id();
}

void UserRow::take_next_id()
{
    id_user = id_siguiente;
    id_padre = id_siguiente;
    ++id_siguiente;
}

void UserRow::show_columns()
{
    setText(0, QString::number(id_user));
    setText(1, nombre);
    setText(2, numero);
    setText(3, category_text(categoria));
}

void UserRow::set_failure(const QString &why)
{
    failure = why;
    const QString tip = why.isEmpty() ? QString() : QStringLiteral("No se pudo grabar: ") + why;
    for (int c = 0; c < 4; ++c) {
        setToolTip(c, tip);
        if (why.isEmpty())
            setData(c, Qt::ForegroundRole, QVariant());
        else
            setForeground(c, QBrush(QColor(Qt::red)));
    }
}

QString UserRow::category_text(int categoria)
{
    switch (categoria) {
    case Admin:
        return QStringLiteral("ADMIN");
    case Usuario:
        return QStringLiteral("USUARIO");
    case Visita:
        return QStringLiteral("VISITA");
    default:
        return QStringLiteral("DESCONOCIDO");
    }
}

int UserRow::device_code(int categoria)
{
    switch (categoria) {
    case Admin:
        return 1;
    case Usuario:
        return 2;
    case Visita:
        return 3;
    default:
        return 0;
    }
}

int UserRow::category_of_code(int code)
{
    switch (code) {
    case 1:
        return Admin;
    case 2:
        return Usuario;
    default:
        return Visita;
    }
}

void delete_subtree(UserRow *record)
{
    if (!record)
        return;
    // Taken off all at once: the tree hears of one removal instead of one
    // per record, and each child is then freed without looking itself up
    // in its parent's list, which makes replacing a large tree linear.
    const QList<QTreeWidgetItem *> children = record->takeChildren();
    for (QTreeWidgetItem *child : children)
        delete_subtree(static_cast<UserRow *>(child));
    delete record;
}
