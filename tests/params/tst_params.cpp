// The parameter form: the answer lines read into it row by row, the
// fourteen lines written from it, and a write read back.
#include "fake_controller.h"
#include "modal_answerer.h"
#include "param_lines.h"
#include "probe.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

class TstParams : public QObject
{
    Q_OBJECT

private slots:
    void read_line_data();
    void read_line();
    void form_rows_data();
    void form_rows();
    void send_lines_data();
    void send_lines();
    void closed_port_data();
    void closed_port();
    void write_then_read();

private:
    // What a controller answers to GET_PARS: all sixteen parameters.
    static QByteArray all_params(const QByteArray &extra = QByteArray())
    {
        return "## 00 \"Condominio Sur\"\r\n## 01 \"+56911112222\"\r\n## 02 258\r\n## 03 50\r\n"
               "## 04 5\r\n## 05 \"+56933334444\"\r\n## 06 1\r\n## 07 3\r\n## 08 0\r\n"
               "## 09 \"Porton 1 abierto\"\r\n## 10 \"Porton 1 cerrado\"\r\n"
               "## 11 \"Porton 2 abierto\"\r\n## 12 \"Porton 2 cerrado\"\r\n## 13 8\r\n"
               "## 14 \"+569\"\r\n## 15 5000\r\n"
               + extra;
    }
    static void connect_to(DORVAK_Admin &w, const QString &port)
    {
        w.choose_port(port);
        w.findChild<QPushButton *>(QStringLiteral("connect_btn"))->click();
        QVERIFY(TestProbe(w).serial()->isOpen());
    }
    static void click(DORVAK_Admin &w, const char *button)
    {
        w.findChild<QPushButton *>(QLatin1String(button))->click();
    }
    static ParamForm typical()
    {
        ParamForm f;
        f.nombre_inst = QStringLiteral("  Casa   Norte ");
        f.num_equipo = QStringLiteral("+56911112222");
        f.max_visitas = 5000;
        f.notificaciones = notif_acceso | notif_config;
        f.num_registro = QStringLiteral("+56933334444");
        f.modo_operacion = QStringLiteral("3");
        f.modo_entrada1 = 2;
        f.modo_entrada2 = 3;
        f.msg_apertura1 = QStringLiteral("Porton \"1\"  abierto");
        f.msg_cierre1 = QStringLiteral("Porton 1 cerrado");
        f.msg_apertura2 = QStringLiteral("Porton 2 abierto");
        f.msg_cierre2 = QStringLiteral("Porton 2 cerrado");
        f.min_digitos = 8;
        f.num_base = QStringLiteral("+569");
        return f;
    }
};

Q_DECLARE_METATYPE(ParamForm)

void TstParams::read_line_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("is_param");
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("valor");

    QTest::newRow("text") << "## 00 \"Casa Norte\"\r\n" << true << 0 << " Casa Norte\r\n";
    QTest::newRow("number") << "## 13 8\n" << true << 13 << " 8\n";
    QTest::newRow("quote inside") << "## 09 \"a\"b\"\n" << true << 9 << " ab\n";
    QTest::newRow("past the table") << "## 16 1\n" << true << 16 << " 1\n";
    QTest::newRow("no blank after marker") << "##00 x\n" << false << 0 << "";
    QTest::newRow("other output") << "OK\n" << false << 0 << "";
}

void TstParams::read_line()
{
    QFETCH(QString, line);
    QFETCH(bool, is_param);
    const auto p = read_param_line(line);
    QCOMPARE(p.has_value(), is_param);
    if (p) {
        QTEST(p->numero, "numero");
        QTEST(p->valor, "valor");
    }
}

