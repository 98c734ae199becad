// The controller's user record read and written: its quirks, the upload
// line and what counts as a confirmation.
#include "user_lines.h"
#include "user_row.h"

#include <QTest>

#include <memory>

class TstUserLines : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void not_a_record_data();
    void not_a_record();
    void counter_follows_parsed_ids();
    void upload_line_data();
    void upload_line();
    void confirmation_data();
    void confirmation();
};

void TstUserLines::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("categoria");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("numero");
    QTest::addColumn<int>("id_padre");
    QTest::addColumn<int>("hrs_reman");
    QTest::addColumn<int>("rh_ini");
    QTest::addColumn<int>("rh_fin");
    QTest::addColumn<int>("rd");

    // id_padre -1: the default, which is the id the record took on construction.
    QTest::newRow("user with office hours")
        << "## 12,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31\n"
        << 12 << 1 << "Casa 12" << "+56912345678" << 3 << 0 << 8 << 20 << 31;
    QTest::newRow("administrator, CR LF")
        << "## 1,1,\"Admin 5\",+56911111111,1,0,4,5,0,24,127\r\n"
        << 1 << 2 << "Admin 5" << "+56911111111" << 1 << 0 << 0 << 24 << 127;
    QTest::newRow("visitor with hours left")
        << "## 40,3,\"Nana 3\",+56922222222,12,48,0,0,9,18,96\n"
        << 40 << 0 << "Nana 3" << "+56922222222" << 12 << 48 << 9 << 18 << 96;
    QTest::newRow("unknown code is a visitor")
        << "## 7,7,\"X\",+5691,1,0,0,0,0,24,1\n" << 7 << 0 << "X" << "+5691" << 1 << 0 << 0 << 24 << 1;
    QTest::newRow("blanks folded, quotes whatever they are")
        << "## 8 , 2 , 'Casa    grande' ,  +569 1 ,  3 ,0,0,0, 1 ,2 , 3"
        << 8 << 1 << "Casa grande" << "+569 1" << 3 << 0 << 1 << 2 << 3;
    QTest::newRow("name without quotes loses its ends")
        << "## 9,2,Casa,+5691,3,0,0,0,0,24,1" << 9 << 1 << "as" << "+5691" << 3 << 0 << 0 << 24 << 1;
    QTest::newRow("empty name stays empty")
        << "## 9,2,,+5691,3,0,0,0,0,24,1" << 9 << 1 << "" << "+5691" << 3 << 0 << 0 << 24 << 1;
    QTest::newRow("comma in the name shifts the fields")
        << "## 9,2,\"Casa, 12\",+5691,3,0,0,0,8,20,31"
        << 9 << 1 << "Cas" << "12\"" << 5691 << 3 << 0 << 8 << 20;
    QTest::newRow("non-numbers read 0")
        << "## 9,x,\"A\",+5691,padre,1h,0,0,ocho,20,lunes"
        << 9 << 0 << "A" << "+5691" << 0 << 0 << 0 << 20 << 0;
    QTest::newRow("no blank after ## eats a digit")
        << "##12,2,\"A\",+5691,3,0,0,0,0,24,1" << 2 << 1 << "A" << "+5691" << 3 << 0 << 0 << 24 << 1;
    QTest::newRow("missing fields keep the defaults")
        << "## 15,2,\"Corto\"\n" << 15 << 1 << "Corto" << "Numero" << -1 << 0 << 0 << 24 << 255;
    QTest::newRow("fields beyond eleven ignored")
        << "## 3,2,\"A\",+5691,1,0,0,0,0,24,1,99,98" << 3 << 1 << "A" << "+5691" << 1 << 0 << 0 << 24 << 1;
}

