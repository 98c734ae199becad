// The users CSV file: record lines both ways, the id counter, which files
// and lines give records, and a file carried through import and export.
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"
#include "user_row.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

namespace {

QString fields(const UserRow &u)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(u.id_user).arg(u.id_padre).arg(u.categoria).arg(u.nombre, u.numero)
        .arg(u.hrs_reman).arg(u.rh_ini).arg(u.rh_fin).arg(u.rd);
}

const QByteArray header = users_csv_header().toLatin1() + '\n';

} // namespace

class TstUsersCsv : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void line_data();
    void line();
    void parse_data();
    void parse();
    void counter_data();
    void counter();
    void files_data();
    void files();
    void round_trip_data();
    void round_trip();
};

void TstUsersCsv::initTestCase()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // A local encoding in which a byte-order mark is not dropped anyway.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
#endif
}

void TstUsersCsv::line_data()
{
    QTest::addColumn<int>("categoria");
    QTest::addColumn<QString>("nombre");
    QTest::addColumn<QString>("written");

    QTest::newRow("administrator") << 2 << "Oficina"
        << "12 ; 12 ; admin ; \"Oficina\" ; \"+56912345678\" ; 0 ; 0 ; 24 ; 127";
    QTest::newRow("quote and semicolon") << 1 << "Ana;\"B\""
        << "12 ; 12 ; user ; \"Ana_ B\" ; \"+56912345678\" ; 0 ; 0 ; 24 ; 127";
    QTest::newRow("double blank") << 0 << " Ana  Maria "
        << "12 ; 12 ; guest ; \"Ana  Maria\" ; \"+56912345678\" ; 0 ; 0 ; 24 ; 127";
    QTest::newRow("no category word") << 9 << "X"
        << "12 ; 12 ;  ; \"X\" ; \"+56912345678\" ; 0 ; 0 ; 24 ; 127";
}

void TstUsersCsv::line()
{
    QFETCH(int, categoria);
    QFETCH(QString, nombre);
    QFETCH(QString, written);
    UserRow u;
    u.id_user = u.id_padre = 12;
    u.categoria = categoria;
    u.nombre = nombre;
    u.numero = QStringLiteral("+56912345678");
    u.rd = 127;
    QCOMPARE(csv_user_line(u), written);
    // Writing does not rewrite the record.
    QCOMPARE(u.nombre, nombre);
}

void TstUsersCsv::parse_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("fields");

    QTest::newRow("as written")
        << "12 ; 12 ; admin ; \"Oficina\" ; \"+56912345678\" ; 0 ; 0 ; 24 ; 127"
        << "12|12|2|Oficina|+56912345678|0|0|24|127";
    QTest::newRow("no blanks") << "5;4;user;\"Casa 5\";\"+569\";48;8;20;31"
        << "5|4|1|Casa 5|+569|48|8|20|31";
    QTest::newRow("sanitised name") << "1 ; 1 ; guest ; \"Ana_ B\" ; \"+5\" ; 0 ; 0 ; 24 ; 1"
        << "1|1|0|Ana_ B|+5|0|0|24|1";
    QTest::newRow("blanks folded")
        << "1 ; 1 ; guest ; \"Ana  \t Maria \" ; \" +5 \" ; 0 ; 0 ; 24 ; 1"
        << "1|1|0|Ana Maria|+5|0|0|24|1";
    QTest::newRow("capital category") << "3 ; 3 ; Admin ; \"A\" ; \"+5\" ; 0 ; 0 ; 24 ; 1"
        << "3|3|0|A|+5|0|0|24|1";
    QTest::newRow("three fields") << "7 ; 3 ; user" << "7|3|1|Nombre|Numero|0|0|24|255";
    QTest::newRow("not numbers") << "x ; 2y ; guest ; \"A\" ; \"B\" ; - ; 1 ; 2 ; z"
        << "0|0|0|A|B|0|1|2|0";
    QTest::newRow("extra fields") << "1;1;user;\"A\";\"B\";1;2;3;4;99;\"C\"" << "1|1|1|A|B|1|2|3|4";
}

void TstUsersCsv::parse()
{
    QFETCH(QString, line);
    QFETCH(QString, fields);
    const std::unique_ptr<UserRow> u(parse_csv_user(line));
    QCOMPARE(::fields(*u), fields);
}

void TstUsersCsv::counter_data()
{
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<int>("after");

    // 100 takes 1 and raises the counter to 100; 101 takes 100, the counter
    // becomes 101, and 101 is not above it.
    QTest::newRow("100, 101") << QList<int>{100, 101} << 101;
    QTest::newRow("40, 5") << QList<int>{40, 5} << 41;
}

