// The event log: line decoding, the download into a table named from the
// tree, sorting, a closed port, and the CSV export.
#include "fake_controller.h"
#include "log_lines.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_row.h"

#include <QFile>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

class TstLog : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void download_data();
    void download();
    void sorted_table_keeps_records_whole();
    void export_file();

private:
    // Users 1 and 5 under the root, which still shows "0" as after start-up.
    static QTableWidget *with_users(DORVAK_Admin &w)
    {
        for (int id : {1, 5}) {
            auto *u = new UserRow(TestProbe(w).root());
            u->id_user = id;
            u->nombre = id == 1 ? QStringLiteral("Ana") : QStringLiteral("Luis");
            u->numero = QStringLiteral("+%1").arg(id);
            u->show_columns();
        }
        return w.findChild<QTableWidget *>(QStringLiteral("log_table"));
    }
    static QStringList cells(QTableWidget *t)
    {
        QStringList out;
        for (int r = 0; r < t->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < 6; ++c)
                row << t->item(r, c)->text();
            out << row.join(QLatin1Char('|'));
        }
        return out;
    }
};

void TstLog::decode_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("decoded"); // fecha|code|user|associate|fields|event text
    QTest::newRow("cr lf") << "XX 1 5 0 2024-03-01 08:15:42 x\r\n"
                           << "2024-03-01 08:15:42|1|5|0|6|Acceso 1 operado ";
    QTest::newRow("double blank") << "XX 8  5 0 2024-03-01 08:15:42\n"
                                  << "0 2024-03-01|8|0|5|6|Falla suministro electrico ";
    QTest::newRow("no time") << "XX 12 1 1 2024-03-01\r\n"
                             << "2024-03-01|12|1|1|5|Usuario Modificado";
    QTest::newRow("ids only") << "XX 3 5\r\n"
                              << "|3|5|0|3|Generador iniciando ";
    QTest::newRow("marker only") << "XX \n"
                                 << "|0|0|0|2|";
    QTest::newRow("code 9, no numbers") << "XX 9 a b c d\n"
                                        << "c d|9|0|0|6|";
}

void TstLog::decode()
{
    QFETCH(QString, line);
    QVERIFY(is_log_line(line));
    const LogRecord r = decode_log_line(line);
    QTEST(QStringLiteral("%1|%2|%3|%4|%5|%6")
              .arg(r.fecha)
              .arg(r.accion)
              .arg(r.usuario)
              .arg(r.asociado)
              .arg(r.campos)
              .arg(event_text(r.accion)),
          "decoded");
    for (const char *other : {"xx 1 1 1 a b", "XX1 1 1", " XX 1 1 1", "OK"})
        QVERIFY(!is_log_line(QLatin1String(other)));
}

void TstLog::download_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<QStringList>("expected");
    const QStringList fresh{"2024-03-01 08:15:42|Luis|+5|Acceso 2 operado |????|????",
                            "|Ana|+1|Generador deteniendo |????|????",
                            "2024-03-01 09:00:00|Nombre|Numero|Usuario Borrado|Ana|+1"};
    const QStringList old{"old|old|old|old|old|old"};
    QTest::newRow("count with blank and cr lf") << true << QByteArray(" 3\r\n") << fresh;
    QTest::newRow("two count lines") << true << QByteArray("3\nOK\n") << old;
    QTest::newRow("closed port, stale lines") << false << QByteArray() << old;
}

void TstLog::download()
{
    QFETCH(bool, open);
    QFETCH(QByteArray, total);
    FakeController fake;
    fake.set_pace(2000); // the last event comes a while after a status line
    fake.on("TOTAL_LOG", total);
    // An unknown associate, other output, a cut-off line, the id 0 (the root's).
    fake.on("ENVLOG", "XX 2 5 9 2024-03-01 08:15:42\r\nOK\r\nXX 4 1\r\n"
                      "XX 11 0 1 2024-03-01 09:00:00\r\n");
    ModalAnswerer answerer;
    DORVAK_Admin w;
    QTableWidget *t = with_users(w);
    t->setSortingEnabled(false);
    t->setRowCount(1);
    for (int c = 0; c < 6; ++c)
        t->setItem(0, c, new QTableWidgetItem(QStringLiteral("old")));
    if (open) {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    }
    // A lone line left by an earlier exchange must not pass for the count.
    TestProbe(w).resps() = QStringList{"XX 2 1 1 2023-01-01 00:00:00\n"};
    w.findChild<QPushButton *>(QStringLiteral("get_log_btn"))->click();
    QTEST(cells(t), "expected");
    QCOMPARE(answerer.count(QStringLiteral("El puerto está cerrado")), open ? 0 : 1);
}

void TstLog::sorted_table_keeps_records_whole()
{
    DORVAK_Admin w;
    QTableWidget *t = with_users(w);
    t->sortByColumn(1, Qt::DescendingOrder);
    TestProbe(w).load_log_lines(
        {"XX 1 1 5 2024-03-01 08:00:00\n", "XX 6 5 1 2024-03-02 08:00:00\n"});
    TestProbe(w).load_log_lines({"XX 7 1 1 2024-03-03 08:00:00\n"});
    QCOMPARE(cells(t), (QStringList{"2024-03-02 08:00:00|Luis|+5|Generador Detenido |Ana|+1",
                                    "2024-03-01 08:00:00|Ana|+1|Acceso 1 operado |Luis|+5",
                                    "2024-03-03 08:00:00|Ana|+1|Energia desde la red |Ana|+1"}));
}

void TstLog::export_file()
{
    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("registro")));
    answerer.queue_file(dir.filePath(QStringLiteral("missing/registro.CSV")));
    DORVAK_Admin w;
    with_users(w)->sortByColumn(0, Qt::AscendingOrder);
    TestProbe(w).load_log_lines(
        {"XX 1 5 9 2024-03-02 08:15:42\r\n", "XX 12 3 5 2024-03-01 09:00:00\n"});
    auto *button = w.findChild<QPushButton *>(QStringLiteral("export_log_btn"));
    button->click();
    QFile file(dir.filePath(QStringLiteral("registro.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; NOMBRE "
                        "USUARIO ASOCIADO ; NUMERO USUARIO ASOCIADO\n"
                        "2024-03-01 09:00:00 ; ???? ; ???? ; Usuario Modificado ; "
                        "Luis ; +5 ; \n2024-03-02 08:15:42 ; Luis ; +5 ; Acceso 1 "
                        "operado  ; ???? ; ???? ; \n"));
    // A file that cannot be opened is reported, once.
    button->click();
    QCOMPARE(answerer.seen().size(), 3);
    QVERIFY(
        answerer.seen().last().text.startsWith(QStringLiteral("No se pudo abrir el archivo : ")));
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Elejir Archivo"));
}

QTEST_MAIN(TstLog)
#include "tst_log.moc"
