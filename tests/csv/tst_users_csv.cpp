// The users CSV file: record lines both ways, the id counter, which files
// are taken for users files, and export and import through the window.
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"
#include "user_row.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

namespace {

// The fields that travel through the file, in file order.
QString fields(const UserRow &u)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
        .arg(u.id_user).arg(u.id_padre).arg(u.categoria).arg(u.nombre, u.numero)
        .arg(u.hrs_reman).arg(u.rh_ini).arg(u.rh_fin).arg(u.rd);
}

UserRow *record(QTreeWidgetItem *owner, int id, int padre, int categoria, const QString &nombre)
{
    auto *u = new UserRow(owner);
    u->id_user = id;
    u->id_padre = padre;
    u->categoria = categoria;
    u->nombre = nombre;
    u->numero = QStringLiteral("+5691234%1").arg(id, 4, 10, QLatin1Char('0'));
    u->rh_ini = id % 10;
    u->hrs_reman = id * 24;
    u->rd = 31;
    return u;
}

void write_file(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

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
    void which_files_data();
    void which_files();
    void import_lines();
    void round_trip_data();
    void round_trip();
};

void TstUsersCsv::initTestCase()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    // A local encoding that is not UTF-8, where a byte-order mark is not
    // text the decoder would drop on its own.
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
    QTest::newRow("double blank kept") << 0 << " Ana  Maria "
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
    QTest::newRow("no blanks, CR") << "5;4;user;\"Casa 5\";\"+569\";48;8;20;31\r"
        << "5|4|1|Casa 5|+569|48|8|20|31";
    QTest::newRow("sanitised name") << "1 ; 1 ; guest ; \"Ana_ B\" ; \"+569\" ; 0 ; 0 ; 24 ; 1"
        << "1|1|0|Ana_ B|+569|0|0|24|1";
    QTest::newRow("double blank folded")
        << "1 ; 1 ; guest ;  \"Ana  \t Maria \" ; \" +569 \" ; 0 ; 0 ; 24 ; 1"
        << "1|1|0|Ana Maria|+569|0|0|24|1";
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
    UserRow::id_siguiente = 0;
    const std::unique_ptr<UserRow> u(parse_csv_user(line));
    QCOMPARE(::fields(*u), fields);
    QVERIFY(!u->parent());
}

void TstUsersCsv::counter_data()
{
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<int>("after");

    // 100 takes 1 and raises the counter to 100; 101 takes 100, the counter
    // becomes 101, and 101 is not above it.
    QTest::newRow("100, 101") << QList<int>{100, 101} << 101;
    QTest::newRow("40, 5") << QList<int>{40, 5} << 41;
    QTest::newRow("below the counter") << QList<int>{0} << 2;
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

void TstUsersCsv::which_files_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("taken");

    const QByteArray record = "4 ; 4 ; admin ; \"A\" ; \"+5\" ; 0 ; 0 ; 24 ; 1\n";
    QTest::newRow("header") << users_csv_header().toLatin1() + "\n" + record << true;
    QTest::newRow("header without blanks") << "id_user;id_padre;categoria;nombre\r\n" + record
        << true;
    QTest::newRow("byte-order mark")
        << QByteArray("\xEF\xBB\xBFid_user ; id_padre\n4;4;admin;\"Jos\xC3\xA9\"") << true;
    QTest::newRow("header in capitals") << "ID_USER ; ID_PADRE\n" + record << false;
    QTest::newRow("blank before header") << " id_user ; id_padre\n" + record << false;
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("not text") << QByteArray(300000, '\0') + "\x89PNG\x01\xff" << false;
}

void TstUsersCsv::which_files()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, taken);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("u.csv"));
    write_file(path, bytes);
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.users() << probe.root();
    probe.import_users_from(path);

    QCOMPARE(probe.root()->childCount(), taken ? 1 : 0);
    if (taken)
        QCOMPARE(probe.root()->child(0)->text(1),
                 bytes.contains("Jos") ? QStringLiteral("José") : QStringLiteral("A"));
    QCOMPARE(probe.users().size(), 1);
    QCOMPARE(probe.users().first() == probe.root(), !taken);
    const QString refused = QStringLiteral("El archivo no es un archivo de usuarios : ") + path;
    QCOMPARE(answerer.texts(), taken ? QStringList() : QStringList{refused});
    QVERIFY(probe.show_progress());

    // A file that cannot be opened is reported too; nothing changes.
    answerer.clear();
    const QString missing = dir.filePath(QStringLiteral("missing.csv"));
    probe.import_users_from(missing);
    QCOMPARE(answerer.count(QStringLiteral("No se pudo abrir el archivo : ") + missing), 1);
    QCOMPARE(probe.root()->childCount(), taken ? 1 : 0);
}

