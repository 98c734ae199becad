// The user records: as the controller sends them and as the tool writes
// them back, what the editor saves, and the tree they hang in (download,
// buttons, finder and the lookups by id).
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_index.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

// "id(children) id ..." of the rows shown below `item`; a record never saved
// is marked "+" and its category.
QString shape(const QTreeWidgetItem *item)
{
    QStringList parts;
    for (int i = 0; i < item->childCount(); ++i) {
        const auto *u = static_cast<const UserRow *>(item->child(i));
        const QString below = shape(u);
        if (!u->isHidden())
            parts << QString::number(u->id_user)
                    + (u->unsaved ? '+' + QString::number(u->categoria) : "")
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

class TstUserRecords : public QObject
{
    Q_OBJECT

private slots:
    void read_and_written_data();
    void read_and_written();
    void save_data();
    void save();
    void new_record_data();
    void new_record();
    void tree_data();
    void tree();
};

void TstUserRecords::read_and_written_data()
{
    // The category read, then the upload line of the record; empty when the
    // line is no record. `whole`: all eleven fields are there. `carried`: as
    // the controller's answer to the upload of the first row's record, it
    // says the record was stored (only the id may differ).
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<bool>("carried");
    // clang-format off
    QTest::newRow("user, CR LF") << "## 12,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31\r\n" << "1 UU 12 2 \"Casa 12\" +56912345678 3 0 8 20 31" << true << true;
    QTest::newRow("the same user under another id") << "## 40,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31" << "1 UU 40 2 \"Casa 12\" +56912345678 3 0 8 20 31" << true << true;
    QTest::newRow("another owner") << "## 12,2,\"Casa 12\",+56912345678,4,0,0,0,8,20,31" << "1 UU 12 2 \"Casa 12\" +56912345678 4 0 8 20 31" << true << false;
    QTest::newRow("another name") << "## 12,2,\"Casa 13\",+56912345678,3,0,0,0,8,20,31" << "1 UU 12 2 \"Casa 13\" +56912345678 3 0 8 20 31" << true << false;
    QTest::newRow("other hours left") << "## 12,2,\"Casa 12\",+56912345678,3,1,0,0,8,20,31" << "1 UU 12 2 \"Casa 12\" +56912345678 3 1 8 20 31" << true << false;
    QTest::newRow("other days") << "## 12,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,30" << "1 UU 12 2 \"Casa 12\" +56912345678 3 0 8 20 30" << true << false;
    QTest::newRow("visitor, blanks folded, any quotes") << "## 8 , 3 , 'Casa    grande' ,  +569 1 ,  3 ,0,0,0, 1 ,2 , 3" << "0 UU 8 3 \"Casa grande\" +569 1 3 0 1 2 3" << true << false;
    QTest::newRow("unknown category: a visitor") << "## 7,9,\"X\",+5691,1,0,0,0,0,24,1" << "0 UU 7 3 \"X\" +5691 1 0 0 24 1" << true << false;
    QTest::newRow("comma in the quoted name") << "## 9,2,\"Pérez, Juan\",+5691,3,0,0,0,8,20,31" << "1 UU 9 2 \"Pérez, Juan\" +5691 3 0 8 20 31" << true << false;
    QTest::newRow("comma in the name of a short line") << "## 9,2,  \"A,B\"  " << "1 UU 9 2 \"A,B\" Numero 100 0 0 24 255" << false << false;
    QTest::newRow("non-numbers read 0") << "## 9,x,\"A\",+5,padre,1h,0,0,ocho,20,lunes" << "0 UU 9 3 \"A\" +5 0 0 0 20 0" << true << false;
    QTest::newRow("administrator, no blank after ## eats a digit") << "##12,1,\"A\",+5,2,48,4,5,0,24,1" << "2 UU 2 1 \"A\" +5 2 48 0 24 1" << true << false;
    // The record took 100 from the counter: the owner defaults to it.
    QTest::newRow("missing fields keep defaults") << "## 15,2,\"Corto\"\n" << "1 UU 15 2 \"Corto\" Numero 100 0 0 24 255" << false << false;
    QTest::newRow("single hash") << "# 1,2,\"A\",+5,1,0,0,0,0,24,1" << "" << false << false;
    // clang-format on
}

void TstUserRecords::read_and_written()
{
    QFETCH(QString, line);
    IdCounter ids;
    ids.set(100);
    const std::unique_ptr<UserRow> u(parse_user_line(line, ids));
    QTEST(u ? QString::number(u->categoria) + upload_line(*u) : QString(), "sent");
    QCOMPARE(ids.next(), u ? 101 : 100);
    QTEST(is_user_record(line), "whole");
    const std::unique_ptr<UserRow> sent(
        parse_user_line("## 12,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31", ids));
    QTEST(u && carries_upload(*u, *sent), "carried");
}

void TstUserRecords::save_data()
{
    // A visitor as the controller sent it, with a long name and number and
    // 5 hours left, under a user of id 0. `edits` set fields: "name=value;...";
    // `stored` is the record's upload line after the save. The editor saves
    // what is typed and keeps what was sent whole.
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("message"); // empty: saved
    const QString as_sent =
        QStringLiteral(" UU 7 3 \"Departamento 1204 B\" +5491123456789 0 5 0 24 65");
    const QString refused = QStringLiteral("El numero debe tener el formato +XXXXXXXXXXX");
    // clang-format off
    QTest::newRow("saved as shown") << "" << as_sent << "";
    QTest::newRow("renamed, hours 4 to 5") << "nombre_edit=Otro;hr_ini_spin=4;hr_fin_spin=5" << " UU 7 3 \"Otro\" +5491123456789 0 5 4 5 65" << "";
    QTest::newRow("hours left 5 to 6") << "vigencia_spin=6" << " UU 7 3 \"Departamento 1204 B\" +5491123456789 0 6 0 24 65" << "";
    QTest::newRow("number changed") << "numero_edit=+56911122233" << " UU 7 3 \"Departamento 1204 B\" +56911122233 0 5 0 24 65" << "";
    QTest::newRow("long number typed") << "numero_edit=+5491123456780" << as_sent << refused;
    QTest::newRow("incomplete number") << "numero_edit=+569123" << as_sent << refused;
    QTest::newRow("name typed too long") << "nombre_edit=Departamento 1205" << as_sent << "El nombre debe tener hasta 15 letras, numeros, blancos o _";
    QTest::newRow("hours 5 to 5") << "hr_ini_spin=5;hr_fin_spin=5" << as_sent << "La hora inicial de restriccion debe ser menor que la final";
    QTest::newRow("user under a user") << "cat_combo=Usuario" << as_sent << "Un usuario solo puede crear visitas";
    // clang-format on
}

void TstUserRecords::save()
{
    QFETCH(QString, edits);
    QFETCH(QString, message);
    // The owner, a user, heads a tree of its own as the window's root does.
    QTreeWidget tree;
    IdCounter ids;
    tree.addTopLevelItem(parse_user_line("## 0,2", ids));
    auto *record =
        parse_user_line("## 7,3,\"Departamento 1204 B\",+5491123456789,0,5,0,0,0,24,65", ids);
    tree.topLevelItem(0)->addChild(record);
    UserPanel panel(record, false, nullptr);
    QVERIFY(panel.findChild<QWidget *>("temporal_radio")->property("checked").toBool());
    for (const QString &edit : edits.split(';', Qt::SkipEmptyParts)) {
        QObject *field = panel.findChild<QObject *>(edit.section('=', 0, 0));
        field->setProperty(field->metaObject()->userProperty().name(), edit.section('=', 1));
    }
    // Any field typed counts as a change, one that leaving the record asks
    // about.
    QCOMPARE(panel.changed(record), !edits.isEmpty());
    ModalAnswerer answerer;
    QCOMPARE(panel.save(record), message.isEmpty());
    QCOMPARE(answerer.texts().join(' '), message);
    QTEST(upload_line(*record), "stored");
    // A saved record is shown read-only; a refused one stays open to edit.
    QCOMPARE(panel.findChild<QLineEdit *>("nombre_edit")->isReadOnly(), message.isEmpty());
}

void TstUserRecords::new_record_data()
{
    // What is typed into a new record's name and number; the refusal of
    // Grabar, empty when the record was kept.
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("refusal");
    const QString name = "El nombre debe tener al menos un caracter";
    const QString number = "El numero debe tener el formato +XXXXXXXXXXX";
    QTest::newRow("nothing typed") << QStringList{"", ""} << name + '\n' + number;
    QTest::newRow("no number") << QStringList{"Ana", ""} << number;
    QTest::newRow("no name") << QStringList{"", "+56912345678"} << name;
    QTest::newRow("both") << QStringList{"Ana", "+56912345678"} << QString();
}

void TstUserRecords::new_record()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, refusal);
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.user_tree()->setCurrentItem(probe.root());
    w.findChild<QPushButton *>("nuevo_btn")->click();
    // Empty fields with hints: what is typed is all the record holds.
    for (const char *field : {"nombre_edit", "numero_edit"}) {
        auto *edit = probe.user_panel()->findChild<QLineEdit *>(field);
        QVERIFY(edit->text().isEmpty() && !edit->placeholderText().isEmpty());
        QTest::keyClicks(edit, typed.takeFirst());
    }
    w.findChild<QPushButton *>("save_btn")->click();
    QCOMPARE(answerer.texts().join('\n'), refusal);
    QCOMPARE(w.statusBar()->currentMessage(),
             refusal.isEmpty() ? "Guardado sin conexión: Ana queda pendiente"
                               : "No se grabó: " + refusal.replace('\n', "; "));
}

