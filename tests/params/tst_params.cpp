// The parameter form: answer lines read into it row by row, a read written
// back as the fourteen lines on the wire, and the closed port.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "param_lines.h"
#include "probe.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class TstParams : public QObject
{
    Q_OBJECT

private slots:
    void form_rows_data();
    void form_rows();
    void read_then_write();
    void line_edges();
    void closed_port_data();
    void closed_port();

private:
    // A GET_PARS answer: `line`, then the sixteen parameters but the one it
    // gives, with a status line among them.
    static void read_into(DORVAK_Admin &w, FakeController &fake,
                          const QByteArray &line = QByteArray())
    {
        QByteArray answer = line;
        const QByteArray all("## 00 \"Condominio Sur\"\r\n## 01 \"+56911112222\"\r\n## 02 258\r\n"
                             "## 03 50\r\n## 04 5\r\n## 05 \"+56933334444\"\r\n"
                             "## 06 1\r\n## 07 3\r\n## 08 0\r\n## 09 \"Porton 1 abierto\"\r\n"
                             "## 10 \"Porton 1 cerrado\"\r\n## 11 \"Porton 2 abierto\"\r\n"
                             "## 12 \"Porton 2 cerrado\"\r\n## 13 8\r\n## 14 \"+569\"\r\nDBG wdt "
                             "ok\r\n## 15 5000\r\n");
        for (const QByteArray &base : all.split('\n'))
            if (!base.isEmpty() && (line.isEmpty() || !base.startsWith(line.left(6))))
                answer += base + '\n';
        fake.on("GET_PARS", answer);
        fake.set_pace(1000); // the last line comes well after the status line
        w.choose_port(fake.port());
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
        w.findChild<QPushButton *>(QStringLiteral("get_params_btn"))->click();
    }
};

void TstParams::form_rows_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");
    auto row = [](const char *tag, const char *line, const char *field, const QVariant &v) {
        QTest::newRow(tag) << QByteArray(line) << QString::fromLatin1(field) << v;
    };
    row("name cut to 15", "## 00 \"Condominio del Norte\"\n", "nombre_inst_edit",
        "Condominio del ");
    row("name folded, quotes dropped", "## 00 \" Casa \"  Norte!\"\n", "nombre_inst_edit",
        "Casa Norte!");
    row("version 513", "## 02 513\n", "version_edit", "2.1");
    row("visitas clamped", "## 03 9000\n", "max_visitas_spin", 5000);
    row("notif 10 acceso", "## 04 10\n", "notif_acceso_btn", false);
    row("notif 10 usuarios", "## 04 10\n", "notif_usuarios_btn", true);
    row("operacion 0", "## 06 0\n", "modo_operacion_combo", -1);
    row("entrada 2 out of range", "## 08 4\n", "modo_entrada2_combo", -1);
    row("message folded", "## 12 \"Porton  2   cierra\"\n", "msg_cierre2_edit", "Porton 2 cierra");
    row("digitos clamped", "## 13 99\n", "min_digitos_spin", 15);
    row("limite", "## 15 \" 4000 \"\n", "limite_usuarios_edit", "4000");
    row("number 16 changes nothing", "## 16 7\n", "nombre_inst_edit", "Condominio Sur");
}

void TstParams::form_rows()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, field);
    FakeController fake;
    DORVAK_Admin w;
    read_into(w, fake, line);
    static const QHash<QByteArray, const char *> property = {{"QLineEdit", "text"},
                                                             {"QSpinBox", "value"},
                                                             {"QComboBox", "currentIndex"},
                                                             {"QPushButton", "checked"}};
    auto *widget = w.findChild<QWidget *>(field);
    QTEST(widget->property(property.value(widget->metaObject()->className())), "expected");
}

void TstParams::read_then_write()
{
    // What was read goes back as it came, one line each on the wire.
    FakeController fake;
    DORVAK_Admin w;
    read_into(w, fake);
    // The last parameter comes after a status line: it is read all the same.
    QCOMPARE(w.findChild<QLineEdit *>(QStringLiteral("limite_usuarios_edit"))->text(),
             QStringLiteral("5000"));
    const QByteArray sent("SEND_PAR 2 00 \"Casa Norte\"\nSEND_PAR 2 01 \"+56911112222\"\n"
                          "SEND_PAR 1 03 50\nSEND_PAR 0 04 5\nSEND_PAR 2 05 \"+56933334444\"\n"
                          "SEND_PAR 0 06 1\nSEND_PAR 0 07 3\nSEND_PAR 0 08 0\n"
                          "SEND_PAR 2 09 \"Porton 1 abierto\"\nSEND_PAR 2 10 \"Porton 1 cerrado\"\n"
                          "SEND_PAR 2 11 \"Porton 2 abierto\"\nSEND_PAR 2 12 \"Porton 2 cerrado\"\n"
                          "SEND_PAR 1 13 8\nSEND_PAR 2 14 \"+569\"\n");
    for (const QByteArray &line : sent.split('\n'))
        fake.on(line, "## OK\n");
    // Texts go out folded, whatever the line edit holds.
    w.findChild<QLineEdit *>(QStringLiteral("nombre_inst_edit"))->setText(" Casa   Norte ");
    w.findChild<QPushButton *>(QStringLiteral("send_params_btn"))->click();
    QCOMPARE(fake.received(), "GET_PARS\n" + sent);
}

void TstParams::line_edges()
{
    // Nothing selected and a quote inside a text: sent as they are.
    ParamForm f;
    f.modo_entrada1 = f.modo_entrada2 = -1;
    f.msg_apertura1 = QStringLiteral("a \"b\"");
    QCOMPARE(send_par_lines(f).mid(5, 4),
             (QStringList{"SEND_PAR 0 06 ", "SEND_PAR 0 07 -1", "SEND_PAR 0 08 -1",
                          "SEND_PAR 2 09 \"a \"b\"\""}));
    QCOMPARE(read_param_line(QStringLiteral("## 09 \"a\"b\"\r\n"))->valor,
             QStringLiteral(" ab\r\n"));
    QVERIFY(!read_param_line(QStringLiteral("##09 1\n")));
}

void TstParams::closed_port_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("read") << "get_params_btn";
    QTest::newRow("write") << "send_params_btn";
}

void TstParams::closed_port()
{
    QFETCH(QString, button);
    ModalAnswerer answerer;
    DORVAK_Admin w;
    // A user line left from an earlier download looks like parameter 03.
    TestProbe(w).resps() = QStringList{QStringLiteral("## 03,1,\"x\"\n")};
    w.findChild<QPushButton *>(button)->click();
    QCOMPARE(answerer.texts(), QStringList{QStringLiteral("El puerto está cerrado")});
    QCOMPARE(w.findChild<QWidget *>(QStringLiteral("max_visitas_spin"))->property("value"),
             QVariant(0));
    // The second entrance row has a label of its own.
    auto *form = w.findChild<QFormLayout *>(QStringLiteral("param_form"));
    auto *entrance2 = w.findChild<QWidget *>(QStringLiteral("modo_entrada2_combo"));
    QCOMPARE(qobject_cast<QLabel *>(form->labelForField(entrance2))->text(),
             QStringLiteral("Modo Entrada 2"));
}

QTEST_MAIN(TstParams)
#include "tst_params.moc"
