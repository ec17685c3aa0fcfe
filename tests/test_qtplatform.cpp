// The game's boxes on Qt: their buttons read 确定 and 取消 with no Qt translation loaded.
#include "platform/qtplatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace {

// Once the box is open: notes the texts of its buttons and closes it.
void readButtonsThenClose(QStringList& texts)
{
    QWidget* box = QApplication::activeModalWidget();
    if (!box) {
        QTimer::singleShot(10, [&texts] { readButtonsThenClose(texts); });
        return;
    }
    for (const QAbstractButton* button : box->findChildren<QAbstractButton*>())
        if (button->isVisible())
            texts << button->text();
    texts.sort();
    box->close();
}

}  // namespace

class TestQtPlatform : public QObject {
    Q_OBJECT
private slots:
    void boxButtonsReadInChinese();
};

void TestQtPlatform::boxButtonsReadInChinese()
{
    QtPlatform platform;
    QStringList messageButtons;
    QTimer::singleShot(0, [&messageButtons] { readButtonsThenClose(messageButtons); });
    platform.messageBox(QStringLiteral("请输入四位数字"), Platform::InformationOk, QStringLiteral("提示"));
    QCOMPARE(messageButtons, QStringList{QStringLiteral("确定")});

    QStringList inputButtons;
    QTimer::singleShot(0, [&inputButtons] { readButtonsThenClose(inputButtons); });
    QCOMPARE(platform.inputBox(QStringLiteral("恭喜破纪录,请输入您的大名:"), QStringLiteral("提示"), 20), QString());
    QCOMPARE(inputButtons, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
}

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"
