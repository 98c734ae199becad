// Command handling of the controller simulator, line by line, without a tty.

#include "controller.h"

#include <QtTest>

#include <regex>

using namespace dorvak_sim;

namespace {

// The answer to one line, its lines joined with '|'.
std::string ask(Controller &c, const std::string &line)
{
    std::string all;
    for (const std::string &l : c.handle(line))
        all += (all.empty() ? "" : "|") + l;
    return all;
}

// LU, TOT_USERS and the records agree, ids and numbers are unique, and every
// record hangs from an owner one category up (an administrator from itself).
void checkTree(Controller &c)
{
    static const std::regex re("## -?\\d+,[123],\"[^\",]{1,15}\",\\+\\d+(,-?\\d+){7}");
    const std::vector<std::string> lu = c.handle("LU");
    QVERIFY(lu.size() == c.users().size() && std::to_string(lu.size()) == ask(c, "TOT_USERS"));
    for (const std::string &l : lu)
        QVERIFY2(std::regex_match(l, re), l.c_str());
    std::map<int, int> code;
    std::map<std::string, int> numbers;
    for (const User &u : c.users())
        QVERIFY(code.emplace(u.id, u.code).second && numbers.emplace(u.number, 0).second);
    for (const User &u : c.users())
        QVERIFY(u.code == kAdmin ? u.id_padre == u.id : code[u.id_padre] == u.code - 1);
}

} // namespace

class TstSimCommands : public QObject
{
    Q_OBJECT

private slots:
    // Seed 7: ids run to 35; administrator 1 (+56963458255) owns users 6, 10, 15,
    // 20 and 21 and six visitors; user 12 (+56935478029) owns visitors 34 and 35.
    void conversation_data()
    {
        QTest::addColumn<QStringList>(
            "script"); // line, answer pattern (<seed>: as when seeded), ...
        using S = QStringList;
        const QString u = " UU 5 2 \"A\" +56912345678 1 0 0 24 127";
        // clang-format off
        QTest::newRow("CR and blanks around") << S{"  TOT_USERS \r", "30"};
        QTest::newRow("unknown number") << S{"UD_NUM +56900000000", "ERROR no existe", "BU +56900000000", "ERROR no existe"};
        QTest::newRow("uu category 4") << S{QString(u).replace(" 2 ", " 4 "), "ERROR.*"};
        QTest::newRow("uu name of 16") << S{QString(u).replace("A", "ABCDEFGHIJKLMNOP"), "ERROR.*"};
        QTest::newRow("uu name with comma") << S{QString(u).replace("A", "A,B"), "ERROR.*"};
        QTest::newRow("uu new admin, free id, owns itself") << S{" UU 900 1 \"A\" +56911110000 5 0 0 24 127", "## OK", "UD_NUM +56911110000", R"(## 900,1,"A",\+56911110000,900,.*)", "NEXT", "901", "ENVLOG", R"(.*\|XX 10 [^|]*)"};
        QTest::newRow("uu new users, taken and negative ids") << S{QString(u).replace(" 5 ", " 1 "), "## OK", "UD_NUM +56912345678", "## 36,.*", " UU -3 2 \"B\" +56911110000 1 -2 0 24 127", "## OK", "UD_NUM +56911110000", R"(## 37,2,"B",\+56911110000,1,-2,.*)", "TOT_USERS", "32"};
        QTest::newRow("uu known number, free id, visitors follow") << S{" UU 4000 2 \"A\" +56935478029 2 0 0 24 127", "## OK", "UD_NUM +56935478029", "## 4000,.*", "NEXT", "4001", "ENVLOG", R"(.*\|XX 12 [^|]*)"};
        QTest::newRow("uu known number, taken id") << S{" UU 1 2 \"A\" +56935478029 2 0 0 24 127", "## OK", "UD_NUM +56935478029", "## 12,.*", "TOT_USERS", "30"};
        QTest::newRow("bu takes the subtree") << S{"BU +56963458255", "## OK", "UD_NUM +56963458255", "ERROR no existe", "TOT_USERS", "18", "NEXT", "36", "ENVLOG", R"(.*\|XX 11 [^|]*)"};
        QTest::newRow("par text") << S{"SEND_PAR 2 00 \"Casa\"", "## OK", "GET_PARS", R"(## 00 "Casa"\|.*)"};
        QTest::newRow("par spin") << S{"SEND_PAR 1 03 5000", "## OK", "GET_PARS", R"(.*\|## 03 5000\|.*)"};
        QTest::newRow("par read-only") << S{"SEND_PAR 0 02 0", "ERROR.*", "GET_PARS", "<seed>"};
        QTest::newRow("par below range") << S{"SEND_PAR 0 07 -1", "ERROR.*", "GET_PARS", "<seed>"};
        QTest::newRow("par 16") << S{"SEND_PAR 0 16 1", "ERROR.*", "GET_PARS", "<seed>"};
        QTest::newRow("defaultdb restores the seed") << S{"SEND_PAR 2 00 \"B\"", "## OK", "BU +56963458255", "## OK", "CREATE500U", ".+", "DEFAULTDB", ".+", "LU", "<seed>", "ENVLOG", "<seed>", "GET_PARS", "<seed>"};
        // clang-format on
    }
    void conversation()
    {
        QFETCH(QStringList, script);
        Controller c(SeedOptions{7}), seeded(SeedOptions{7});
        for (int i = 0; i + 1 < script.size(); i += 2) {
            const std::string line = script[i].toStdString(), got = ask(c, line);
            const std::string want = script[i + 1].toStdString();
            const bool ok = want == "<seed>" ? got == ask(seeded, line)
                                             : std::regex_match(got, std::regex(want));
            QVERIFY2(ok, (line + " -> " + got.substr(0, 200)).c_str());
        }
        checkTree(c);
    }
};

QTEST_APPLESS_MAIN(TstSimCommands)
#include "tst_sim_commands.moc"
