// The event log: decoding of the controller's lines, the table filled from
// them (names from the tree, sorting), the download and the CSV export.
#include "fake_controller.h"
#include "log_lines.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_row.h"

#include <QFile>
#include <QHeaderView>
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
    void event_texts();
    void rows_data();
    void rows();
    void sorted_table_keeps_records_whole();
    void download_data();
    void download();
    void export_bytes();
    void export_unwritable();

private:
    static void add_user(DORVAK_Admin &w, int id, const QString &nombre, const QString &numero)
    {
        auto *u = new UserRow(TestProbe(w).root());
        u->id_user = id;
        u->nombre = nombre;
        u->numero = numero;
        u->show_columns();
    }
    // Users 1, 5 and 7; the root still shows "0", as after start-up.
    static void add_users(DORVAK_Admin &w)
    {
        add_user(w, 1, QStringLiteral("Ana"), QStringLiteral("+56911111111"));
        add_user(w, 5, QStringLiteral("Luis"), QStringLiteral("+56955555555"));
        add_user(w, 7, QStringLiteral("Eva"), QStringLiteral("+56977777777"));
    }
    static QTableWidget *table(DORVAK_Admin &w) { return w.findChild<QTableWidget *>(QStringLiteral("log_table")); }
    // Every row as its six cells joined by "|".
    static QStringList cells(DORVAK_Admin &w)
    {
        QStringList out;
        QTableWidget *t = table(w);
        for (int r = 0; r < t->rowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < 6; ++c)
                row << (t->item(r, c) ? t->item(r, c)->text() : QStringLiteral("<null>"));
            out << row.join(QLatin1Char('|'));
        }
        return out;
    }
};

void TstLog::decode_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("fecha");
    QTest::addColumn<int>("accion");
    QTest::addColumn<int>("usuario");
    QTest::addColumn<int>("asociado");
    QTest::addColumn<int>("campos");

    QTest::newRow("cr lf") << "XX 1 5 0 2024-03-01 08:15:42\r\n" << "2024-03-01 08:15:42" << 1 << 5 << 0 << 6;
    QTest::newRow("lf") << "XX 10 1 7 2024-03-02 00:00:01\n" << "2024-03-02 00:00:01" << 10 << 1 << 7 << 6;
    QTest::newRow("double blank is an empty field")
        << "XX 2  5 0 2024-03-01 08:15:42\n" << "0 2024-03-01" << 2 << 0 << 5 << 6;
    QTest::newRow("past the sixth field") << "XX 3 1 1 2024-03-01 08:15:42 extra 9\n" << "2024-03-01 08:15:42" << 3 << 1 << 1 << 6;
    QTest::newRow("no time") << "XX 4 1 1 2024-03-01\r\n" << "2024-03-01" << 4 << 1 << 1 << 5;
    QTest::newRow("ids only") << "XX 1 5\r\n" << "" << 1 << 5 << 0 << 3;
    QTest::newRow("code only") << "XX 8\n" << "" << 8 << 0 << 0 << 2;
    QTest::newRow("marker only") << "XX \n" << "" << 0 << 0 << 0 << 2;
    QTest::newRow("not numbers") << "XX a b c d e\n" << "d e" << 0 << 0 << 0 << 6;
}

void TstLog::decode()
{
    QFETCH(QString, line);
    QVERIFY(is_log_line(line));
    const LogRecord r = decode_log_line(line);
    QTEST(r.fecha, "fecha");
    QTEST(r.accion, "accion");
    QTEST(r.usuario, "usuario");
    QTEST(r.asociado, "asociado");
    QTEST(r.campos, "campos");
}

void TstLog::event_texts()
{
    const QStringList texts = {QString(), "Acceso 1 operado ", "Acceso 2 operado ",
                               "Generador iniciando ", "Generador deteniendo ",
                               "Generador Funcionando ", "Generador Detenido ",
                               "Energia desde la red ", "Falla suministro electrico ", QString(),
                               "Usuario Creado", "Usuario Borrado", "Usuario Modificado", QString()};
    for (int code = 0; code < texts.size(); ++code)
        QCOMPARE(event_text(code), texts.at(code));
    QCOMPARE(event_text(-1), QString());
    for (const QString &line : {"xx 1 1 1 a b", "XX1 1 1", " XX 1 1 1", "## 00 x", "OK"})
        QVERIFY2(!is_log_line(line), qPrintable(line));
}

void TstLog::rows_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("known user, unknown associate")
        << QStringList{"XX 1 5 9 2024-03-01 08:15:42\r\n"}
        << QStringList{"2024-03-01 08:15:42|Luis|+56955555555|Acceso 1 operado |????|????"};
    QTest::newRow("user created")
        << QStringList{"XX 10 1 7 2024-03-01 09:00:00\n"}
        << QStringList{"2024-03-01 09:00:00|Ana|+56911111111|Usuario Creado|Eva|+56977777777"};
    QTest::newRow("id 0 names the root after start-up")
        << QStringList{"XX 9 0 5 2024-03-01 10:00:00\n"}
        << QStringList{"2024-03-01 10:00:00|Nombre|Numero||Luis|+56955555555"};
    QTest::newRow("cut-off line names nobody it lacks")
        << QStringList{"XX 2 5\n", "XX 3\n"}
        << QStringList{"|Luis|+56955555555|Acceso 2 operado |????|????",
                       "|????|????|Generador iniciando |????|????"};
    QTest::newRow("other lines add no row")
        << QStringList{"OK\n", "## 1,1,\"x\"\n", "XX 7 1 1 2024-03-01 11:00:00\n", "\n"}
        << QStringList{"2024-03-01 11:00:00|Ana|+56911111111|Energia desde la red |Ana|+56911111111"};
}

