// The users CSV file: which files and lines give which records and how they
// are written again, the id counter, a name made safe, the extension rule.
#include "console.h"
#include "csv_file.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"
#include "user_row.h"

#include <QFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

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
        // The counter moves past every id read: 100 takes 1 and moves it to
        // 101; 101 takes 101 and moves it to 102; 5 takes 102.
        UserRow::id_siguiente = 1;
        for (int id : {100, 101, 5})
            delete parse_csv_user(QString::number(id));
        QCOMPARE(UserRow::id_siguiente, 103);
    }

    void merge_data()
    {
        // The tree holds administrator 1 (+5691) with user 2 (+5692), user 2
        // pending with the name "Local" when `local`. The file's rows (ids
        // of another controller) are imported; questions are answered
        // `yes`. After: the tree ("id:name", pending with "*") and the
        // messages.
        QTest::addColumn<bool>("local");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("shape");
        QTest::addColumn<QString>("messages");
        const QString ask = "Hay 1 cambios sin sincronizar. ¿Descartarlos?";
        const QString same =
            "11;11;admin;\"N\";\"+5691\";0;0;24;127\n12;11;user;\"N\";\"+5692\";0;0;24;127";
        // clang-format off
        QTest::newRow("the tree's own file") << false << same << true << "1:N(2:N)" << "";
        QTest::newRow("a name changed") << false << QString(same).replace("user;\"N\"", "user;\"Ana\"") << true << "1:N(2:Ana*)" << "";
        QTest::newRow("new visitor under a user in the tree") << false << same + "\n13;12;guest;\"V\";\"+5693\";0;0;24;127" << true << "1:N(2:N(13:V*))" << "";
        QTest::newRow("new administrator with a taken id") << false << "1;1;admin;\"B\";\"+5699\";0;0;24;127\n7;1;user;\"C\";\"+5698\";0;0;24;127" << true << "1:N(2:N) 8:B*(7:C*)" << "";
        QTest::newRow("pending change overwritten") << true << QString(same).replace("user;\"N\"", "user;\"Ana\"") << true << "1:N(2:Ana*)" << ask;
        QTest::newRow("pending change kept") << true << QString(same).replace("user;\"N\"", "user;\"Ana\"") << false << "1:N(2:Local*)" << ask;
        QTest::newRow("pending change the file does not touch") << true << same.section('\n', 0, 0) << true << "1:N(2:Local*)" << "";
        // clang-format on
    }
    void merge()
    {
        QFETCH(bool, local);
        QFETCH(QString, rows);
        QFETCH(bool, yes);
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("u.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((users_csv_header() + '\n' + rows).toUtf8());
        file.close();
        ModalAnswerer answerer;
        if (!yes)
            answerer.queue_button(QMessageBox::No);
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.load_user_lines(
            {"## 1,1,\"N\",+5691,1,0,0,0,0,24,127", "## 2,2,\"N\",+5692,1,0,0,0,0,24,127"});
        if (local) {
            probe.users().at(1)->nombre = "Local";
            probe.users().at(1)->pending = true;
        }
        probe.import_users_from(file.fileName());
        std::function<QString(QTreeWidgetItem *)> shape = [&](QTreeWidgetItem *item) {
            QStringList parts;
            for (int i = 0; i < item->childCount(); ++i) {
                const auto *u = static_cast<UserRow *>(item->child(i));
                const QString below = shape(item->child(i));
                parts << QString::number(u->id_user) + ':' + u->nombre + (u->pending ? "*" : "")
                        + (below.isEmpty() ? QString() : '(' + below + ')');
            }
            return parts.join(' ');
        };
        QTEST(shape(probe.root()), "shape");
        QTEST(answerer.texts().join(' '), "messages");
    }

    void stopped()
    {
        // Detener when the bar passes ten rows: those stay imported, the
        // rest are not.
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("u.csv")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray bytes = users_csv_header().toLatin1() + '\n';
        // Long enough for the window to get a turn in the middle.
        for (int i = 0; i < 20000; ++i)
            bytes += QByteArray::number(i + 1) + ";0;guest;\"V\";\"+5690" + QByteArray::number(i)
                + "\"\n";
        file.write(bytes);
        file.close();
        ModalAnswerer answerer;
        answerer.queue_file(file.fileName());
        DORVAK_Admin w;
        TestProbe probe(w);
        connect(w.findChild<QProgressBar *>("progress"), &QProgressBar::valueChanged,
                [&](int value) {
                    if (value == 10)
                        w.findChild<QPushButton *>("stop_btn")->click();
                });
        probe.invoke("import_users");
        const int imported = probe.root()->childCount();
        QVERIFY2(imported >= 10 && imported < 20000, qPrintable(QString::number(imported)));
        QVERIFY(w.findChild<Console *>("console")->toPlainText().contains(
            QStringLiteral("Importación detenida: %1 de 20000 filas importadas").arg(imported)));
        QVERIFY(
            w.windowTitle().contains(QStringLiteral("%1 cambios sin sincronizar").arg(imported)));
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
