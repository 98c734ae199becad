// The device operations in the core, without a window, against a scripted
// controller with shortened timings: every way each of them can end, with
// what it said and what went out on the line.
#include "command_operation.h"
#include "core_fixture.h"
#include "log_download.h"
#include "param_operations.h"
#include "user_download.h"
#include "user_upload.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray ana = "## 1,1,\"Ana\",+56911111111,1,0,0,0,0,24,255\n";
const QByteArray beto = "## 2,2,\"Beto\",+56922222222,1,0,0,0,0,24,255\n";

QByteArray params_answer(int count)
{
    QByteArray out;
    for (int n = 0; n < count; ++n)
        out += "## " + QByteArray::number(n).rightJustified(2, '0') + " \"P" + QByteArray::number(n)
            + "\"\n";
    return out;
}

// How a scripted run goes: the answers to the commands, and what happens
// when a command arrives ("stop LU": the user stops as LU arrives, "cut
// LU": the line goes).
struct Script
{
    QList<QPair<QByteArray, QByteArray>> answers;
    QString event;
};

void play(CoreOnLine &on, const Script &script)
{
    for (const auto &a : script.answers)
        on.fake.on(a.first, a.second);
    const int blank = int(script.event.indexOf(' '));
    if (blank < 0)
        return;
    const QString what = script.event.left(blank);
    const QByteArray command = script.event.mid(blank + 1).toLatin1();
    QObject::connect(&on.fake, &FakeController::received_line,
                     [&on, what, command](const QByteArray &c) {
                         if (c != command)
                             return;
                         if (what == "stop")
                             on.core.runner.stop();
                         else
                             on.fake.hang_up();
                     });
}

} // namespace

Q_DECLARE_METATYPE(Script)

