// Command handling of the controller simulator, line by line, without a tty.

#include "controller.h"

#include <QtTest>

#include <regex>
#include <set>

using namespace dorvak_sim;

namespace {

using Lines = std::vector<std::string>;

Controller fresh(int users = 30, int logs = 100, std::uint64_t seed = 7)
{
    SeedOptions o;
    o.users = users;
    o.logs = logs;
    o.seed = seed;
    return Controller(o);
}

std::string one(Controller& c, const std::string& line)
{
    const Lines out = c.handle(line);
    return out.size() == 1 ? out.front() : "<" + std::to_string(out.size()) + " lines>";
}

long total(Controller& c, const char* cmd) { return std::stol(one(c, cmd)); }

bool isUserLine(const std::string& l)
{
    static const std::regex re("## -?\\d+,[123],\"[^\",]{1,15}\",\\+\\d+(,-?\\d+){7}");
    return std::regex_match(l, re);
}

}  // namespace

class TstSimCommands : public QObject {
    Q_OBJECT

private slots:
    void singleLineAnswers_data();
    void singleLineAnswers();
    void upload_data();
    void upload();
    void replaceByNumber_data();
    void replaceByNumber();
    void deleteTakesSubtree();
    void sendPar_data();
    void sendPar();
    void seededDatabaseShape();
    void seedIsReproducible();
    void defaultDbRestores();
    void create500Users();
    void lineCap();
    void junkNeverStopsAnswers();
};

void TstSimCommands::singleLineAnswers_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("tot_users") << QByteArray("TOT_USERS") << R"(\d+)";
    QTest::newRow("tot_users with CR and blanks") << QByteArray("  TOT_USERS \r") << R"(\d+)";
    QTest::newRow("next") << QByteArray("NEXT") << R"(\d+)";
    QTest::newRow("total_log") << QByteArray("TOTAL_LOG") << R"(\d+)";
    QTest::newRow("lower case is unknown") << QByteArray("tot_users") << "ERROR.*";
    QTest::newRow("unknown") << QByteArray("FOO") << "ERROR.*";
    QTest::newRow("nul bytes") << QByteArray("TOT\0_USERS", 10) << "ERROR.*";
    QTest::newRow("binary junk") << QByteArray("\xff\xfe\x01\x02\x80") << "ERROR.*";
    QTest::newRow("extra argument") << QByteArray("TOT_USERS 3") << "ERROR.*";
    QTest::newRow("ud_num unknown") << QByteArray("UD_NUM +56900000000") << "ERROR no existe";
    QTest::newRow("ud_num no arg") << QByteArray("UD_NUM") << "ERROR.*";
    QTest::newRow("bu unknown") << QByteArray("BU +56900000000") << "ERROR no existe";
    QTest::newRow("uu without leading blank") << QByteArray("UU 5 2 \"A\" +56912345678 1 0 0 24 127") << "ERROR.*";
    QTest::newRow("uu without code") << QByteArray(" UU 5 \"A\" +56912345678 1 0 0 24 127") << "ERROR.*";
    QTest::newRow("uu bad category") << QByteArray(" UU 5 4 \"A\" +56912345678 1 0 0 24 127") << "ERROR.*";
    QTest::newRow("uu missing field") << QByteArray(" UU 5 2 \"A\" +56912345678 1 0 0 24") << "ERROR.*";
    QTest::newRow("uu unquoted name") << QByteArray(" UU 5 2 A +56912345678 1 0 0 24 127") << "ERROR.*";
    QTest::newRow("uu number not digits") << QByteArray(" UU 5 3 \"Nombre\" Numero 1 0 0 24 255") << "ERROR.*";
    QTest::newRow("uu name too long") << QByteArray(" UU 5 2 \"ABCDEFGHIJKLMNOP\" +56912345678 1 0 0 24 127") << "ERROR.*";
    QTest::newRow("uu name with comma") << QByteArray(" UU 5 2 \"A,B\" +56912345678 1 0 0 24 127") << "ERROR.*";
    QTest::newRow("uu negative fields") << QByteArray(" UU -3 2 \"A B\" +56912345678 -1 -2 0 24 127") << "## OK";
    QTest::newRow("stum") << QByteArray("STUM 5000") << "STUM 5000.*";
    QTest::newRow("silent") << QByteArray("SILENT") << "Modo SILENT.*";
    QTest::newRow("create500l") << QByteArray("CREATE500L") << "500 .*";
}

void TstSimCommands::singleLineAnswers()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, pattern);
    Controller c = fresh();
    const std::string answer = one(c, line.toStdString());
    QVERIFY2(std::regex_match(answer, std::regex(pattern.toStdString())), answer.c_str());
}