void TstParams::form_rows_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");

    auto row = [](const char *tag, const QByteArray &line, const char *field, const QVariant &v) {
        QTest::newRow(tag) << line << QString::fromLatin1(field) << v;
    };
    row("name without quotes", "## 00 \"Casa Norte\"\r\n", "nombre_inst_edit", "Casa Norte");
    row("name cut to 15", "## 00 \"Condominio del Norte\"\n", "nombre_inst_edit", "Condominio del ");
    row("name folded", "## 00 \" Casa   Norte \"\n", "nombre_inst_edit", "Casa Norte");
    row("name out of the validator", "## 00 \"Casa-Norte!\"\n", "nombre_inst_edit", "Casa-Norte!");
    row("equipo", "## 01 \"+56900000001\"\n", "num_equipo_edit", "+56900000001");
    row("version 513", "## 02 513\n", "version_edit", "2.1");
    row("version 0", "## 02 0\n", "version_edit", "0.0");
    row("visitas", "## 03 120\n", "max_visitas_spin", 120);
    row("visitas clamped", "## 03 9000\n", "max_visitas_spin", 5000);
    row("notif 5 acceso", "## 04 5\n", "notif_acceso_btn", true);
    row("notif 5 usuarios", "## 04 5\n", "notif_usuarios_btn", false);
    row("notif 5 sms", "## 04 5\n", "notif_sms_btn", true);
    row("notif 5 config", "## 04 5\n", "notif_config_btn", false);
    row("notif 10 config", "## 04 10\n", "notif_config_btn", true);
    row("registro", "## 05 \"+56900000005\"\n", "num_registro_edit", "+56900000005");
    row("operacion 1", "## 06 1\n", "modo_operacion_combo", 0);
    row("operacion 5", "## 06 5\n", "modo_operacion_combo", 4);
    row("operacion 0", "## 06 0\n", "modo_operacion_combo", -1);
    row("operacion 6", "## 06 6\n", "modo_operacion_combo", -1);
    row("entrada 1", "## 07 3\n", "modo_entrada1_combo", 3);
    row("entrada 1 out of range", "## 07 4\n", "modo_entrada1_combo", -1);
    row("entrada 2", "## 08 2\n", "modo_entrada2_combo", 2);
    row("apertura 1 folded", "## 09 \"Porton  1   abierto\"\n", "msg_apertura1_edit", "Porton 1 abierto");
    row("cierre 1", "## 10 \"c1\"\n", "msg_cierre1_edit", "c1");
    row("apertura 2", "## 11 \"a2\"\n", "msg_apertura2_edit", "a2");
    row("cierre 2", "## 12 \"c2\"\n", "msg_cierre2_edit", "c2");
    row("digitos clamped", "## 13 99\n", "min_digitos_spin", 15);
    row("base", "## 14 \"*#123\"\n", "num_base_edit", "*#123");
    row("limite", "## 15 \" 4000 \"\n", "limite_usuarios_edit", "4000");
    row("number 16 changes nothing", "## 16 7\n", "nombre_inst_edit", "Condominio Sur");
    row("no marker changes nothing", "#  03 77\n", "max_visitas_spin", 50);
}

void TstParams::form_rows()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, field);
    QFETCH(QVariant, expected);

    FakeController fake;
    QVERIFY(fake.ok());
    // Sent after the sixteen lines, so it wins over the same number's line.
    fake.on("GET_PARS", all_params(line));
    DORVAK_Admin w;
    connect_to(w, fake.port());
    click(w, "get_params_btn");

    static const QHash<QString, const char *> property = {
        {"QLineEdit", "text"}, {"QSpinBox", "value"}, {"QComboBox", "currentIndex"}, {"QPushButton", "checked"}};
    QWidget *widget = w.findChild<QWidget *>(field);
    QVERIFY(widget);
    QCOMPARE(widget->property(property.value(widget->metaObject()->className())), expected);
}

void TstParams::send_lines_data()
{
    QTest::addColumn<ParamForm>("form");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("typical") << typical()
                             << QStringList{"SEND_PAR 2 00 \"Casa Norte\"", "SEND_PAR 2 01 \"+56911112222\"",
                                            "SEND_PAR 1 03 5000", "SEND_PAR 0 04 9",
                                            "SEND_PAR 2 05 \"+56933334444\"", "SEND_PAR 0 06 3",
                                            "SEND_PAR 0 07 2", "SEND_PAR 0 08 3",
                                            "SEND_PAR 2 09 \"Porton \"1\" abierto\"",
                                            "SEND_PAR 2 10 \"Porton 1 cerrado\"",
                                            "SEND_PAR 2 11 \"Porton 2 abierto\"",
                                            "SEND_PAR 2 12 \"Porton 2 cerrado\"", "SEND_PAR 1 13 8",
                                            "SEND_PAR 2 14 \"+569\""};
    ParamForm empty;
    empty.modo_entrada1 = -1;
    empty.modo_entrada2 = -1;
    QTest::newRow("empty, nothing selected")
        << empty
        << QStringList{"SEND_PAR 2 00 \"\"", "SEND_PAR 2 01 \"\"", "SEND_PAR 1 03 0", "SEND_PAR 0 04 0",
                       "SEND_PAR 2 05 \"\"", "SEND_PAR 0 06 ", "SEND_PAR 0 07 -1", "SEND_PAR 0 08 -1",
                       "SEND_PAR 2 09 \"\"", "SEND_PAR 2 10 \"\"", "SEND_PAR 2 11 \"\"",
                       "SEND_PAR 2 12 \"\"", "SEND_PAR 1 13 0", "SEND_PAR 2 14 \"\""};
}

void TstParams::send_lines()
{
    QFETCH(ParamForm, form);
    QTEST(send_par_lines(form), "lines");
}

