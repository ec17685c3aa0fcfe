// The game's boxes on Qt: their buttons read 确定 and 取消 with no Qt translation loaded.
#include "platform/qtplatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
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

// Once the box is open: types (as a paste does) each text into its field, then presses OK.
void typeThenAccept(const QStringList& texts)
{
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!box) {
        QTimer::singleShot(10, [texts] { typeThenAccept(texts); });
        return;
    }
    auto* field = box->findChild<QLineEdit*>();
    for (const QString& text : texts)
        field->insert(text);
    box->accept();
}

}  // namespace

class TestQtPlatform : public QObject {
    Q_OBJECT
private slots:
    void boxButtonsReadInChinese();
    void inputBoxCountsCharactersAndCutsNoneInHalf_data();
    void inputBoxCountsCharactersAndCutsNoneInHalf();
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
    QCOMPARE(platform.inputBox(QStringLiteral("恭喜破纪录,请输入您的大名:"), QStringLiteral("提示"), 20, {}), QString());
    QCOMPARE(inputButtons, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
}

void TestQtPlatform::inputBoxCountsCharactersAndCutsNoneInHalf_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("kept");
    const QString letters(31, u'a');
    QTest::newRow("31 letters and two outside the BMP") << QStringList{letters + "😀😀"} << letters + "😀";
    QTest::newRow("one outside the BMP after 31 letters") << QStringList{letters, "𠀀", "b"} << letters + "𠀀";
    QTest::newRow("40 Chinese characters") << QStringList{QString(40, u'长')} << QString(32, u'长');
}

void TestQtPlatform::inputBoxCountsCharactersAndCutsNoneInHalf()
{
    QFETCH(QStringList, typed);
    QFETCH(QString, kept);
    QtPlatform platform;
    QTimer::singleShot(0, [typed] { typeThenAccept(typed); });
    QCOMPARE(platform.inputBox(QStringLiteral("恭喜破纪录,请输入您的大名:"), QStringLiteral("提示"), 32, {}), kept);
}

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"