void TstUserRecords::tree_data()
{
    // The download `records` is loaded with the counter at 1, then `steps`
    // (";"-separated) are taken on an open line: a button, "@i" selects the
    // i-th record downloaded (@-1: the root), "?text" is typed in the finder.
    // The controller answers NEXT with 3 and still lists 1's number after
    // deleting it. After: the rows shown, the counter, and the bytes sent
    // followed by the messages and the finder's count.
    QTest::addColumn<QString>("records");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("shape");
    QTest::addColumn<int>("counter");
    QTest::addColumn<QString>("outcome");
    const QString tree = QStringLiteral("1,1,1 2,2,1 3,3,2 4,1,4 12,2,4");
    const QString kept = QStringLiteral("1(2(3)) 4(12)");
    // clang-format off
    QTest::newRow("visitor of an administrator to the root") << "1,1,1 3,3,1" << "" << "1 3" << 4 << "";
    QTest::newRow("orphans last, in list order") << "5,2,9 1,1,1 7,3,99" << "" << "1 5 7" << 8 << "";
    QTest::newRow("order kept at every level") << "1,1,1 2,2,1 3,2,1 4,3,3 5,3,2 6,1,6 7,2,6" << "" << "1(2(5) 3(4)) 6(7)" << 8 << "";
    QTest::newRow("owners listed after what they own") << "3,3,2 2,2,1 1,1,1" << "" << "1(2(3))" << 6 << "";
    QTest::newRow("duplicate administrator: the first takes the users") << "1,1,1 1,1,1 2,2,1" << "" << "1(2) 1" << 4 << "";
    QTest::newRow("duplicate user: the first takes the visitors") << "1,1,1 2,2,1 2,2,1 3,3,2" << "" << "1(2(3) 2)" << 5 << "";
    QTest::newRow("Borrar Todos") << tree << "limpia_usuarios_btn" << "" << 13 << "";
    // The id is the first one from the controller's that no record has.
    QTest::newRow("nuevo under the root") << tree << "@-1;nuevo_btn" << kept + " 5+2" << 6 << "NEXT\n";
    QTest::newRow("nuevo beside a visitor without a user") << "1,1,1 3,3,1" << "@1;nuevo_btn" << "1 3" << 4 << "Una Visita no puede tener usuarios usuarios";
    QTest::newRow("nuevo beside a visitor") << tree << "@2;nuevo_btn" << "1(2(3 5+0)) 4(12)" << 6 << "NEXT\n";
    QTest::newRow("nuevo then Cancelar leaves nothing") << tree << "@2;nuevo_btn;cancel_btn" << kept << 6 << "NEXT\n";
    QTest::newRow("nuevo then another record leaves nothing") << tree << "@2;nuevo_btn;@3" << kept << 6 << "NEXT\n";
    QTest::newRow("Editar, still editing") << tree << "@3;edit_btn" << kept << 13 << "";
    QTest::newRow("Editar then Cancelar") << tree << "@3;edit_btn;cancel_btn" << kept << 13 << "";
    QTest::newRow("Editar then another record") << tree << "@3;edit_btn;@0" << kept << 13 << "";
    // A lookup of the controller's record takes no id of the directory's.
    QTest::newRow("Editar then Grabar") << tree << "@0;edit_btn;save_btn" << kept << 13 << "GET_PARS\nTOT_USERS\nLU\n UU 1 1 \"N\" +5691 1 0 0 24 127\nUD_NUM +5691\n";
    QTest::newRow("borrar refused by the controller") << tree << "@0;borrar_btn" << kept << 13 << "GET_PARS\nTOT_USERS\nLU\nBU +5691\nUD_NUM +5691\n¿Borrar a N (+5691) y sus 2 registros? El controlador no borró el usuario N (+5691)";
    QTest::newRow("finder: digits find the record with its owners") << tree << "?912" << "4(12)" << 13 << "1 de 5";
    QTest::newRow("finder: a number however written") << tree << "?+56 93" << "1(2(3))" << 13 << "1 de 5";
    QTest::newRow("finder: rows come back when the text is shortened") << tree << "?nx;?n" << kept << 13 << "5 de 5";
    QTest::newRow("finder: nothing matches") << tree << "?zz" << "" << 13 << "0 de 5";
    // clang-format on
}

