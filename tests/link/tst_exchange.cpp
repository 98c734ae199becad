// What the window shows of the command exchange: the console, the bar and
// the status line. The exchange itself is the session's (tests/core).
#include "console.h"
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"
#include "user_csv.h"

#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
// The texts the progress bar showed, each once, in the order they came.
struct ProgressSeen
{
    explicit ProgressSeen(DORVAK_Admin &w) : bar(w.findChild<QProgressBar *>("progress"))
    {
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (!bar->text().isEmpty() && !texts.contains(bar->text()))
                texts << bar->text();
        });
        watch.start(20);
    }
    QProgressBar *bar;
    QStringList texts;
    QTimer watch;
};
} // namespace

class TstExchange : public QObject
{
    Q_OBJECT

private slots:
    void shown_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("progress"); // shown while waiting
        QTest::addColumn<QString>("status");
        // clang-format off
        QTest::newRow("answered") << QByteArray("7\n") << 1 << "" << "";
        QTest::newRow("too few lines") << QByteArray("a\n") << 4 << "L : 25%" << "";
        QTest::newRow("no answer") << QByteArray() << 1 << "" << "Sin respuesta del controlador";
        // clang-format on
    }

    void shown()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, expected);
        QFETCH(QString, progress);
        FakeController fake;
        if (!answer.isEmpty())
            fake.on("CMD", answer);
        DORVAK_Admin w;
        TestProbe(w).fast();
        QVERIFY(connect_window(w, fake.port()));
        const ProgressSeen seen(w);
        w.exchange(QStringLiteral("CMD"), expected, 1, QStringLiteral("L"));
        QCOMPARE(seen.texts, progress.isEmpty() ? QStringList() : QStringList{progress});
        QCOMPARE(seen.bar->text(), QString());
        QTEST(w.findChild<QStatusBar *>(QStringLiteral("status_bar"))->currentMessage(), "status");
        const QString console = w.findChild<Console *>(QStringLiteral("console"))->toPlainText();
        QVERIFY(console.contains(QStringLiteral("--> CMD\n") + QString::fromLatin1(answer)));
    }

    // Whatever ran before, a wait for the controller's lines shows how far
    // it has come: what keeps the bar for itself a while gives it back.
    void progress_after_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("Obtener Usuarios") << "";
        QTest::newRow("Obtener Usuarios, Importar") << "import";
    }
    void progress_after()
    {
        FakeController fake;
        fake.keep_database({"## 1,1,\"Ana\",+56911111111,1,0,0,0,0,24,255"});
        fake.on("CMD", "a\n");
        ModalAnswerer answerer;
        answerer.queue_button(QMessageBox::Ok);
        DORVAK_Admin w;
        TestProbe probe(w);
        probe.fast();
        QVERIFY(connect_window(w, fake.port()));
        QVERIFY(probe.invoke("getUsers"));
        QFETCH(QString, before);
        if (before == "import") {
            // A file with one more person than the list.
            QTemporaryDir dir;
            QFile csv(dir.filePath("u.csv"));
            QVERIFY(csv.open(QIODevice::WriteOnly)
                    && csv.write(users_csv_header().toUtf8() + "\n2;2;admin;Beto;+56922222222") > 0
                    && csv.flush());
            probe.import_users_from(csv.fileName());
        }
        QCOMPARE(answerer.texts().size(), int(before == "import"));
        const ProgressSeen seen(w);
        w.exchange(QStringLiteral("CMD"), 4, 0, QStringLiteral("L"));
        QCOMPARE(seen.texts, QStringList{"L : 25%"});
    }
};

QTEST_MAIN(TstExchange)
#include "tst_exchange.moc"
