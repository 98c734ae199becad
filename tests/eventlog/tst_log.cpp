// The event log: the finder's filter, and the download into a sorted table
// named from the tree, with the quirks of the lines it decodes, seen through
// the exported file, which replaces an existing one only after a question.
#include "fake_controller.h"
#include "log_filter.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

class TstLog : public QObject
{
    Q_OBJECT

private slots:
    // A row of 2024-03-02, event "Usuario Borrado", with "luis" in a cell.
    void filter_data()
    {
        QTest::addColumn<QStringList>("filter"); // text, event, from, to
        QTest::addColumn<bool>("pass");
        QTest::newRow("nothing chosen") << QStringList{"", "", "", ""} << true;
        QTest::newRow("text found") << QStringList{"lui", "", "", ""} << true;
        QTest::newRow("text not found") << QStringList{"ana", "", "", ""} << false;
        QTest::newRow("its event") << QStringList{"", "Usuario Borrado", "", ""} << true;
        QTest::newRow("another event") << QStringList{"", "Usuario Creado", "", ""} << false;
        QTest::newRow("from its day") << QStringList{"", "", "2024-03-02", ""} << true;
        QTest::newRow("from the next day") << QStringList{"", "", "2024-03-03", ""} << false;
        QTest::newRow("up to its day") << QStringList{"", "", "", "2024-03-02"} << true;
        QTest::newRow("up to the day before") << QStringList{"", "", "", "2024-03-01"} << false;
    }
    void filter()
    {
        QFETCH(QStringList, filter);
        const LogFilter f{filter.at(0), filter.at(1), filter.at(2), filter.at(3)};
        const QString text = log_row_text({"2024-03-02 23:59", "Luis", "Usuario Borrado"});
        QTEST(log_row_matches("2024-03-02 23:59", "Usuario Borrado", text, f), "pass");
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("total");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        const QByteArray head("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; NOMBRE USUARIO "
                              "ASOCIADO ; NUMERO USUARIO ASOCIADO\n");
        // By user name, descending; events of one user in the order they came.
        // The root's id 0 names nobody, and an unknown user has no number.
        const QByteArray fresh = head
            + "2024-03-01 08:15 ; Luis ; +5 ; Acceso 2 operado  ; ???? ;  ; \n"
              " ; Ana ; +1 ; Generador deteniendo  ; ???? ;  ; \n"
              "2024-03-01 09:00 ; ???? ;  ; Usuario Borrado ; Ana ; +1 ; \n"
              "0 2024-03-01 ; ???? ;  ; Falla suministro electrico  ; Luis ; +5 ; \n";
        const QByteArray old = head + "old ; Ana ; +1 ; Energia desde la red  ; Ana ; +1 ; \n";
        // clang-format off
        QTest::newRow("count with blank and cr lf") << QByteArray(" 4\r\n") << fresh << QString();
        QTest::newRow("fewer events than counted") << QByteArray("6\n") << old << "Descarga incompleta: 4 de 6 eventos";
        // clang-format on
    }
    void download()
    {
        QFETCH(QByteArray, total);
        QFETCH(QString, message);
        FakeController fake;
        fake.on("TOTAL_LOG", total);
        // Past the sixth field, cut off after the ids, the root's id 0, a
        // double blank; lines that are not log lines in between.
        fake.on("ENVLOG",
                "XX 2 5 9 2024-03-01 08:15 x\r\nOK\r\nXX 4 1\r\n"
                "XX 11 0 1 2024-03-01 09:00\r\nXX1 1 1\r\nXX 8  5 0 2024-03-01 08:15\n");
        QTemporaryDir dir;
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
        connect_window(w, fake.port());
        w.findChild<QPushButton *>("get_log_btn")->click();
        // The export asks before it replaces a file the name it was given
        // does not show: a no keeps the file, a yes replaces it.
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
        QCOMPARE(answerer.texts().filter("Descarga incompleta"),
                 message.isEmpty() ? QStringList() : QStringList{message});
    }
};

QTEST_MAIN(TstLog)
#include "tst_log.moc"
