#include "controller.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace dorvak_sim {

namespace {

const char *const kErrFormat = "ERROR formato";
const char *const kErrUnknown = "ERROR comando desconocido";
const char *const kErrMissing = "ERROR no existe";
const char *const kErrLimit = "ERROR limite";
const char *const kErrReadOnly = "ERROR solo lectura";
const char *const kErrType = "ERROR tipo";
const char *const kErrValue = "ERROR valor";
const char *const kOk = "## OK";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string trim(const std::string &s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> splitBlanks(const std::string &s)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && isBlank(s[i]))
            ++i;
        std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]))
            ++i;
        if (i > start)
            out.push_back(s.substr(start, i - start));
    }
    return out;
}

// Strict decimal: optional minus, digits only, must fit an int.
bool parseInt(const std::string &s, int &out)
{
    if (s.empty() || s.size() > 11)
        return false;
    std::size_t i = s[0] == '-' ? 1 : 0;
    if (i == s.size())
        return false;
    for (std::size_t k = i; k < s.size(); ++k)
        if (s[k] < '0' || s[k] > '9')
            return false;
    long long v = std::strtoll(s.c_str(), nullptr, 10);
    if (v < INT_MIN || v > INT_MAX)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool validNumber(const std::string &n)
{
    if (n.size() < 2 || n.size() > 20 || n[0] != '+')
        return false;
    return std::all_of(n.begin() + 1, n.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The name is stored in a fixed slot and printed between quotes in a
// comma-separated record, so quotes, commas and control bytes cannot go in.
bool validName(const std::string &n)
{
    if (n.empty() || n.size() > 15)
        return false;
    return std::all_of(n.begin(), n.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x7f && c != '"' && c != ',';
    });
}

bool printableText(const std::string &t)
{
    return std::all_of(t.begin(), t.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u != 0x7f;
    });
}

// Days since 1970-01-01 for a proleptic Gregorian date, and back.
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int &y, int &m, int &d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int kEventCodes[] = {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12};

const char *const kAdminNames[] = {"Conserje", "Admin", "Gerencia", "Porteria", "Mayordomo"};
const char *const kUserNames[] = {"Casa", "Depto", "Oficina", "Local", "Parcela", "Bodega"};
const char *const kVisitorNames[] = {"Visita",   "Jardinero", "Nana",
                                     "Gasfiter", "Delivery",  "Familiar"};

} // namespace

// ---------------------------------------------------------------- Rng

std::uint64_t Rng::next()
{
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int Rng::range(int lo, int hi)
{
    if (hi <= lo)
        return lo;
    const std::uint64_t span = static_cast<std::uint64_t>(hi - lo) + 1;
    return lo + static_cast<int>(next() % span);
}

double Rng::unit()
{
    return static_cast<double>(next() >> 11) / 9007199254740992.0;
}

// ---------------------------------------------------------------- LineAssembler

std::vector<LineAssembler::Line> LineAssembler::feed(const char *data, std::size_t size)
{
    std::vector<Line> out;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            Line l;
            l.text.swap(buf_);
            if (!l.text.empty() && l.text.back() == '\r')
                l.text.pop_back();
            l.overflow = overflow_;
            overflow_ = false;
            out.push_back(std::move(l));
            buf_.clear();
        } else if (buf_.size() < kMaxLine) {
            buf_.push_back(c);
        } else {
            overflow_ = true;
        }
    }
    return out;
}

void LineAssembler::reset()
{
    buf_.clear();
    buf_.shrink_to_fit();
    overflow_ = false;
}

// ---------------------------------------------------------------- Controller

std::string seedIdentity(std::uint64_t seed)
{
    // Seed 1 keeps the number the simulator always had.
    const std::uint64_t digits = (11112222 + (seed - 1) * 1000003) % 100000000;
    char buf[16];
    std::snprintf(buf, sizeof buf, "+569%08llu", static_cast<unsigned long long>(digits));
    return buf;
}

Controller::Controller(const SeedOptions &options) : options_(options)
{
    seedDatabase();
}

std::string Controller::overflowAnswer()
{
    return "ERROR linea demasiado larga";
}

std::string Controller::formatTime(std::int64_t when)
{
    std::int64_t days = when / 86400;
    std::int64_t secs = when % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    int y = 0, m = 0, d = 0;
    civilFromDays(days, y, m, d);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d,
                  static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
                  static_cast<int>(secs % 60));
    return buf;
}

