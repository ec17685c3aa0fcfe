#include "game/form1_layout.h"

#include "records/defaults.h"

#include <algorithm>

namespace face {

namespace {
const Font song9{"宋体", 9, false};  // the window's standard interface font: 180 twips a line
const Font song9Bold{"宋体", 9, true};
const Font song12{"宋体", 12, false};
const Font song72{"宋体", 72, true};
const Font kai{"楷体_GB2312", 21.75, true};
const Font hei{"黑体", 10.5, true};

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QColor yellow(255, 255, 0);
const QColor white(255, 255, 255);
const QColor magenta(255, 0, 255);
const QColor lightYellow(255, 255, 128);
const QColor black(0, 0, 0);
const QColor highlightedText;

constexpr int historyRowPitch = 240;  // twips from one history row to the next

// In drawing order.
// clang-format off
const Control controls[] = {
    // name       kind               left  top   width height text                font     colour  auto   visible reading spoken  names
    {"T(0)",      Kind::DigitBox,     150,  720,  600, 180, "",                   song9,   white,  false, true,  12, "第1位数字", ""},
    {"T(1)",      Kind::DigitBox,    1080,  720,  615, 180, "",                   song9,   white,  false, true,  13, "第2位数字", ""},
    {"T(2)",      Kind::DigitBox,    1920,  720,  615, 180, "",                   song9,   white,  false, true,  14, "第3位数字", ""},
    {"T(3)",      Kind::DigitBox,    2760,  720,  615, 180, "",                   song9,   white,  false, true,  15, "第4位数字", ""},
    // The history is read as one list of its used rows.
    {"L",         Kind::HistoryLabel, 5640, 360,  615, 255, "",                   song12,  yellow, false, true,   0, "", ""},
    {"Ld",        Kind::HistoryLabel, 6840, 360,  135, 255, "",                   song12,  red,    false, true,   0, "", ""},
    {"ID",        Kind::HistoryIcon,  6960, 360,  240, 240, "plus-green",         {},      {},      false, false,  0, "位置正确", ""},
    {"Ly",        Kind::HistoryLabel, 7320, 360,  135, 255, "",                   song12,  red,    false, true,   0, "", ""},
    {"IY",        Kind::HistoryIcon,  7440, 360,  240, 240, "plus-orange",        {},      {},      false, false,  0, "位置不正确", ""},
    // Index 9 of both icon arrays is the legend beside the instructions, not a history row.
    {"ID(9)",     Kind::Icon,          240, 2400, 240, 240, "plus-green",         {},      {},      false, true,  20, "位置正确", ""},
    {"IY(9)",     Kind::Icon,          240, 2760, 240, 240, "plus-orange",        {},      {},      false, true,  22, "位置不正确", ""},
    {"Label9",    Kind::Label,         120,  120, 495, 255, "纪录:",              song9,   red,    false, true,   1, "", "Label10"},
    // The record and its holder are shown at load, from the records.
    {"Label10",   Kind::Label,         600,   90, 615, 255, "",                   song9,   green,  false, true,   2, "", ""},
    {"Label13",   Kind::Label,        1200,  120, 630, 180, "纪录人:",            song9,   red,    true,  true,   3, "", "Label14"},
    {"Label14",   Kind::Label,        1920,  120, 720, 180, defaults::recordName, song9,   green,  true,  true,   4, "", ""},
    {"Label11",   Kind::Label,        2760,  120, 495, 255, "得分:",              song9,   red,    false, true,   5, "", "Label12"},
    {"Label12",   Kind::Label,        3240,  120, 615, 255, "0",                  song9,   yellow, false, true,   6, "", ""},
    {"Label2",    Kind::Label,        3840,  120, 810, 180, "剩余时间:",          song9,   white,  true,  true,   7, "", "Lt"},
    {"Lt",        Kind::Label,        4680,  120, 495, 255, "",                   song9,   red,    false, true,   8, "", ""},
    {"Label8",    Kind::Label,         120,  360, 1695, 255, "当前号码:",         song9,   red,    false, false,  9, "", ""},
    {"Label4",    Kind::Label,        3840,  360, 810, 180, "剩余次数:",          song9,   white,  true,  true,  10, "", "Lc"},
    {"Lc",        Kind::Label,        4800,  360, 375, 255, "",                   song9,   green,  false, true,  11, "", ""},
    {"Label6",    Kind::Label,        3000, 1200, 1575, 1335, "",                 song72,  yellow, false, true,  18, "剩余 %1 秒", ""},
    {"Label16",   Kind::Label,         240, 1680, 4695, 615,
     "输入四位数密码后按确定,如果密码正确,将会进入一关挑战。",                       hei,     highlightedText, false, true, 19, "", ""},
    {"Label17",   Kind::Label,         600, 2400, 4095, 375,
     "表示有多少答案，数字正确且位置正确。",                                         hei,     highlightedText, false, true, 21, "", ""},
    {"Label18",   Kind::Label,         600, 2760, 4335, 375,
     "表示有多少答案，数字正确且位置不正确。",                                       hei,     highlightedText, false, true, 23, "", ""},
    {"Label15",   Kind::Label,        3360, 3840, 1620, 180, "设计: 锁匠工作室",  song9,   lightYellow, true, true, 24, "", ""},
    {"Label7",    Kind::Label,        6480,   65, 495, 255, "记录",               song9Bold, red,  false, true,  25, "", ""},
    // The white copy of the message lies under the magenta one and says the same: not read.
    {"Label3",    Kind::Label,        1320, 1200, 5055, 465, " 答题失败,请继续努力!", kai,   white,  false, false,  0, "", ""},
    {"Label5",    Kind::Label,        1515, 1200, 4815, 465, "答题失败,请继续努力!",  kai,   magenta, false, false, 17, "", ""},
    {"Label1",    Kind::ClickArea,    3600,  600, 1335, 375, "",                  song9,   black,  false, true,  16, "确定", ""},
};
// clang-format on

}  // namespace

std::vector<Placed> placedControls()
{
    std::vector<Placed> placed;
    for (const Control& c : controls) {
        const QString name = QString::fromUtf8(c.name);
        if (c.kind != Kind::HistoryLabel && c.kind != Kind::HistoryIcon) {
            placed.push_back({name, c.rect(), &c});
            continue;
        }
        for (int row = 0; row < historyRows; ++row)
            placed.push_back({QStringLiteral("%1(%2)").arg(name).arg(row),
                              twipsRect(c.left, c.top + historyRowPitch * row, c.width, c.height), &c});
    }
    return placed;
}

QRect rectOf(const QString& name)
{
    for (const Placed& p : placedControls())
        if (p.name == name)
            return p.rect;
    return {};
}

std::vector<const Control*> inReadingOrder()
{
    std::vector<const Control*> read;
    for (const Control& control : controls)
        if (control.reading > 0)
            read.push_back(&control);
    std::stable_sort(read.begin(), read.end(), [](const Control* a, const Control* b) { return a->reading < b->reading; });
    return read;
}

const std::array<BlackWindow, 4> digitWindows{{
    {11, 46, 54, 62, 3},
    {68, 46, 112, 62, 3},
    {125, 46, 168, 62, 3},
    {181, 46, 224, 62, 3},
}};
const BlackWindow instructionsPanel{8, 102, 335, 270, 2};
const BlackWindow historyPanel{352, 17, 528, 270, 2};

const char* const spokenName = "密码锁";
const char* const spokenDescription =
    "猜出由四个各不相同的数字组成的密码即可开锁。按 Alt 键打开选项菜单,选择开始解锁开始游戏。";

const char* const confirmCaption = "确定";
const std::array<const char*, 11> keyCapLegends{"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "←"};

const Groove scoreGroove{38.5, 8, 336};
const Groove historyWall{343.5, 14, 272};

}  // namespace face