void TstSimCommands::upload_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("number");
    QTest::addColumn<int>("expectId");       // 0: the next free id before the upload
    QTest::addColumn<int>("expectPadre");    // -1: same as the stored id
    QTest::addColumn<int>("usersDelta");
    QTest::addColumn<int>("logCode");

    // Seed 7 with 30 users: ids are positive, every existing id collides.
    QTest::newRow("new admin with free id") << " UU 900 1 \"Admin Nuevo\" +56911110000 5 0 0 24 127"
                                            << "+56911110000" << 900 << -1 << 1 << 10;
    QTest::newRow("new visitor keeps owner")
        << " UU 901 3 \"Visita Nueva\" +56911110001 2 48 8 20 31" << "+56911110001" << 901 << 2 << 1 << 10;
    QTest::newRow("colliding id gets next free id")
        << " UU 1 2 \"Casa Nueva\" +56911110002 1 0 0 24 127" << "+56911110002" << 0 << 1 << 1 << 10;
    QTest::newRow("zero id gets next free id")
        << " UU 0 2 \"Casa Cero\" +56911110003 1 0 0 24 127" << "+56911110003" << 0 << 1 << 1 << 10;
}

void TstSimCommands::upload()
{
    QFETCH(QString, line);
    QFETCH(QString, number);
    QFETCH(int, expectId);
    QFETCH(int, expectPadre);
    QFETCH(int, usersDelta);
    QFETCH(int, logCode);

    Controller c = fresh();
    const int nextBefore = c.nextId();
    const long usersBefore = total(c, "TOT_USERS");
    const long logBefore = total(c, "TOTAL_LOG");
    QCOMPARE(one(c, line.toStdString()), std::string("## OK"));

    const int id = expectId ? expectId : nextBefore;
    const std::string found = one(c, "UD_NUM " + number.toStdString());
    QVERIFY2(isUserLine(found), found.c_str());
    QVERIFY(found.rfind("## " + std::to_string(id) + ",", 0) == 0);
    const int padre = expectPadre < 0 ? id : expectPadre;
    QVERIFY2(found.find("," + number.toStdString() + "," + std::to_string(padre) + ",") != std::string::npos,
             found.c_str());

    QCOMPARE(total(c, "TOT_USERS"), usersBefore + usersDelta);
    QVERIFY(total(c, "NEXT") > id);
    QCOMPARE(total(c, "TOTAL_LOG"), logBefore + 1);
    const std::string last = c.handle("ENVLOG").back();
    QVERIFY2(last.rfind("XX " + std::to_string(logCode) + " ", 0) == 0, last.c_str());
    QVERIFY(last.find(" " + std::to_string(id) + " 20") != std::string::npos);

    // Uploading the same number again replaces it: same count, "modified".
    QCOMPARE(one(c, line.toStdString()), std::string("## OK"));
    QCOMPARE(total(c, "TOT_USERS"), usersBefore + usersDelta);
    QVERIFY(c.handle("ENVLOG").back().rfind("XX 12 ", 0) == 0);

    const Lines lu = c.handle("LU");
    QCOMPARE(static_cast<long>(lu.size()), total(c, "TOT_USERS"));
    for (const std::string& l : lu)
        QVERIFY2(isUserLine(l), l.c_str());
}

void TstSimCommands::replaceByNumber_data()
{
    QTest::addColumn<QString>("sentId");   // "own", "free" or "other"
    QTest::addColumn<QString>("storedId");

    QTest::newRow("same id") << "own" << "own";
    QTest::newRow("free id moves the user") << "free" << "free";
    QTest::newRow("other user's id keeps its own") << "other" << "own";
}

void TstSimCommands::replaceByNumber()
{
    QFETCH(QString, sentId);
    QFETCH(QString, storedId);
    Controller c = fresh();
    // A plain user that owns visitors: they must follow it to a new id.
    User owner;
    for (const User& u : c.users())
        if (u.code == kUser)
            for (const User& v : c.users())
                if (v.id_padre == u.id)
                    owner = u;
    QVERIFY(owner.id > 0);
    const std::map<QString, int> ids{{"own", owner.id}, {"free", 4000}, {"other", c.users().front().id}};
    const long before = total(c, "TOT_USERS");
    const std::string line = " UU " + std::to_string(ids.at(sentId)) + " 2 \"Casa Cambiada\" " + owner.number +
                             " " + std::to_string(owner.id_padre) + " 0 0 24 127";
    QCOMPARE(one(c, line), std::string("## OK"));
    QCOMPARE(total(c, "TOT_USERS"), before);
    const int id = ids.at(storedId);
    QVERIFY(one(c, "UD_NUM " + owner.number).rfind("## " + std::to_string(id) + ",2,\"Casa Cambiada\"", 0) == 0);
    int visitors = 0;
    for (const User& v : c.users())
        visitors += v.code == kVisitor && v.id_padre == id;
    QVERIFY(visitors > 0);
}

