#include "game/rules.h"

#include "text/variant.h"

#include <QStringList>
#include <cmath>

namespace rules {

int drawDigit(float r)
{
    return static_cast<int>(std::floor(static_cast<double>(r) * 9));
}

Code drawCode(const std::function<float()>& rnd)
{
    Code code{};
    do
        code[0] = drawDigit(rnd());
    while (code[0] == 0);
    do
        code[1] = drawDigit(rnd());
    while (code[1] == code[0]);
    do
        code[2] = drawDigit(rnd());
    while (code[2] == code[1] || code[2] == code[0]);
    do
        code[3] = drawDigit(rnd());
    while (code[3] == code[1] || code[3] == code[0] || code[3] == code[2]);
    return code;
}

QString answerText(const Code& code)
{
    QString text = QStringLiteral("正确号码: ");
    for (int digit : code)
        text += vb::numberText(digit);
    return text;
}

GuessProblem checkGuess(const Guess& guess)
{
    for (const QString& box : guess)
        if (box.isEmpty())
            return GuessProblem::EmptyBox;
    for (size_t i = 0; i < guess.size(); ++i)
        for (size_t j = i + 1; j < guess.size(); ++j)
            if (guess[i] == guess[j])
                return GuessProblem::RepeatedDigit;
    return GuessProblem::None;
}

Marks scoreGuess(const Guess& guess, const Code& code)
{
    Marks marks;
    for (size_t box = 0; box < guess.size(); ++box)
        for (size_t position = 0; position < code.size(); ++position)
            if (guess[box] == vb::numberText(code[position]))
                ++(box == position ? marks.rightPlace : marks.wrongPlace);
    return marks;
}

QString settingsProblem(int maxTries, std::optional<double> seconds)
{
    QStringList problems;
    if (maxTries < 1)
        problems << QStringLiteral("次数至少为1");
    if (!(seconds.value_or(0) >= 1))
        problems << QStringLiteral("开锁时间至少为1秒");
    return problems.isEmpty() ? QString() : problems.join(u',') + QStringLiteral(",请在\"设置\"中修改!");
}

QString roundPoints(int maxTries, double timeLimit)
{
    QString points = vb::formatZero(10000.0 / maxTries);
    if (timeLimit < bonusFromSeconds)
        points = vb::formatZero(vb::leadingNumber(points) * (bonusFromSeconds / timeLimit));
    return points;
}

}  // namespace rules
