// What the tree's buttons do to it: the download hung into the tree, with
// the id counter, a download on a closed port, adding and deleting records.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_row.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

// "id(children) id ..." below `item`, pending records marked with "*",
// records never saved with "+".
QString shape(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *u = static_cast<const UserRow *>(item->child(i));
        const QString below = shape(u);
        parts << QString::number(u->id_user) + (u->pending ? "*" : "") + (u->unsaved ? "+" : "")
                + (below.isEmpty() ? QString() : '(' + below + ')');
    }
    return parts.join(' ');
}

// Controller records from "id,code,owner id,code,owner ...".
QStringList lines(const QString &records)
{
    QStringList out;
    for (const QString &r : records.split(' ', Qt::SkipEmptyParts)) {
        const QStringList f = r.split(',');
        out << QStringLiteral("## %1,%2,\"N\",+569%1,%3,0,0,0,0,24,127\n").arg(f[0], f[1], f[2]);
    }
    return out;
}

} // namespace

class TstUserTree : public QObject
{
    Q_OBJECT

private slots:
    void buttons_data();
    void buttons();
    void finder_data();
    void finder();
};

void TstUserTree::buttons_data()
{
    // Before: 1(2(3)) 4, 4 pending, the counter at 1. The controller holds
    // `records` and announces `total` of them (-1: as many), and answers the
    // lookup of 1's number with `lookup`. Questions are answered `yes`.
    // After: the tree, the counter (-1: not checked), the records listed,
    // and the bytes sent followed by the messages shown.
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<int>("selected"); // index in the download, -1: the root
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("records");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("lookup");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("outcome");
    const QString get = QStringLiteral("get_users_btn");
    const QString ask = QStringLiteral("Hay 1 cambios sin sincronizar. ¿Descartarlos?");
    const QString sent = QStringLiteral("TOT_USERS\nLU\n") + ask;
    const QString gone = QStringLiteral("ERROR no existe\n");
    const QString kept = QStringLiteral("1(2(3)) 4*");
    // clang-format off
    QTest::newRow("ids 5 and 40: the counter passes both") << get << -1 << true << "5,1,5 40,1,40" << -1 << "" << true << 41 << "5 40" << 2 << sent;
    QTest::newRow("visitor of an administrator to the root") << get << -1 << true << "1,1,1 3,3,1" << -1 << "" << true << -1 << "1 3" << 2 << sent;
    QTest::newRow("orphans last, in list order") << get << -1 << true << "5,2,9 1,1,1 7,3,99" << -1 << "" << true << -1 << "1 5 7" << 3 << sent;
    QTest::newRow("order kept at every level") << get << -1 << true << "1,1,1 2,2,1 3,2,1 4,3,3 5,3,2 6,1,6 7,2,6" << -1 << "" << true << -1 << "1(2(5) 3(4)) 6(7)" << 7 << sent;
    QTest::newRow("owners listed after what they own") << get << -1 << true << "3,3,2 2,2,1 1,1,1" << -1 << "" << true << -1 << "1(2(3))" << 3 << sent;
    QTest::newRow("duplicate administrator: the first takes the users") << get << -1 << true << "1,1,1 1,1,1 2,2,1" << -1 << "" << true << -1 << "1(2) 1" << 3 << sent;
    QTest::newRow("duplicate user: the first takes the visitors") << get << -1 << true << "1,1,1 2,2,1 2,2,1 3,3,2" << -1 << "" << true << -1 << "1(2(3) 2)" << 4 << sent;
    QTest::newRow("download cut short: tree kept") << get << -1 << true << "5,1,5 40,1,40" << 3 << "" << true << -1 << kept << 4 << sent + " Descarga incompleta: 2 de 3 usuarios";
    QTest::newRow("download declined: nothing sent") << get << -1 << true << "5,1,5" << -1 << "" << false << -1 << kept << 4 << ask;
    QTest::newRow("download on a closed port: tree kept") << get << -1 << false << "" << -1 << "" << true << 1 << kept << 4 << "El puerto está cerrado";
    QTest::newRow("Borrar Todos") << "limpia_usuarios_btn" << -1 << false << "" << -1 << "" << true << -1 << "" << 0 << ask;
    QTest::newRow("Borrar Todos declined") << "limpia_usuarios_btn" << -1 << false << "" << -1 << "" << false << -1 << kept << 4 << ask;
    // The port is closed: the id is one that no record has.
    QTest::newRow("nuevo under the root") << "nuevo_btn" << -1 << false << "" << -1 << "" << true << 6 << "1(2(3)) 4* 5+" << 4 << "";
    QTest::newRow("nuevo under an administrator") << "nuevo_btn" << 0 << false << "" << -1 << "" << true << 6 << "1(2(3) 5+) 4*" << 4 << "";
    QTest::newRow("nuevo under a user") << "nuevo_btn" << 1 << false << "" << -1 << "" << true << 6 << "1(2(3 5+)) 4*" << 4 << "";
    QTest::newRow("nuevo under a visitor") << "nuevo_btn" << 2 << false << "" << -1 << "" << true << 1 << kept << 4 << "Una Visita no puede tener usuarios usuarios";
    QTest::newRow("nuevo then Cancelar leaves nothing") << "nuevo_btn cancel_btn" << 0 << false << "" << -1 << "" << true << -1 << kept << 4 << "";
    QTest::newRow("nuevo then another record leaves nothing") << "nuevo_btn select" << 0 << false << "" << -1 << "" << true << -1 << kept << 4 << "";
    QTest::newRow("borrar an administrator") << "borrar_btn" << 0 << true << "" << -1 << gone << true << 1 << "4*" << 1 << "BU +5691\nUD_NUM +5691\n%1";
    QTest::newRow("borrar declined: nothing sent") << "borrar_btn" << 0 << true << "" << -1 << gone << false << 1 << kept << 4 << "%1";
    QTest::newRow("borrar refused by the controller") << "borrar_btn" << 0 << true << "" << -1 << "1,1,1" << true << -1 << kept << 4 << "BU +5691\nUD_NUM +5691\n%1 El controlador no borró el usuario N (+5691)";
    QTest::newRow("borrar unanswered") << "borrar_btn" << 0 << true << "" << -1 << "" << true << 1 << kept << 4 << "BU +5691\nUD_NUM +5691\n%1 El controlador no borró el usuario N (+5691)";
    QTest::newRow("borrar on a closed port") << "borrar_btn" << 0 << false << "" << -1 << "" << true << 1 << kept << 4 << "El puerto está cerrado";
    // clang-format on
}

