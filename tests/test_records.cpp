// dat.ini: reading, writing, where it lives, and what survives a bad file or a failed save.
#include "records/records.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

using records::Fields;
using records::RecordsFile;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

RecordsFile fileIn(const QTemporaryDir& dir) { return RecordsFile(dir.path(), dir.filePath("user")); }

Module1 loaded(const RecordsFile& file)
{
    Module1 module;
    records::LoadRecords(module, file);
    return module;
}

// Loads and saves without playing, as a run that is opened and closed does.
QByteArray loadAndSave(const RecordsFile& file)
{
    const Module1 module = loaded(file);
    const auto saved = records::SaveRecords(module, module.RecordName.toText(), module.RecordScore.toText(), file);
    return saved.ok ? readBytes(saved.path) : QByteArray("save failed");
}

}  // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void readsFieldsLikeSequentialInput_data();
    void readsFieldsLikeSequentialInput();
    void fieldTwoRounding_data();
    void fieldTwoRounding();
    void unusableFieldsTakeTheirDefaults();
    void noFileGivesDefaultsAndWritesThem();
    void wellFormedFilesRoundTripByteForByte_data();
    void wellFormedFilesRoundTripByteForByte();
    void gbkFileFromAnotherProgramReads();
    void namesTheFormatCannotCarryComeBackIntact_data();
    void namesTheFormatCannotCarryComeBackIntact();
    void directoryNamedDatIniIsNotTheFile();
    void readOnlyProgramDirectoryUsesTheUserCopy();
    void failedSaveLeavesTheOldFile();
    void garbageAndHugeFilesLoadWithDefaults();
};

void TestRecords::readsFieldsLikeSequentialInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");  // "<missing>" for a field the text ended before
    QTest::newRow("one line") << "300,9,Zadrevik,1000\r\n\r\n" << QStringList{"300", "9", "Zadrevik", "1000"};
    QTest::newRow("four lines") << "300\r\n9\r\nZadrevik\r\n1000\r\n" << QStringList{"300", "9", "Zadrevik", "1000"};
    QTest::newRow("LF and CR line ends") << "300\n9\rZadrevik\n1000" << QStringList{"300", "9", "Zadrevik", "1000"};
    QTest::newRow("empty field") << "300,,Zadrevik,1000\r\n" << QStringList{"300", "", "Zadrevik", "1000"};
    QTest::newRow("empty line where a field is expected")
        << "300\r\n\r\nZadrevik\r\n1000" << QStringList{"300", "", "Zadrevik", "1000"};
    QTest::newRow("comma at a line end") << "300,\r\n9,Z" << QStringList{"300", "", "9", "Z"};
    QTest::newRow("more fields are ignored") << "1,2,3,4,5,6\r\n7\r\n" << QStringList{"1", "2", "3", "4"};
    QTest::newRow("spaces around fields") << "  60 , 7 ,  Li Lei  ,2000" << QStringList{"60", "7", "Li Lei", "2000"};
    QTest::newRow("quoted field keeps commas") << "300,9,\"a, b\",1000" << QStringList{"300", "9", "a, b", "1000"};
    QTest::newRow("text after closing quote dropped") << "300,9,\"ab\"cd,1000" << QStringList{"300", "9", "ab", "1000"};
    QTest::newRow("unclosed quote runs to the end") << "300,9,\"abc" << QStringList{"300", "9", "abc", "<missing>"};
    QTest::newRow("cut short") << "300,9" << QStringList{"300", "9", "<missing>", "<missing>"};
    QTest::newRow("empty file") << "" << QStringList{"<missing>", "<missing>", "<missing>", "<missing>"};
}

void TestRecords::readsFieldsLikeSequentialInput()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    const Fields read = records::readFields(text);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(read[static_cast<size_t>(i)].value_or(QStringLiteral("<missing>")), fields[i]);
}

