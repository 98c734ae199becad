// The event log: the download into a sorted table named from the tree, with
// the quirks of the lines it decodes, stale lines, a closed port and
// downloads that do not finish, seen through the exported file, which
// replaces an existing one only after a question.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

#include <functional>

namespace { } // namespace

class TstLog : public QObject
{
    Q_OBJECT

private slots:
    void download_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QByteArray>("total");
        QTest::addColumn<QString>("press"); // pressed while the events arrive
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray head("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; NOMBRE USUARIO "
                              "ASOCIADO ; NUMERO USUARIO ASOCIADO\n");
        const QByteArray old = head + "old ; Ana ; +1 ; Energia desde la red  ; Ana ; +1 ; \n";
        // By user name, descending; events of one user in the order they came.
        // The root's id 0 names nobody, and an unknown user has no number.
        const QByteArray fresh = head
            + "2024-03-01 08:15 ; Luis ; +5 ; Acceso 2 operado  ; ???? ;  ; \n"
              " ; Ana ; +1 ; Generador deteniendo  ; ???? ;  ; \n"
              "2024-03-01 09:00 ; ???? ;  ; Usuario Borrado ; Ana ; +1 ; \n"
              "0 2024-03-01 ; ???? ;  ; Falla suministro electrico  ; Luis ; +5 ; \n"
              " ; ???? ;  ;  ; ???? ;  ; \n"
              "c d ; ???? ;  ;  ; ???? ;  ; \n";
        // clang-format off
        QTest::newRow("count with blank and cr lf") << true << QByteArray(" 6\r\n") << QString() << fresh << QString();
        QTest::newRow("two count lines") << true << QByteArray("3\nOK\n") << QString() << old << QString();
        QTest::newRow("closed port, stale lines") << false << QByteArray() << QString() << old << QString();
        QTest::newRow("fewer events than counted") << true << QByteArray("8\n") << QString() << old << "Descarga incompleta: 6 de 8 eventos";
        QTest::newRow("disconnect") << true << QByteArray("6\n") << "disconnect_btn" << old << "Descarga incompleta: [1-5] de 6 eventos";
        QTest::newRow("stop") << true << QByteArray("6\n") << "stop_btn" << old << QString();
        // clang-format on
    }
    void download()
    {
        QFETCH(bool, open);
        QFETCH(QByteArray, total);
        QFETCH(QString, press);
        QFETCH(QString, message);
        FakeController fake;
        // The last events come a while after status lines; slower when a
        // button is pressed while they arrive.
        fake.set_pace(press.isEmpty() ? 2000 : 200);
        fake.on("TOTAL_LOG", total);
        // Past the sixth field with an unknown associate, cut off after the
        // ids, the root's id 0, a double blank, the marker alone, no numbers;
        // lines that are not log lines in between.
        fake.on("ENVLOG",
                "XX 2 5 9 2024-03-01 08:15 x\r\nOK\r\nXX 4 1\r\nxx 1 1 1 a b\r\n"
                "XX 11 0 1 2024-03-01 09:00\r\nXX1 1 1\r\nXX 8  5 0 2024-03-01 08:15\n"
                " XX 1 1 1\r\nXX \nXX 9 a b c d\n");
        QTemporaryDir dir;
        // The export asks before it replaces a file the name it was given
        // does not show.
        QFile file(dir.filePath("registro.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        ModalAnswerer answerer;
        answerer.queue_file(dir.filePath("registro"));
        answerer.queue_file(dir.filePath("registro"));
        DORVAK_Admin w;
        TestProbe(w).load_user_lines(
            {"## 1,2,\"Ana\",+1,0,0,0,0,0,24,255\n", "## 5,2,\"Luis\",+5,0,0,0,0,0,24,255\n"});
        w.findChild<QTableWidget *>("log_table")->sortByColumn(1, Qt::DescendingOrder);
        TestProbe(w).load_log_lines({"XX 7 1 1 old\n"});
        w.choose_port(fake.port());
        if (open)
            w.findChild<QPushButton *>("connect_btn")->click();
        // A lone line left by an earlier exchange must not pass for the count.
        TestProbe(w).resps() = QStringList{"XX 2 1 1 2023-01-01 00:00\n"};
        if (!press.isEmpty())
            when_lines(w, 2, [&w, press] { w.findChild<QPushButton *>(press)->click(); });
        w.findChild<QPushButton *>("get_log_btn")->click();
        // A no keeps the file; a yes replaces it.
        answerer.queue_button(QMessageBox::No);
        w.findChild<QPushButton *>("export_log_btn")->click();
        QCOMPARE(file.size(), 0);
        answerer.queue_button(QMessageBox::Yes);
        w.findChild<QPushButton *>("export_log_btn")->click();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(file.readAll(), "file");
        QCOMPARE(answerer.count(QStringLiteral("El archivo %1 ya existe. ¿Desea reemplazarlo?")
                                    .arg(QDir::toNativeSeparators(file.fileName()))),
                 2);
        QCOMPARE(answerer.count("El puerto está cerrado"), open ? 0 : 1);
        const QStringList short_logs = answerer.texts().filter("Descarga incompleta");
        QCOMPARE(short_logs.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(QRegularExpression('^' + message + '$').match(short_logs.first()).hasMatch(),
                     qPrintable(short_logs.first()));
    }

    void finder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("event"); // index in the event choice
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("dates"); // of the rows shown and exported, in table order
        QTest::addColumn<QString>("count");
        const QStringList all{"2024-03-01 08:00", "2024-03-02 09:00", "2024-03-02 23:59",
                              "2024-03-03 00:00"};
        // clang-format off
        QTest::newRow("nothing chosen") << "" << 0 << "" << "" << all << "4 eventos";
        QTest::newRow("part of a name, any case and accent") << "NUNEZ" << 0 << "" << "" << QStringList{"2024-03-01 08:00", "2024-03-02 23:59"} << "2 de 4 eventos";
        QTest::newRow("part of a number") << "5699" << 0 << "" << "" << QStringList{"2024-03-02 09:00", "2024-03-02 23:59", "2024-03-03 00:00"} << "3 de 4 eventos";
        QTest::newRow("one event") << "" << 10 << "" << "" << QStringList{"2024-03-02 23:59"} << "1 de 4 eventos";
        QTest::newRow("one day, both ends kept") << "" << 0 << "2024-03-02" << "2024-03-02" << QStringList{"2024-03-02 09:00", "2024-03-02 23:59"} << "2 de 4 eventos";
        QTest::newRow("up to a day, with a text") << "luis" << 0 << "" << "2024-03-02" << QStringList{"2024-03-02 09:00", "2024-03-02 23:59"} << "2 de 4 eventos";
        // clang-format on
    }
    void finder()
    {
        QFETCH(QString, text);
        QFETCH(int, event);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, dates);
        QTemporaryDir dir;
        ModalAnswerer answerer;
        answerer.queue_file(dir.filePath("shown.csv"));
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.load_user_lines({"## 1,2,\"Peña Núñez\",+5691,0,0,0,0,0,24,255\n",
                               "## 5,2,\"Luis\",+5699,0,0,0,0,0,24,255\n"});
        probe.load_log_lines({"XX 1 1 1 2024-03-01 08:00\n", "XX 2 5 5 2024-03-02 09:00\n",
                              "XX 11 1 5 2024-03-02 23:59\n", "XX 7 5 5 2024-03-03 00:00\n"});
        w.findChild<QTableWidget *>("log_table")->sortByColumn(0, Qt::AscendingOrder);
        w.findChild<QLineEdit *>("log_filter_edit")->setText(text);
        w.findChild<QComboBox *>("log_event_combo")->setCurrentIndex(event);
        if (!from.isEmpty())
            w.findChild<QDateEdit *>("log_from_edit")
                ->setDate(QDate::fromString(from, Qt::ISODate));
        if (!to.isEmpty())
            w.findChild<QDateEdit *>("log_to_edit")->setDate(QDate::fromString(to, Qt::ISODate));
        QMetaObject::invokeMethod(&w, "filter_log");
        QTEST(w.findChild<QLabel *>("log_count")->text(), "count");
        w.findChild<QPushButton *>("export_log_btn")->click();
        QFile file(dir.filePath("shown.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList exported;
        for (const QByteArray &line : file.readAll().split('\n').mid(1, -1)) {
            if (!line.isEmpty())
                exported << QString::fromLatin1(line.left(16));
        }
        QCOMPARE(exported, dates);
    }
};

QTEST_MAIN(TstLog)
#include "tst_log.moc"