void TstSimCommands::deleteTakesSubtree()
{
    Controller c = fresh();
    const User admin = c.users().front();
    QCOMPARE(admin.code, int(kAdmin));
    std::set<int> doomed{admin.id};
    for (const User& u : c.users())
        if (u.code == kUser && u.id_padre == admin.id)
            doomed.insert(u.id);
    for (const User& u : c.users())
        if (u.code == kVisitor && doomed.count(u.id_padre))
            doomed.insert(u.id);
    const long before = total(c, "TOT_USERS");

    QCOMPARE(one(c, "BU " + admin.number), std::string("## OK"));
    QCOMPARE(total(c, "TOT_USERS"), before - static_cast<long>(doomed.size()));
    for (const User& u : c.users())
        QVERIFY(!doomed.count(u.id));
    QCOMPARE(one(c, "UD_NUM " + admin.number), std::string("ERROR no existe"));
    QVERIFY(c.handle("ENVLOG").back().rfind("XX 11 ", 0) == 0);
    QVERIFY(total(c, "NEXT") > admin.id);
}

void TstSimCommands::sendPar_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("param");
    QTest::addColumn<QString>("shown");

    QTest::newRow("text name") << "SEND_PAR 2 00 \"Casa Norte\"" << true << 0 << "## 00 \"Casa Norte\"";
    QTest::newRow("empty text") << "SEND_PAR 2 09 \"\"" << true << 9 << "## 09 \"\"";
    QTest::newRow("inner quote kept") << "SEND_PAR 2 10 \"a\"b\"" << true << 10 << "## 10 \"a\"b\"";
    QTest::newRow("spin visitors") << "SEND_PAR 1 03 5000" << true << 3 << "## 03 5000";
    QTest::newRow("notification bits") << "SEND_PAR 0 04 9" << true << 4 << "## 04 9";
    QTest::newRow("operation mode item") << "SEND_PAR 0 06 3" << true << 6 << "## 06 3";
    QTest::newRow("entrance mode") << "SEND_PAR 0 08 2" << true << 8 << "## 08 2";
    QTest::newRow("min digits") << "SEND_PAR 1 13 15" << true << 13 << "## 13 15";
    QTest::newRow("firmware read-only") << "SEND_PAR 0 02 999" << false << 2 << "## 02 258";
    QTest::newRow("limit read-only") << "SEND_PAR 1 15 1" << false << 15 << "## 15 5000";
    QTest::newRow("empty mode item") << "SEND_PAR 0 06 " << false << 6 << "## 06 1";
    QTest::newRow("no entrance selected") << "SEND_PAR 0 07 -1" << false << 7 << "## 07 3";
    QTest::newRow("text without quotes") << "SEND_PAR 2 00 Casa" << false << 0 << "## 00 \"Condominio Sur\"";
    QTest::newRow("number as text type") << "SEND_PAR 2 03 \"7\"" << false << 3 << "## 03 50";
    QTest::newRow("spin sent as choice") << "SEND_PAR 0 03 7" << false << 3 << "## 03 50";
    QTest::newRow("parameter 16") << "SEND_PAR 0 16 1" << false << 0 << "## 00 \"Condominio Sur\"";
}

void TstSimCommands::sendPar()
{
    QFETCH(QString, line);
    QFETCH(bool, accepted);
    QFETCH(int, param);
    QFETCH(QString, shown);

    Controller c = fresh();
    const std::string answer = one(c, line.toStdString());
    QCOMPARE(answer == "## OK", accepted);
    if (!accepted)
        QVERIFY2(answer.rfind("ERROR", 0) == 0, answer.c_str());
    const Lines pars = c.handle("GET_PARS");
    QCOMPARE(pars.size(), std::size_t(16));
    QCOMPARE(pars[static_cast<std::size_t>(param)], shown.toStdString());
}