void TstLog::rows()
{
    QFETCH(QStringList, lines);
    DORVAK_Admin w;
    add_users(w);
    // Unsorted here, so that the rows keep the order of the lines.
    table(w)->setSortingEnabled(false);
    TestProbe(w).load_log_lines(lines);
    QTEST(cells(w), "expected");
}

void TstLog::sorted_table_keeps_records_whole()
{
    DORVAK_Admin w;
    add_users(w);
    table(w)->sortByColumn(1, Qt::AscendingOrder);
    QTableWidget *t = table(w);
    TestProbe(w).load_log_lines({"XX 1 7 1 2024-03-01 08:00:00\n", "XX 2 1 5 2024-03-02 08:00:00\n",
                                 "XX 3 5 7 2024-03-03 08:00:00\n"});
    QCOMPARE(cells(w), (QStringList{
                           "2024-03-02 08:00:00|Ana|+56911111111|Acceso 2 operado |Luis|+56955555555",
                           "2024-03-01 08:00:00|Eva|+56977777777|Acceso 1 operado |Ana|+56911111111",
                           "2024-03-03 08:00:00|Luis|+56955555555|Generador iniciando |Eva|+56977777777"}));
    QVERIFY(t->isSortingEnabled());
    // A row added later still takes its place in the order shown.
    TestProbe(w).load_log_lines({"XX 4 5 5 2024-03-04 08:00:00\n"});
    QCOMPARE(t->item(3, 1)->text(), QStringLiteral("Luis"));
    QCOMPARE(t->item(3, 3)->text(), QStringLiteral("Generador deteniendo "));
}

void TstLog::download_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<QStringList>("expected");

    const QString row1 = "2024-03-01 08:15:42|Luis|+56955555555|Acceso 1 operado |????|????";
    const QString row2 = "2024-03-01 09:00:00|Ana|+56911111111|Usuario Creado|Eva|+56977777777";
    const QString before = "old|old|old|old|old|old";
    QTest::newRow("count with blank and cr lf") << true << QByteArray(" 2\r\n") << QStringList{row1, row2};
    QTest::newRow("count 0 still reads what comes") << true << QByteArray("0\n") << QStringList{row1, row2};
    QTest::newRow("two answer lines") << true << QByteArray("2\nOK\n") << QStringList{before};
    QTest::newRow("closed port, stale lines") << false << QByteArray() << QStringList{before};
}

void TstLog::download()
{
    QFETCH(bool, open);
    QFETCH(QByteArray, total);

    FakeController fake;
    QVERIFY(fake.ok());
    fake.on("TOTAL_LOG", total);
    fake.on("ENVLOG", "XX 1 5 9 2024-03-01 08:15:42\r\nOK\r\nXX 10 1 7 2024-03-01 09:00:00\r\n");
    ModalAnswerer answerer;
    DORVAK_Admin w;
    add_users(w);
    QTableWidget *t = table(w);
    t->setSortingEnabled(false);
    t->setRowCount(1);
    for (int c = 0; c < 6; ++c)
        t->setItem(0, c, new QTableWidgetItem(QStringLiteral("old")));
    if (open) {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    }
    // What an earlier exchange left behind must not pass for an answer.
    TestProbe(w).resps() = QStringList{"1\n", "XX 2 1 1 2023-01-01 00:00:00\n"};
    if (!open)
        TestProbe(w).resps().removeLast();

    w.findChild<QPushButton *>(QStringLiteral("get_log_btn"))->click();
    QTEST(cells(w), "expected");
    QCOMPARE(answerer.count(QStringLiteral("El puerto está cerrado")), open ? 0 : 1);
    QCOMPARE(fake.count("ENVLOG"), open && total.count('\n') == 1 ? 1 : 0);
}

void TstLog::export_bytes()
{
    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("registro")));
    DORVAK_Admin w;
    add_users(w);
    table(w)->sortByColumn(0, Qt::AscendingOrder);
    TestProbe(w).load_log_lines({"XX 1 5 9 2024-03-02 08:15:42\r\n", "XX 12 1 7 2024-03-01 09:00:00\n"});
    w.findChild<QPushButton *>(QStringLiteral("export_log_btn"))->click();

    QFile file(dir.filePath(QStringLiteral("registro.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("FECHA ; NOMBRE USUARIO ;  NUMERO USUARIO ; ACCION ; NOMBRE USUARIO ASOCIADO ; "
                        "NUMERO USUARIO ASOCIADO\n"
                        "2024-03-01 09:00:00 ; Ana ; +56911111111 ; Usuario Modificado ; Eva ; +56977777777 ; \n"
                        "2024-03-02 08:15:42 ; Luis ; +56955555555 ; Acceso 1 operado  ; ???? ; ???? ; \n"));
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().title, QStringLiteral("Elejir Archivo"));
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Texto separado (*.csv)"));
}

void TstLog::export_unwritable()
{
    QTemporaryDir dir;
    ModalAnswerer answerer;
    answerer.queue_file(dir.filePath(QStringLiteral("missing/registro.CSV")));
    DORVAK_Admin w;
    w.findChild<QPushButton *>(QStringLiteral("export_log_btn"))->click();
    // One box, naming the file (as the dialog returned it).
    QCOMPARE(answerer.seen().size(), 2);
    const QString text = answerer.seen().last().text;
    QVERIFY2(text.startsWith(QStringLiteral("No se pudo abrir el archivo : ")), qPrintable(text));
    QVERIFY2(text.endsWith(QStringLiteral("/missing/registro.CSV")), qPrintable(text));
}

QTEST_MAIN(TstLog)
#include "tst_log.moc"
