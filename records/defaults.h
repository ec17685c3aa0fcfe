// What the game starts with when dat.ini gives nothing: the settings and the record.
#pragma once

#include <QtGlobal>

namespace defaults {

constexpr int timeLimit = 300;  // seconds per round
constexpr qint16 maxTries = 9;  // tries per game
constexpr const char* recordName = "Zadrevik";
constexpr int recordScore = 1000;

}  // namespace defaults
