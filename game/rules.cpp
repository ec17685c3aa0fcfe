#include "game/rules.h"

#include "text/variant.h"

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

std::optional<QString> roundPoints(int maxTries, double timeLimit)
{
    if (maxTries < 1 || !(timeLimit >= 1))
        return std::nullopt;
    QString points = vb::formatZero(10000.0 / maxTries);
    if (timeLimit < bonusFromSeconds)
        points = vb::formatZero(vb::leadingNumber(points) * (bonusFromSeconds / timeLimit));
    return points;
}

}  // namespace rules