std::string Controller::userLine(const User &u)
{
    return "## " + std::to_string(u.id) + "," + std::to_string(u.code) + ",\"" + u.name + "\","
        + u.number + "," + std::to_string(u.id_padre) + "," + std::to_string(u.hrs_reman) + ","
        + std::to_string(u.extra_6) + "," + std::to_string(u.extra_7) + ","
        + std::to_string(u.rh_ini) + "," + std::to_string(u.rh_fin) + "," + std::to_string(u.rd);
}

std::string Controller::logLine(const LogEntry &e)
{
    return "XX " + std::to_string(e.code) + " " + std::to_string(e.user) + " "
        + std::to_string(e.asoc) + " " + formatTime(e.when);
}

std::string Controller::freshNumber(Rng &rng) const
{
    for (;;) {
        std::string n = "+569";
        for (int i = 0; i < 8; ++i)
            n.push_back(static_cast<char>('0' + rng.range(0, 9)));
        if (!findByNumber(n))
            return n;
    }
}

void Controller::seedDatabase()
{
    users_.clear();
    log_.clear();
    verbose_ = true;
    bulk_serial_ = 0;
    Rng rng(options_.seed);

    const int total = std::clamp(options_.users, 0, kUserLimit);
    const int admins = total == 0 ? 0 : std::max(1, (total + 9) / 10);
    const int plain = (total - admins + 1) / 2;
    const int visitors = total - admins - plain;

    // Ids leave the odd gap, as they do on a device where users were deleted.
    int id = 0;
    auto takeId = [&] {
        id += (id > 0 && rng.range(0, 5) == 0) ? 2 : 1;
        return id;
    };
    std::vector<int> adminIds, userIds;
    std::set<std::string> names;
    auto uniqueName = [&](const char *base, int lo, int hi) {
        for (;;) {
            std::string n = std::string(base) + " " + std::to_string(rng.range(lo, hi));
            if (names.insert(n).second)
                return n;
        }
    };

    for (int i = 0; i < admins; ++i) {
        User u;
        u.id = takeId();
        u.code = kAdmin;
        u.name = uniqueName(kAdminNames[rng.range(0, 4)], 1, 999);
        u.number = freshNumber(rng);
        u.id_padre = u.id;
        u.rh_ini = 0;
        u.rh_fin = 24;
        u.rd = 127;
        users_.push_back(u);
        adminIds.push_back(u.id);
    }
    for (int i = 0; i < plain; ++i) {
        User u;
        u.id = takeId();
        u.code = kUser;
        u.name = uniqueName(kUserNames[rng.range(0, 5)], 1, 999);
        u.number = freshNumber(rng);
        u.id_padre = adminIds[static_cast<std::size_t>(rng.range(0, admins - 1))];
        const bool office = rng.range(0, 3) == 0;
        u.rh_ini = office ? 8 : 0;
        u.rh_fin = office ? 20 : 24;
        u.rd = office ? 31 : 127;
        users_.push_back(u);
        userIds.push_back(u.id);
    }
    for (int i = 0; i < visitors; ++i) {
        User u;
        u.id = takeId();
        u.code = kVisitor;
        u.name = uniqueName(kVisitorNames[rng.range(0, 5)], 1, 999);
        u.number = freshNumber(rng);
        u.id_padre = userIds[static_cast<std::size_t>(rng.range(0, plain - 1))];
        u.hrs_reman = rng.range(0, 2) == 0 ? 24 * rng.range(1, 7) : 0;
        u.rh_ini = rng.range(6, 10);
        u.rh_fin = rng.range(17, 22);
        u.rd = rng.range(0, 1) ? 31 : 96 | 31;
        users_.push_back(u);
    }
    next_id_ = id + 1;

    // 2024-03-01 07:00:00
    clock_ = daysFromCivil(2024, 3, 1) * 86400 + 7 * 3600;
    for (int i = 0; i < options_.logs; ++i) {
        LogEntry e;
        e.code = i < 11 ? kEventCodes[i] : kEventCodes[rng.range(0, 10)];
        if (!users_.empty()) {
            const User &who = users_[static_cast<std::size_t>(rng.range(0, total - 1))];
            e.user = who.id;
            e.asoc = (e.code >= 10) ? users_[static_cast<std::size_t>(rng.range(0, total - 1))].id
                                    : who.id;
        }
        clock_ += rng.range(60, 3 * 3600);
        e.when = clock_;
        log_.push_back(e);
    }

    const std::string name = options_.name.empty() ? "Condominio Sur" : options_.name;
    const std::string identity =
        options_.identity.empty() ? seedIdentity(options_.seed) : options_.identity;
    const char *const texts[16] = {name.c_str(),
                                   identity.c_str(),
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   "+56933334444",
                                   nullptr,
                                   nullptr,
                                   nullptr,
                                   "Porton 1 abierto",
                                   "Porton 1 cerrado",
                                   "Porton 2 abierto",
                                   "Porton 2 cerrado",
                                   nullptr,
                                   "+569",
                                   nullptr};
    const long numbers[16] = {0, 0, kFirmware, 50, 5, 0, 1, 3, 0, 0, 0, 0, 0, 8, 0, kUserLimit};
    for (std::size_t i = 0; i < 16; ++i) {
        params_[i].text = texts[i] != nullptr;
        params_[i].s = texts[i] ? texts[i] : "";
        params_[i].n = numbers[i];
    }
}