void TstParams::closed_port_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("read") << QByteArray("get_params_btn");
    QTest::newRow("write") << QByteArray("send_params_btn");
}

void TstParams::closed_port()
{
    QFETCH(QByteArray, button);
    ModalAnswerer answerer;
    DORVAK_Admin w;
    // A user line left from an earlier download looks like parameter 03.
    TestProbe(w).resps() = QStringList{QStringLiteral("## 03,1,\"x\"\n")};
    click(w, button.constData());
    QCOMPARE(answerer.texts(), QStringList{QStringLiteral("El puerto está cerrado")});
    QCOMPARE(w.findChild<QSpinBox *>(QStringLiteral("max_visitas_spin"))->value(), 0);
    // The label tells the second entrance row from the first.
    auto *form = w.findChild<QFormLayout *>(QStringLiteral("param_form"));
    auto *label = qobject_cast<QLabel *>(form->labelForField(w.findChild<QWidget *>(QStringLiteral("modo_entrada2_combo"))));
    QCOMPARE(label->text(), QStringLiteral("Modo Entrada 2"));
}

void TstParams::write_then_read()
{
    FakeController fake;
    QVERIFY(fake.ok());
    ParamForm f = typical();
    // Quotes inside a text do not survive the read, which drops them all.
    f.msg_apertura1 = QStringLiteral("Porton 1  abierto");
    const QStringList sent = send_par_lines(f);
    // A controller that stores what it is sent and answers it back.
    QByteArray stored = "## 02 258\n## 15 5000\n";
    for (const QString &line : sent) {
        fake.on(line.toLocal8Bit(), "## OK\n");
        const QString value = line.mid(14);
        stored += "## " + line.mid(11, 2).toLatin1() + ' ' + value.toLocal8Bit() + '\n';
    }
    fake.on("GET_PARS", stored);

    DORVAK_Admin w;
    connect_to(w, fake.port());
    w.findChild<QLineEdit *>(QStringLiteral("nombre_inst_edit"))->setText(f.nombre_inst);
    w.findChild<QLineEdit *>(QStringLiteral("num_equipo_edit"))->setText(f.num_equipo);
    w.findChild<QSpinBox *>(QStringLiteral("max_visitas_spin"))->setValue(f.max_visitas);
    w.findChild<QPushButton *>(QStringLiteral("notif_acceso_btn"))->setChecked(true);
    w.findChild<QPushButton *>(QStringLiteral("notif_config_btn"))->setChecked(true);
    w.findChild<QLineEdit *>(QStringLiteral("num_registro_edit"))->setText(f.num_registro);
    w.findChild<QComboBox *>(QStringLiteral("modo_operacion_combo"))->setCurrentIndex(2);
    w.findChild<QComboBox *>(QStringLiteral("modo_entrada1_combo"))->setCurrentIndex(2);
    w.findChild<QComboBox *>(QStringLiteral("modo_entrada2_combo"))->setCurrentIndex(3);
    w.findChild<QLineEdit *>(QStringLiteral("msg_apertura1_edit"))->setText(f.msg_apertura1);
    w.findChild<QLineEdit *>(QStringLiteral("msg_cierre1_edit"))->setText(f.msg_cierre1);
    w.findChild<QLineEdit *>(QStringLiteral("msg_apertura2_edit"))->setText(f.msg_apertura2);
    w.findChild<QLineEdit *>(QStringLiteral("msg_cierre2_edit"))->setText(f.msg_cierre2);
    w.findChild<QSpinBox *>(QStringLiteral("min_digitos_spin"))->setValue(f.min_digitos);
    w.findChild<QLineEdit *>(QStringLiteral("num_base_edit"))->setText(f.num_base);
    click(w, "send_params_btn");

    QStringList wire;
    for (const QByteArray &line : fake.lines())
        wire << QString::fromLocal8Bit(line);
    QStringList expected;
    for (const QString &line : sent)
        expected << line + QLatin1Char('\n');
    QCOMPARE(wire, expected);

    // Read back into a fresh form: it shows what was written.
    click(w, "disconnect_btn");
    DORVAK_Admin w2;
    connect_to(w2, fake.port());
    click(w2, "get_params_btn");
    QCOMPARE(w2.findChild<QLineEdit *>(QStringLiteral("nombre_inst_edit"))->text(), QStringLiteral("Casa Norte"));
    QCOMPARE(w2.findChild<QLineEdit *>(QStringLiteral("version_edit"))->text(), QStringLiteral("1.2"));
    const int start = fake.lines().size();
    click(w2, "send_params_btn");
    QStringList again;
    for (const QByteArray &line : fake.lines().mid(start))
        again << QString::fromLocal8Bit(line);
    QCOMPARE(again, expected);
}

QTEST_MAIN(TstParams)
#include "tst_params.moc"
