// The synchronisation of the pending records against a scripted controller:
// what confirms an upload, a changed number, a refusal, Detener.
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_lines.h"
#include "user_row.h"

#include <QPushButton>
#include <QTest>

namespace {

// Administrator 1 with user 2 and its visitor 3, administrator 4.
const QStringList db{"## 1,1,\"N1\",+56900000001,1,0,0,0,0,24,127\n",
                     "## 2,2,\"N2\",+56900000002,1,0,0,0,0,24,127\n",
                     "## 3,3,\"N3\",+56900000003,2,0,0,0,0,24,127\n",
                     "## 4,1,\"N4\",+56900000004,4,0,0,0,0,24,127\n"};

// The controller's line for a record stored as sent, under `id`.
QByteArray stored(const UserRow &u, int id)
{
    const int owner = u.categoria == UserRow::Admin ? id : u.id_padre;
    return QStringLiteral("## %1,%2,\"%3\",%4,%5,%6,0,0,%7,%8,%9\n")
        .arg(id)
        .arg(UserRow::device_code(u.categoria))
        .arg(u.nombre, u.numero)
        .arg(owner)
        .arg(u.hrs_reman)
        .arg(u.rh_ini)
        .arg(u.rh_fin)
        .arg(u.rd)
        .toUtf8();
}

} // namespace

class TstUserCommands : public QObject
{
    Q_OBJECT

private slots:
    void sync_data();
    void sync();
};

void TstUserCommands::sync_data()
{
    // Pending: user 2, its visitor 3 and administrator 4. User 2 is sent
    // with `numero2` (empty: its own) and the controller answers its upload
    // with `upload2` and the lookup of its number with `lookup2` ("stored":
    // what was sent, under `id2`). The others are stored as sent. Detener
    // is pressed when `stop_at` arrives. Then: the wire, the records still
    // pending, the messages and the console's last line.
    QTest::addColumn<QString>("numero2");
    QTest::addColumn<QByteArray>("upload2");
    QTest::addColumn<QByteArray>("lookup2");
    QTest::addColumn<int>("id2");
    QTest::addColumn<QByteArray>("stop_at");
    QTest::addColumn<QString>("wire");
    QTest::addColumn<QString>("pending");
    QTest::addColumn<QString>("messages");
    const QByteArray ok = "## OK\n";
    const QString all = "UU2 UD2 UU3 UD3 UU4 UD4";
    const QString failed = "1 de 3 usuarios no se pudieron grabar";
    // clang-format off
    QTest::newRow("confirmed") << "" << ok << QByteArray("stored") << 2 << QByteArray() << all << "" << "";
    // The visitor is written under the id the controller gave its user.
    QTest::newRow("stored under a new id") << "" << ok << QByteArray("stored") << 40 << QByteArray() << all << "" << "";
    QTest::newRow("refused") << "" << QByteArray("ERROR nombre\n") << QByteArray("stored") << 2 << QByteArray() << "UU2 UU3 UD3 UU4 UD4" << "2" << failed;
    QTest::newRow("old record still stored") << "" << ok << QByteArray(db[1].toUtf8()).replace("N2", "Casa 471") << 2 << QByteArray() << all << "2" << failed;
    QTest::newRow("status line") << "" << ok << ok << 2 << QByteArray() << all << "2" << failed;
    QTest::newRow("silence") << "" << ok << QByteArray() << 2 << QByteArray() << all << "2" << failed;
    // The number changed: the visitor goes to the record under the new
    // number before the old number is deleted.
    QTest::newRow("number changed") << "+56911122233" << ok << QByteArray("stored") << 37 << QByteArray() << "UU2 UD2 UU3 UD3 BUold UDold UU4 UD4" << "" << "";
    QTest::newRow("number changed, old one kept") << "+56911122233" << ok << QByteArray("stored") << 37 << QByteArray() << "UU2 UD2 UU3 UD3 BUold UDold*kept UU4 UD4" << "2" << failed;
    QTest::newRow("stopped during the second record") << "" << ok << QByteArray("stored") << 2 << QByteArray("UD_NUM +56900000003") << "UU2 UD2 UU3 UD3" << "3 4" << "Sincronización detenida: 1 de 3 usuarios grabados";
    QTest::newRow("closed port") << "" << ok << QByteArray("stored") << 0 << QByteArray() << "" << "2 3 4" << "El puerto está cerrado";
    // clang-format on
}

