// Start-up and shut-down of the main window: the records file into the labels, the
// window centred, the records saved at close, and a failed save reported, not hidden.
#include "platform/chinese.h"
#include "support/gamefixture.h"

#include <QScreen>
#include <QTest>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { installChineseFonts(); }
    void loadPutsTheRecordInTheLabels();
    void loadCentresTheWindow();
    void closingMidGameSavesTheLabelsAsTheyStand();
    void closingRightAfterStartRewritesWhatWasLoaded();
    void failedSaveIsReportedAndLosesNothing();
};

void TestStartup::loadPutsTheRecordInTheLabels()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("dat.ini"), records::encode(QStringLiteral("120,6,张三丰,5555\r\n\r\n")));
    Module1 module;
    ScriptedPlatform platform;
    Form1 window(module, platform, records::RecordsFile(dir.path(), {}));
    window.Form_Load();
    QCOMPARE(window.Label10->caption(), QStringLiteral("5555"));
    QCOMPARE(window.Label14->caption(), QStringLiteral("张三丰"));
    QCOMPARE(module.TimeLimit.toText(), QStringLiteral("120"));
    QCOMPARE(int(module.MaxTries), 6);
    QCOMPARE(platform.seeds, 1);
    // The settings from the file are the ones a game starts with.
    platform.queueCode("1234");
    window.a1_Click();
    QCOMPARE(window.Lt->caption(), QStringLiteral("120"));
    QCOMPARE(window.Lc->caption(), QStringLiteral("6"));
    QCOMPARE(window.RoundPoints, QStringLiteral("4168"));  // 1667 * 2.5 = 4167.5
}

void TestStartup::loadCentresTheWindow()
{
    Game game;
    const QRect screen = game.w().screen()->geometry();
    const QPoint centre = game.w().geometry().center();
    QVERIFY(qAbs(centre.x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(centre.y() - screen.center().y()) <= 1);
}

void TestStartup::closingMidGameSavesTheLabelsAsTheyStand()
{
    Game game;
    game.module.TimeLimit = "45";
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");  // a score of 7407, above the record, but not offered at close
    game.w().close();
    QVERIFY(game.platform.prompts.empty());
    QCOMPARE(readFile(game.dir.filePath("dat.ini")), QByteArray("45,9,Zadrevik,1000\r\n\r\n"));
}

void TestStartup::closingRightAfterStartRewritesWhatWasLoaded()
{
    QTemporaryDir dir;
    const QByteArray bytes = records::encode(QStringLiteral("060,12,\"Smith, J\",3000\r\n\r\n"));
    writeFile(dir.filePath("dat.ini"), bytes);
    Module1 module;
    ScriptedPlatform platform;
    {
        Form1 window(module, platform, records::RecordsFile(dir.path(), {}));
        window.Form_Load();
        QCOMPARE(window.Label14->caption(), QStringLiteral("Smith, J"));
        window.close();
    }
    QCOMPARE(readFile(dir.filePath("dat.ini")), bytes);
    QVERIFY(platform.messages.empty());
}

void TestStartup::failedSaveIsReportedAndLosesNothing()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("dat.ini"));  // nothing can replace a directory
    Module1 module;
    ScriptedPlatform platform;
    Form1 window(module, platform, records::RecordsFile(dir.path(), {}));
    window.Form_Load();
    window.close();
    QCOMPARE(platform.messages.size(), size_t(1));
    QCOMPARE(platform.messages[0].title, QStringLiteral("提示"));
    QVERIFY(platform.messages[0].text.contains(dir.filePath("dat.ini")));
    QVERIFY(QFileInfo(dir.filePath("dat.ini")).isDir());
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
