// Start-up and shut-down of the main window: the records file into the labels, the
// window centred, the records saved at close, and a failed save reported, not hidden.
#include "system/chinese.h"
#include "text/gb18030.h"
#include "system/sessionend.h"
#include "settings/form2.h"
#include "support/gamefixture.h"

#include <QScreen>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <thread>

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
    void initTestCase()
    {
        installChineseFonts();
        installScreenReaderSupport();
    }
    void loadPutsTheRecordInTheLabels();
    void loadCentresTheWindow();
    void closingMidGameSavesTheLabelsAsTheyStand();
    void closingRightAfterStartRewritesWhatWasLoaded();
    void failedSaveIsReportedAndLosesNothing();
    void damagedFileIsToldAtStartAndAtItsReplacing();
    void sessionEndSavesLikeAClose_data();
    void sessionEndSavesLikeAClose();
    void stuckWindowStillSavesAtSessionEnd();
};

void TestStartup::loadPutsTheRecordInTheLabels()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("dat.ini"), *records::encode(QStringLiteral("120,6,张三丰,5555\r\n\r\n")));
    Module1 module;
    ScriptedPlatform platform;
    Form1 window(module, platform, records::RecordsFile{dir.path()});
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
    const QByteArray bytes = *records::encode(QStringLiteral("060,12,\"Smith, J\",3000\r\n\r\n"));
    writeFile(dir.filePath("dat.ini"), bytes);
    Module1 module;
    ScriptedPlatform platform;
    {
        Form1 window(module, platform, records::RecordsFile{dir.path()});
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
    Form1 window(module, platform, records::RecordsFile{dir.path()});
    window.Form_Load();
    window.close();
    QCOMPARE(platform.messages.size(), size_t(1));
    QCOMPARE(platform.messages[0].title, QStringLiteral("提示"));
    QVERIFY(platform.messages[0].text.contains(dir.filePath("dat.ini")));
    QVERIFY(QFileInfo(dir.filePath("dat.ini")).isDir());
}

// What the run tells about the file reaches the player: at start, and as the window closes.
void TestStartup::damagedFileIsToldAtStartAndAtItsReplacing()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("dat.ini"), "120,5,Kept\xFF,4000\r\n\r\n");
    Module1 module;
    ScriptedPlatform platform;
    Form1 window(module, platform, records::RecordsFile{dir.path()});
    window.Form_Load();
    QCOMPARE(window.Label14->caption(), QStringLiteral("Zadrevik"));
    QCOMPARE(platform.messages.size(), size_t(1));
    QVERIFY(platform.messages[0].text.contains(QStringLiteral("已损坏")));
    module.TimeLimit = "60";
    window.close();
    QCOMPARE(platform.messages.size(), size_t(2));
    QVERIFY(platform.messages[1].text.contains(QStringLiteral("原先已损坏的纪录文件已换成")));
    QCOMPARE(readFile(dir.filePath("dat.ini")), QByteArray("60,9,Zadrevik,1000\r\n\r\n"));
}

void TestStartup::sessionEndSavesLikeAClose_data()
{
    QTest::addColumn<QString>("open");  // what is open when the session ends
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("nothing") << "" << QByteArray("300,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("record offer: answered as cancelled") << "record" << QByteArray("300,1,Zadrevik,10000\r\n\r\n");
    QTest::newRow("settings dialog: committed") << "settings" << QByteArray("60,9,Zadrevik,1000\r\n\r\n");
}

void TestStartup::sessionEndSavesLikeAClose()
{
    QFETCH(QString, open);
    QFETCH(QByteArray, saved);
    Game game;
    Form1& w = game.w();
    // Saved before the box returns, too: Windows may end the program before that.
    QByteArray savedAtOnce;
    const auto endSession = [&] {
        w.run().sessionEnds();
        savedAtOnce = readFile(game.dir.filePath("dat.ini"));
    };
    if (open == "record") {
        game.module.MaxTries = 1;
        game.start("5037");
        game.platform.replies.push_back({"Alice", endSession});
        game.guess("5037");  // clears the game with 10000 points: the record is offered
        QCOMPARE(game.platform.prompts.size(), size_t(1));
        QCOMPARE(w.Label14->caption(), QStringLiteral("Zadrevik"));
    } else if (open == "settings") {
        QTimer::singleShot(0, &w, [&w, &endSession] {
            auto* dialog = dynamic_cast<Form2*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->Text1->setText("60");
            endSession();
        });
        w.a3_Click();
    } else {
        endSession();
    }
    QCOMPARE(savedAtOnce, saved);
    QTRY_COMPARE(readFile(game.dir.filePath("dat.ini")), saved);
    QVERIFY(game.platform.messages.empty());  // nothing asked or told on the way out
}

// Should the window's thread be stuck when the session ends, the last-resort thread saves
// the records as the window showed them last (the run's tests show it is only once).
void TestStartup::stuckWindowStillSavesAtSessionEnd()
{
    Game game;
    Form1& w = game.w();
    game.start("5037");
    game.platform.queueCode("1234");
    game.guess("5037");  // 1111 points, above the record
    game.platform.replies.push_back({QStringLiteral("听风"), {}});
    w.a2_Click();
    std::atomic<bool> saved = false;
    {
        SessionEndSignals endSignals;
        endSignals.setLastResort(std::chrono::milliseconds(50), [&] { saved = w.run().saveRemembered(); });
        ::raise(SIGTERM);
        // The window's thread takes no events meanwhile, as a stuck one would not.
        QDeadlineTimer deadline(5000);
        while (!saved && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    QVERIFY(saved);
    const QString path = game.dir.filePath("dat.ini");
    QCOMPARE(gb18030::decode(readFile(path)).text, QStringLiteral("300,9,听风,1111\r\n\r\n"));
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
