// The record as the controller sends it and as the tool writes it back, and
// what the editor refuses to save.
#include "modal_answerer.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <memory>

class TstUserRecords : public QObject
{
    Q_OBJECT

private slots:
    void read_and_written_data();
    void read_and_written();
    void save_refusals_data();
    void save_refusals();
    void kept_as_sent_data();
    void kept_as_sent();
};

void TstUserRecords::read_and_written_data()
{
    // The category read (or forced, when not -1), then the upload line of
    // the record; empty when the line is no record.
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("categoria");
    QTest::addColumn<QString>("sent");
    // clang-format off
    QTest::newRow("user, CR LF") << "## 12,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31\r\n" << -1 << "1 UU 12 2 \"Casa 12\" +56912345678 3 0 8 20 31";
    QTest::newRow("visitor, blanks folded, any quotes") << "## 8 , 3 , 'Casa    grande' ,  +569 1 ,  3 ,0,0,0, 1 ,2 , 3" << -1 << "0 UU 8 3 \"Casa grande\" +569 1 3 0 1 2 3";
    QTest::newRow("unknown category sent without a code") << "## 7,1,\"X\",+5691,1,0,0,0,0,24,1" << 9 << "9 UU 7 \"X\" +5691 1 0 0 24 1";
    QTest::newRow("unquoted name loses its ends") << "## 9,2,Casa,+5,3,-5,0,0,0,24,1" << -1 << "1 UU 9 2 \"as\" +5 3 -5 0 24 1";
    QTest::newRow("comma in the quoted name") << "## 9,2,\"Pérez, Juan\",+5691,3,0,0,0,8,20,31" << -1 << "1 UU 9 2 \"Pérez, Juan\" +5691 3 0 8 20 31";
    QTest::newRow("comma in the name of a short line") << "## 9,2,  \"A,B\"  " << -1 << "1 UU 9 2 \"A,B\" Numero 100 0 0 24 255";
    QTest::newRow("non-numbers read 0") << "## 9,x,\"A\",+5,padre,1h,0,0,ocho,20,lunes" << -1 << "0 UU 9 3 \"A\" +5 0 0 0 20 0";
    QTest::newRow("administrator, no blank after ## eats a digit") << "##12,1,\"A\",+5,2,48,4,5,0,24,1" << -1 << "2 UU 2 1 \"A\" +5 2 48 0 24 1";
    // The record took 100 from the counter: the owner defaults to it.
    QTest::newRow("missing fields keep defaults") << "## 15,2,\"Corto\"\n" << -1 << "1 UU 15 2 \"Corto\" Numero 100 0 0 24 255";
    QTest::newRow("single hash") << "# 1,2,\"A\",+5,1,0,0,0,0,24,1" << -1 << "";
    // clang-format on
}

void TstUserRecords::read_and_written()
{
    QFETCH(QString, line);
    QFETCH(int, categoria);
    UserRow::id_siguiente = 100;
    const std::unique_ptr<UserRow> u(parse_user_line(line));
    if (u && categoria >= 0)
        u->categoria = categoria;
    QTEST(u ? QString::number(u->categoria) + upload_line(*u) : QString(), "sent");
    QCOMPARE(UserRow::id_siguiente, u ? 101 : 100);
}

void TstUserRecords::save_refusals_data()
{
    // The record is being saved under a user, with hours up to 5.
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<int>("hr_ini");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<int>("cat_index");   // 1 user, 2 visitor
    QTest::addColumn<QString>("message"); // empty: saved
    const QString n = QStringLiteral("+56912345678");
    const QString hours =
        QStringLiteral("La hora inicial de restriccion debe ser menor que la final");
    // clang-format off
    QTest::newRow("visitor, hours 4 to 5") << "Casa" << 4 << n << 2 << "";
    QTest::newRow("empty name") << "" << 0 << n << 2 << "El nombre debe tener al menos un caracter";
    QTest::newRow("incomplete number") << "Casa" << 0 << "+569123" << 2 << "El numero debe tener el formato +XXXXXXXXXXX";
    QTest::newRow("hours 5 to 5") << "Casa" << 5 << n << 2 << hours;
    QTest::newRow("user under a user") << "Casa" << 0 << n << 1 << "Un usuario solo puede crear visitas";
    // clang-format on
}

void TstUserRecords::save_refusals()
{
    QFETCH(QString, nombre);
    QFETCH(int, hr_ini);
    QFETCH(QString, numero);
    QFETCH(int, cat_index);
    QFETCH(QString, message);
    UserRow owner;
    owner.categoria = UserRow::Usuario;
    auto *record = new UserRow(&owner);
    UserPanel panel(record, false, nullptr);
    panel.findChild<QLineEdit *>("nombre_edit")->setText(nombre);
    panel.findChild<QLineEdit *>("numero_edit")->setText(numero);
    panel.findChild<QSpinBox *>("hr_ini_spin")->setValue(hr_ini);
    panel.findChild<QSpinBox *>("hr_fin_spin")->setValue(5);
    panel.findChild<QComboBox *>("cat_combo")->setCurrentIndex(cat_index);
    ModalAnswerer answerer;
    QCOMPARE(panel.save(record), message.isEmpty());
    QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    // A refusal leaves the record alone.
    QCOMPARE(record->nombre, message.isEmpty() ? nombre : QStringLiteral("Nombre"));
}

void TstUserRecords::kept_as_sent_data()
{
    // A record under the root (owner 0) with what a controller may send:
    // a long number and a long name. The editor saves what is typed (empty:
    // the field as shown) and keeps the rest whole.
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<QString>("stored");  // name and number after the save
    QTest::addColumn<QString>("message"); // empty: saved
    const QString name = QStringLiteral("Departamento 1204 B");
    const QString number = QStringLiteral("+5491123456789");
    const QString refused = QStringLiteral("El numero debe tener el formato +XXXXXXXXXXX");
    // clang-format off
    QTest::newRow("saved as shown") << "" << "" << name + ' ' + number << "";
    QTest::newRow("renamed") << "Otro" << "" << "Otro " + number << "";
    QTest::newRow("number changed") << "" << "+56911122233" << name + " +56911122233" << "";
    QTest::newRow("long number typed") << "" << "+5491123456780" << name + ' ' + number << refused;
    QTest::newRow("name typed too long") << "Departamento 1205" << "" << name + ' ' + number << "El nombre debe tener hasta 15 letras, numeros, blancos o _";
    // clang-format on
}

void TstUserRecords::kept_as_sent()
{
    QFETCH(QString, nombre);
    QFETCH(QString, numero);
    QFETCH(QString, message);
    UserRow root;
    root.id_user = root.id_padre = 0;
    const std::unique_ptr<UserRow> read(
        parse_user_line("## 7,2,\"Departamento 1204 B\",+5491123456789,0,0,0,0,0,24,127"));
    auto *record = new UserRow(&root);
    record->nombre = read->nombre;
    record->numero = read->numero;
    record->id_padre = read->id_padre;
    record->categoria = read->categoria;
    UserPanel panel(record, false, nullptr);
    if (!nombre.isEmpty())
        panel.findChild<QLineEdit *>("nombre_edit")->setText(nombre);
    if (!numero.isEmpty())
        panel.findChild<QLineEdit *>("numero_edit")->setText(numero);
    ModalAnswerer answerer;
    QCOMPARE(panel.save(record), message.isEmpty());
    QCOMPARE(answerer.texts().join(' '), message);
    QTEST(record->nombre + ' ' + record->numero, "stored");
    QCOMPARE(record->id_padre, 0);
}

QTEST_MAIN(TstUserRecords)
#include "tst_user_records.moc"
