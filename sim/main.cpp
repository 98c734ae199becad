// dorvak-sim: stands in for a DORVAK controller at the far end of a serial
// line. It owns a pseudo-terminal (or an existing tty) and answers command
// lines the way the controller does, optionally with the timing and the
// faults of a real installation.

#include "controller.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using dorvak_sim::Controller;
using dorvak_sim::LineAssembler;
using dorvak_sim::Rng;
using dorvak_sim::SeedOptions;
using Clock = std::chrono::steady_clock;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int)
{
    g_stop = 1;
}

struct Options
{
    SeedOptions seed;
    std::string link;
    std::string device;
    std::string slavePath; // set when serving our own pty
    long baud = 115200;
    long delayMs = 0;
    double drop = 0.0;
    long hangupAfter = -1;
    bool crlf = false;
    bool noise = false;
    bool verbose = false;
};

void usage(FILE *to)
{
    std::fputs("usage: dorvak-sim [options]\n"
               "Simulates a DORVAK access controller on a pseudo-terminal. The first line\n"
               "printed on standard output is the device path to open.\n"
               "  --link PATH        also make PATH a symbolic link to the device\n"
               "  --device PATH      serve on an existing tty instead of a new pty\n"
               "  --users N          users in the seeded database (default 30)\n"
               "  --logs M           log entries in the seeded database (default 100)\n"
               "  --seed S           seed for database, drops and noise (default 1)\n"
               "  --identity NUMBER  equipment number, parameter 01 (default: one per seed,\n"
               "                     +56911112222 for seed 1)\n"
               "  --name TEXT        installation name, parameter 00 (default Condominio Sur)\n"
               "  --baud B           pace output at B/10 bytes per second (default 115200,\n"
               "                     0 sends at once)\n"
               "  --delay MS         wait MS milliseconds before the first answer line\n"
               "  --crlf             end answer lines with CR LF instead of LF\n"
               "  --noise            interleave status lines with the answers\n"
               "  --drop P           leave a share P (0..1) of commands unanswered\n"
               "  --hangup-after N   drop the line and exit after N commands\n"
               "  -v                 trace received and sent lines on standard error\n"
               "  --help             show this text\n",
               to);
}

bool parseLong(const char *s, long &out)
{
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno != 0 || end == s || *end != '\0')
        return false;
    out = v;
    return true;
}

// Returns 0 to go on, otherwise the process exit code plus one.
int parseArgs(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char *&v) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "dorvak-sim: %s needs a value\n", a.c_str());
                return false;
            }
            v = argv[++i];
            return true;
        };
        const char *v = nullptr;
        long n = 0;
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 1;
        } else if (a == "-v") {
            o.verbose = true;
        } else if (a == "--crlf") {
            o.crlf = true;
        } else if (a == "--noise") {
            o.noise = true;
        } else if (a == "--link" || a == "--device") {
            if (!value(v))
                return 3;
            (a == "--link" ? o.link : o.device) = v;
        } else if (a == "--identity" || a == "--name") {
            if (!value(v))
                return 3;
            const std::size_t limit = Controller::textLimit(a == "--identity" ? 1 : 0);
            if (*v == '\0' || std::strlen(v) > limit || std::strchr(v, '"')) {
                std::fprintf(stderr, "dorvak-sim: %s wants 1 to %zu characters, no quotes\n",
                             a.c_str(), limit);
                return 3;
            }
            (a == "--identity" ? o.seed.identity : o.seed.name) = v;
        } else if (a == "--drop") {
            if (!value(v))
                return 3;
            char *end = nullptr;
            o.drop = std::strtod(v, &end);
            if (end == v || *end != '\0' || !(o.drop >= 0.0 && o.drop <= 1.0)) {
                std::fprintf(stderr, "dorvak-sim: --drop wants a share between 0 and 1\n");
                return 3;
            }
        } else if (a == "--users" || a == "--logs" || a == "--seed" || a == "--baud"
                   || a == "--delay" || a == "--hangup-after") {
            if (!value(v))
                return 3;
            if (!parseLong(v, n) || n < 0) {
                std::fprintf(stderr, "dorvak-sim: %s wants a number >= 0\n", a.c_str());
                return 3;
            }
            if (a == "--users")
                o.seed.users = static_cast<int>(std::min<long>(n, Controller::kUserLimit));
            else if (a == "--logs")
                o.seed.logs = static_cast<int>(std::min<long>(n, Controller::kLogLimit));
            else if (a == "--seed")
                o.seed.seed = static_cast<std::uint64_t>(n);
            else if (a == "--baud")
                o.baud = n;
            else if (a == "--delay")
                o.delayMs = n;
            else
                o.hangupAfter = n;
        } else {
            std::fprintf(stderr, "dorvak-sim: unknown option %s\n", a.c_str());
            usage(stderr);
            return 3;
        }
    }
    return 0;
}

