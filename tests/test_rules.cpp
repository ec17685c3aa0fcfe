// The rules that need no window: codes, guesses, points, the keys a digit box takes.
#include "game/rules.h"
#include "platform/keyfilter.h"
#include "support/scriptedplatform.h"

#include <QTest>
#include <deque>
#include <random>
#include <set>

using rules::Code;
using rules::Guess;

namespace {
Guess guessOf(const char* digits)
{
    Guess guess;
    for (size_t i = 0; i < 4; ++i)
        guess[i] = digits[i] == '_' ? QString() : QString(QChar(digits[i]));
    return guess;
}
}  // namespace

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void everyCodeOccursAndNoneBreaksTheRules();
    void drawsAreRedrawnInOrder();
    void drawDigitCoversZeroToEight();
    void answerText();
    void scoreGuess_data();
    void scoreGuess();
    void checkGuess_data();
    void checkGuess();
    void roundPoints_data();
    void roundPoints();
    void digitKeys();
    void settingsThatCannotMakeAGame();
};

void TestRules::everyCodeOccursAndNoneBreaksTheRules()
{
    std::mt19937 generator(20261207u);
    auto rnd = [&] { return static_cast<float>(generator() >> 8) * (1.0f / 16777216.0f); };
    std::map<int, int> seen;
    const int draws = 200000;
    for (int n = 0; n < draws; ++n) {
        const Code code = rules::drawCode(rnd);
        QVERIFY(code[0] >= 1 && code[0] <= 8);
        for (int digit : code)
            QVERIFY(digit >= 0 && digit <= 8);
        QCOMPARE(std::set<int>(code.begin(), code.end()).size(), size_t(4));
        ++seen[code[0] * 1000 + code[1] * 100 + code[2] * 10 + code[3]];
    }
    QCOMPARE(seen.size(), size_t(2688));
    // Equally likely: about 74 each; a fair draw keeps every count well inside 30..130.
    for (const auto& [code, count] : seen)
        QVERIFY2(count > 30 && count < 130, qPrintable(QString("code %1 drawn %2 times").arg(code).arg(count)));
}

void TestRules::drawsAreRedrawnInOrder()
{
    // first 0 (redrawn), 5; second 5 (equals the first, redrawn), 0; third 0 and 5 (both
    // taken), 3; fourth 3, 5, 0 (all taken), 7.
    std::deque<float> draws;
    for (int d : {0, 5, 5, 0, 0, 5, 3, 3, 5, 0, 7})
        draws.push_back((static_cast<float>(d) + 0.5f) / 9.0f);
    const Code code = rules::drawCode([&] {
        const float r = draws.front();
        draws.pop_front();
        return r;
    });
    QCOMPARE(code, (Code{5, 0, 3, 7}));
    QVERIFY(draws.empty());
}

void TestRules::drawDigitCoversZeroToEight()
{
    QCOMPARE(rules::drawDigit(0.0f), 0);
    QCOMPARE(rules::drawDigit(0.5f), 4);
    QCOMPARE(rules::drawDigit(0.99999994f), 8);  // the largest float below 1 never gives a 9
    for (int d = 0; d <= 8; ++d)
        QCOMPARE(rules::drawDigit((static_cast<float>(d) + 0.5f) / 9.0f), d);
}

void TestRules::answerText()
{
    QCOMPARE(rules::answerText({5, 0, 3, 7}), QStringLiteral("正确号码: 5037"));
    QCOMPARE(rules::answerText({1, 2, 3, 4}), QStringLiteral("正确号码: 1234"));
}

void TestRules::scoreGuess_data()
{
    QTest::addColumn<QString>("guess");
    QTest::addColumn<int>("rightPlace");
    QTest::addColumn<int>("wrongPlace");
    // Against the code 5037.
    QTest::newRow("worked example") << "3058" << 1 << 2;
    QTest::newRow("nothing in common") << "1249" << 0 << 0;
    QTest::newRow("solved") << "5037" << 4 << 0;
    QTest::newRow("all four misplaced") << "7305" << 0 << 4;
    QTest::newRow("leading zero") << "0537" << 2 << 2;
    QTest::newRow("a 9 never matches") << "9037" << 3 << 0;
}

void TestRules::scoreGuess()
{
    QFETCH(QString, guess);
    QFETCH(int, rightPlace);
    QFETCH(int, wrongPlace);
    const rules::Marks marks = rules::scoreGuess(guessOf(qPrintable(guess)), {5, 0, 3, 7});
    QCOMPARE(marks.rightPlace, rightPlace);
    QCOMPARE(marks.wrongPlace, wrongPlace);
}

