// The record as the controller sends and receives it, and as the editor
// shows it, refuses it and writes it back.
#include "modal_answerer.h"
#include "user_lines.h"
#include "user_panel.h"
#include "user_row.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <memory>

class TstUserRecords : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void upload_line_data();
    void upload_line();
    void init();
    void cleanup();
    void panel_shows_data();
    void panel_shows();
    void panel_save_checks_data();
    void panel_save_checks();
    void panel_writes_back();

private:
    template <typename T> T *field(const char *name) { return panel->findChild<T *>(name); }

    QTreeWidget *tree = nullptr;
    UserRow *root = nullptr;
    UserRow *owner = nullptr;
    UserRow *record = nullptr;
    UserPanel *panel = nullptr;
};

void TstUserRecords::parse_data()
{
    // The fields read back, as "id cat name|number padre hrs ini fin rd";
    // empty when the line is no record.
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("fields");

    QTest::newRow("user with office hours")
        << "## 12,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31\n"
        << "12 1 Casa 12|+56912345678 3 0 8 20 31";
    QTest::newRow("administrator, CR LF")
        << "## 1,1,\"Admin 5\",+56911111111,1,0,4,5,0,24,127\r\n"
        << "1 2 Admin 5|+56911111111 1 0 0 24 127";
    QTest::newRow("visitor")
        << "## 40,3,\"Nana\",+5692,12,48,0,0,9,18,96\n" << "40 0 Nana|+5692 12 48 9 18 96";
    QTest::newRow("unknown code is a visitor")
        << "## 7,7,\"X\",+5691,1,0,0,0,0,24,1" << "7 0 X|+5691 1 0 0 24 1";
    QTest::newRow("blanks folded, quotes whatever they are")
        << "## 8 , 2 , 'Casa    grande' ,  +569 1 ,  3 ,0,0,0, 1 ,2 , 3"
        << "8 1 Casa grande|+569 1 3 0 1 2 3";
    QTest::newRow("name without quotes loses its ends")
        << "## 9,2,Casa,+5,3,0,0,0,0,24,1" << "9 1 as|+5 3 0 0 24 1";
    QTest::newRow("empty name") << "## 9,2,,+5,3,0,0,0,0,24,1" << "9 1 |+5 3 0 0 24 1";
    QTest::newRow("comma in the name shifts the fields")
        << "## 9,2,\"Casa, 12\",+5691,3,0,0,0,8,20,31" << "9 1 Cas|12\" 5691 3 0 8 20";
    QTest::newRow("non-numbers read 0")
        << "## 9,x,\"A\",+5,padre,1h,0,0,ocho,20,lunes" << "9 0 A|+5 0 0 0 20 0";
    QTest::newRow("no blank after ## eats a digit")
        << "##12,2,\"A\",+5,3,0,0,0,0,24,1" << "2 1 A|+5 3 0 0 24 1";
    // The record took 100 from the counter: the owner defaults to it.
    QTest::newRow("missing fields keep defaults")
        << "## 15,2,\"Corto\"\n" << "15 1 Corto|Numero 100 0 0 24 255";
    QTest::newRow("single hash") << "# 1,2,\"A\",+5,1,0,0,0,0,24,1" << "";
    QTest::newRow("log line") << "XX 1 2 3" << "";
}

void TstUserRecords::parse()
{
    QFETCH(QString, line);
    UserRow::id_siguiente = 100;
    const std::unique_ptr<UserRow> u(parse_user_line(line));
    const QString fields = !u ? QString()
                              : QStringLiteral("%1 %2 %3|%4 %5 %6 %7 %8 %9")
                                    .arg(u->id_user)
                                    .arg(u->categoria)
                                    .arg(u->nombre, u->numero)
                                    .arg(u->id_padre)
                                    .arg(u->hrs_reman)
                                    .arg(u->rh_ini)
                                    .arg(u->rh_fin)
                                    .arg(u->rd);
    QTEST(fields, "fields");
    QCOMPARE(UserRow::id_siguiente, !u ? 100 : 101);
}

