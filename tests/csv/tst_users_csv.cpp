// The users CSV file: which files and lines give which records and how they
// are written again, the id counter, a name made safe, the extension rule.
#include "csv_file.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"
#include "user_row.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
#include <QTextCodec>
#endif

class TstUsersCsv : public QObject
{
    Q_OBJECT

private slots:
    void files_data()
    {
        QTest::addColumn<QByteArray>("bytes");     // null: no such file
        QTest::addColumn<QStringList>("exported"); // the records as written again; none: refused
        const QByteArray header = users_csv_header().toLatin1() + '\n';
        const QStringList none;
        const QString tail = " ; \"Nombre\" ; \"Numero\" ; 0 ; 0 ; 24 ; 255"; // the defaults
        // clang-format off
        QTest::newRow("header without blanks, CR LF, not numbers, extra fields")
            << QByteArray("id_user;id_padre\r\n5;4;user;\"Casa\";\"+5\";48;x;2y;31;9;\"C\"\r\n")
            << QStringList{"5 ; 4 ; user ; \"Casa\" ; \"+5\" ; 48 ; 0 ; 0 ; 31"};
        QTest::newRow("blank lines, blanks folded, fields missing, capital category word")
            << header + "\n1;1;Admin;\"Ana_  \t B \" ; \" +5 \"\n \t\n\n"
            << QStringList{"1 ; 1 ; guest ; \"Ana_ B\" ; \"+5\" ; 0 ; 0 ; 24 ; 255"};
        // Owners before what they own; a record whose owner is not there last.
        QTest::newRow("owners first") << header + "2;1;user\n9;8;guest\n1;1;admin"
            << QStringList{"1 ; 1 ; admin" + tail, "2 ; 1 ; user" + tail, "9 ; 8 ; guest" + tail};
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBFid_user\n4;4;admin;\"Jos\xC3\xA9\"")
            << QStringList{"4 ; 4 ; admin ; \"José\" ; \"Numero\" ; 0 ; 0 ; 24 ; 255"};
        QTest::newRow("overlong line") << header + "4;4;admin\n9;4;user;\"" + QByteArray(99999, 'x')
            << QStringList{"4 ; 4 ; admin" + tail, "9 ; 4 ; user ; \""
                           + QString(UsersCsvReader::max_line - 10, 'x') + '"' + tail.mid(11)};
        QTest::newRow("header in capitals") << QByteArray("ID_USER ; ID_PADRE\n4;4") << none;
        QTest::newRow("blank before header") << " " + header + "4;4" << none;
        QTest::newRow("empty file") << QByteArray("") << none;
        QTest::newRow("not text") << QByteArray(300000, '\0') + "\x89PNG\n" + header << none;
        QTest::newRow("no such file") << QByteArray() << none;
        // clang-format on
    }
    void files()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, exported);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        // A local encoding in which a byte-order mark is not dropped anyway.
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
#endif
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("u.csv")));
        QVERIFY(bytes.isNull()
                || (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()));
        file.close();
        ModalAnswerer answerer;
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.users() << probe.root();
        probe.import_users_from(file.fileName());
        // A refused file leaves everything as it was and says so, once.
        QCOMPARE(probe.users().contains(probe.root()), exported.isEmpty());
        QCOMPARE(answerer.texts().size(), int(exported.isEmpty()));
        probe.export_users_to(file.fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLocal8Bit(file.readAll()).split('\n'),
                 QStringList{users_csv_header()} + exported << QString());
    }

    void counter()
    {
        // 100 takes 1 and raises the counter to 100; 101 takes 100, the
        // counter becomes 101 and 101 is not above it; 5 takes 101.
        UserRow::id_siguiente = 1;
        for (int id : {100, 101, 5})
            delete parse_csv_user(QString::number(id));
        QCOMPARE(UserRow::id_siguiente, 102);
    }

    void written_name()
    {
        // Quotes, semicolons and outer blanks are made safe, on a copy.
        UserRow u;
        u.nombre = QStringLiteral(" Ana;\"B\"  C ");
        QCOMPARE(csv_user_line(u).section(" ; ", 3, 3), QStringLiteral("\"Ana_ B   C\""));
        QCOMPARE(u.nombre, QStringLiteral(" Ana;\"B\"  C "));
    }

    void extension_data()
    {
        QTest::addColumn<QString>("written"); // for the name chosen, the row's
        QTest::newRow("usuarios") << "usuarios.csv";
        QTest::newRow("usuarios.csv") << "usuarios.csv";
        QTest::newRow("usuarios.CSV") << "usuarios.CSV";
        QTest::newRow("usuarios.Csv") << "usuarios.Csv.csv";
    }
    void extension()
    {
        QFETCH(QString, written);
        QCOMPARE(with_csv_extension(QTest::currentDataTag()), written);
    }
};

QTEST_MAIN(TstUsersCsv)
#include "tst_users_csv.moc"