const User *Controller::findByNumber(const std::string &number) const
{
    for (const User &u : users_)
        if (u.number == number)
            return &u;
    return nullptr;
}

const User *Controller::findById(int id) const
{
    for (const User &u : users_)
        if (u.id == id)
            return &u;
    return nullptr;
}

int Controller::ownerOf(const User &u) const
{
    return u.code == kAdmin ? u.id : u.id_padre;
}

void Controller::addLog(int code, int user, int asoc)
{
    // The controller's clock is not the host's: it ticks along with the log so
    // that a run is reproducible.
    clock_ += 37;
    LogEntry e;
    e.code = code;
    e.user = user;
    e.asoc = asoc;
    e.when = clock_;
    log_.push_back(e);
    if (log_.size() > kLogLimit)
        log_.erase(log_.begin(), log_.begin() + static_cast<long>(log_.size() - kLogLimit));
}

void Controller::addUser(const User &u)
{
    users_.push_back(u);
    next_id_ = std::max(next_id_, u.id + 1);
}

// Owners first, then what they own; records whose owner is missing at the end.
std::vector<const User *> Controller::treeOrder() const
{
    std::multimap<int, const User *> byOwner;
    for (const User &u : users_)
        if (u.code != kAdmin)
            byOwner.emplace(u.id_padre, &u);
    std::vector<const User *> out;
    std::set<const User *> seen;
    std::vector<const User *> stack;
    for (const User &a : users_) {
        if (a.code != kAdmin)
            continue;
        stack.push_back(&a);
        while (!stack.empty()) {
            const User *cur = stack.back();
            stack.pop_back();
            if (!seen.insert(cur).second)
                continue;
            out.push_back(cur);
            auto range = byOwner.equal_range(cur->id);
            std::vector<const User *> kids;
            for (auto it = range.first; it != range.second; ++it)
                kids.push_back(it->second);
            for (auto it = kids.rbegin(); it != kids.rend(); ++it)
                stack.push_back(*it);
        }
    }
    for (const User &u : users_)
        if (seen.insert(&u).second)
            out.push_back(&u);
    return out;
}

