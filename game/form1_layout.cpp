#include "game/form1_layout.h"

#include "game/form1.h"

const FontDesign defaultFont{"宋体", 9, false};
const char* const designCredit = "设计: 锁匠工作室";

namespace {
const FontDesign kai{"楷体_GB2312", 21.75, true};
const FontDesign song72{"宋体", 72, true};
const FontDesign hei{"黑体", 10.5, true};
const FontDesign song9Bold{"宋体", 9, true};

const QColor red(255, 0, 0);
const QColor green(0, 255, 0);
const QColor yellow(255, 255, 0);
const QColor white(255, 255, 255);
const QColor magenta(255, 0, 255);
const QColor lightYellow(255, 255, 128);
const QColor highlightedText;
const QColor black(0, 0, 0);
}  // namespace

// In drawing order: later labels lie on top, so Label5 covers Label3 and the click area
// Label1 lies over everything near the button.
const LabelDesign form1Labels[] = {
    {&Form1::Label9, "Label9", 120, 120, 495, 255, "纪录:", defaultFont, red, false, true},
    {&Form1::Label10, "Label10", 600, 90, 615, 255, "3000", defaultFont, green, false, true},
    {&Form1::Label13, "Label13", 1200, 120, 630, 180, "纪录人:", defaultFont, red, true, true},
    {&Form1::Label14, "Label14", 1920, 120, 720, 180, "Zadrevik", defaultFont, green, true, true},
    {&Form1::Label11, "Label11", 2760, 120, 495, 255, "得分:", defaultFont, red, false, true},
    {&Form1::Label12, "Label12", 3240, 120, 615, 255, "0", defaultFont, yellow, false, true},
    {&Form1::Label2, "Label2", 3840, 120, 810, 180, "剩余时间:", defaultFont, white, true, true},
    {&Form1::Lt, "Lt", 4680, 120, 495, 255, "", defaultFont, red, false, true},
    {&Form1::Label8, "Label8", 120, 360, 1695, 255, "当前号码:", defaultFont, red, false, false},
    {&Form1::Label4, "Label4", 3840, 360, 810, 180, "剩余次数:", defaultFont, white, true, true},
    {&Form1::Lc, "Lc", 4800, 360, 375, 255, "", defaultFont, green, false, true},
    {&Form1::Label6, "Label6", 3000, 1200, 1575, 1335, "", song72, yellow, false, true},
    {&Form1::Label16, "Label16", 240, 1680, 4695, 615, "输入四位数密码后按确定,如果密码正确,将会进入一关挑战。", hei,
     highlightedText, false, true},
    {&Form1::Label17, "Label17", 600, 2400, 4095, 375, "表示有多少答案，数字正确且位置正确。", hei, highlightedText,
     false, true},
    {&Form1::Label18, "Label18", 600, 2760, 4335, 375, "表示有多少答案，数字正确且位置不正确。", hei, highlightedText,
     false, true},
    {&Form1::Label15, "Label15", 3360, 3840, 1620, 180, designCredit, defaultFont, lightYellow, true, true},
    {&Form1::Label7, "Label7", 6480, 65, 495, 255, "记录", song9Bold, red, false, true},
    {&Form1::Label3, "Label3", 1320, 1200, 5055, 465, " 答题失败,请继续努力!", kai, white, false, false},
    {&Form1::Label5, "Label5", 1515, 1200, 4815, 465, "答题失败,请继续努力!", kai, magenta, false, false},
    {&Form1::Label1, "Label1", 3600, 600, 1335, 375, "", defaultFont, black, false, true},
};

const int form1LabelCount = static_cast<int>(std::size(form1Labels));