void TestRules::checkGuess_data()
{
    QTest::addColumn<QString>("guess");
    QTest::addColumn<int>("problem");
    QTest::newRow("fine") << "0123" << int(rules::GuessProblem::None);
    QTest::newRow("all empty") << "____" << int(rules::GuessProblem::EmptyBox);
    QTest::newRow("last empty") << "123_" << int(rules::GuessProblem::EmptyBox);
    QTest::newRow("empty is tested before repeats") << "11_3" << int(rules::GuessProblem::EmptyBox);
    QTest::newRow("first pair repeated") << "1123" << int(rules::GuessProblem::RepeatedDigit);
    QTest::newRow("last pair repeated") << "1233" << int(rules::GuessProblem::RepeatedDigit);
    QTest::newRow("outer pair repeated") << "4564" << int(rules::GuessProblem::RepeatedDigit);
}

void TestRules::checkGuess()
{
    QFETCH(QString, guess);
    QFETCH(int, problem);
    QCOMPARE(int(rules::checkGuess(guessOf(qPrintable(guess)))), problem);
}

void TestRules::roundPoints_data()
{
    QTest::addColumn<int>("maxTries");
    QTest::addColumn<double>("timeLimit");
    QTest::addColumn<QString>("points");
    QTest::newRow("9 / 300") << 9 << 300.0 << "1111";
    QTest::newRow("9 / 600") << 9 << 600.0 << "1111";
    QTest::newRow("9 / 299") << 9 << 299.0 << "1115";
    QTest::newRow("9 / 200: 1666.5 up") << 9 << 200.0 << "1667";
    QTest::newRow("9 / 150") << 9 << 150.0 << "2222";
    QTest::newRow("9 / 60: from the rounded points") << 9 << 60.0 << "5555";
    QTest::newRow("6 / 300") << 6 << 300.0 << "1667";
    QTest::newRow("10 / 200") << 10 << 200.0 << "1500";
    QTest::newRow("32 / 300: 312.5 up") << 32 << 300.0 << "313";
    QTest::newRow("1 / 300") << 1 << 300.0 << "10000";
    QTest::newRow("9 / 120: 2777.5 up") << 9 << 120.0 << "2778";
    QTest::newRow("9 / 1") << 9 << 1.0 << "333300";
    QTest::newRow("9 / 59.5") << 9 << 59.5 << "5602";
}

void TestRules::roundPoints()
{
    QFETCH(int, maxTries);
    QFETCH(double, timeLimit);
    QFETCH(QString, points);
    QCOMPARE(rules::roundPoints(maxTries, timeLimit), points);
}

// Both windows' boxes take a digit or Backspace; any other character is refused with a beep.
void TestRules::digitKeys()
{
    // Every key of the BMP through the filter: each either passes untouched or is cleared
    // with one beep, and those that pass are the ten digits and Backspace.
    ScriptedPlatform platform;
    QString passed;
    for (int c = 0; c < 0x10000; ++c) {
        const int beeps = platform.beeps;
        int keyAscii = c;
        DigitKeyFilter(keyAscii, platform);
        if (keyAscii == c && platform.beeps == beeps)
            passed += QChar(c);
        else
            QVERIFY2(keyAscii == 0 && platform.beeps == beeps + 1, qPrintable(QString::number(c)));
    }
    QCOMPARE(passed, QStringLiteral("\b0123456789"));
}

void TestRules::settingsThatCannotMakeAGame()
{
    const QString change = QStringLiteral(",请在\"设置\"中修改!");
    QCOMPARE(rules::settingsProblem(9, 1.0), QString());
    QCOMPARE(rules::settingsProblem(0, 300.0), "次数至少为1" + change);
    QCOMPARE(rules::settingsProblem(-3, 300.0), "次数至少为1" + change);
    QCOMPARE(rules::settingsProblem(9, 0.5), "开锁时间至少为1秒" + change);
    QCOMPARE(rules::settingsProblem(9, std::nullopt), "开锁时间至少为1秒" + change);
    QCOMPARE(rules::settingsProblem(0, -60.0), "次数至少为1,开锁时间至少为1秒" + change);
}

QTEST_APPLESS_MAIN(TestRules)
#include "test_rules.moc"
