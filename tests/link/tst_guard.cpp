// One operation at a time: while an exchange waits, the buttons that start
// operations are disabled and any other operation is refused without effect.
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
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
    void stop_data();
    void stop();
    void close_while_running_data();
    void close_while_running();
    void deleted_while_waiting_data();
    void deleted_while_waiting();

private:
    static void connect_to(DORVAK_Admin &w, const FakeController &fake)
    {
        w.choose_port(fake.port());
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
    }
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
    answerer.queue_button(QMessageBox::Yes);
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
    QCOMPARE(answerer.seen().size(), 1); // the first operation's own question
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

void TstGuard::stop_data()
{
    QTest::addColumn<bool>("escape");
    // clang-format off
    QTest::newRow("Detener") << false;
    QTest::newRow("Escape") << true;
    // clang-format on
}

void TstGuard::stop()
{
    QFETCH(bool, escape);
    // A controller that never answers: the exchange would wait out its ten
    // seconds. Stopping ends it at once and gives the window back.
    FakeController fake;
    ModalAnswerer answerer;
    answerer.queue_button(QMessageBox::Yes);
    DORVAK_Admin w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    connect_to(w, fake);
    QMetaObject::invokeMethod(&w, "show_debug");
    auto *stop = w.findChild<QPushButton *>(QStringLiteral("stop_btn"));
    QVERIFY(!stop->isEnabled());
    QTimer::singleShot(300, [&] {
        QVERIFY(stop->isEnabled());
        if (escape) {
            // The question box took the focus while it was up.
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            QTest::keyClick(&w, Qt::Key_Escape);
        } else
            stop->click();
    });
    QElapsedTimer clock;
    clock.start();
    w.findChild<QPushButton *>(QStringLiteral("add_500_btn"))->click();
    QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!stop->isEnabled());
    QVERIFY(!TestProbe(w).operation_running());
    QVERIFY(w.findChild<QWidget *>(QStringLiteral("debug_ops"))->isEnabled());
    QVERIFY(w.findChild<Console *>(QStringLiteral("console"))
                ->toPlainText()
                .endsWith(QStringLiteral("*** Operación detenida ***")));
    QVERIFY(TestProbe(w).serial()->isOpen());
}

void TstGuard::close_while_running_data()
{
    QTest::addColumn<bool>("yes");
    // clang-format off
    QTest::newRow("stop and leave") << true;
    QTest::newRow("keep running") << false;
    // clang-format on
}

void TstGuard::close_while_running()
{
    QFETCH(bool, yes);
    FakeController fake;
    fake.on("CREATE500U", "OK\n", 1500);
    ModalAnswerer answerer;
    answerer.queue_button(QMessageBox::Yes);
    answerer.queue_button(yes ? QMessageBox::Yes : QMessageBox::No);
    QPointer<DORVAK_Admin> w = new DORVAK_Admin;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    connect_to(*w, fake);
    QMetaObject::invokeMethod(w, "show_debug");
    QTimer::singleShot(300, w, [&] { w->QWidget::close(); });
    w->findChild<QPushButton *>(QStringLiteral("add_500_btn"))->click();
    QCOMPARE(answerer.texts().last(),
             QStringLiteral("Hay una operación en curso. ¿Detenerla y salir?"));
    if (yes) {
        // Stopped before its answer came, then closed and deleted.
        QTRY_VERIFY(w.isNull());
        QCOMPARE(fake.received(), QByteArray("CREATE500U\n"));
    } else {
        // The answer was awaited to the end; the window stays.
        QVERIFY(!w.isNull());
        QCOMPARE(TestProbe(*w).resps(), QStringList{"OK\n"});
        QVERIFY(w->isVisible());
        delete w;
    }
}

void TstGuard::deleted_while_waiting_data()
{
    QTest::addColumn<bool>("later");
    // clang-format off
    QTest::newRow("delete") << false;
    QTest::newRow("deleteLater") << true;
    // clang-format on
}

void TstGuard::deleted_while_waiting()
{
    QFETCH(bool, later);
    // Deleting the window while an operation waits for the controller must
    // not touch freed memory (the sanitizer build tells), and must not leave
    // the operation writing to the controller.
    FakeController fake;
    fake.on("NEXT", "5\n");
    ModalAnswerer answerer;
    answerer.queue_button(QMessageBox::Yes);
    QPointer<DORVAK_Admin> w = new DORVAK_Admin;
    connect_to(*w, fake);
    QTimer::singleShot(300, [&] {
        if (later)
            w->deleteLater();
        else
            delete w;
    });
    QMetaObject::invokeMethod(w, "add_5000");
    QTRY_VERIFY(w.isNull());
    const int lines = fake.lines().size();
    QTest::qWait(300);
    QCOMPARE(fake.lines().size(), lines);
}

QTEST_MAIN(TstGuard)
#include "tst_guard.moc"
