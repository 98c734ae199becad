#include "telnet_codec.h"

#include <initializer_list>

namespace {

constexpr quint8 se = 240;
constexpr quint8 sb = 250;
constexpr quint8 will = 251;
constexpr quint8 wont = 252;
constexpr quint8 do_ = 253;
constexpr quint8 dont = 254;
constexpr quint8 iac = 255;

constexpr quint8 binary = 0;
constexpr quint8 suppress_go_ahead = 3;
constexpr quint8 com_port = 44;

// The COM port option's commands from client to server; the server answers
// each with the same code plus 100.
constexpr quint8 signature = 0;
constexpr quint8 set_baudrate = 1;
constexpr quint8 set_datasize = 2;
constexpr quint8 set_parity = 3;
constexpr quint8 set_stopsize = 4;
constexpr quint8 set_control = 5;
constexpr quint8 server_offset = 100;

// A subnegotiation longer than this is no COM port command; only its head
// is kept, so that a broken server cannot grow the buffer without end.
constexpr int sub_limit = 256;

const QByteArray client_signature = QByteArrayLiteral("DORVAK Admin");

QByteArray bytes(std::initializer_list<quint8> list)
{
    QByteArray out;
    for (const quint8 b : list)
        out += char(b);
    return out;
}

QByteArray verb_line(quint8 verb, quint8 option)
{
    return bytes({iac, verb, option});
}

// A subnegotiation with its value's 255s doubled.
QByteArray sub_line(const QByteArray &body)
{
    QByteArray out = bytes({iac, sb});
    for (const char c : body) {
        out += c;
        if (quint8(c) == iac)
            out += c;
    }
    out += char(iac);
    out += char(se);
    return out;
}

QByteArray com_port_command(quint8 code, const QByteArray &value)
{
    return sub_line(bytes({com_port, code}) + value);
}

// The port's settings, in the order the option recommends.
QByteArray port_settings()
{
    const quint32 b = TelnetCodec::baud;
    return com_port_command(set_baudrate,
                            bytes({quint8(b >> 24), quint8(b >> 16), quint8(b >> 8), quint8(b)}))
        + com_port_command(set_datasize, QByteArray(1, char(TelnetCodec::data_bits)))
        + com_port_command(set_parity, QByteArray(1, char(TelnetCodec::no_parity)))
        + com_port_command(set_stopsize, QByteArray(1, char(TelnetCodec::one_stop_bit)))
        + com_port_command(set_control, QByteArray(1, char(TelnetCodec::no_flow_control)));
}

bool wanted_ours(quint8 option)
{
    return option == binary || option == suppress_go_ahead || option == com_port;
}

bool wanted_theirs(quint8 option)
{
    return option == binary || option == suppress_go_ahead;
}

} // namespace

QByteArray TelnetCodec::start()
{
    *this = TelnetCodec();
    ours_asked[binary] = theirs_asked[binary] = ours_asked[com_port] = true;
    return verb_line(will, binary) + verb_line(do_, binary) + verb_line(will, com_port);
}

TelnetDecoded TelnetCodec::decode(const QByteArray &bytes)
{
    TelnetDecoded out;
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        switch (state) {
        case data:
            if (b == iac) {
                state = command;
                break;
            }
            // Outside binary mode a lone carriage return comes as CR NUL.
            if (!(after_cr && b == 0 && !theirs[binary]))
                out.data += c;
            after_cr = b == '\r';
            break;
        case command:
            command_byte(b, out);
            break;
        case option:
            negotiate(verb, b, out);
            state = data;
            break;
        case sub:
            if (b == iac)
                state = sub_command;
            else if (sub_bytes.size() < sub_limit)
                sub_bytes += c;
            break;
        case sub_command:
            if (b == iac) {
                if (sub_bytes.size() < sub_limit)
                    sub_bytes += c;
                state = sub;
                break;
            }
            subnegotiation(out);
            // A subnegotiation must end with SE; any other command ends it
            // too, and is taken as it comes.
            state = data;
            if (b != se)
                command_byte(b, out);
            break;
        }
    }
    return out;
}