void TstUserCommands::sync()
{
    QFETCH(QString, numero2);
    QFETCH(QByteArray, upload2);
    QFETCH(QByteArray, lookup2);
    QFETCH(int, id2);
    QFETCH(QByteArray, stop_at);
    QFETCH(QString, wire);
    FakeController fake;
    ModalAnswerer answerer;
    DORVAK_Admin w;
    TestProbe probe(w);
    probe.load_user_lines(db);
    const QList<UserRow *> u = probe.users();
    for (int i = 1; i < 4; ++i)
        u[i]->pending = true;
    const QString old_number = u[1]->numero;
    if (!numero2.isEmpty())
        u[1]->numero = numero2;

    // What goes out, and the answers, as the controller would store them.
    UserRow visitor;
    visitor.nombre = u[2]->nombre;
    visitor.numero = u[2]->numero;
    visitor.rd = u[2]->rd;
    visitor.id_padre = id2;
    QHash<QString, QByteArray> lines;
    lines["UU2"] = upload_line(*u[1]).toUtf8();
    lines["UD2"] = lookup_command(u[1]->numero).toUtf8();
    lines["UU3"] =
        upload_line(*u[2]).replace(" 2 0 0 24", QStringLiteral(" %1 0 0 24").arg(id2)).toUtf8();
    lines["UD3"] = lookup_command(u[2]->numero).toUtf8();
    lines["UU4"] = upload_line(*u[3]).toUtf8();
    lines["UD4"] = lookup_command(u[3]->numero).toUtf8();
    lines["BUold"] = delete_command(old_number).toUtf8();
    lines["UDold"] = lookup_command(old_number).toUtf8();
    fake.on(lines["UU2"].trimmed(), upload2);
    fake.on(lines["UD2"], lookup2 == "stored" ? stored(*u[1], id2) : lookup2);
    fake.on(lines["UU3"].trimmed(), "## OK\n");
    fake.on(lines["UD3"], stored(visitor, 3));
    fake.on(lines["UU4"].trimmed(), "## OK\n");
    fake.on(lines["UD4"], stored(*u[3], 4));
    if (!numero2.isEmpty()) {
        fake.on(lines["BUold"], "## OK\n");
        const bool kept = wire.contains("*kept");
        fake.on(lines["UDold"], kept ? db[1].toUtf8() : QByteArray("ERROR no existe\n"));
    }
    connect(&fake, &FakeController::received_line, [&](const QByteArray &command) {
        if (command == stop_at)
            w.findChild<QPushButton *>("stop_btn")->click();
    });
    if (id2) {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>("connect_btn")->click();
    }
    w.findChild<QPushButton *>("sync_btn")->click();

    QString expected;
    for (const QString &token : wire.split(' ', Qt::SkipEmptyParts))
        expected += lines[token.section('*', 0, 0)] + '\n';
    QCOMPARE(QString(fake.received()), expected);
    QStringList pending;
    for (int i = 1; i < 4; ++i) {
        if (u[i]->pending)
            pending << QString::number(i + 1);
        // The records that failed are marked in the tree, and only they.
        QCOMPARE(!u[i]->failure.isEmpty(),
                 pending.contains(QString::number(i + 1)) && id2 && stop_at.isEmpty());
    }
    QTEST(pending.join(' '), "pending");
    QCOMPARE(u[1]->id_user, id2 ? id2 : 2);
    QCOMPARE(u[2]->id_padre, u[1]->id_user);
    const QString console = w.findChild<Console *>("console")->toPlainText();
    QTEST(answerer.texts().join(' ')
              + (stop_at.isEmpty() ? QString() : console.section('\n', -2, -2)),
          "messages");
    // The title tells of the records left, once an operation has run.
    QCOMPARE(w.windowTitle().contains("sin sincronizar"), id2 && !pending.isEmpty());
}

QTEST_MAIN(TstUserCommands)
#include "tst_user_commands.moc"
