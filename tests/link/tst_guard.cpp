// One operation at a time: while an exchange waits, the buttons that start
// operations are disabled and any other operation is refused without effect;
// stopping, closing or deleting the window ends the wait at once.
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>

namespace {
const char *const rows[] = {"maint_ops", "debug_ops", "user_ops", "log_ops", "param_ops"};

void connect_to(DORVAK_Admin &w, const FakeController &fake)
{
    connect_window(w, fake.port());
    QMetaObject::invokeMethod(&w, "show_debug");
}
} // namespace

class TstGuard : public QObject
{
    Q_OBJECT

private slots:
    void second_operation_refused()
    {
        FakeController fake;
        fake.on("STUM 5000", "one\n", 100);
        ModalAnswerer answerer; // a refused operation must not even ask
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        connect_to(w, fake);
        bool checked = false;
        connect(&fake, &FakeController::received_line, [&] {
            for (const char *row : rows)
                QVERIFY2(!w.findChild<QWidget *>(QLatin1String(row))->isEnabled(), row);
            for (const char *free : {"console_btn", "clear_btn", "disconnect_btn", "console"})
                QVERIFY2(w.findChild<QWidget *>(QLatin1String(free))->isEnabled(), free);
            for (const char *second : {"getUsers", "send_params", "add_5000"})
                TestProbe(w).invoke(second);
            checked = true;
        });
        w.findChild<QPushButton *>(QStringLiteral("make_5000_btn"))->click();
        QVERIFY(checked);
        // Only the first command reached the line; its answer is intact.
        QCOMPARE(fake.received(), QByteArray("STUM 5000\n"));
        QCOMPARE(answerer.seen().size(), 1); // the first operation's own question
        QCOMPARE(TestProbe(w).resps(), QStringList{"one\n"});
        for (const char *row : rows)
            QVERIFY2(w.findChild<QWidget *>(QLatin1String(row))->isEnabled(), row);
    }

    void ended_at_once_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("stopped");
        // clang-format off
        QTest::newRow("Detener") << "stop_btn" << true;
        QTest::newRow("Escape") << "" << true;
        QTest::newRow("Escape in the console") << "console" << true;
        QTest::newRow("Desconectar") << "disconnect_btn" << false;
        // clang-format on
    }

    void ended_at_once()
    {
        QFETCH(QString, how);
        QFETCH(bool, stopped);
        // A controller that never answers: the exchange would wait out its ten
        // seconds. Stopping, or closing the line, ends it at once and gives the
        // window back.
        FakeController fake;
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        DORVAK_Admin w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        connect_to(w, fake);
        auto *stop = w.findChild<QPushButton *>(QStringLiteral("stop_btn"));
        QVERIFY(!stop->isEnabled());
        connect(&fake, &FakeController::received_line, [&] {
            QVERIFY(stop->isEnabled());
            if (how.endsWith(QLatin1String("_btn"))) {
                w.findChild<QPushButton *>(how)->click();
                return;
            }
            // The question box took the focus while it was up.
            w.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&w));
            if (how.isEmpty()) {
                QTest::keyClick(&w, Qt::Key_Escape);
                return;
            }
            // Typed in the console: the key press reaches the console itself.
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(w.findChild<QWidget *>(how), &escape);
        });
        QElapsedTimer clock;
        clock.start();
        w.findChild<QPushButton *>(QStringLiteral("add_500_btn"))->click();
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(fake.received(), QByteArray("CREATE500U\n"));
        QVERIFY(!stop->isEnabled());
        QVERIFY(!TestProbe(w).operation_running());
        for (const char *row : rows)
            QVERIFY2(w.findChild<QWidget *>(QLatin1String(row))->isEnabled(), row);
        QCOMPARE(w.findChild<Console *>(QStringLiteral("console"))
                     ->toPlainText()
                     .endsWith(QStringLiteral("-- Operación detenida\n")),
                 stopped);
        QCOMPARE(TestProbe(w).is_open(), stopped);
    }

    void close_while_running_data()
    {
        QTest::addColumn<bool>("yes");
        // clang-format off
        QTest::newRow("stop and leave") << true;
        QTest::newRow("keep running") << false;
        // clang-format on
    }

    void close_while_running()
    {
        QFETCH(bool, yes);
        FakeController fake;
        fake.on("CREATE500U", "OK\n", 300);
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        answerer.queue_button(yes ? QMessageBox::Yes : QMessageBox::No);
        QPointer<DORVAK_Admin> w = new DORVAK_Admin;
        w->setAttribute(Qt::WA_DeleteOnClose);
        w->show();
        connect_to(*w, fake);
        connect(&fake, &FakeController::received_line, w, [&] { w->QWidget::close(); });
        w->findChild<QPushButton *>(QStringLiteral("add_500_btn"))->click();
        QCOMPARE(answerer.texts().last(),
                 QStringLiteral("Hay una operación en curso. ¿Detenerla y salir?"));
        if (yes) {
            // Stopped before its answer came, then closed and deleted.
            QTRY_VERIFY(w.isNull());
            return;
        }
        // The answer was awaited to the end; the window stays.
        QCOMPARE(TestProbe(*w).resps(), QStringList{"OK\n"});
        QVERIFY(w->isVisible());
        delete w;
    }

    void deleted_while_waiting()
    {
        // Deleting the window while an operation waits for the controller must
        // not touch freed memory (the sanitizer build tells), and must not leave
        // the operation writing to the controller.
        FakeController fake;
        fake.on("NEXT", "5\n");
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Yes);
        QPointer<DORVAK_Admin> w = new DORVAK_Admin;
        connect_to(*w, fake);
        connect(&fake, &FakeController::received_line, [&](const QByteArray &line) {
            if (line.startsWith("UU") && w)
                delete w;
        });
        QMetaObject::invokeMethod(w, "add_5000");
        QTRY_VERIFY(w.isNull());
        // Nothing more may reach the line: a write left running after the
        // window went would have sent its next record by now.
        const int lines = fake.lines().size();
        QTest::qWait(200);
        QCOMPARE(fake.lines().size(), lines);
    }
};

QTEST_MAIN(TstGuard)
#include "tst_guard.moc"
