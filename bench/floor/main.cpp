// The benchmark's floor: the smallest Qt Widgets program that opens a window. With
// --chinese it also shows one line of Chinese text in the game's two common fonts, which
// tells how much of the game's cost is simply having Chinese text at all.
#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(537, 295);
    if (argc > 1 && std::strcmp(argv[1], "--chinese") == 0) {
        auto* layout = new QVBoxLayout(&window);
        auto* song = new QLabel(QStringLiteral("纪录: 1000 纪录人: 得分: 剩余时间:"), &window);
        song->setFont(QFont(QStringLiteral("AR PL UMing CN"), 9));
        auto* hei = new QLabel(QStringLiteral("输入四位数密码后按确定,如果密码正确,将会进入一关挑战。"), &window);
        hei->setFont(QFont(QStringLiteral("WenQuanYi Zen Hei"), 10, QFont::Bold));
        layout->addWidget(song);
        layout->addWidget(hei);
    }
    window.show();
    return QApplication::exec();
}