void TstUsersCsv::counter()
{
    QFETCH(QList<int>, ids);
    QFETCH(int, after);
    UserRow::id_siguiente = 1;
    for (int id : ids)
        delete parse_csv_user(QString::number(id) + QStringLiteral(" ; 1 ; user"));
    QCOMPARE(UserRow::id_siguiente, after);
}

void TstUsersCsv::files_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("names"); // of the records; none: refused

    const QByteArray jefe = "4 ; 4 ; admin ; \"Jefe\" ; \"+5\" ; 0 ; 0 ; 24 ; 1\n";
    const QByteArray casa = "5;4;user;\"Casa\"\r\n";
    QTest::newRow("header") << header + jefe << QStringList{"Jefe"};
    QTest::newRow("header without blanks, CR LF")
        << "id_user;id_padre;categoria\r\n" + jefe + casa << QStringList{"Jefe", "Casa"};
    QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFid_user\n4;4;admin;\"Jos\xC3\xA9\"")
        << QStringList{"José"};
    QTest::newRow("blank lines") << header + "\n" + jefe + " \t\n\n" << QStringList{"Jefe"};
    QTest::newRow("overlong line")
        << header + "9;9;user;\"" + QByteArray(200000, 'x') + "\"\n" + jefe
        << QStringList{QString(UsersCsvReader::max_line - 10, QLatin1Char('x')), "Jefe"};
    QTest::newRow("header in capitals") << "ID_USER ; ID_PADRE\n" + jefe << QStringList();
    QTest::newRow("blank before header") << " " + header + jefe << QStringList();
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("not text") << QByteArray(300000, '\0') + "\x89PNG\n" + header << QStringList();
}

void TstUsersCsv::files()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, names);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("u.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.users() << probe.root();
    probe.import_users_from(path);

    QStringList imported;
    for (UserRow *u : qAsConst(probe.users())) {
        if (u != probe.root()) {
            imported << u->nombre;
            QVERIFY(u->pending);
        }
    }
    QCOMPARE(imported, names);
    // A refused file leaves everything as it was and says why, once.
    QCOMPARE(probe.users().contains(probe.root()), names.isEmpty());
    const QString refused = QStringLiteral("El archivo no es un archivo de usuarios : ") + path;
    QCOMPARE(answerer.texts(), names.isEmpty() ? QStringList{refused} : QStringList());
    QVERIFY(probe.show_progress());
}

void TstUsersCsv::round_trip_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");

    QTest::newRow("no extension") << "usuarios" << "usuarios.csv";
    QTest::newRow(".csv") << "usuarios.csv" << "usuarios.csv";
    QTest::newRow(".CSV") << "usuarios.CSV" << "usuarios.CSV";
    QTest::newRow(".Csv") << "usuarios.Csv" << "usuarios.Csv.csv";
}

void TstUsersCsv::round_trip()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    // Depth first; the visitor 14 names no user that exists and comes last.
    const QByteArray bytes = header
        + "10 ; 10 ; admin ; \"Jefe\" ; \"+56900000010\" ; 0 ; 0 ; 24 ; 127\n"
          "11 ; 10 ; user ; \"Casa 11\" ; \"+56900000011\" ; 48 ; 8 ; 20 ; 31\n"
          "12 ; 11 ; guest ; \"Ana_ B\" ; \"+56900000012\" ; 24 ; 9 ; 18 ; 96\n"
          "13 ; 10 ; user ; \"Casa 13\" ; \"+56900000013\" ; 0 ; 0 ; 24 ; 255\n"
          "20 ; 20 ; admin ; \"Otro\" ; \"+56900000020\" ; 0 ; 0 ; 24 ; 127\n"
          "14 ; 99 ; guest ; \"Suelta\" ; \"+56900000014\" ; 0 ; 0 ; 24 ; 127\n";
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("in.csv")));
    QVERIFY(in.open(QIODevice::WriteOnly));
    in.write(bytes);
    in.close();
    ModalAnswerer answerer;
    answerer.queue_file(in.fileName());
    answerer.queue_file(dir.filePath(chosen));
    DORVAK_Admin w;
    w.findChild<QPushButton *>(QStringLiteral("import_users_btn"))->click();
    w.findChild<QPushButton *>(QStringLiteral("export_users_btn"))->click();

    QFile out(dir.filePath(written));
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(out.readAll(), bytes);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().last().title, QStringLiteral("Elejir Archivo"));
}

QTEST_MAIN(TstUsersCsv)
#include "tst_users_csv.moc"