std::vector<std::string> Controller::handle(const std::string &raw)
{
    // The upload command is the only one that starts with a blank.
    if (raw.compare(0, 4, " UU ") == 0)
        return cmdUpload(raw);

    const std::string line = trim(raw);
    if (line.empty())
        return {};

    const std::size_t sp = line.find(' ');
    const std::string cmd = line.substr(0, sp);
    const std::string arg = sp == std::string::npos ? std::string() : trim(line.substr(sp + 1));

    auto noArgs = [&](std::vector<std::string> answer) {
        return arg.empty() ? answer : std::vector<std::string>{kErrFormat};
    };

    if (cmd == "TOT_USERS")
        return noArgs({std::to_string(users_.size())});
    if (cmd == "LU") {
        std::vector<std::string> out;
        for (const User *u : treeOrder())
            out.push_back(userLine(*u));
        return noArgs(out);
    }
    if (cmd == "NEXT")
        return noArgs({std::to_string(next_id_)});
    if (cmd == "UD_NUM")
        return cmdFind(arg);
    if (cmd == "BU")
        return cmdDelete(arg);
    if (cmd == "TOTAL_LOG")
        return noArgs({std::to_string(log_.size())});
    if (cmd == "ENVLOG") {
        std::vector<std::string> out;
        out.reserve(log_.size());
        for (const LogEntry &e : log_)
            out.push_back(logLine(e));
        return noArgs(out);
    }
    if (cmd == "GET_PARS") {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < params_.size(); ++i) {
            char nn[8];
            std::snprintf(nn, sizeof nn, "%02u", static_cast<unsigned>(i));
            const Param &p = params_[i];
            out.push_back("## " + std::string(nn) + " "
                          + (p.text ? "\"" + p.s + "\"" : std::to_string(p.n)));
        }
        return noArgs(out);
    }
    if (cmd == "SEND_PAR")
        return cmdSendPar(arg);
    if (cmd == "PRINTDB")
        return noArgs(cmdPrintDb());
    if (cmd == "PRINTFAT")
        return noArgs(cmdPrintFat());
    if (cmd == "RESET")
        return noArgs(cmdReset());
    if (cmd == "DEFAULTDB") {
        if (!arg.empty())
            return {kErrFormat};
        seedDatabase();
        return {"Restaurando base de datos por defecto",
                "Usuarios: " + std::to_string(users_.size()),
                "Registros: " + std::to_string(log_.size()), "Parametros: 16", kOk};
    }
    if (cmd == "SILENT" || cmd == "VERBOSE") {
        if (!arg.empty())
            return {kErrFormat};
        verbose_ = cmd == "VERBOSE";
        return {verbose_ ? "Modo VERBOSE activado" : "Modo SILENT activado"};
    }
    if (cmd == "TEST_SUITE")
        return noArgs(cmdTestSuite());
    if (cmd == "CREATE500U")
        return noArgs(cmdCreateUsers(500));
    if (cmd == "CREATE500L")
        return noArgs(cmdCreateLogs(500));
    if (cmd == "STUM") {
        int n = 0;
        if (!parseInt(arg, n) || n < 0)
            return {kErrFormat};
        return {"STUM " + std::to_string(n) + " tabla de usuarios dimensionada"};
    }
    return {kErrUnknown};
}

std::vector<std::string> Controller::cmdUpload(const std::string &raw)
{
    const std::string line = trim(raw.substr(4));
    const std::size_t q1 = line.find('"');
    const std::size_t q2 = line.rfind('"');
    if (q1 == std::string::npos || q2 == q1)
        return {kErrFormat};

    const std::vector<std::string> head = splitBlanks(line.substr(0, q1));
    const std::string name = line.substr(q1 + 1, q2 - q1 - 1);
    const std::vector<std::string> tail = splitBlanks(line.substr(q2 + 1));
    // The record separates the name from the number with a blank.
    if (head.size() != 2 || tail.size() != 6 || q2 + 1 >= line.size() || line[q2 + 1] != ' ')
        return {kErrFormat};

    User u;
    int ints[5] = {};
    if (!parseInt(head[0], u.id) || !parseInt(head[1], u.code))
        return {kErrFormat};
    for (int i = 0; i < 5; ++i)
        if (!parseInt(tail[static_cast<std::size_t>(i) + 1], ints[i]))
            return {kErrFormat};
    if (u.code < kAdmin || u.code > kVisitor)
        return {"ERROR categoria"};
    if (!validName(name))
        return {"ERROR nombre"};
    if (!validNumber(tail[0]))
        return {"ERROR numero"};
    u.name = name;
    u.number = tail[0];
    u.id_padre = ints[0];
    u.hrs_reman = ints[1];
    u.rh_ini = ints[2];
    u.rh_fin = ints[3];
    u.rd = ints[4];

    const User *existing = findByNumber(u.number);
    if (!existing && static_cast<int>(users_.size()) >= kUserLimit)
        return {kErrLimit};

    // The id sent is kept unless another record already owns it; the tool
    // reads the id actually stored back with UD_NUM.
    // A known number that collides keeps the id it already had.
    const User *holder = u.id > 0 ? findById(u.id) : nullptr;
    if (u.id <= 0 || (holder && holder != existing))
        u.id = existing ? existing->id : next_id_;
    if (u.code == kAdmin)
        u.id_padre = u.id;

    if (existing) {
        const int oldId = existing->id;
        const std::size_t idx = static_cast<std::size_t>(existing - users_.data());
        u.extra_6 = existing->extra_6;
        u.extra_7 = existing->extra_7;
        users_[idx] = u;
        // What the record owned follows it to its new id.
        if (oldId != u.id)
            for (User &o : users_)
                if (o.id_padre == oldId && o.id != u.id)
                    o.id_padre = u.id;
        next_id_ = std::max(next_id_, u.id + 1);
        addLog(kEvUserModified, ownerOf(u), u.id);
    } else {
        addUser(u);
        addLog(kEvUserCreated, ownerOf(u), u.id);
    }
    return {kOk};
}