void TelnetCodec::command_byte(quint8 b, TelnetDecoded &out)
{
    heard = true;
    state = data;
    if (b == iac) {
        out.data += char(b);
        after_cr = false;
    } else if (b >= will) {
        verb = b;
        state = option;
    } else if (b == sb) {
        sub_bytes.clear();
        state = sub;
    }
    // Anything else (no operation, go ahead, data mark…) means nothing to
    // a serial line.
}

void TelnetCodec::negotiate(quint8 v, quint8 opt, TelnetDecoded &out)
{
    // An answer to what we asked is not answered again, nor is a request
    // for what is already in force: both would loop for ever.
    if (v == will || v == wont) {
        const bool asked = theirs_asked[opt];
        theirs_asked[opt] = false;
        if (v == will) {
            if (theirs[opt])
                return;
            if (wanted_theirs(opt)) {
                theirs[opt] = true;
                if (!asked)
                    out.replies += verb_line(do_, opt);
            } else {
                out.replies += verb_line(dont, opt);
            }
        } else if (theirs[opt]) {
            theirs[opt] = false;
            if (!asked)
                out.replies += verb_line(dont, opt);
        }
        return;
    }
    const bool asked = ours_asked[opt];
    ours_asked[opt] = false;
    if (v == do_) {
        if (ours[opt])
            return;
        if (!wanted_ours(opt)) {
            out.replies += verb_line(wont, opt);
            return;
        }
        ours[opt] = true;
        if (!asked)
            out.replies += verb_line(will, opt);
        if (opt == com_port) {
            out.events << TelnetEvent{TelnetEvent::com_port_accepted, 0};
            out.replies += port_settings();
        }
        return;
    }
    const bool was_on = ours[opt];
    ours[opt] = false;
    if (was_on && !asked)
        out.replies += verb_line(wont, opt);
    if (opt == com_port && (was_on || asked))
        out.events << TelnetEvent{TelnetEvent::com_port_refused, 0};
}

void TelnetCodec::subnegotiation(TelnetDecoded &out)
{
    if (sub_bytes.size() < 2 || quint8(sub_bytes.at(0)) != com_port)
        return;
    const quint8 code = quint8(sub_bytes.at(1));
    const QByteArray value = sub_bytes.mid(2);
    if (code == server_offset + signature) {
        // Without a text it asks for ours.
        if (value.isEmpty())
            out.replies += com_port_command(signature, client_signature);
        return;
    }
    if (code == server_offset + set_baudrate && value.size() == 4) {
        quint32 rate = 0;
        for (const char c : value)
            rate = rate << 8 | quint8(c);
        out.events << TelnetEvent{TelnetEvent::baud_rate, rate};
        return;
    }
    static const TelnetEvent::Kind one_byte[] = {TelnetEvent::data_size, TelnetEvent::parity,
                                                 TelnetEvent::stop_size, TelnetEvent::flow_control};
    if (code >= server_offset + set_datasize && code <= server_offset + set_control
        && value.size() == 1)
        out.events << TelnetEvent{one_byte[code - server_offset - set_datasize],
                                  quint8(value.at(0))};
    // The line and modem state notices, and the flow control pauses, change
    // nothing for a line that runs without flow control.
}

QByteArray TelnetCodec::encode(const QByteArray &data) const
{
    QByteArray out;
    out.reserve(data.size() + 8);
    const bool stuff_cr = !ours[binary];
    for (int i = 0; i < data.size(); ++i) {
        const char c = data.at(i);
        out += c;
        if (quint8(c) == iac)
            out += c;
        // Outside binary mode a carriage return not followed by a line feed
        // must go as CR NUL; one at the end of a write is taken as lone.
        else if (stuff_cr && c == '\r' && (i + 1 == data.size() || data.at(i + 1) != '\n'))
            out += '\0';
    }
    return out;
}