void TstUserRecords::upload_line_data()
{
    QTest::addColumn<int>("categoria");
    QTest::addColumn<int>("hrs_reman");
    QTest::addColumn<QString>("line");
    QTest::newRow("administrator") << 2 << 0 << " UU 7 1 \"Casa 7\" +56912345678 4 0 0 24 127";
    QTest::newRow("user") << 1 << 0 << " UU 7 2 \"Casa 7\" +56912345678 4 0 0 24 127";
    QTest::newRow("visitor, temporary")
        << 0 << 72 << " UU 7 3 \"Casa 7\" +56912345678 4 72 0 24 127";
    QTest::newRow("unknown category, no code")
        << 9 << 0 << " UU 7 \"Casa 7\" +56912345678 4 0 0 24 127";
    QTest::newRow("negative, with its sign")
        << 0 << -5 << " UU 7 3 \"Casa 7\" +56912345678 4 -5 0 24 127";
}

void TstUserRecords::upload_line()
{
    QFETCH(int, categoria);
    QFETCH(int, hrs_reman);
    UserRow u;
    u.id_user = 7;
    u.categoria = categoria;
    u.nombre = QStringLiteral("Casa 7");
    u.numero = QStringLiteral("+56912345678");
    u.id_padre = 4;
    u.hrs_reman = hrs_reman;
    u.rd = 127;
    QTEST(::upload_line(u), "line");
}

void TstUserRecords::init()
{
    tree = new QTreeWidget;
    root = new UserRow;
    tree->addTopLevelItem(root);
    owner = new UserRow(root);
    owner->categoria = UserRow::Admin;
    record = new UserRow(owner);
    record->id_user = 12;
    record->id_padre = 3;
    record->nombre = QStringLiteral("Casa 12");
    record->numero = QStringLiteral("+56912345678");
    panel = new UserPanel(record, false, nullptr);
}

void TstUserRecords::cleanup()
{
    delete panel;
    delete tree;
}

void TstUserRecords::panel_shows_data()
{
    QTest::addColumn<int>("categoria");
    QTest::addColumn<int>("hrs_reman");
    QTest::addColumn<int>("id_padre");
    QTest::addColumn<int>("rd");
    // Category index, "T"emporal or "N"ormal with the hours, owner, days.
    QTest::addColumn<QString>("shown");

    QTest::newRow("administrator, all days") << 2 << 0 << 3 << 255 << "0 N0 3 LMWJVSD";
    QTest::newRow("user, one hour left") << 1 << 1 << 3 << 31 << "1 T1 3 LMWJV";
    QTest::newRow("visitor, negative hours") << 0 << -4 << 3 << 96 << "2 N0 3 SD";
    QTest::newRow("owner 0 shown as 1, bit 7 alone") << 0 << 0 << 0 << 128 << "2 N0 1 ";
    QTest::newRow("unknown category keeps the box") << 5 << 0 << 3 << 0 << "1 N0 3 ";
}

void TstUserRecords::panel_shows()
{
    QFETCH(int, categoria);
    QFETCH(int, hrs_reman);
    QFETCH(int, id_padre);
    QFETCH(int, rd);
    record->categoria = UserRow::Usuario;
    panel->setUser(record);
    record->categoria = categoria;
    record->hrs_reman = hrs_reman;
    record->id_padre = id_padre;
    record->rd = rd;
    panel->setUser(record);

    const bool temporal = field<QRadioButton>("temporal_radio")->isChecked();
    QCOMPARE(field<QRadioButton>("normal_radio")->isChecked(), !temporal);
    QString shown = QStringLiteral("%1 %2%3 %4 ")
                        .arg(field<QComboBox>("cat_combo")->currentIndex())
                        .arg(temporal ? 'T' : 'N')
                        .arg(field<QSpinBox>("vigencia_spin")->value())
                        .arg(field<QSpinBox>("padre_spin")->value());
    for (const char *day : {"L", "M", "W", "J", "V", "S", "D"}) {
        const QString name = QStringLiteral("day_btns_") + QLatin1String(day);
        if (panel->findChild<QPushButton *>(name)->isChecked())
            shown += QLatin1String(day);
    }
    QTEST(shown, "shown");
}

