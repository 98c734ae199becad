// A controller on a serial device server: the Telnet codec and the
// addresses as pure functions, then the simulator served by a real ser2net
// over tcp:// and rfc2217://, reached by the core, its backup and the window.
#include "backup_operation.h"
#include "log_download.h"
#include "modal_answerer.h"
#include "net_text.h"
#include "param_operations.h"
#include "port_combo.h"
#include "probe.h"
#include "scripted_asker.h"
#include "ser2net_process.h"
#include "serial_text.h"
#include "sim_process.h"
#include "telnet_codec.h"
#include "user_download.h"
#include "user_lines.h"
#include "user_upload.h"

#include <QLabel>
#include <QtTest>

#include <algorithm>
#include <deque>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray b(std::initializer_list<int> bytes)
{
    return QByteArray(std::vector<char>(bytes.begin(), bytes.end()).data(), int(bytes.size()));
}

const int IAC = 255, SB = 250, SE = 240, WILL = 251, WONT = 252, DO = 253, DONT = 254;
// The directory as "Sincronizar" sees it, without a window.
struct FlatTree : RecordTree
{
    void remove(UserRecord &) override { }
    void changed(UserRecord &) override { }
};

// The rate and format the device was set to, as its server left it.
QString device_format(const QString &device)
{
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    const bool read = fd >= 0 && tcgetattr(fd, &t) == 0;
    ::close(fd);
    const tcflag_t n81 = read && (t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS)) == CS8;
    return QStringLiteral("%1 %2").arg(cfgetospeed(&t) == B115200 ? "115200" : "9600",
                                       n81 ? "8N1" : "?");
}

struct Served
{
    explicit Served(const QStringList &sim_args = {}) : sim(sim_args), server(sim.port()) { }
    SimProcess sim;
    Ser2NetProcess server;
};

#define NEED_SER2NET(served)                                                                       \
    if (Ser2NetProcess::program().isEmpty())                                                       \
        QSKIP("ser2net no está instalado (apt-get install ser2net)");                              \
    QVERIFY((served).sim.ok() && (served).server.ok())

} // namespace

Q_DECLARE_METATYPE(QVector<TelnetEvent>)