void TstUserRecords::tree()
{
    QFETCH(QString, records);
    QFETCH(QString, steps);
    FakeController fake;
    fake.on("NEXT", "3\n");
    fake.on("UD_NUM +5691", lines("1,1,1").first().toUtf8());
    // Before its first write the tool learns whom it writes to, and what
    // that controller holds: the records loaded.
    fake.on("GET_PARS", FakeController::params("7"));
    fake.on("TOT_USERS", QByteArray::number(lines(records).size()) + "\n");
    fake.on("LU", lines(records).join('\n').toUtf8() + "\n");
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    connect_window(w, fake.port());
    probe.ids().set(1);
    probe.load_user_lines(lines(records));
    QTreeWidget *view = probe.user_tree();
    for (const QString &step : steps.split(';', Qt::SkipEmptyParts)) {
        if (step.startsWith('@'))
            view->setCurrentItem(step == "@-1" ? probe.root()
                                               : probe.users().at(step.mid(1).toInt()));
        else if (step.startsWith('?'))
            w.findChild<QLineEdit *>("user_filter_edit")->setText(step.mid(1));
        else
            w.findChild<QPushButton *>(step)->click();
    }

    QTEST(shape(probe.root()), "shape");
    QTEST(probe.ids().next(), "counter");
    QTEST(QString(fake.received()) + answerer.texts().join(' ')
              + w.findChild<QWidget *>("user_filter_count")->property("text").toString(),
          "outcome");
    // However the edit began or ended, Grabar and Cancelar are offered
    // exactly while the form takes typing.
    const bool editing = !probe.user_panel()->findChild<QLineEdit *>("nombre_edit")->isReadOnly();
    QCOMPARE(w.findChild<QPushButton *>("save_btn")->isEnabled(), editing);
    QCOMPARE(w.findChild<QPushButton *>("cancel_btn")->isEnabled(), editing);
    QCOMPARE(w.findChild<QPushButton *>("edit_btn")->isEnabled(), !editing);
    // The form shows the selected record.
    const auto *current = static_cast<UserRow *>(view->currentItem());
    if (current && current != probe.root())
        QCOMPARE(
            probe.user_panel()->findChild<QWidget *>("cat_combo")->property("currentIndex").toInt(),
            UserPanel::index_of_category(current->categoria));
    // The lookups by id find every record shown, hidden or not, and an id
    // that no record has.
    const UserIndex index(view);
    for (UserRow *u : records_below(probe.root()))
        QVERIFY(u->unsaved || index.find(u->id_user));
    QVERIFY(!index.find(unused_id(view, 1)));
}

QTEST_MAIN(TstUserRecords)
#include "tst_user_records.moc"
