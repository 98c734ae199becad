#ifndef TELNET_CODEC_H
#define TELNET_CODEC_H

#include <QByteArray>
#include <QVector>

#include <array>

// What a serial device server said about the port behind it.
struct TelnetEvent
{
    enum Kind {
        // It takes, or refuses, the commands that set up its serial port.
        com_port_accepted,
        com_port_refused,
        // The setting it now uses, in the wire's own codes: the rate in
        // baud, the data bits, the parity (1 none, 2 odd, 3 even, 4 mark, 5
        // space), the stop bits (1, 2, or 3 for one and a half) and the
        // flow control (1 none).
        baud_rate,
        data_size,
        parity,
        stop_size,
        flow_control,
    };
    Kind kind = com_port_accepted;
    quint32 value = 0;

    bool operator==(const TelnetEvent &other) const
    {
        return kind == other.kind && value == other.value;
    }
};

// What one read from the server held.
struct TelnetDecoded
{
    // The serial port's own bytes.
    QByteArray data;
    // The answers the server must get, ready for the socket.
    QByteArray replies;
    QVector<TelnetEvent> events;
};

// The client's side of Telnet (RFC 854, 855) with the COM port control
// option (RFC 2217), as a pure transformation of bytes: it takes what
// arrives in pieces of any size, keeping a command cut between two reads
// for the next, and says what to send back. It asks for 8-bit binary both
// ways, so that carriage returns go as they are, and for 115200 baud, 8
// data bits, no parity, 1 stop bit and no flow control; every other option
// is refused.
class TelnetCodec
{
public:
    static constexpr quint32 baud = 115200;
    static constexpr quint8 data_bits = 8;
    static constexpr quint8 no_parity = 1;
    static constexpr quint8 one_stop_bit = 1;
    static constexpr quint8 no_flow_control = 1;

    // What the client sends as soon as it is connected: its offers and
    // requests. Starts the negotiation afresh.
    QByteArray start();
    TelnetDecoded decode(const QByteArray &bytes);
    // The serial port's bytes as they go on the connection.
    QByteArray encode(const QByteArray &data) const;

    // Whether the server has sent any Telnet command at all.
    bool heard_telnet() const { return heard; }

private:
    // The byte after IAC.
    void command_byte(quint8 b, TelnetDecoded &out);
    void negotiate(quint8 verb, quint8 option, TelnetDecoded &out);
    void subnegotiation(TelnetDecoded &out);

    enum State { data, command, option, sub, sub_command };
    State state = data;
    quint8 verb = 0;
    QByteArray sub_bytes;
    bool after_cr = false;
    bool heard = false;
    // Per option: whether it is in force on our side and on the server's,
    // and whether we asked for it and await the answer (so that the answer
    // is not answered again).
    std::array<bool, 256> ours{};
    std::array<bool, 256> ours_asked{};
    std::array<bool, 256> theirs{};
    std::array<bool, 256> theirs_asked{};
};

#endif