void TstUserRecords::panel_save_checks_data()
{
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<int>("hr_ini");
    QTest::addColumn<int>("hr_fin");
    QTest::addColumn<int>("cat_index");
    QTest::addColumn<bool>("under_user");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString number = QStringLiteral("+56912345678");
    const QString hours =
        QStringLiteral("La hora inicial de restriccion debe ser menor que la final");
    const QString format = QStringLiteral("El numero debe tener el formato +XXXXXXXXXXX");
    const QString only_visitors = QStringLiteral("Un usuario solo puede crear visitas");
    QTest::newRow("accepted") << "Casa 1" << number << 0 << 24 << 1 << false << "";
    QTest::newRow("single blank name") << " " << number << 0 << 24 << 2 << false << "";
    QTest::newRow("empty name") << "" << number << 0 << 24 << 1 << false
                                << "El nombre debe tener al menos un caracter";
    QTest::newRow("empty number") << "Casa 1" << "" << 0 << 24 << 1 << false << format;
    QTest::newRow("half typed number") << "Casa 1" << "+569123" << 0 << 24 << 1 << false << format;
    QTest::newRow("hours 23 to 24") << "Casa 1" << number << 23 << 24 << 1 << false << "";
    QTest::newRow("hours equal") << "Casa 1" << number << 5 << 5 << 1 << false << hours;
    QTest::newRow("hours 0 and 0") << "Casa 1" << number << 0 << 0 << 1 << false << hours;
    QTest::newRow("user under user") << "Casa 1" << number << 0 << 24 << 1 << true << only_visitors;
    QTest::newRow("administrator under user")
        << "Casa 1" << number << 0 << 24 << 0 << true << only_visitors;
    QTest::newRow("visitor under user") << "Casa 1" << number << 0 << 24 << 2 << true << "";
}

void TstUserRecords::panel_save_checks()
{
    QFETCH(QString, nombre);
    QFETCH(QString, numero);
    QFETCH(int, hr_ini);
    QFETCH(int, hr_fin);
    QFETCH(int, cat_index);
    QFETCH(bool, under_user);
    QFETCH(QString, message);
    if (under_user)
        owner->categoria = UserRow::Usuario;
    field<QLineEdit>("nombre_edit")->setText(nombre);
    field<QLineEdit>("numero_edit")->setText(numero);
    field<QSpinBox>("hr_ini_spin")->setValue(hr_ini);
    field<QSpinBox>("hr_fin_spin")->setValue(hr_fin);
    field<QComboBox>("cat_combo")->setCurrentIndex(cat_index);

    ModalAnswerer answerer;
    const bool saved = panel->save(record);
    QCOMPARE(saved, message.isEmpty());
    QCOMPARE(answerer.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    // A refusal leaves the record alone and the form editable.
    QCOMPARE(record->nombre, saved ? nombre : QStringLiteral("Casa 12"));
    QCOMPARE(field<QLineEdit>("nombre_edit")->isReadOnly(), saved);
}

void TstUserRecords::panel_writes_back()
{
    record->rd = 255;
    panel->setUser(record);
    field<QSpinBox>("id_spin")->setValue(20);
    field<QComboBox>("cat_combo")->setCurrentIndex(0);
    field<QSpinBox>("vigencia_spin")->setValue(48);
    field<QRadioButton>("normal_radio")->setChecked(true);
    QVERIFY(panel->save(record));
    // An administrator owns itself, whatever the owner spin said; bit 7 has
    // no button; the spin decides the validity and the radio buttons follow.
    QCOMPARE(record->categoria, int(UserRow::Admin));
    QCOMPARE(record->id_padre, 20);
    QCOMPARE(record->rd, 127);
    QCOMPARE(record->hrs_reman, 48);
    QVERIFY(field<QRadioButton>("temporal_radio")->isChecked());

    // The root is never saved, and nothing is said about it.
    ModalAnswerer answerer;
    panel->setUser(root);
    QVERIFY(!panel->save(root));
    QVERIFY(answerer.seen().isEmpty());
}

QTEST_MAIN(TstUserRecords)
#include "tst_user_records.moc"