void TestRecords::fieldTwoRounding_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("tries");
    QTest::newRow("9.5 to 10") << "9.5" << 10;
    QTest::newRow("8.5 to 8") << "8.5" << 8;
    QTest::newRow("empty to 0") << "" << 0;
    QTest::newRow("word to 0") << "many" << 0;
    QTest::newRow("out of range to 0") << "40000" << 0;
    QTest::newRow("negative kept") << "-3" << -3;
    QTest::newRow("large kept") << "32767" << 32767;
}

void TestRecords::fieldTwoRounding()
{
    QFETCH(QString, field);
    QFETCH(int, tries);
    Module1 module;
    records::applyFields(module, records::readFields("300," + field + ",Zadrevik,1000\r\n"));
    QCOMPARE(int(module.MaxTries), tries);
    QCOMPARE(module.TimeLimit, vb::Variant("300"));
}

void TestRecords::unusableFieldsTakeTheirDefaults()
{
    Module1 module;
    records::applyFields(module, records::readFields("soon,5,,lots"));
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(module.MaxTries), 5);
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    QCOMPARE(module.RecordScore, vb::Variant(1000.0));

    records::applyFields(module, records::readFields("45"));  // cut short after field 1
    QCOMPARE(module.TimeLimit, vb::Variant("45"));
    QCOMPARE(int(module.MaxTries), 9);
    QCOMPARE(module.RecordName.toText(), QStringLiteral("Zadrevik"));
    QCOMPARE(module.RecordScore.toText(), QStringLiteral("1000"));
}

void TestRecords::noFileGivesDefaultsAndWritesThem()
{
    QTemporaryDir dir;
    const RecordsFile file = fileIn(dir);
    const Module1 module = loaded(file);
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(module.MaxTries), 9);
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    QCOMPARE(module.RecordScore, vb::Variant(1000.0));
    QVERIFY(!QFile::exists(dir.filePath("dat.ini")));  // not created by loading
    QCOMPARE(loadAndSave(file), QByteArray("300,9,Zadrevik,1000\r\n\r\n"));
    QCOMPARE(readBytes(dir.filePath("dat.ini")), QByteArray("300,9,Zadrevik,1000\r\n\r\n"));
}

void TestRecords::wellFormedFilesRoundTripByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("defaults") << QByteArray("300,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("Chinese name") << records::encode(QStringLiteral("120,6,张三丰,5555\r\n\r\n"));
    QTest::newRow("time limit 060 kept as written") << QByteArray("060,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("zero settings") << QByteArray("0,0,Zadrevik,1000\r\n\r\n");
    QTest::newRow("name with inner spaces") << QByteArray("300,9,Li Lei,2222\r\n\r\n");
}

void TestRecords::wellFormedFilesRoundTripByteForByte()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), bytes);
    QCOMPARE(loadAndSave(fileIn(dir)), bytes);
}

void TestRecords::gbkFileFromAnotherProgramReads()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), QByteArray("300,9,\xD5\xC5\xC8\xFD,1000\r\n\r\n"));  // 张三 in GBK
    QCOMPARE(loaded(fileIn(dir)).RecordName.toText(), QStringLiteral("张三"));
}

void TestRecords::namesTheFormatCannotCarryComeBackIntact_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("comma") << "Smith, J" << "Smith, J";
    QTest::newRow("leading quote") << "\"Ace" << "＂Ace";
    QTest::newRow("quote and comma") << "a\"b,c" << "a＂b,c";
    QTest::newRow("inner quote alone is fine") << "a\"b" << "a\"b";
    QTest::newRow("spaces at both ends") << "  pad  " << "  pad  ";
    QTest::newRow("outside GBK") << "Ωμέγα 😀 ꦲ" << "Ωμέγα 😀 ꦲ";
    QTest::newRow("line break") << "two\nlines" << "two\nlines";
}