void TstSimCommands::seededDatabaseShape()
{
    Controller c = fresh(30, 100, 11);
    std::map<int, const User*> byId;
    std::set<std::string> numbers;
    const std::regex name("[_ a-zA-Z0-9]{1,15}");
    const std::regex number(R"(\+\d{11})");
    for (const User& u : c.users()) {
        QVERIFY(u.id > 0);
        QVERIFY(byId.emplace(u.id, &u).second);
        QVERIFY(numbers.insert(u.number).second);
        QVERIFY(std::regex_match(u.name, name));
        QVERIFY(std::regex_match(u.number, number));
        QVERIFY(u.id < c.nextId());
    }
    QCOMPARE(c.users().size(), std::size_t(30));
    int counts[4] = {};
    for (const User& u : c.users()) {
        ++counts[u.code];
        const int wantOwner = u.code == kAdmin ? kAdmin : u.code - 1;
        QVERIFY(byId.count(u.id_padre));
        QCOMPARE(byId[u.id_padre]->code, wantOwner);
        if (u.code == kAdmin)
            QCOMPARE(u.id_padre, u.id);
    }
    QVERIFY(counts[kAdmin] > 0 && counts[kUser] > 0 && counts[kVisitor] > 0);

    std::set<int> codes;
    for (const std::string& l : c.handle("ENVLOG")) {
        static const std::regex re(R"(XX (\d+) (\d+) (\d+) \d{4}-\d\d-\d\d \d\d:\d\d:\d\d)");
        std::smatch m;
        QVERIFY2(std::regex_match(l, m, re), l.c_str());
        codes.insert(std::stoi(m[1]));
        QVERIFY(byId.count(std::stoi(m[2])));
        QVERIFY(byId.count(std::stoi(m[3])));
    }
    QCOMPARE(codes, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12}));
    QCOMPARE(c.handle("ENVLOG").size(), std::size_t(100));
}

void TstSimCommands::seedIsReproducible()
{
    Controller a = fresh(50, 20, 3);
    Controller b = fresh(50, 20, 3);
    Controller other = fresh(50, 20, 4);
    QVERIFY(a.handle("LU") == b.handle("LU"));
    QVERIFY(a.handle("ENVLOG") == b.handle("ENVLOG"));
    QVERIFY(a.handle("LU") != other.handle("LU"));
}

void TstSimCommands::defaultDbRestores()
{
    Controller c = fresh();
    const Lines lu = c.handle("LU");
    const Lines log = c.handle("ENVLOG");
    const Lines pars = c.handle("GET_PARS");
    c.handle("BU " + c.users().front().number);
    c.handle("CREATE500U");
    c.handle("SEND_PAR 2 00 \"Otro\"");
    c.handle("SILENT");
    QVERIFY(!c.handle("DEFAULTDB").empty());
    QVERIFY(c.handle("LU") == lu);
    QVERIFY(c.handle("ENVLOG") == log);
    QVERIFY(c.handle("GET_PARS") == pars);
}

void TstSimCommands::create500Users()
{
    Controller c = fresh();
    const long before = total(c, "TOT_USERS");
    QCOMPARE(c.handle("CREATE500U").size(), std::size_t(1));
    QCOMPARE(total(c, "TOT_USERS"), before + 500);
    std::set<std::string> numbers;
    for (const User& u : c.users())
        QVERIFY(numbers.insert(u.number).second);
    QCOMPARE(static_cast<long>(c.handle("LU").size()), before + 500);

    // Up to the limit, then a refusal; uploads of new numbers are refused too.
    for (int i = 0; i < 12; ++i)
        c.handle("CREATE500U");
    QCOMPARE(total(c, "TOT_USERS"), long(Controller::kUserLimit));
    QCOMPARE(one(c, " UU 0 2 \"Casa\" +56900000001 1 0 0 24 127"), std::string("ERROR limite"));
}

void TstSimCommands::lineCap()
{
    LineAssembler rx;
    const std::string flood(100000, 'A');
    QVERIFY(rx.feed(flood.data(), flood.size()).empty());
    QCOMPARE(rx.pending(), LineAssembler::kMaxLine);
    const std::string rest = "\nTOT_USERS\r\n";
    const auto lines = rx.feed(rest.data(), rest.size());
    QCOMPARE(lines.size(), std::size_t(2));
    QVERIFY(lines[0].overflow);
    QVERIFY(!lines[1].overflow);
    QCOMPARE(lines[1].text, std::string("TOT_USERS"));
}

void TstSimCommands::junkNeverStopsAnswers()
{
    Controller c = fresh();
    Rng rng(99);
    for (int i = 0; i < 2000; ++i) {
        std::string junk(static_cast<std::size_t>(rng.range(0, 80)), '\0');
        for (char& ch : junk)
            ch = static_cast<char>(rng.range(0, 255));
        if (i % 3 == 0)
            junk = " UU" + junk;
        if (i % 5 == 0)
            junk = "SEND_PAR " + junk;
        c.handle(junk);
    }
    QVERIFY(std::regex_match(one(c, "TOT_USERS"), std::regex(R"(\d+)")));
}

QTEST_APPLESS_MAIN(TstSimCommands)
#include "tst_sim_commands.moc"