std::vector<std::string> Controller::cmdFind(const std::string &arg)
{
    if (arg.empty() || arg.find(' ') != std::string::npos)
        return {kErrFormat};
    const User *u = findByNumber(arg);
    return {u ? userLine(*u) : kErrMissing};
}

std::vector<std::string> Controller::cmdDelete(const std::string &arg)
{
    if (arg.empty() || arg.find(' ') != std::string::npos)
        return {kErrFormat};
    const User *target = findByNumber(arg);
    if (!target)
        return {kErrMissing};

    std::set<int> doomed{target->id};
    for (bool grew = true; grew;) {
        grew = false;
        for (const User &u : users_)
            if (!doomed.count(u.id) && u.code != kAdmin && doomed.count(u.id_padre))
                grew = doomed.insert(u.id).second || grew;
    }
    std::vector<User> keep;
    for (const User &u : users_) {
        if (doomed.count(u.id))
            addLog(kEvUserDeleted, ownerOf(u), u.id);
        else
            keep.push_back(u);
    }
    users_.swap(keep);
    return {kOk};
}

std::size_t Controller::textLimit(int parameter)
{
    switch (parameter) {
    case 1:
    case 5:
        return 21;
    case 9:
    case 10:
    case 11:
    case 12:
        return 38;
    default:
        return 30;
    }
}

std::vector<std::string> Controller::cmdSendPar(const std::string &arg)
{
    const std::vector<std::string> tok = splitBlanks(arg);
    int type = 0;
    int nr = 0;
    if (tok.size() < 2 || tok[1].size() != 2 || !parseInt(tok[0], type) || !parseInt(tok[1], nr)
        || nr < 0 || nr > 15)
        return {kErrFormat};
    if (nr == 2 || nr == 15)
        return {kErrReadOnly};

    Param &p = params_[static_cast<std::size_t>(nr)];
    // Which kind of field each parameter comes from on the configuration form.
    const int wanted = p.text ? 2 : (nr == 3 || nr == 13) ? 1 : 0;
    if (type != wanted)
        return {kErrType};

    if (p.text) {
        const std::size_t q1 = arg.find('"');
        const std::size_t q2 = arg.rfind('"');
        if (q1 == std::string::npos || q2 == q1)
            return {kErrFormat};
        const std::string text = arg.substr(q1 + 1, q2 - q1 - 1);
        if (text.size() > textLimit(nr) || !printableText(text))
            return {kErrValue};
        p.s = text;
        return {kOk};
    }

    int v = 0;
    if (tok.size() != 3 || !parseInt(tok[2], v))
        return {kErrFormat};
    int lo = 0, hi = 0;
    switch (nr) {
    case 3:
        hi = 5000;
        break;
    case 4:
        hi = 15;
        break;
    case 6:
        lo = 1;
        hi = 5;
        break;
    case 7:
    case 8:
        hi = 3;
        break;
    case 13:
        hi = 15;
        break;
    default:
        break;
    }
    if (v < lo || v > hi)
        return {kErrValue};
    p.n = v;
    return {kOk};
}

std::vector<std::string> Controller::cmdPrintDb() const
{
    std::vector<std::string> out;
    out.push_back("==== BASE DE DATOS ====");
    out.push_back("usuarios " + std::to_string(users_.size()) + "/" + std::to_string(kUserLimit)
                  + " siguiente id " + std::to_string(next_id_) + " registros "
                  + std::to_string(log_.size()));
    out.push_back("  id cat nombre          numero       padre hrs ini fin  rd");
    for (const User *u : treeOrder()) {
        char buf[160];
        std::snprintf(buf, sizeof buf, "%4d %3d %-15s %-12s %5d %3d %3d %3d %3d", u->id, u->code,
                      u->name.c_str(), u->number.c_str(), u->id_padre, u->hrs_reman, u->rh_ini,
                      u->rh_fin, u->rd);
        out.push_back(buf);
    }
    out.push_back("==== FIN BASE DE DATOS ====");
    return out;
}