void TestRecords::namesTheFormatCannotCarryComeBackIntact()
{
    QFETCH(QString, name);
    QFETCH(QString, readBack);
    QTemporaryDir dir;
    const RecordsFile file = fileIn(dir);
    Module1 module = loaded(file);
    module.TimeLimit = "75";
    module.MaxTries = 4;
    QVERIFY(records::SaveRecords(module, name, "2222", file).ok);
    const Module1 again = loaded(file);
    QCOMPARE(again.RecordName.toText(), readBack);
    QCOMPARE(again.TimeLimit.toText(), QStringLiteral("75"));  // the other fields never shift
    QCOMPARE(int(again.MaxTries), 4);
    QCOMPARE(again.RecordScore.toText(), QStringLiteral("2222"));
}

void TestRecords::directoryNamedDatIniIsNotTheFile()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("dat.ini"));
    const Module1 module = loaded(fileIn(dir));
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    const auto saved = records::SaveRecords(module, "Zadrevik", "1000", fileIn(dir));
    QVERIFY(!saved.ok);  // cannot replace a directory; reported, nothing lost
    QVERIFY(QFileInfo(dir.filePath("dat.ini")).isDir());
}

void TestRecords::readOnlyProgramDirectoryUsesTheUserCopy()
{
    QTemporaryDir dir;
    const QString userDir = dir.filePath("home/varnoth");
    writeBytes(dir.filePath("dat.ini"), "200,5,Shipped,3000\r\n\r\n");
    const RecordsFile installed(dir.path(), userDir, [](const QString&) { return false; });

    // First run: the user has no copy yet, so the one beside the program is read...
    Module1 module = loaded(installed);
    QCOMPARE(module.RecordName.toText(), QStringLiteral("Shipped"));
    // ...and the save goes to the user's data directory, leaving the program's copy alone.
    const auto saved = records::SaveRecords(module, "Mine", "4000", installed);
    QVERIFY(saved.ok);
    QCOMPARE(saved.path, userDir + "/dat.ini");
    QCOMPARE(readBytes(userDir + "/dat.ini"), QByteArray("200,5,Mine,4000\r\n\r\n"));
    QCOMPARE(readBytes(dir.filePath("dat.ini")), QByteArray("200,5,Shipped,3000\r\n\r\n"));
    // Next run reads the user's copy.
    QCOMPARE(loaded(installed).RecordName.toText(), QStringLiteral("Mine"));

    // A writable program directory keeps everything beside the program.
    const RecordsFile portable(dir.path(), userDir);
    QCOMPARE(portable.loadPath(), dir.filePath("dat.ini"));
    QCOMPARE(portable.savePath(), dir.filePath("dat.ini"));
}

void TestRecords::failedSaveLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QByteArray old("300,9,Zadrevik,1000\r\n\r\n");
    writeBytes(dir.filePath("dat.ini"), old);
    Module1 module = loaded(fileIn(dir));
    module.TimeLimit = "60";

    // The disk "fills up" ten bytes into the new file: a real short write, even as root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 10;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const auto result = records::SaveRecords(module, QString(200, u'名'), "99999", fileIn(dir));
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.path, dir.filePath("dat.ini"));
    QCOMPARE(readBytes(dir.filePath("dat.ini")), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"dat.ini"});  // no leftovers
}

void TestRecords::garbageAndHugeFilesLoadWithDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(static_cast<char>((i * 151 + 7) % 256));
    writeBytes(path, binary);
    Module1 module = loaded(fileIn(dir));
    QVERIFY(!module.TimeLimit.toText().isEmpty());
    QVERIFY(module.TimeLimit.toNumber().has_value());
    QVERIFY(module.RecordScore.toNumber().has_value());

    // 100 MB of one line with no comma: only the first bytes are ever read.
    {
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            QCOMPARE(huge.write(block), block.size());
    }
    QElapsedTimer clock;
    clock.start();
    module = loaded(fileIn(dir));
    qInfo("100 MB file loaded in %lld ms", static_cast<long long>(clock.elapsed()));
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(module.MaxTries), 9);
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    QCOMPARE(module.RecordScore, vb::Variant(1000.0));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "test_records.moc"