void TstUserTree::buttons()
{
    QFETCH(QString, buttons);
    QFETCH(int, selected);
    QFETCH(bool, open);
    QFETCH(QString, records);
    QFETCH(int, total);
    QFETCH(QString, lookup);
    QFETCH(bool, yes);
    QFETCH(int, counter);
    FakeController fake;
    const int announced = total < 0 ? lines(records).size() : total;
    fake.on("TOT_USERS", QByteArray::number(announced) + '\n');
    fake.on("LU", lines(records).join(QString()).toUtf8());
    fake.on("UD_NUM +5691",
            lookup.contains(',') ? lines(lookup).first().toUtf8() : lookup.toUtf8());
    ModalAnswerer answerer;
    if (!yes)
        answerer.queue_button(QMessageBox::No);
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.load_user_lines(lines("1,1,1 2,2,1 3,3,2 4,1,4"));
    probe.users().at(3)->pending = true;
    // What an earlier exchange left: it reads like a count.
    probe.resps() = QStringList{"30\n"};
    UserRow::id_siguiente = 1;
    if (open) {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>("connect_btn")->click();
    }
    probe.user_tree()->setCurrentItem(selected < 0 ? probe.root() : probe.users().at(selected));
    for (const QString &button : buttons.split(' ')) {
        if (button == "select")
            probe.user_tree()->setCurrentItem(probe.users().at(3));
        else
            w.findChild<QPushButton *>(button)->click();
    }

    QTEST(shape(probe.root()), "shape");
    if (counter >= 0)
        QCOMPARE(UserRow::id_siguiente, counter);
    QTEST(int(probe.users().size()), "listed");
    QFETCH(QString, outcome);
    QCOMPARE(QString(fake.received()) + answerer.texts().join(' '),
             outcome.replace(QStringLiteral("%1"),
                             QStringLiteral("¿Borrar a N (+5691) y sus 2 registros?")));
    // A new record is selected, owned by what was, one level below it.
    auto *current = static_cast<UserRow *>(probe.user_tree()->currentItem());
    if (current && current->unsaved) {
        auto *owner = static_cast<UserRow *>(current->parent());
        QCOMPARE(current->id_padre, owner->id_user);
        QCOMPARE(current->categoria,
                 owner == probe.root() ? int(UserRow::Admin) : owner->categoria - 1);
    }
}

// The ids the tree shows, with what they own, leaving out hidden rows.
QString shown(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *u = static_cast<const UserRow *>(item->child(i));
        if (u->isHidden())
            continue;
        const QString below = shown(u);
        parts << QString::number(u->id_user) + (below.isEmpty() ? QString() : '(' + below + ')');
    }
    return parts.join(' ');
}

void TstUserTree::finder_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("count");
    // clang-format off
    QTest::newRow("nothing typed") << "" << "1(2(3)) 4(12)" << "";
    QTest::newRow("digits: the record with its owners") << "912" << "4(12)" << "1 de 5";
    QTest::newRow("a number however written") << "+56 93" << "1(2(3))" << "1 de 5";
    QTest::newRow("a name, any case") << "n" << "1(2(3)) 4(12)" << "5 de 5";
    QTest::newRow("nothing matches") << "zz" << "" << "0 de 5";
    // clang-format on
}

void TstUserTree::finder()
{
    QFETCH(QString, typed);
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.load_user_lines(lines("1,1,1 2,2,1 3,3,2 4,1,4 12,2,4"));
    auto *finder = w.findChild<QLineEdit *>("user_filter_edit");
    // Rows hidden by a longer text come back when it is shortened.
    finder->setText(typed + "x");
    finder->setText(typed);
    QTEST(shown(probe.root()), "shown");
    QTEST(w.findChild<QLabel *>("user_filter_count")->text(), "count");
}

QTEST_MAIN(TstUserTree)
#include "tst_user_tree.moc"