void TstUsersCsv::import_lines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("u.csv"));
    const QByteArray long_name(200000, 'x');
    write_file(path, users_csv_header().toLatin1() + "\r\n"
                         "1 ; 1 ; admin ; \"Jefe\" ; \"+561\" ; 0 ; 0 ; 24 ; 127\r\n"
                         "\n  \t \n"
                         "9 ; 9 ; user ; \"" + long_name + "\" ; \"+569\" ; 0 ; 0 ; 24 ; 127\n"
                         "3 ; 2 ; guest ; \"Visita\" ; \"+563\" ; 0 ; 0 ; 24 ; 127\n"
                         "2 ; 1 ; user ; \"Casa\" ; \"+562\" ; 0 ; 0 ; 24 ; 127\n"
                         "\n");
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.import_users_from(path);

    // Blank lines give no record; the long line is cut, and the line after
    // it is read whole.
    QCOMPARE(probe.users().size(), 4);
    for (UserRow *u : qAsConst(probe.users()))
        QVERIFY(u->pending);
    const UserRow *cut = probe.users().at(1);
    QCOMPARE(cut->id_user, 9);
    QVERIFY(cut->nombre.size() < UsersCsvReader::max_line);
    QCOMPARE(cut->numero, QStringLiteral("Numero"));
    QCOMPARE(probe.users().at(2)->nombre, QStringLiteral("Visita"));

    // Rebuilt by owner: Jefe > Casa > Visita, the cut record under the root.
    UserRow *root = probe.root();
    QCOMPARE(root->childCount(), 2);
    QCOMPARE(root->child(0)->text(1), QStringLiteral("Jefe"));
    QCOMPARE(root->child(0)->child(0)->text(1), QStringLiteral("Casa"));
    QCOMPARE(root->child(0)->child(0)->child(0)->text(3), QStringLiteral("VISITA"));
    QCOMPARE(root->child(1)->text(0), QStringLiteral("9"));
    auto *bar = w.findChild<QProgressBar *>(QStringLiteral("progress"));
    QCOMPARE(bar->value(), 0);
    QCOMPARE(bar->format(), QString());
    QVERIFY(probe.show_progress());
    QVERIFY(answerer.seen().isEmpty());
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
    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(chosen));
    answerer.queue_file(dir.filePath(written));
    DORVAK_Admin w;
    TestProbe probe(w);

    UserRow *admin = record(probe.root(), 10, 10, UserRow::Admin, QStringLiteral("Jefe"));
    UserRow *user = record(admin, 11, 10, UserRow::Usuario, QStringLiteral("Casa  \"11\""));
    record(user, 12, 11, UserRow::Visita, QStringLiteral("Ana;B"));
    record(admin, 13, 10, UserRow::Usuario, QStringLiteral("Casa 13"));
    record(probe.root(), 14, 99, UserRow::Visita, QStringLiteral("Suelta"));
    record(probe.root(), 20, 20, UserRow::Admin, QStringLiteral("Otro"));
    QStringList before;
    QList<QTreeWidgetItem *> walk{probe.root()};
    while (!walk.isEmpty()) {
        QTreeWidgetItem *item = walk.takeFirst();
        for (int i = item->childCount() - 1; i >= 0; --i)
            walk.prepend(item->child(i));
        if (item != probe.root())
            before << fields(*static_cast<UserRow *>(item));
    }

    w.findChild<QPushButton *>(QStringLiteral("export_users_btn"))->click();
    // The records in the tree keep their texts.
    QCOMPARE(user->nombre, QStringLiteral("Casa  \"11\""));
    QFile file(dir.filePath(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(users_csv_header().toLatin1() + "\n10 ; 10 ; admin ; \"Jefe\""));
    QVERIFY(!bytes.contains('\r'));

    probe.install_root(QStringLiteral("Raiz"));
    w.findChild<QPushButton *>(QStringLiteral("import_users_btn"))->click();
    QStringList after;
    for (UserRow *u : qAsConst(probe.users()))
        after << fields(*u);
    // The file lists the records depth first; names come back folded and
    // sanitised.
    before.replaceInStrings(QStringLiteral("Casa  \"11\""), QStringLiteral("Casa 11"));
    before.replaceInStrings(QStringLiteral("Ana;B"), QStringLiteral("Ana_B"));
    QCOMPARE(after, before);
    QCOMPARE(probe.root()->childCount(), 3);
    QCOMPARE(probe.root()->child(0)->child(0)->child(0)->text(1), QStringLiteral("Ana_B"));
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Elejir Archivo"));
}

QTEST_MAIN(TstUsersCsv)
#include "tst_users_csv.moc"