speed_t speedFor(long baud)
{
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 230400:
        return B230400;
    default:
        return B115200;
    }
}

bool makeRaw(int fd, long baud)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&t, speedFor(baud));
    cfsetospeed(&t, speedFor(baud));
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

// Opens a new pty pair and returns the master; the slave is left closed so
// that the tool's close is seen as a hang-up on the master.
int openPty(std::string &slavePath)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("dorvak-sim: pty");
        return -1;
    }
    const char *name = ptsname(master);
    if (!name) {
        std::perror("dorvak-sim: ptsname");
        return -1;
    }
    slavePath = name;
    makeRaw(master, 115200);
    // Settings made on the slave stay with the pair while the master is held,
    // so whoever opens it next finds a raw line without echo.
    const int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0 || !makeRaw(slave, 115200)) {
        std::perror("dorvak-sim: slave");
        return -1;
    }
    close(slave);
    return master;
}

std::string printable(const std::string &s)
{
    std::string out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
            out.push_back(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", u);
            out += buf;
        }
    }
    return out;
}

const char *const kNoise[] = {"DBG gsm ok",        "DBG senal 23",   "DBG red 220V ok",
                              "DBG bateria 13.1V", "DBG sms cola 0", "DBG wdt ok"};

class Server
{
public:
    explicit Server(const Options &o, int fd)
        : opt_(o), fd_(fd), ctl_(o.seed), rng_(o.seed.seed ^ 0x5EEDULL)
    { }

    int run();

private:
    void onLine(const LineAssembler::Line &line);
    void queueAnswer(const std::vector<std::string> &lines);
    void pump();
    void hangUp();

    struct Chunk
    {
        std::string bytes;
        Clock::time_point notBefore;
    };

    const Options &opt_;
    int fd_ = -1;
    Controller ctl_;
    Rng rng_;
    LineAssembler rx_;
    std::deque<Chunk> tx_;
    double credit_ = 0.0;
    Clock::time_point lastPump_ = Clock::now();
    long commands_ = 0;
    bool closing_ = false;
    bool connected_ = false;
};

