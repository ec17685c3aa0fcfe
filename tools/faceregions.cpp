// Writes the screen regions that the real-window tests look at, from the face table, as a
// file of shell variables (pixels of the face at 96 dots per inch: "X Y WIDTH HEIGHT", or
// "X Y" for a point):
//
//   faceregions <file>
#include "game/form1_layout.h"

#include <cstdio>

namespace {

void region(std::FILE* out, const char* variable, const QRect& r)
{
    std::fprintf(out, "%s=\"%d %d %d %d\"\n", variable, r.x(), r.y(), r.width(), r.height());
}

}  // namespace

// cppcheck-suppress constParameter ; main's parameters are as the C++ standard gives them
int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: faceregions <file>\n");
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "# Written by faceregions from game/form1_layout.cpp; do not edit.\n");
    std::fprintf(out, "FACE_WIDTH=%d\nFACE_HEIGHT=%d\n", px(face::clientWidth), px(face::clientHeight));
    region(out, "HISTORY", face::historyPanel.inside());                  // the right-hand panel
    region(out, "ROW0", face::rectOf("L(0)"));                         // the first row's guess
    region(out, "MESSAGE", face::rectOf("Label3"));                    // the result message
    // The part of the drawn 确定 button that its click area covers, and a click in its middle.
    const QRectF confirm = QRectF(face::rectOf("Label1")).intersected(QRectF(face::confirmButton));
    region(out, "CONFIRM_AREA", confirm.toAlignedRect());
    std::fprintf(out, "CONFIRM=\"%d %d\"\n", qRound(confirm.center().x()), qRound(confirm.center().y()));
    return std::fclose(out) == 0 ? 0 : 1;
}
