// The benchmark's floor: the smallest Qt Widgets program that opens a window. With
// --chinese it also shows the Chinese text the game's window shows when it opens, in the
// same fonts (the families the game's fonts resolve to here), as plain labels: it tells
// how much of the game's cost is simply having that text at all. In a web page the fonts
// are the files the page brings (its /fonts folder, as the game's page has them).
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>

namespace {

QFont font(const char* family, qreal points, bool bold)
{
    QFont f(QString::fromUtf8(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    for (const QString& name : QDir(QStringLiteral("/fonts")).entryList(QDir::Files))
        QFontDatabase::addApplicationFont(QStringLiteral("/fonts/") + name);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Floor"));
    window.setFixedSize(537, 295);
    if (argc > 1 && std::strcmp(argv[1], "--chinese") == 0) {
        const QFont song = font("AR PL UMing CN", 9, false);
        const QFont hei = font("WenQuanYi Zen Hei", 10.5, true);
        const struct {
            const char* text;
            QFont font;
        } captions[] = {
            {"选项", QApplication::font()},
            {"纪录: 1000 纪录人: Zadrevik 得分: 0 剩余时间: 剩余次数:", song},
            {"记录", font("AR PL UMing CN", 9, true)},
            {"输入四位数密码后按确定,如果密码正确,将会进入一关挑战。", hei},
            {"表示有多少答案，数字正确且位置正确。", hei},
            {"表示有多少答案，数字正确且位置不正确。", hei},
            {"设计: 锁匠工作室", song},
        };
        auto* layout = new QVBoxLayout(&window);
        for (const auto& caption : captions) {
            auto* label = new QLabel(QString::fromUtf8(caption.text), &window);
            label->setFont(caption.font);
            layout->addWidget(label);
        }
    }
    window.show();
    return QApplication::exec();
}