void Server::hangUp()
{
    // Nobody on the line: what was on its way is lost, as on a real cable.
    if (connected_) {
        if (opt_.verbose)
            std::fprintf(stderr, "-- line closed by the other end\n");
        // A pty keeps what was written towards a closed slave and hands it to
        // the next opener; a fresh connection must not see the old answers.
        if (!opt_.slavePath.empty()) {
            const int slave = open(opt_.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (slave >= 0) {
                tcflush(slave, TCIFLUSH);
                close(slave);
            }
        }
    }
    connected_ = false;
    tx_.clear();
    rx_.reset();
}

void Server::onLine(const LineAssembler::Line &line)
{
    if (opt_.verbose)
        std::fprintf(stderr, "<- %s\n", printable(line.text).c_str());
    std::vector<std::string> answer;
    if (line.overflow) {
        answer.push_back(Controller::overflowAnswer());
    } else {
        answer = ctl_.handle(line.text);
        if (answer.empty())
            return;
    }
    ++commands_;
    if (opt_.drop > 0.0 && rng_.unit() < opt_.drop) {
        if (opt_.verbose)
            std::fprintf(stderr, "-- answer dropped\n");
    } else {
        queueAnswer(answer);
    }
    if (opt_.hangupAfter >= 0 && commands_ >= opt_.hangupAfter)
        closing_ = true;
}

void Server::queueAnswer(const std::vector<std::string> &lines)
{
    const char *eol = opt_.crlf ? "\r\n" : "\n";
    const Clock::time_point at = Clock::now() + std::chrono::milliseconds(opt_.delayMs);
    for (const std::string &l : lines) {
        if (opt_.verbose)
            std::fprintf(stderr, "-> %s\n", l.c_str());
        tx_.push_back({l + eol, at});
        if (opt_.noise && rng_.unit() < 0.2)
            tx_.push_back({std::string(kNoise[rng_.range(0, 5)]) + eol, at});
    }
}

void Server::pump()
{
    const Clock::time_point now = Clock::now();
    const double rate = static_cast<double>(opt_.baud) / 10.0;
    if (rate > 0.0) {
        credit_ += std::chrono::duration<double>(now - lastPump_).count() * rate;
        // While a packet fills, a late wake-up must not cost the line its
        // time: the credit then holds a second packet.
        const bool sending = !tx_.empty() && tx_.front().notBefore <= now;
        credit_ = std::min(credit_, sending ? 128.0 : 64.0);
    }
    lastPump_ = now;
    while (!tx_.empty() && tx_.front().notBefore <= now) {
        std::string &b = tx_.front().bytes;
        std::size_t n = b.size();
        if (rate > 0.0) {
            // What reaches the computer through a USB serial adapter comes as
            // its packets: a line, or 64 bytes of a longer one, handed over
            // once its last byte has had its time on the wire.
            n = std::min<std::size_t>(n, 64);
            if (credit_ < static_cast<double>(n))
                return;
        }
        if (n == 0)
            return;
        const ssize_t w = write(fd_, b.data(), n);
        if (w <= 0)
            return; // full or gone; poll tells which
        if (rate > 0.0)
            credit_ -= static_cast<double>(w);
        b.erase(0, static_cast<std::size_t>(w));
        if (b.empty())
            tx_.pop_front();
    }
}

int Server::run()
{
    char buf[1024];
    while (!g_stop) {
        if (closing_ && tx_.empty()) {
            // Let the other end read the last answer before the line drops.
            poll(nullptr, 0, 300);
            break;
        }

        int timeout = 200;
        if (!tx_.empty() && connected_) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  tx_.front().notBefore - Clock::now())
                                  .count();
            timeout = static_cast<int>(std::max<long long>(1, std::min<long long>(wait, 200)));
        }
        pollfd p{fd_, POLLIN, 0};
        const int r = poll(&p, 1, timeout);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            std::perror("dorvak-sim: poll");
            return 1;
        }
        bool gone = (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN);
        if (p.revents & POLLIN) {
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n > 0) {
                if (!connected_ && opt_.verbose)
                    std::fprintf(stderr, "-- line open\n");
                connected_ = true;
                for (const LineAssembler::Line &l : rx_.feed(buf, static_cast<std::size_t>(n)))
                    onLine(l);
            } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                gone = true; // EIO: the slave side has been closed
            }
        }
        if (gone) {
            hangUp();
            // The hang-up stays signalled until someone opens the line again.
            poll(nullptr, 0, 50);
            if (closing_)
                break;
            continue;
        }
        if (p.revents == 0 && !connected_) {
            // A quiet line after a hang-up means the other end is back.
            connected_ = true;
        }
        pump();
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options opt;
    if (const int rc = parseArgs(argc, argv, opt))
        return rc - 1;

    struct sigaction sa
    { };
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string path;
    int fd = -1;
    if (opt.device.empty()) {
        fd = openPty(path);
        opt.slavePath = path;
    } else {
        path = opt.device;
        fd = open(path.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0)
            std::perror(("dorvak-sim: " + path).c_str());
        else if (isatty(fd))
            makeRaw(fd, opt.baud > 0 ? opt.baud : 115200);
    }
    if (fd < 0)
        return 1;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    bool linked = false;
    if (!opt.link.empty()) {
        struct stat st
        { };
        if (lstat(opt.link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(opt.link.c_str());
        if (symlink(path.c_str(), opt.link.c_str()) != 0) {
            std::perror(("dorvak-sim: link " + opt.link).c_str());
            close(fd);
            return 1;
        }
        linked = true;
    }

    std::printf("%s\n", path.c_str());
    std::fflush(stdout);

    int rc = 0;
    {
        Server server(opt, fd);
        rc = server.run();
    }
    close(fd);
    if (linked)
        unlink(opt.link.c_str());
    return rc;
}
