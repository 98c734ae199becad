// The event log: the download into a sorted table named from the tree, with
// the quirks of the lines it decodes, stale lines and a closed port, seen
// through the exported file.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

class TstLog : public QObject
{
    Q_OBJECT

private slots:
    void download_data()
    {
        QTest::addColumn<bool>("open");
        QTest::addColumn<QByteArray>("total");
        QTest::addColumn<QByteArray>("file");
        const QByteArray head("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; NOMBRE USUARIO "
                              "ASOCIADO ; NUMERO USUARIO ASOCIADO\n");
        const QByteArray old = head + "old ; Ana ; +1 ; Energia desde la red  ; Ana ; +1 ; \n";
        // By user name, descending; events of one user in the order they came.
        const QByteArray fresh = head
            + "2024-03-01 09:00 ; Nombre ; Numero ; Usuario Borrado ; Ana ; +1 ; \n"
              "0 2024-03-01 ; Nombre ; Numero ; Falla suministro electrico  ; Luis ; +5 ; \n"
              "c d ; Nombre ; Numero ;  ; Nombre ; Numero ; \n"
              "2024-03-01 08:15 ; Luis ; +5 ; Acceso 2 operado  ; ???? ; ???? ; \n"
              " ; Ana ; +1 ; Generador deteniendo  ; ???? ; ???? ; \n"
              " ; ???? ; ???? ;  ; ???? ; ???? ; \n";
        // clang-format off
        QTest::newRow("count with blank and cr lf") << true << QByteArray(" 6\r\n") << fresh;
        QTest::newRow("two count lines") << true << QByteArray("3\nOK\n") << old;
        QTest::newRow("closed port, stale lines") << false << QByteArray() << old;
        // clang-format on
    }
    void download()
    {
        QFETCH(bool, open);
        QFETCH(QByteArray, total);
        FakeController fake;
        fake.set_pace(2000); // the last events come a while after status lines
        fake.on("TOTAL_LOG", total);
        // Past the sixth field with an unknown associate, cut off after the
        // ids, the root's id 0, a double blank, the marker alone, no numbers;
        // lines that are not log lines in between.
        fake.on("ENVLOG",
                "XX 2 5 9 2024-03-01 08:15 x\r\nOK\r\nXX 4 1\r\nxx 1 1 1 a b\r\n"
                "XX 11 0 1 2024-03-01 09:00\r\nXX1 1 1\r\nXX 8  5 0 2024-03-01 08:15\n"
                " XX 1 1 1\r\nXX \nXX 9 a b c d\n");
        QTemporaryDir dir;
        ModalAnswerer answerer;
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
        w.findChild<QPushButton *>("get_log_btn")->click();
        w.findChild<QPushButton *>("export_log_btn")->click();
        QFile file(dir.filePath("registro.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTEST(file.readAll(), "file");
        QCOMPARE(answerer.count("El puerto está cerrado"), open ? 0 : 1);
    }
};

QTEST_MAIN(TstLog)
#include "tst_log.moc"
