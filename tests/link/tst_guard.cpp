// One operation at a time: while an exchange waits, the buttons that start
// operations are disabled and any other operation is refused without effect.
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

class TstGuard : public QObject
{
    Q_OBJECT

private slots:
    void second_operation_refused_data();
    void second_operation_refused();
    void disconnect_stays_available();
};

void TstGuard::second_operation_refused_data()
{
    QTest::addColumn<QString>("second");
    for (const char *slot :
         {"reset_dorvak", "printDB", "getUsers", "nuevo", "borrar", "save", "sync_users",
          "limpia_usuarios", "import_users", "getLog", "get_param", "send_params", "add_5000"})
        QTest::newRow(slot) << QString::fromLatin1(slot);
}

void TstGuard::second_operation_refused()
{
    QFETCH(QString, second);
    FakeController fake;
    fake.on("STUM 5000", "one\n", 600);
    ModalAnswerer answerer; // a refused operation must not even ask
    DORVAK_Admin w;
    w.choose_port(fake.port());
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    QMetaObject::invokeMethod(&w, "show_debug");

    bool checked = false;
    QTimer::singleShot(200, [&] {
        for (const char *row : {"maint_ops", "debug_ops", "user_ops", "log_ops", "param_ops"})
            QVERIFY2(!w.findChild<QWidget *>(QLatin1String(row))->isEnabled(), row);
        for (const char *free : {"console_btn", "clear_btn", "disconnect_btn", "console"})
            QVERIFY2(w.findChild<QWidget *>(QLatin1String(free))->isEnabled(), free);
        TestProbe(w).invoke(second.toLatin1().constData());
        checked = true;
    });
    w.findChild<QPushButton *>(QStringLiteral("make_5000_btn"))->click();
    QVERIFY(checked);

    // Only the first command reached the line; its answer is intact.
    QTest::qWait(100);
    QCOMPARE(fake.received(), QByteArray("STUM 5000\n"));
    QVERIFY(answerer.seen().isEmpty());
    QCOMPARE(TestProbe(w).resps(), QStringList{"one\n"});
    for (const char *row : {"maint_ops", "debug_ops", "user_ops", "log_ops", "param_ops"})
        QVERIFY2(w.findChild<QWidget *>(QLatin1String(row))->isEnabled(), row);
    QVERIFY(!TestProbe(w).operation_running());
}

void TstGuard::disconnect_stays_available()
{
    FakeController fake;
    DORVAK_Admin w;
    w.choose_port(fake.port());
    w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    QTimer::singleShot(
        200, [&] { w.findChild<QPushButton *>(QStringLiteral("disconnect_btn"))->click(); });
    w.findChild<QPushButton *>(QStringLiteral("print_db_btn"))->click();
    QVERIFY(!TestProbe(w).serial()->isOpen());
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("maint_ops"))->isEnabled());
}

QTEST_MAIN(TstGuard)
#include "tst_guard.moc"