void TstUserLines::parse()
{
    QFETCH(QString, line);
    QFETCH(int, id_padre);
    UserRow::id_siguiente = 100;
    const std::unique_ptr<UserRow> u(parse_user_line(line));
    QVERIFY(u);
    QTEST(u->id_user, "id");
    QTEST(u->categoria, "categoria");
    QTEST(u->nombre, "nombre");
    QTEST(u->numero, "numero");
    QCOMPARE(u->id_padre, id_padre < 0 ? 100 : id_padre);
    QTEST(u->hrs_reman, "hrs_reman");
    QTEST(u->rh_ini, "rh_ini");
    QTEST(u->rh_fin, "rh_fin");
    QTEST(u->rd, "rd");
    QVERIFY(!u->pending);
    QVERIFY(!u->placed);
}

void TstUserLines::not_a_record_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("single hash") << "# 1,2,\"A\",+5691,1,0,0,0,0,24,1";
    QTest::newRow("log line") << "XX 1,2,\"A\",+5691,1,0,0,0,0,24,1";
    QTest::newRow("leading blank") << " ## 1,2,\"A\",+5691,1,0,0,0,0,24,1";
    QTest::newRow("empty") << "";
}

void TstUserLines::not_a_record()
{
    QFETCH(QString, line);
    const int before = UserRow::id_siguiente;
    QVERIFY(!parse_user_line(line));
    QCOMPARE(UserRow::id_siguiente, before);
}

void TstUserLines::counter_follows_parsed_ids()
{
    // Each parse takes one id; a higher parsed id raises the counter to
    // itself, not past it, and a lower one leaves it.
    UserRow::id_siguiente = 2;
    delete parse_user_line(QStringLiteral("## 5,1,\"A\",+5691,5,0,0,0,0,24,1"));
    QCOMPARE(UserRow::id_siguiente, 5);
    delete parse_user_line(QStringLiteral("## 40,1,\"B\",+5692,40,0,0,0,0,24,1"));
    QCOMPARE(UserRow::id_siguiente, 40);
    delete parse_user_line(QStringLiteral("## 3,1,\"C\",+5693,3,0,0,0,0,24,1"));
    QCOMPARE(UserRow::id_siguiente, 41);
}

void TstUserLines::upload_line_data()
{
    QTest::addColumn<int>("categoria");
    QTest::addColumn<int>("hrs_reman");
    QTest::addColumn<QString>("line");
    QTest::newRow("administrator") << 2 << 0 << " UU 7 1 \"Casa 7\" +56912345678 4 0 0 24 127";
    QTest::newRow("user") << 1 << 0 << " UU 7 2 \"Casa 7\" +56912345678 4 0 0 24 127";
    QTest::newRow("visitor, temporary") << 0 << 72 << " UU 7 3 \"Casa 7\" +56912345678 4 72 0 24 127";
    QTest::newRow("unknown category has no code") << 9 << 0 << " UU 7 \"Casa 7\" +56912345678 4 0 0 24 127";
    QTest::newRow("negative numbers keep their sign") << 0 << -5 << " UU 7 3 \"Casa 7\" +56912345678 4 -5 0 24 127";
}

void TstUserLines::upload_line()
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

void TstUserLines::confirmation_data()
{
    QTest::addColumn<QStringList>("answer");
    QTest::addColumn<int>("id"); // -1: not confirmed

    const QString mine = QStringLiteral("## 40,2,\"Casa 12\",+56912345678,3,0,0,0,8,20,31\n");
    QTest::newRow("own record") << QStringList{mine} << 40;
    QTest::newRow("own record after chatter") << QStringList{"DBG gsm ok\n", mine} << 40;
    QTest::newRow("status line") << QStringList{"## OK\n"} << -1;
    QTest::newRow("another number")
        << QStringList{"## 41,2,\"Casa 13\",+56912345679,3,0,0,0,8,20,31\n"} << -1;
    QTest::newRow("error") << QStringList{"ERROR no existe\n"} << -1;
    QTest::newRow("silence") << QStringList{} << -1;
}

void TstUserLines::confirmation()
{
    QFETCH(QStringList, answer);
    QFETCH(int, id);
    const std::optional<int> stored = confirmed_id(answer, QStringLiteral("+56912345678"));
    QCOMPARE(stored.value_or(-1), id);
}

QTEST_MAIN(TstUserLines)
#include "tst_user_lines.moc"