class TstNet : public QObject
{
    Q_OBJECT

private slots:
    void codec_data()
    {
        QTest::addColumn<QList<QByteArray>>("reads"); // what arrives, read by read
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("replies");
        QTest::addColumn<QVector<TelnetEvent>>("events");
        QTest::addColumn<QByteArray>("to_send"); // then encoded
        QTest::addColumn<QByteArray>("sent");
        using E = TelnetEvent;
        const QByteArray line = "UD_NUM +569\r\n";
        const QByteArray ser2net_opening =
            b({IAC, WILL, 3,  IAC, DO,  3,    IAC, WILL, 1,  IAC, DONT,
               1,   IAC,  DO, 0,   IAC, WILL, 0,   IAC,  DO, 44});
        const QByteArray acks = b({IAC, SB,  44,  101, 0,   1,   0xc2, 0,   IAC, SE,  IAC, SB,  44,
                                   102, 8,   IAC, SE,  IAC, SB,  44,   103, 1,   IAC, SE,  IAC, SB,
                                   44,  104, 1,   IAC, SE,  IAC, SB,   44,  105, 1,   IAC, SE});
        // clang-format off
        QTest::newRow("ser2net's opening: SGA both ways, no echo, binary, the settings") << QList<QByteArray>{ser2net_opening} << QByteArray() << b({IAC, DO, 3, IAC, WILL, 3, IAC, DONT, 1, IAC, SB, 44, 1, 0, 1, 0xc2, 0, IAC, SE, IAC, SB, 44, 2, 8, IAC, SE, IAC, SB, 44, 3, 1, IAC, SE, IAC, SB, 44, 4, 1, IAC, SE, IAC, SB, 44, 5, 1, IAC, SE}) << QVector<E>{{E::com_port_accepted, 0}} << line << line;
        QTest::newRow("the settings acknowledged") << QList<QByteArray>{acks} << QByteArray() << QByteArray() << QVector<E>{{E::baud_rate, 115200}, {E::data_size, 8}, {E::parity, 1}, {E::stop_size, 1}, {E::flow_control, 1}} << QByteArray() << QByteArray();
        QTest::newRow("255 in the data, both ways") << QList<QByteArray>{b({'a', IAC, IAC, 'b'})} << b({'a', 255, 'b'}) << QByteArray() << QVector<E>() << b({255, 'x'}) << b({IAC, IAC, 'x'});
        QTest::newRow("a command split across reads") << QList<QByteArray>{b({'x', IAC}), b({WILL}), b({24, 'y'})} << QByteArray("xy") << b({IAC, DONT, 24}) << QVector<E>() << QByteArray() << QByteArray();
        QTest::newRow("a subnegotiation split, its 255s doubled") << QList<QByteArray>{b({IAC, SB, 44, 101, 0, 0}), b({IAC}), b({IAC, IAC, IAC, IAC}), b({SE, 'z'})} << QByteArray("z") << QByteArray() << QVector<E>{{E::baud_rate, 65535}} << QByteArray() << QByteArray();
        QTest::newRow("the signature asked for") << QList<QByteArray>{b({IAC, SB, 44, 100, IAC, SE})} << QByteArray() << b({IAC, SB, 44, 0}) + "DORVAK Admin" + b({IAC, SE}) << QVector<E>() << QByteArray() << QByteArray();
        QTest::newRow("the COM port option refused") << QList<QByteArray>{b({IAC, DONT, 44})} << QByteArray() << QByteArray() << QVector<E>{{E::com_port_refused, 0}} << QByteArray() << QByteArray();
        QTest::newRow("an option asked twice is answered once") << QList<QByteArray>{b({IAC, WILL, 3}), b({IAC, WILL, 3, IAC, DO, 24})} << QByteArray() << b({IAC, DO, 3, IAC, WONT, 24}) << QVector<E>() << QByteArray() << QByteArray();
        QTest::newRow("an option turned off afterwards is acknowledged") << QList<QByteArray>{b({IAC, WILL, 3}), b({IAC, WONT, 3})} << QByteArray() << b({IAC, DO, 3, IAC, DONT, 3}) << QVector<E>() << QByteArray() << QByteArray();
        QTest::newRow("binary in force: CR NUL is data") << QList<QByteArray>{b({IAC, WILL, 0, IAC, DO, 0, '\r', 0})} << QByteArray("\r", 2) << QByteArray() << QVector<E>() << QByteArray("a\rb\r") << QByteArray("a\rb\r");
        QTest::newRow("binary refused: a lone CR goes as CR NUL") << QList<QByteArray>{b({IAC, WONT, 0, IAC, DONT, 0, 'a', '\r', 0, 'b', '\r', '\n'})} << QByteArray("a\rb\r\n") << QByteArray() << QVector<E>() << QByteArray("a\rb\r\n\r") << QByteArray("a\r\0b\r\n\r\0", 8);
        QTest::newRow("other commands mean nothing") << QList<QByteArray>{b({'a', IAC, 241, IAC, 249, 'b'})} << QByteArray("ab") << QByteArray() << QVector<E>() << QByteArray() << QByteArray();
        // clang-format on
    }

    void codec()
    {
        QFETCH(QList<QByteArray>, reads);
        TelnetCodec codec;
        QCOMPARE(codec.start(), b({IAC, WILL, 0, IAC, DO, 0, IAC, WILL, 44}));
        TelnetDecoded all;
        for (const QByteArray &read : reads) {
            const TelnetDecoded d = codec.decode(read);
            all.data += d.data;
            all.replies += d.replies;
            all.events += d.events;
        }
        QTEST(all.data, "data");
        QTEST(all.replies, "replies");
        QTEST(all.events, "events");
        QFETCH(QByteArray, to_send);
        QTEST(codec.encode(to_send), "sent");
    }