std::vector<std::string> Controller::cmdPrintFat() const
{
    const std::size_t userBytes = users_.size() * 64;
    const std::size_t logBytes = log_.size() * 16;
    auto row = [](const char *name, std::size_t size, int cluster) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "%-12s %8zu bytes  cluster %4d", name, size, cluster);
        return std::string(buf);
    };
    return {"==== FAT ====",
            row("BOOT.BIN", 16384, 2),
            row("CONFIG.DAT", 1024, 34),
            row("PARAMS.DAT", 16 * 48, 36),
            row("USERS.DB", userBytes, 40),
            row("USERS.IDX", users_.size() * 8, 240),
            row("LOG.DAT", logBytes, 260),
            row("LOG.IDX", log_.size() * 4, 900),
            row("GSM.CFG", 256, 1000),
            row("SMS.OUT", 0, 1002),
            "archivos 9 clusters libres " + std::to_string(4096 - 1003),
            "==== FIN FAT ===="};
}

std::vector<std::string> Controller::cmdReset() const
{
    return {"Reiniciando...",
            "DORVAK control de acceso",
            "Firmware 1.2 (258)",
            "Memoria flash OK",
            "Base de datos: " + std::to_string(users_.size()) + " usuarios",
            "Registro: " + std::to_string(log_.size()) + " eventos",
            "Modem GSM iniciado",
            verbose_ ? "Salida VERBOSE" : "Salida SILENT",
            "Listo"};
}

std::vector<std::string> Controller::cmdTestSuite() const
{
    const bool dbOk = treeOrder().size() == users_.size();
    return {"TEST memoria RAM ........ OK",
            "TEST memoria flash ...... OK",
            "TEST reloj .............. OK",
            "TEST modem GSM .......... OK",
            "TEST rele acceso 1 ...... OK",
            "TEST rele acceso 2 ...... OK",
            std::string("TEST base de datos ...... ") + (dbOk ? "OK" : "FALLA"),
            std::string("TEST resultado: ") + (dbOk ? "7 OK 0 FALLA" : "6 OK 1 FALLA")};
}

std::vector<std::string> Controller::cmdCreateUsers(int count)
{
    // One administrator per batch, a user per nine visitors below it.
    Rng rng(options_.seed ^ (0xC0FFEEULL + static_cast<std::uint64_t>(++bulk_serial_)));
    int created = 0;
    int admin = 0;
    int owner = 0;
    for (int i = 0; i < count; ++i) {
        if (static_cast<int>(users_.size()) >= kUserLimit)
            return {kErrLimit + std::string(" ") + std::to_string(created) + " usuarios creados"};
        User u;
        u.id = next_id_;
        u.number = freshNumber(rng);
        if (i == 0) {
            u.code = kAdmin;
            u.id_padre = u.id;
            admin = u.id;
        } else if (i % 10 == 1) {
            u.code = kUser;
            u.id_padre = admin;
            owner = u.id;
        } else {
            u.code = kVisitor;
            u.id_padre = owner;
        }
        u.name = "Test " + std::to_string(bulk_serial_) + "_" + std::to_string(i);
        addUser(u);
        addLog(kEvUserCreated, ownerOf(u), u.id);
        ++created;
    }
    return {std::to_string(created) + " usuarios creados"};
}

std::vector<std::string> Controller::cmdCreateLogs(int count)
{
    Rng rng(options_.seed ^ (0xBEEFULL + static_cast<std::uint64_t>(++bulk_serial_)));
    for (int i = 0; i < count; ++i) {
        int user = 0;
        if (!users_.empty())
            user =
                users_[static_cast<std::size_t>(rng.range(0, static_cast<int>(users_.size()) - 1))]
                    .id;
        addLog(kEventCodes[rng.range(0, 7)], user, user);
    }
    return {std::to_string(count) + " registros creados"};
}

} // namespace dorvak_sim
