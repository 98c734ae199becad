// The parameter form: refused on a closed port, then read from the
// controller and written back as the fourteen lines on the wire, with the
// quirks of the answer lines carried through.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "probe.h"

#include <QtTest>
#include <QtWidgets>

// `lines` with the line that begins as `line` does (its first `key` bytes)
// replaced by it.
static QByteArray with(const QByteArray &lines, const QByteArray &line, int key)
{
    const int at = lines.indexOf(line.left(key));
    return line.isEmpty() ? lines : lines.left(at) + line + lines.mid(lines.indexOf('\n', at));
}

class TstParams : public QObject
{
    Q_OBJECT

private slots:
    void read_then_write_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("sent");
        auto row = [](const char *tag, const char *line, const char *sent) {
            QTest::newRow(tag) << QByteArray(line) << QByteArray(sent);
        };
        row("as read", "", "");
        row("name folded, quotes dropped, cut to 15", "## 00 \" Condominio \"  del Norte\"",
            "SEND_PAR 2 00 \"Condominio del\"");
        row("operacion 0", "## 06 0", "SEND_PAR 0 06 ");
        row("entrada 2 out of range", "## 08 4", "SEND_PAR 0 08 -1");
        row("not a parameter", "## 00 \"Sur\"\n##00 \"X\"", "");
    }
    void read_then_write()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, sent);
        FakeController fake;
        ModalAnswerer answerer;
        DORVAK_Admin w;
        w.choose_port(fake.port());
        // On a closed port: one message each, and a user line left from an
        // earlier download, which looks like parameter 03, is not read.
        TestProbe(w).resps() = QStringList{"## 03,1,\"x\"\n"};
        w.findChild<QPushButton *>("get_params_btn")->click();
        w.findChild<QPushButton *>("send_params_btn")->click();
        QCOMPARE(w.findChild<QSpinBox *>("max_visitas_spin")->value(), 0);
        QCOMPARE(answerer.count("El puerto está cerrado"), 2);

        // The last parameter comes well after a status line.
        fake.set_pace(1000);
        const QByteArray answer(
            "## 00 \"Sur\"\r\n## 01 \"+5691\"\r\n## 02 258\r\n## 03 50\r\n## 04 5\r\n"
            "## 05 \"+5695\"\r\n## 06 1\r\n## 07 3\r\n## 08 0\r\n## 09 \"A1\"\r\n"
            "## 10 \"C1\"\r\n## 11 \"A2\"\r\n## 12 \"C2\"\r\n## 13 8\r\n"
            "## 14 \"+569\"\r\nDBG wdt ok\r\n## 15 \" 4000 \"\r\n");
        fake.on("GET_PARS", with(answer, line, 6));
        w.findChild<QPushButton *>("connect_btn")->click();
        w.findChild<QPushButton *>("get_params_btn")->click();
        QCOMPARE(w.findChild<QLineEdit *>("version_edit")->text(), "1.2");
        QCOMPARE(w.findChild<QLineEdit *>("limite_usuarios_edit")->text(), "4000");
        // Each line takes its field as the form holds it; texts go out
        // folded, a quote inside a text as it is.
        const QByteArray lines = with(
            "SEND_PAR 2 00 \"Sur\"\nSEND_PAR 2 01 \"+5691\"\nSEND_PAR 1 03 50\nSEND_PAR 0 04 5\n"
            "SEND_PAR 2 05 \"+5695\"\nSEND_PAR 0 06 1\nSEND_PAR 0 07 3\nSEND_PAR 0 08 0\n"
            "SEND_PAR 2 09 \"a \"b\"\"\nSEND_PAR 2 10 \"C1\"\nSEND_PAR 2 11 \"A2\"\n"
            "SEND_PAR 2 12 \"C2\"\nSEND_PAR 1 13 8\nSEND_PAR 2 14 \"+569\"\n",
            sent, 13);
        for (const QByteArray &l : lines.split('\n'))
            fake.on(l, "## OK\n");
        w.findChild<QLineEdit *>("msg_apertura1_edit")->setText(" a   \"b\" ");
        w.findChild<QPushButton *>("send_params_btn")->click();
        QCOMPARE(fake.received(), "GET_PARS\n" + lines);
    }
};

QTEST_MAIN(TstParams)
#include "tst_params.moc"
