// The rules of the game that need no window: drawing a code, checking and scoring a
// guess, the points a solved round is worth.
#pragma once

#include <QString>
#include <array>
#include <functional>
#include <optional>

namespace rules {

constexpr size_t codeLength = 4;  // digits in a code, and digit boxes

using Code = std::array<int, codeLength>;
using Guess = std::array<QString, codeLength>;  // the texts of the digit boxes

// One draw: the whole part of r * 9, so 0-8 for 0 <= r < 1.
int drawDigit(float r);

// A new code from a source of uniform random numbers: the first digit is redrawn while
// it is 0, each later one while it equals an earlier one. Gives 1-8, then 0-8, all
// different, never a 9; each of the 2688 codes equally likely.
Code drawCode(const std::function<float()>& rnd);

// "正确号码: " followed by the four digits.
QString answerText(const Code& code);

enum class GuessProblem { None, EmptyBox, RepeatedDigit };

// Empty boxes are reported before repeated digits.
GuessProblem checkGuess(const Guess& guess);

struct Marks {
    int rightPlace = 0;  // right digit, right place
    int wrongPlace = 0;  // right digit, wrong place
};

// Every box is compared as text with every code digit. Because both the guess and the
// code hold different digits, a box matches at most one code digit, so the two counts
// never overlap and add up to at most codeLength.
Marks scoreGuess(const Guess& guess, const Code& code);

// Rounds shorter than this many seconds earn a bonus.
constexpr double bonusFromSeconds = 300;

// Why no game can be made of these settings, in the words the player is told, naming each
// setting to change; "" when one can. The points per round divide by the tries and the
// seconds, so each must be at least 1. seconds is nothing when the time limit is no number.
QString settingsProblem(int maxTries, std::optional<double> seconds);

// Points per solved round, for settings that make a game (see settingsProblem): 10000 /
// tries rounded (half away from zero); below bonusFromSeconds the rounded points are then
// scaled by bonusFromSeconds / seconds and rounded again.
QString roundPoints(int maxTries, double timeLimit);

}  // namespace rules