class TstOperations : public QObject
{
    Q_OBJECT

private slots:
    void download_users_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("answer"); // to the question; 0: none asked
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("said"); // summary, then warnings and reports
        QTest::addColumn<QByteArray>("sent");
        using R = OperationResult;
        // A whole listing is followed by the identity of whom it came from.
        const Script whole{{{"TOT_USERS", "2\n"},
                            {"LU", ana + "DBG gsm\n## OK\n" + beto},
                            {"GET_PARS", params_answer(16)}},
                           {}};
        const QByteArray both = "TOT_USERS\nLU\n", read = both + "GET_PARS\n";
        const QString cut = QStringLiteral("Descarga incompleta: 1 de 2 usuarios");
        // clang-format off
        QTest::newRow("whole, status lines among the records") << whole << 0 << int(R::done) << 2 << "" << read;
        QTest::newRow("changes kept: no") << whole << int(Asker::no) << int(R::refused) << 0 << "Descarga cancelada" << QByteArray();
        QTest::newRow("changes discarded: yes") << whole << int(Asker::yes) << int(R::done) << 2 << "" << read;
        QTest::newRow("a listing cut short") << Script{{{"TOT_USERS", "2\n"}, {"LU", ana}}, {}} << 0 << int(R::incomplete) << 0 << cut + "|" + cut << both;
        QTest::newRow("two different counts") << Script{{{"TOT_USERS", "2\n3\n"}}, {}} << 0 << int(R::failed) << 0 << "|Respuesta inesperada del controlador a TOT_USERS" << QByteArray("TOT_USERS\n");
        QTest::newRow("no count") << Script{{{"TOT_USERS", "DBG gsm\n"}}, {}} << 0 << int(R::failed) << 0 << "|Respuesta inesperada del controlador a TOT_USERS" << QByteArray("TOT_USERS\n");
        QTest::newRow("silent controller") << Script{} << 0 << int(R::failed) << 0 << "|Sin respuesta del controlador" << QByteArray("TOT_USERS\n");
        QTest::newRow("stopped during the listing") << Script{whole.answers, "stop LU"} << 0 << int(R::stopped) << 0 << "Descarga incompleta: 0 de 2 usuarios" << both;
        QTest::newRow("line lost during the listing") << Script{{{"TOT_USERS", "2\n"}}, "cut LU"} << 0 << int(R::line_lost) << 0 << "Descarga incompleta: 0 de 2 usuarios" << both;
        // clang-format on
    }

    void download_users()
    {
        QFETCH(Script, script);
        QFETCH(int, answer);
        CoreOnLine on;
        play(on, script);
        DownloadUsers download(on.core);
        if (answer != 0) {
            download.question = QStringLiteral("¿Descartar?");
            on.asker.answers << answer;
        }
        QSignalSpy finished(&download, &Operation::finished);
        const OperationResult result = download.exec();
        QTEST(int(result.outcome), "outcome");
        QTEST(int(download.lines.size()), "lines");
        QTEST(QStringList(QStringList{result.summary} + on.asker.warnings + on.asker.reports)
                  .join('|'),
              "said");
        QTEST(on.fake.received(), "sent");
        QCOMPARE(finished.size(), 1);
        QVERIFY(!on.core.runner.running());
    }

    void download_log_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("summary");
        using R = OperationResult;
        const QByteArray events =
            "XX 1 1 1 2024-03-01 08:00:00\nDBG\nXX 2 1 1 2024-03-01 09:00:00\n";
        // clang-format off
        QTest::newRow("whole") << Script{{{"TOTAL_LOG", "2\n"}, {"ENVLOG", events}}, {}} << int(R::done) << "2 eventos descargados";
        QTest::newRow("cut short") << Script{{{"TOTAL_LOG", "3\n"}, {"ENVLOG", events}}, {}} << int(R::incomplete) << "Descarga incompleta: 2 de 3 eventos";
        QTest::newRow("stopped") << Script{{{"TOTAL_LOG", "2\n"}}, "stop ENVLOG"} << int(R::stopped) << "Descarga incompleta: 0 de 2 eventos";
        // clang-format on
    }

    void download_log()
    {
        QFETCH(Script, script);
        CoreOnLine on;
        play(on, script);
        DownloadLog download(on.core);
        const OperationResult result = download.exec();
        QTEST(int(result.outcome), "outcome");
        QTEST(result.summary, "summary");
        QCOMPARE(download.lines.isEmpty(), !result.ok());
    }

    void read_params_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("identity");
        using R = OperationResult;
        // clang-format off
        QTest::newRow("sixteen, a status line among them") << QByteArray("## OK\n" + params_answer(16)) << int(R::done) << "P1";
        QTest::newRow("fifteen") << params_answer(15) << int(R::incomplete) << "";
        QTest::newRow("none") << QByteArray() << int(R::failed) << "";
        // clang-format on
    }

    void read_params()
    {
        QFETCH(QByteArray, answer);
        CoreOnLine on;
        if (!answer.isEmpty())
            on.fake.on("GET_PARS", answer);
        QSignalSpy arrived(&on.core, &AdminCore::params_arrived);
        ReadParams read(on.core);
        QTEST(int(read.exec().outcome), "outcome");
        QTEST(on.core.identity(), "identity");
        QCOMPARE(arrived.size(), int(read.result().ok()));
        // What was read belongs to the open line.
        on.core.session.close();
        QCOMPARE(on.core.params().size(), 0);
    }

    void write_params_data()
    {
        QTest::addColumn<bool>("have_read");
        QTest::addColumn<int>("answer"); // to the list of changes; 0: nothing changes
        QTest::addColumn<QString>("refused");
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QByteArray>("sent");
        using R = OperationResult;
        const QByteArray lines = "SEND_PAR 2 00 \"A\"\nSEND_PAR 2 09 \"B\"\n";
        const Script ok{{{"SEND_PAR 2 00 \"A\"", "## OK\n"}, {"SEND_PAR 2 09 \"B\"", "## OK\n"}},
                        {}};
        const int Y = Asker::yes;
        // clang-format off
        QTest::newRow("both written") << true << Y << "" << ok << int(R::done) << "Parámetros grabados" << lines;
        QTest::newRow("one refused by the controller") << true << Y << "" << Script{{{"SEND_PAR 2 00 \"A\"", "## OK\n"}, {"SEND_PAR 2 09 \"B\"", "ERROR valor\n"}}, {}} << int(R::failed) << "Parámetros no grabados: 1 de 2|El controlador no grabó:\nSEND_PAR 2 09 \"B\" : ERROR valor|Parámetros no grabados: 1 de 2" << lines;
        QTest::newRow("one silent") << true << Y << "" << Script{{{"SEND_PAR 2 00 \"A\"", "## OK\n"}}, {}} << int(R::failed) << "Parámetros no grabados: 1 de 2|El controlador no grabó:\nSEND_PAR 2 09 \"B\" : sin respuesta|Sin respuesta del controlador|Parámetros no grabados: 1 de 2" << lines;
        QTest::newRow("never read") << false << Y << "" << ok << int(R::refused) << "|Primero obtenga los parámetros del equipo conectado (\"Obtener Parametros\") o cargue los de una visita (\"Cargar Parametros\" en \"Historial\")" << QByteArray();
        QTest::newRow("changes seen, then no") << true << int(Asker::no) << "" << ok << int(R::refused) << "Parámetros no grabados" << QByteArray();
        QTest::newRow("nothing changes") << true << 0 << "" << ok << int(R::refused) << "Ningún parámetro cambió: no se grabó nada" << QByteArray();
        QTest::newRow("a value that cannot go") << true << Y << "Nombre" << ok << int(R::refused) << "|Valor no válido en: Nombre. No se grabó ningún parámetro." << QByteArray();
        QTest::newRow("line lost after the first") << true << Y << "" << Script{{{"SEND_PAR 2 00 \"A\"", "## OK\n"}}, "cut SEND_PAR 2 09 \"B\""} << int(R::line_lost) << "Grabación detenida: 2 de 2 parámetros enviados" << lines;
        QTest::newRow("stopped at the first") << true << Y << "" << Script{ok.answers, "stop SEND_PAR 2 00 \"A\""} << int(R::stopped) << "Grabación detenida: 1 de 2 parámetros enviados" << QByteArray("SEND_PAR 2 00 \"A\"\n");
        // clang-format on
    }

    void write_params()
    {
        QFETCH(bool, have_read);
        QFETCH(int, answer);
        QFETCH(QString, refused);
        QFETCH(Script, script);
        CoreOnLine on;
        play(on, script);
        WriteParams write(on.core);
        write.have_read = have_read;
        if (answer != 0)
            write.lines = QStringList{"SEND_PAR 2 00 \"A\"", "SEND_PAR 2 09 \"B\""};
        write.changes = QStringList{"00: x → A", "09: y → B"};
        on.asker.answers << answer;
        if (!refused.isEmpty())
            write.refused << refused;
        const OperationResult result = write.exec();
        QTEST(int(result.outcome), "outcome");
        QTEST(QStringList(QStringList{result.summary} + on.asker.warnings + on.asker.reports)
                  .join('|'),
              "said");
        QFETCH(QByteArray, sent);
        QTRY_COMPARE(on.fake.received(), sent);
        // Nothing goes out before the user saw what changes.
        QCOMPARE(on.asker.questions.size(), int(have_read && refused.isEmpty() && answer != 0));
    }

    void command_data()
    {
        QTest::addColumn<int>("answer"); // to the question; 0: none asked
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QByteArray>("sent");
        using R = OperationResult;
        // clang-format off
        QTest::newRow("no question") << 0 << true << int(R::done) << "Enviado: PRINTDB" << QByteArray("PRINTDB\n");
        QTest::newRow("yes") << int(Asker::yes) << true << int(R::done) << "Enviado: PRINTDB" << QByteArray("PRINTDB\n");
        QTest::newRow("no") << int(Asker::no) << true << int(R::refused) << "Cancelado: PRINTDB" << QByteArray();
        QTest::newRow("closed port: nothing to ask") << int(Asker::yes) << false << int(R::line_lost) << "" << QByteArray();
        // clang-format on
    }

    void command()
    {
        QFETCH(int, answer);
        QFETCH(bool, open);
        CoreOnLine on;
        on.fake.on("PRINTDB", "a\nb\n");
        if (!open)
            on.core.session.close();
        on.asker.answers << answer;
        QSignalSpy closed(&on.core.session, &Session::port_closed);
        CommandOperation command(on.core, QStringLiteral("PRINTDB"), 2, 1, QString(),
                                 answer ? QStringLiteral("¿Seguro?") : QString());
        const OperationResult result = command.exec();
        QTEST(int(result.outcome), "outcome");
        QTEST(result.summary, "summary");
        QCOMPARE(on.asker.questions.size(), int(answer != 0 && open));
        QCOMPARE(closed.size(), int(!open));
        QFETCH(QByteArray, sent);
        QTRY_COMPARE(on.fake.received(), sent);
    }

    // A delete counts only once a lookup of the number finds nothing: a
    // line cut at the delete, a silent lookup or a record still there is no
    // delete.
    void delete_number_data()
    {
        QTest::addColumn<QByteArray>("lookup"); // the answer to UD_NUM
        QTest::addColumn<bool>("cut");          // the line goes at the BU
        QTest::addColumn<bool>("deleted");
        // clang-format off
        QTest::newRow("gone") << QByteArray("ERROR no existe\n") << false << true;
        QTest::newRow("still there") << QByteArray("## 5,2,\"Ana\",+56911112222,1,0,0,0,8,20,31\n") << false << false;
        QTest::newRow("silent lookup") << QByteArray() << false << false;
        QTest::newRow("line cut at the delete") << QByteArray("ERROR no existe\n") << true << false;
        // clang-format on
    }
    void delete_number()
    {
        QFETCH(QByteArray, lookup);
        QFETCH(bool, cut);
        CoreOnLine on;
        on.fake.on("BU +56911112222", "## OK\n");
        if (!lookup.isEmpty())
            on.fake.on("UD_NUM +56911112222", lookup);
        if (cut)
            connect(&on.fake, &FakeController::received_line, [&on] { on.fake.hang_up(); });
        QTEST(UserWriter(on.core).delete_number(QStringLiteral("+56911112222")), "deleted");
    }
};

QTEST_GUILESS_MAIN(TstOperations)
#include "tst_operations.moc"
