// The console turns key presses into bytes and shows received data.
#include "console.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

class TstConsole : public QObject
{
    Q_OBJECT

private slots:
    void key_bytes_data();
    void key_bytes();
    void shown_text_data();
    void shown_text();
};

void TstConsole::key_bytes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("emitted"); // "-" for no signal at all
    QTest::addColumn<QString>("shown");      // after "abc" and the key

    // clang-format off
    QTest::newRow("letter") << int(Qt::Key_A) << "a" << QByteArray("a") << QStringLiteral("abca");
    QTest::newRow("enter") << int(Qt::Key_Return) << "\r" << QByteArray("\r") << QStringLiteral("abc\n");
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << "\r" << QByteArray("\r") << QStringLiteral("abc\n");
    QTest::newRow("function key") << int(Qt::Key_F5) << "" << QByteArray("") << QStringLiteral("abc");
    QTest::newRow("backspace") << int(Qt::Key_Backspace) << "\b" << QByteArray("-") << QStringLiteral("abc");
    QTest::newRow("left") << int(Qt::Key_Left) << "" << QByteArray("-") << QStringLiteral("abc");
    QTest::newRow("right") << int(Qt::Key_Right) << "" << QByteArray("-") << QStringLiteral("abc");
    QTest::newRow("up") << int(Qt::Key_Up) << "" << QByteArray("-") << QStringLiteral("abc");
    QTest::newRow("down") << int(Qt::Key_Down) << "" << QByteArray("-") << QStringLiteral("abc");
    // clang-format on
}

void TstConsole::key_bytes()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QByteArray, emitted);
    QFETCH(QString, shown);

    Console console;
    console.setLocalEcho(true);
    console.setPlainText(QStringLiteral("abc"));
    QSignalSpy spy(&console, &Console::getData);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&console, &press);

    if (emitted == "-") {
        QCOMPARE(spy.count(), 0);
    } else {
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toByteArray(), emitted);
    }
    // Only the typed line is added; what the console showed stays.
    QCOMPARE(console.toPlainText(), shown);
}

void TstConsole::shown_text_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("selected");    // the user has selected the first line
    QTest::addColumn<bool>("scrolled_up"); // the user reads an earlier answer

    // clang-format off
    QTest::newRow("line") << QByteArray("## OK\n") << "## OK\n" << false << false;
    QTest::newRow("crlf") << QByteArray("OK\r\n") << "OK\n" << false << false;
    QTest::newRow("cut at nul") << QByteArray("AB\0CD\n", 6) << "AB" << false << false;
    QTest::newRow("utf-8") << QByteArray("Configuraci\xc3\xb3n\n") << QString::fromUtf8("Configuración\n") << false << false;
    QTest::newRow("selection kept") << QByteArray("NEW\n") << "NEW\n" << true << false;
    QTest::newRow("view scrolled up kept") << QByteArray("NEW\n") << "NEW\n" << false << true;
    // clang-format on
}

void TstConsole::shown_text()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, shown);
    QFETCH(bool, selected);
    QFETCH(bool, scrolled_up);

    Console console;
    console.resize(300, 100);
    console.putData("first line\n");
    for (int i = 0; i < 50; ++i)
        console.putData("filler\n");
    QScrollBar *bar = console.verticalScrollBar();
    if (selected) {
        QTextCursor cursor(console.document());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        console.setTextCursor(cursor);
        bar->setValue(bar->maximum());
    }
    if (scrolled_up)
        bar->setValue(2);
    const QString before = console.toPlainText();
    console.putData(data);
    // Received text goes to the end, whatever the user has selected.
    QCOMPARE(console.toPlainText().mid(before.size()), shown);
    QCOMPARE(console.textCursor().selectedText(),
             selected ? QStringLiteral("first line") : QString());
    // The view follows the end unless the user scrolled away from it.
    QCOMPARE(bar->value(), scrolled_up ? 2 : bar->maximum());
}

QTEST_MAIN(TstConsole)
#include "tst_console.moc"
