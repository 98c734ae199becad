#include "user_row.h"

#include "user_lines.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QStyle>

UserRow::UserRow() : QTreeWidgetItem(QTreeWidgetItem::Type) { }

UserRow::UserRow(QTreeWidgetItem *parent) : QTreeWidgetItem(parent, QTreeWidgetItem::Type) { }

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
    show_mark();
}

void TreeRecords::changed(UserRecord &record)
{
    UserRow &shown = row(record);
    // A record not shown yet has no columns to follow.
    if (!shown.text(0).isEmpty())
        shown.show_columns();
    // What it owns names its id.
    for (int i = 0; i < shown.childCount(); ++i) {
        auto *owned = static_cast<UserRow *>(shown.child(i));
        if (owned->categoria != UserRecord::Admin)
            owned->id_padre = shown.id_user;
    }
    shown.show_mark();
}

void UserRow::show_mark()
{
    const QString kind = pending_kind();
    QStringList tip;
    if (!kind.isEmpty())
        tip << QStringLiteral("Pendiente: ") + kind;
    if (!failure.isEmpty())
        tip << QStringLiteral("No se pudo grabar: ") + failure;
    // The controller keeps a user under an administrator and a visitor
    // under a user: one that came without (from a listing) is said so where
    // it shows, not only when it is written.
    const bool stray = categoria != Admin && parent() && !parent()->parent();
    if (stray)
        tip << (categoria == Usuario
                    ? QStringLiteral("Sin administrador: un usuario debe pertenecer a un "
                                     "administrador (Editar, Padre)")
                    : QStringLiteral("Sin usuario: una visita debe pertenecer a un usuario "
                                     "(Editar, Padre)"));
    const QString mark = tip.join(QLatin1Char('\n'));
    if (mark == mark_shown)
        return;
    mark_shown = mark;
    // An icon as well as the colour: the mark must read on any screen. It
    // stands before the name: in the first column the tree's indentation
    // leaves a visitor's id little room.
    setIcon(1,
            !kind.isEmpty() ? QApplication::style()->standardIcon(QStyle::SP_ArrowUp)
                : stray     ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)
                            : QIcon());
    for (int c = 0; c < 4; ++c) {
        setToolTip(c, mark);
        QFont struck = font(c);
        struck.setStrikeOut(baja && pending);
        setFont(c, struck);
        if (failure.isEmpty())
            setData(c, Qt::ForegroundRole, QVariant());
        else
            setForeground(c, QBrush(QColor(Qt::red)));
    }
}

UserRow *parse_user_line(const QString &line, IdCounter &ids)
{
    if (!line.startsWith(QLatin1String("##")))
        return nullptr;
    auto *u = new UserRow;
    // A short line leaves its owner unread: the record then owns itself,
    // under an id of its own, as a new record does.
    u->id_user = u->id_padre = ids.take();
    read_user_fields(line, *u);
    ids.pass(u->id_user);
    return u;
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

namespace {

bool is_below(const QTreeWidgetItem *item, const QTreeWidgetItem *top)
{
    for (; item; item = item->parent()) {
        if (item == top)
            return true;
    }
    return false;
}

UserRow *find_id(QTreeWidgetItem *item, int id)
{
    for (int i = 0; i < item->childCount(); ++i) {
        auto *child = static_cast<UserRow *>(item->child(i));
        if (!child->unsaved && child->id_user == id)
            return child;
        if (UserRow *found = find_id(child, id))
            return found;
    }
    return nullptr;
}

} // namespace

QString ownership_refusal(UserRow *record, int categoria, int id_padre, UserRow **owner)
{
    int users = 0;
    int visitors = 0;
    for (int i = 0; i < record->childCount(); ++i) {
        const int kind = static_cast<UserRow *>(record->child(i))->categoria;
        users += kind == UserRow::Usuario ? 1 : 0;
        visitors += kind == UserRow::Visita ? 1 : 0;
    }
    if (users > 0 && categoria != UserRow::Admin)
        return QStringLiteral("Mueva primero sus %1 usuarios a otro administrador").arg(users);
    if (visitors > 0 && categoria != UserRow::Usuario)
        return QStringLiteral("Mueva primero sus %1 visitas a otro usuario").arg(visitors);

    QTreeWidgetItem *top = record;
    while (top->parent())
        top = top->parent();
    auto *target = static_cast<UserRow *>(record->parent());
    if (categoria != UserRow::Admin && id_padre != record->id_padre) {
        target = find_id(top, id_padre);
        if (!target)
            return QStringLiteral("No existe el registro %1 para ser su dueño").arg(id_padre);
        if (is_below(target, record))
            return QStringLiteral("Un registro no puede pertenecer a sí mismo ni a lo que posee");
    }
    *owner = categoria == UserRow::Admin ? static_cast<UserRow *>(top) : target;
    if (categoria == UserRow::Admin)
        return QString();
    // A record the controller holds without an owner stays as it came.
    if (target == top && categoria == record->categoria && !record->unsaved)
        return QString();
    if (target != top && target->categoria == UserRow::Usuario)
        return categoria == UserRow::Visita ? QString()
                                            : QStringLiteral("Un usuario solo puede crear visitas");
    if (target != top && target->categoria == UserRow::Admin && categoria == UserRow::Usuario)
        return QString();
    if (target != top && target->categoria == UserRow::Visita)
        return QStringLiteral("Una visita no puede tener registros propios");
    return categoria == UserRow::Usuario
        ? QStringLiteral("Un usuario debe pertenecer a un administrador")
        : QStringLiteral("Una visita debe pertenecer a un usuario");
}

QList<NewRecord> new_record_choices(UserRow *selected)
{
    if (!selected->parent())
        return {{UserRow::Admin, selected}};
    QList<NewRecord> choices;
    const int own = selected->categoria;
    if ((own == UserRow::Admin || own == UserRow::Usuario) && !selected->unsaved)
        choices.append({own - 1, selected});
    // Another of its kind hangs under the nearest record above it that
    // owns that kind: the root for an administrator.
    QTreeWidgetItem *owner = selected->parent();
    if (own == UserRow::Admin) {
        while (owner->parent())
            owner = owner->parent();
    } else {
        while (owner->parent() && static_cast<UserRow *>(owner)->categoria != own + 1)
            owner = owner->parent();
    }
    if (own >= UserRow::Visita && own <= UserRow::Admin
        && (own == UserRow::Admin || owner->parent()))
        choices.append({own, static_cast<UserRow *>(owner)});
    return choices;
}

QString new_record_text(const NewRecord &choice)
{
    switch (choice.categoria) {
    case UserRow::Admin:
        return QStringLiteral("Nuevo administrador");
    case UserRow::Usuario:
        return QStringLiteral("Nuevo usuario de ") + choice.owner->nombre;
    default:
        return QStringLiteral("Nueva visita de ") + choice.owner->nombre;
    }
}