    void address_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("text");   // as written back, or the error's start
        QTest::addColumn<QString>("kept");   // as the settings keep it
        QTest::addColumn<QString>("opened"); // why it does not open; empty: not tried
        // clang-format off
        QTest::newRow("tcp, a host that does not exist") << "tcp://no-existe.invalid:4001" << "tcp://no-existe.invalid:4001" << "tcp://no-existe.invalid:4001" << "no se encontró el servidor «no-existe.invalid»";
        QTest::newRow("rfc2217, nobody on the port") << "rfc2217://127.0.0.1:1" << "rfc2217://127.0.0.1:1" << "rfc2217://127.0.0.1:1" << "el servidor 127.0.0.1 rechazó la conexión al puerto 1";
        QTest::newRow("IPv6, capitals and blanks") << " RFC2217://[::1]:4001 " << "rfc2217://[::1]:4001" << " RFC2217://[::1]:4001 " << "";
        QTest::newRow("user and password refused, never kept") << "rfc2217://root:s3cr@t@10.0.0.5:4001" << "la dirección lleva usuario o contraseña" << "rfc2217://10.0.0.5:4001" << "la dirección lleva usuario o contraseña";
        QTest::newRow("no port") << "tcp://10.0.0.5" << "falta el puerto" << "tcp://10.0.0.5" << "falta el puerto";
        QTest::newRow("IPv6 without brackets") << "tcp://::1:4001" << "dirección no válida" << "tcp://::1:4001" << "";
        QTest::newRow("a path after the port") << "tcp://h:4001/dev/ttyS0" << "dirección no válida" << "tcp://h:4001/dev/ttyS0" << "";
        QTest::newRow("another kind") << "telnet://h:23" << "tipo de dirección desconocido" << "telnet://h:23" << "tipo de dirección desconocido";
        QTest::newRow("no kind, a password") << "://u:p@h:1" << "tipo de dirección desconocido «://»" << "://h:1" << "";
        QTest::newRow("a device path is kept as it is") << "/dev/ttyUSB0" << "no es una dirección" << "/dev/ttyUSB0" << "";
        // clang-format on
    }

    void address()
    {
        QFETCH(QString, given);
        const NetAddress a = parse_net_address(given);
        QFETCH(QString, text);
        QVERIFY2((a.ok() ? a.text() : a.error).startsWith(text), qPrintable(a.error));
        QTEST(without_credentials(given), "kept");
        QFETCH(QString, opened);
        if (opened.isEmpty())
            return;
        Session session;
        QVERIFY(!session.open(given));
        QVERIFY2(session.open_error().startsWith(opened), qPrintable(session.open_error()));
    }

    // Why a line does not open or went away, with the system's own words
    // where they add something.
    void error_texts_data()
    {
        QTest::addColumn<bool>("serial"); // else a network line
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("serial: the system's detail") << true << int(QSerialPort::DeviceNotFoundError) << " No such file or directory " << "el dispositivo no existe (¿está conectado el adaptador?) (No such file or directory)";
        QTest::newRow("serial: a detail that says nothing") << true << int(QSerialPort::ResourceError) << "Unknown error" << "el dispositivo dejó de responder o fue desconectado";
        QTest::newRow("serial: no error") << true << int(QSerialPort::PermissionError) << "No error" << "sin permiso o ya abierto por otro programa (el usuario debe pertenecer al grupo dialout)";
        QTest::newRow("network: the system's detail") << false << int(QAbstractSocket::NetworkError) << "Network unreachable" << "la red dejó de responder (Network unreachable)";
        QTest::newRow("network: refused, the reason says it all") << false << int(QAbstractSocket::ConnectionRefusedError) << "Connection refused" << "el servidor h rechazó la conexión al puerto 1 (¿está en marcha el servidor de puertos, y en ese puerto?)";
        // clang-format on
    }
    void error_texts()
    {
        QFETCH(bool, serial);
        QFETCH(int, error);
        QFETCH(QString, system);
        NetAddress address;
        address.host = "h";
        address.port = 1;
        QTEST(serial ? serial_error_text(QSerialPort::SerialPortError(error), system)
                     : net_error_text(QAbstractSocket::SocketError(error), address, system),
              "text");
    }

    void over_ser2net_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("status"); // after the address
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("device"); // as the server set it
        // clang-format off
        QTest::newRow("tcp") << "tcp" << " (la velocidad y el formato los fija el servidor)" << "" << "9600 8N1";
        QTest::newRow("rfc2217") << "rfc2217" << " (115200 8N1 pedido al servidor)" << "El servidor confirmó 115200 8N1 sin control de flujo" << "115200 8N1";
        QTest::newRow("rfc2217 to a raw port: no Telnet answer") << "rfc2217-raw" << " (sin Telnet, flujo directo: la velocidad la fija el servidor)" << "El servidor no respondió a la negociación Telnet en 0,25 s" << "9600 8N1";
        // clang-format on
    }

    void over_ser2net()
    {
        QFETCH(QString, kind);
        Served served({"--baud", "115200"});
        NEED_SER2NET(served);
        QString address = kind == "tcp" ? served.server.raw_address : served.server.telnet_address;
        if (kind == "rfc2217-raw")
            address = "rfc2217" + served.server.raw_address.mid(3);
        ScriptedAsker asker;
        AdminCore core(asker);
        SessionTimings timings = fast_timings();
        // A server that negotiates answers at once; one that never will
        // costs the whole wait at every opening.
        timings.negotiation_ms = kind == "rfc2217-raw" ? 250 : 1000;
        core.session.set_timings(timings);
        QSignalSpy notes(&core.session, &Session::note);
        QVERIFY2(core.session.open(address), qPrintable(core.session.open_error()));
        QFETCH(QString, status);
        QCOMPARE(core.session.description(), "Conectado a " + address + status);
        QFETCH(QString, note);
        QCOMPARE(notes.isEmpty() ? QString() : notes.first().first().toString().left(note.size()),
                 note);
        // A raw stream's server sets its device once the connection is in.
        QFETCH(QString, device);
        QTRY_COMPARE(device_format(served.sim.port()), device);

        QCOMPARE(ReadParams(core).exec().summary, QString("Parámetros leídos"));
        DownloadUsers users(core);
        QVERIFY(users.exec().ok() && users.lines.size() == 30);
        const QTemporaryDir into;
        QVERIFY(Backup(core, into.path())
                    .exec()
                    .summary.endsWith(": 30 usuarios, 100 eventos, 16 parámetros"));

        // The directory read, an administrator renamed.
        std::deque<UserRecord> records;
        QVector<WantedRecord> wanted;
        for (const QString &line : qAsConst(users.lines)) {
            records.emplace_back();
            QVERIFY(read_user_fields(line, records.back()));
            wanted << WantedRecord{&records.back()};
        }
        UserRecord &changed =
            *std::find_if(records.begin(), records.end(),
                          [](const UserRecord &u) { return u.categoria == UserRecord::Admin; });
        changed.nombre = "Por la red";
        FlatTree tree;
        DirectoryOrigin origin{core.session.port(), core.identity(), {}};
        WriteDirectory sync(core, tree, origin, [&wanted] { return wanted; });
        asker.answers << Asker::yes;
        QCOMPARE(sync.exec().summary, QString("Sincronizados 1 de 1"));
        // Opened while another connection holds the server's device: the
        // server refuses, saying so, and is asked again until it is free.
        core.session.close();
        if (kind != "tcp") {
            Session other;
            QVERIFY(other.open(kind == "rfc2217" ? served.server.raw_address
                                                 : served.server.telnet_address));
            QTimer::singleShot(300, &other, &Session::close);
            QVERIFY(core.session.open(address));
            core.session.close();
        }
        // What the controller holds, asked through the server: the device
        // has one reader at a time, and the server may still hold it.
        QVERIFY(core.session.open(address));
        QVERIFY(core.session.exchange("UD_NUM " + changed.numero, 1, 2)
                    .lines.join('\n')
                    .contains("Por la red"));

        // The server goes half-way through the log: the loss is told once,
        // and the line opens again once the server is back.
        QSignalSpy lost(&core.session, &Session::line_lost);
        int events = 0;
        connect(&core.session, &Session::line_shown, [&](const QByteArray &raw) {
            // A long answer's lines come in lots.
            if (events < 20 && (events += int(raw.count("XX"))) >= 20)
                served.server.kill();
        });
        const OperationResult cut = DownloadLog(core).exec();
        QCOMPARE(int(cut.outcome), int(OperationResult::line_lost));
        QVERIFY2(cut.summary.startsWith("Descarga incompleta: "), qPrintable(cut.summary));
        QCOMPARE(lost.size(), 1);
        QCOMPARE(lost.first().first().toString(), QString("el servidor cerró la conexión"));
        QVERIFY(served.server.start());
        QVERIFY(core.session.open(address));
    }

    void window_names_the_server_and_reconnects()
    {
        Served served;
        NEED_SER2NET(served);
        ModalAnswerer answerer;
        DORVAK_Admin w;
        const QString address = served.server.telnet_address;
        QVERIFY(connect_window(w, address));
        QVERIFY(w.windowTitle().contains(" — " + address));
        QCOMPARE(w.findChild<QLabel *>("status_port")->text(),
                 "Conectado a " + address + " (115200 8N1 pedido al servidor)");
        auto *combo = w.findChild<PortCombo *>("port_combo");
        QCOMPARE(combo->servers(), QStringList{address});
        combo->refresh_ports();
        QVERIFY(combo->findData(address) >= 0);

        // The server goes and comes back: the lost line is explained and
        // the reconnection offered.
        served.server.kill();
        QVERIFY(served.server.start());
        QTRY_VERIFY_WITH_TIMEOUT(
            answerer.count("Se cortó la conexión con el servidor " + address + ". ¿Reconectar?")
                == 1,
            10000);
        QTRY_VERIFY(TestProbe(w).is_open());
        QCOMPARE(answerer.count("Se perdió la conexión con el controlador: el servidor cerró la "
                                "conexión"),
                 1);
    }
};

QTEST_MAIN(TstNet)
#include "tst_net.moc"
