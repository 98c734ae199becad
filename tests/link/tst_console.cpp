// The console on its own: what it keeps of a long day on the line, and the
// command names it completes.
#include "console.h"
#include "controller_commands.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

class TstConsole : public QObject
{
    Q_OBJECT

private slots:
    void keeps_its_limit_data()
    {
        // "lowered": the limit is lowered once the lines are in.
        QTest::addColumn<bool>("lowered");
        QTest::newRow("lines beyond the limit") << false;
        QTest::newRow("limit lowered") << true;
    }
    void keeps_its_limit()
    {
        QFETCH(bool, lowered);
        Console console;
        console.resize(400, 300);
        console.show();
        console.set_line_limit(lowered ? 1000 : 50);
        QTest::keyClicks(&console, QStringLiteral("AB"));
        for (int i = 1; i <= 80; ++i) {
            if (i % 10 == 0)
                console.show_sent(QStringLiteral("sent %1").arg(i));
            else
                // A CR LF ends a line as an LF does.
                console.putData(
                    QString::fromLatin1(i % 3 ? "line %1\n" : "line %1\r\n").arg(i).toLatin1());
        }
        if (lowered)
            console.set_line_limit(50);
        // The 50 newest whole lines, the oldest first, and the typed line.
        QStringList kept;
        for (int i = 31; i <= 80; ++i)
            kept
                << (i % 10 == 0 ? QStringLiteral("--> sent %1") : QStringLiteral("line %1")).arg(i);
        QCOMPARE(console.toPlainText(), kept.join(QLatin1Char('\n')) + QStringLiteral("\nAB"));
        // Each line keeps its colour.
        const QTextBlock sent = console.document()->findBlockByNumber(9);
        QCOMPARE(sent.text(), QStringLiteral("--> sent 40"));
        QCOMPARE(sent.begin().fragment().charFormat().foreground().color(), QColor(255, 176, 0));
        QVERIFY(!sent.previous().begin().fragment().charFormat().hasProperty(
            QTextFormat::ForegroundBrush));
        QTemporaryDir dir;
        QVERIFY(console.save_to(dir.filePath(QStringLiteral("consola.txt"))));
        QFile saved(dir.filePath(QStringLiteral("consola.txt")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(saved.readAll()), console.toPlainText());
    }

    void reader_keeps_his_lines()
    {
        // Scrolled up while the oldest lines go, the reader still sees the
        // lines he was reading.
        Console console;
        console.resize(400, 300);
        console.show();
        console.set_line_limit(200);
        for (int i = 1; i <= 200; ++i)
            console.putData(QStringLiteral("line %1\n").arg(i).toLatin1());
        QScrollBar *bar = console.verticalScrollBar();
        QTRY_COMPARE(bar->maximum() > 100 && bar->value() == bar->maximum(), true);
        bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        const QString read = console.cursorForPosition(QPoint(5, 5)).block().text();
        for (int i = 201; i <= 260; ++i)
            console.putData(QStringLiteral("line %1\n").arg(i).toLatin1());
        QTRY_COMPARE(console.cursorForPosition(QPoint(5, 5)).block().text(), read);
        QVERIFY(!console.following());
    }

    void times_before_lines()
    {
        // What arrives while a line is being typed gets its time; the typed
        // line stays last and leaves no line of a time alone behind.
        Console console;
        console.set_timestamps(true);
        QTest::keyClicks(&console, QStringLiteral("AB"));
        console.note(QStringLiteral("nota"));
        console.putData("## 1\n## 2");
        console.putData(" fin\n");
        const QStringList lines = console.toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(int(lines.size()), 4);
        const QRegularExpression stamped(
            QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\] (-- nota|## 1|## 2 fin)$"));
        for (int i = 0; i < 3; ++i)
            QVERIFY2(stamped.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
        QCOMPARE(lines.last(), QStringLiteral("AB"));
    }

    void completion_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("candidates");
        // clang-format off
        QTest::newRow("one command") << "tot_u" << "TOT_USERS" << QStringList();
        QTest::newRow("shared beginning") << "TO" << "TOT" << QStringList{"TOT_USERS", "TOTAL_LOG"};
        QTest::newRow("arguments follow") << "bu" << "BU " << QStringList();
        QTest::newRow("begins with a blank") << "UU" << " UU " << QStringList();
        QTest::newRow("unknown") << "XY" << "XY" << QStringList();
        QTest::newRow("past the name") << "BU +5" << "BU +5" << QStringList();
        // clang-format on
    }
    void completion()
    {
        QFETCH(QString, typed);
        const CommandCompletion done = complete_command(typed);
        QTEST(done.line, "line");
        QTEST(done.candidates, "candidates");
    }
};

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
