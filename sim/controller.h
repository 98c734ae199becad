// The DORVAK controller's side of the serial line: its user database, event
// log and parameters, and the interpreter of the command lines it receives.
// Nothing here touches a file descriptor, so the whole protocol can be driven
// from unit tests line by line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dorvak_sim {

// Device category codes as they travel on the line.
enum Category { kAdmin = 1, kUser = 2, kVisitor = 3 };

struct User
{
    int id = 0;
    int code = kVisitor;
    std::string name;
    std::string number;
    int id_padre = 0;
    int hrs_reman = 0;
    int extra_6 = 0;
    int extra_7 = 0;
    int rh_ini = 0;
    int rh_fin = 24;
    int rd = 127;
};

struct LogEntry
{
    int code = 0;
    int user = 0;
    int asoc = 0;
    std::int64_t when = 0; // seconds since 1970-01-01, controller local time
};

// Event codes written by the controller itself.
enum Event {
    kEvUserCreated = 10,
    kEvUserDeleted = 11,
    kEvUserModified = 12,
};

struct Param
{
    bool text = false;
    std::string s;
    long n = 0;
};

// Small deterministic generator: the same seed must give the same database on
// every build, which the standard distributions do not promise.
class Rng
{
public:
    explicit Rng(std::uint64_t seed) : state_(seed) { }
    std::uint64_t next();
    int range(int lo, int hi); // inclusive
    double unit();             // [0, 1)

private:
    std::uint64_t state_ = 0;
};

// Reassembles lines from a byte stream. The controller's receive buffer is
// fixed, so a line that never ends cannot eat memory: beyond kMaxLine bytes
// the rest is thrown away up to the next line feed and the line is flagged.
class LineAssembler
{
public:
    static constexpr std::size_t kMaxLine = 4096;

    struct Line
    {
        std::string text; // without LF and without a trailing CR
        bool overflow = false;
    };

    std::vector<Line> feed(const char *data, std::size_t size);
    std::size_t pending() const { return buf_.size(); }
    void reset();

private:
    std::string buf_;
    bool overflow_ = false;
};

struct SeedOptions
{
    std::uint64_t seed = 1;
    int users = 30;
    int logs = 100;
    // The equipment number (parameter 01) and the installation's name
    // (parameter 00); empty: the seed's own number, and "Condominio Sur".
    std::string identity;
    std::string name;
};

// The equipment number a seed gives when none is chosen: each seed its own,
// so that simulators of different seeds are different controllers.
std::string seedIdentity(std::uint64_t seed);

class Controller
{
public:
    // Same as the value reported by parameter 15.
    static constexpr int kUserLimit = 5000;
    // The log lives in a ring on the device; the oldest entries go first.
    static constexpr std::size_t kLogLimit = 20000;
    static constexpr int kFirmware = 258; // 1.2
    // The longest text each text parameter keeps: the installation name and
    // the base number 30, the telephone numbers "+" and 20 digits, the
    // messages 38.
    static std::size_t textLimit(int parameter);

    explicit Controller(const SeedOptions &options);

    // Interprets one received line (terminator already removed) and returns
    // the answer lines, without terminators. A blank line gets no answer.
    std::vector<std::string> handle(const std::string &line);

    // Answer to a line the receiver had to cut short.
    static std::string overflowAnswer();

    const std::vector<User> &users() const { return users_; }
    const std::vector<LogEntry> &log() const { return log_; }
    const std::array<Param, 16> &params() const { return params_; }
    int nextId() const { return next_id_; }
    bool verbose() const { return verbose_; }

    static std::string userLine(const User &u);
    static std::string logLine(const LogEntry &e);
    static std::string formatTime(std::int64_t when);

private:
    void seedDatabase();
    std::string freshNumber(Rng &rng) const;
    const User *findByNumber(const std::string &number) const;
    const User *findById(int id) const;
    std::vector<const User *> treeOrder() const;
    int ownerOf(const User &u) const;
    void addLog(int code, int user, int asoc);
    void addUser(const User &u);

    std::vector<std::string> cmdUpload(const std::string &line);
    std::vector<std::string> cmdFind(const std::string &arg);
    std::vector<std::string> cmdDelete(const std::string &arg);
    std::vector<std::string> cmdSendPar(const std::string &arg);
    std::vector<std::string> cmdPrintDb() const;
    std::vector<std::string> cmdPrintFat() const;
    std::vector<std::string> cmdReset() const;
    std::vector<std::string> cmdTestSuite() const;
    std::vector<std::string> cmdCreateUsers(int count);
    std::vector<std::string> cmdCreateLogs(int count);

    SeedOptions options_;
    std::vector<User> users_;
    std::vector<LogEntry> log_;
    std::array<Param, 16> params_{};
    int next_id_ = 1;
    std::int64_t clock_ = 0;
    bool verbose_ = true;
    int bulk_serial_ = 0;
};

} // namespace dorvak_sim
