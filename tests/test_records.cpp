// dat.ini on every system: its text, the save against faults at each of its steps (a full
// disk, a lock another copy holds, a file changed meanwhile, a copy killed), copies of the
// game saving at once, and the run's end, which decides when the game saves and what
// it tells.
#include "game/run.h"
#include "support/copyprocess.h"
#include "support/recordsfiles.h"

#include <QCoreApplication>
#include <QStringEncoder>
#include <QThread>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <thread>

using records::Fields;
using records::SaveProblem;
using records::Records;
using safefile::Failure;
using safefile::Handle;

namespace {

const QByteArray oldFile("300,9,Old,1000\r\n\r\n");
const Records oldValues{"300", 9, "Old", "1000"};

// The system's files with faults: a disk that is full, locks another copy holds, a program
// that writes dat.ini at a chosen step, and a copy that dies at its n-th call: from then on
// nothing it asks for happens, and the files it had open are closed, as the system closes
// a killed process's files.
class FaultyFiles : public safefile::Files {
public:
    int dieAtCall = 0;  // 0: never
    int busyLocks = 0;  // this many lock attempts find another copy holding it; -1: all
    bool diskFull = false;
    bool unreadable = false;       // a regular file reads as one this user may not read
    bool folderRefuses = false;    // the folder takes no new file
    bool lockFileDenied = false;   // a lock file that is there may not be opened: another user's
    std::function<void(const char* call)> before;  // runs before each call, and each pause
    int pauses = 0;

    bool died() const { return dieAtCall > 0 && calls_ >= dieAtCall; }

    safefile::Contents read(const QString& path, qint64 maxBytes) override
    {
        if (dead("read"))
            return {safefile::Kind::Other, {}, true, true, false, QStringLiteral("killed")};
        safefile::Contents contents = Files::read(path, maxBytes);
        if (unreadable && contents.kind == safefile::Kind::RegularFile) {
            contents.bytes.clear();
            contents.readable = false;
            contents.error = QStringLiteral("Permission denied");
        }
        return contents;
    }
    QString makeFolders(const QString& path) override
    {
        return dead("makeFolders") ? killed : Files::makeFolders(path);
    }
    safefile::Opened open(const QString& path, safefile::Access access) override
    {
        if (dead("open"))
            return notOpened(Failure::Other);
        if (lockFileDenied && access == safefile::Access::LockFile && QFile::exists(path))
            return notOpened(Failure::Denied, QStringLiteral("Permission denied"));
        return opened(Files::open(path, access));
    }
    safefile::Opened create(const QString& path, const QString& permissionsOf) override
    {
        if (dead("create") || folderRefuses)
            return notOpened(died() ? Failure::Other : Failure::Denied);
        return opened(Files::create(path, permissionsOf));
    }
    safefile::Lock lock(Handle file, QString& error) override
    {
        if (dead("lock"))
            return safefile::Lock::Unavailable;
        if (busyLocks != 0) {
            busyLocks -= busyLocks > 0 ? 1 : 0;
            return safefile::Lock::Busy;
        }
        return Files::lock(file, error);
    }
    bool isAt(Handle file, const QString& path) override { return !dead("isAt") && Files::isAt(file, path); }
    safefile::Outcome write(Handle file, const QByteArray& bytes) override
    {
        if (dead("write") || diskFull)
            return {Failure::Other, QStringLiteral("No space left on device")};
        return Files::write(file, bytes);
    }
    safefile::Outcome truncate(Handle file, qint64 size) override
    {
        return dead("truncate") ? safefile::Outcome{Failure::Other, killed} : Files::truncate(file, size);
    }
    void close(Handle file) override
    {
        if (dead("close"))
            return;
        open_.erase(file);
        Files::close(file);
    }
    safefile::Outcome replace(const QString& from, const QString& to) override
    {
        return dead("replace") ? safefile::Outcome{Failure::Other, killed} : Files::replace(from, to);
    }
    QStringList names(const QString& folder, const QString& prefix) override
    {
        return dead("names") ? QStringList() : Files::names(folder, prefix);
    }
    void removeIfUnlocked(const QString& path) override
    {
        if (!dead("removeIfUnlocked"))
            Files::removeIfUnlocked(path);
    }
    void pause(int ms) override
    {
        ++pauses;
        clock_ += ms;
        if (before)
            before("pause");
    }
    qint64 now() override { return clock_; }

private:
    const QString killed = QStringLiteral("killed");

    // Counts the call; true once the copy has died.
    bool dead(const char* call)
    {
        if (died())
            return true;
        if (before)
            before(call);
        if (++calls_ != dieAtCall)
            return false;
        for (const Handle file : open_)
            Files::close(file);
        open_.clear();
        return true;
    }
    safefile::Opened notOpened(Failure failure, const QString& error = {}) const
    {
        safefile::Opened none;
        none.failure = failure;
        none.error = error.isEmpty() ? killed : error;
        return none;
    }
    safefile::Opened opened(const safefile::Opened& result)
    {
        if (result.file != safefile::noFile)
            open_.insert(result.file);
        return result;
    }

    int calls_ = 0;
    qint64 clock_ = 0;  // what the pauses have waited, for no time at all
    std::set<Handle> open_;
};

Records valuesFrom(const QString& line)
{
    const Fields fields = records::readFields(line);
    return {*fields[0], static_cast<qint16>(fields[1]->toInt()), *fields[2], *fields[3]};
}

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

// The files of a copy of the game that stops, holding the lock (it hangs, or its disk is
// slow), inside the flush of its first new file ("write") or just before that file replaces
// dat.ini ("replace"): it says so with a file "stopped" in its control folder, and goes on
// once a file "go" is there.
class StoppingFiles : public safefile::Files {
public:
    StoppingFiles(QString control, QString stopAt) : control_(std::move(control)), stopAt_(std::move(stopAt)) {}
    safefile::Outcome write(Handle file, const QByteArray& bytes) override
    {
        safefile::Outcome written = Files::write(file, bytes);
        stopIn("write");
        return written;
    }
    safefile::Outcome replace(const QString& from, const QString& to) override
    {
        stopIn("replace");
        return Files::replace(from, to);
    }

private:
    void stopIn(const QString& call)
    {
        if (call != stopAt_ || stopped_)
            return;
        stopped_ = true;
        while (touch(control_ + "/stopped") && !QFile::exists(control_ + "/go"))
            QThread::msleep(10);
    }
    QString control_;
    QString stopAt_;
    bool stopped_ = false;
};

// Another copy of the game, this program run again: "--copy FOLDER CONTROL LOADED OURS STOP"
// saves OURS over what it loaded (both lines of dat.ini), stopping at STOP (StoppingFiles).
int runCopy(const QStringList& arguments)
{
    StoppingFiles files(arguments[3], arguments[6]);
    const records::RecordsFile file{arguments[2]};
    return records::SaveRecords(valuesFrom(arguments[4]), valuesFrom(arguments[5]), file, files).ok() ? 0 : 1;
}

// A copy stopped inside its save, as above.
struct StoppedCopy {
    QTemporaryDir control;
    std::unique_ptr<CopyProcess> process;

    StoppedCopy(const QTemporaryDir& dir, const QString& loaded, const QString& ours, const QString& stopAt = "write")
    {
        process = std::make_unique<CopyProcess>(QStringList{"--copy", dir.path(), control.path(), loaded, ours, stopAt});
        for (int waited = 0; process->started() && !stopped() && waited < 30000; waited += 10)
            QThread::msleep(10);
    }
    bool stopped() const { return QFile::exists(control.filePath("stopped")); }
    bool goOn() const { return touch(control.filePath("go")); }
};

}  // namespace

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    // the text
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
    void filesTheGameDidNotWriteAreNotRewritten_data();
    void filesTheGameDidNotWriteAreNotRewritten();
    void garbageAndHugeFilesLoadWithDefaults();
    void installedCopyKeepsItsRecordsInTheUserFolder_data();
    void installedCopyKeepsItsRecordsInTheUserFolder();
    // the save
    void twoCopiesKeepEachOthersChanges_data();
    void twoCopiesKeepEachOthersChanges();
    void faultsLeaveTheOldFile_data();
    void faultsLeaveTheOldFile();
    void aSaveKilledAtAnyStepLeavesAWholeRecord_data();
    void aSaveKilledAtAnyStepLeavesAWholeRecord();
    void aStoppedCopyDelaysButNeverUndoesAnother();
    void aLockFileThisCopyMayNotOpenIsWaitedFor_data();
    void aLockFileThisCopyMayNotOpenIsWaitedFor();
    void leftoversGoWhenNoCopyHoldsThem_data();
    void leftoversGoWhenNoCopyHoldsThem();
    // the run's end
    void runSavesOnceFromAnyThread();
    void sessionEndSavesAheadOfOpenBoxesAndClosesAfterThem();
    void runTellsWhatBecameOfTheFile_data();
    void runTellsWhatBecameOfTheFile();
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
    const records::Records module
        = records::recordsFrom(records::readFields("300," + field + ",Zadrevik,1000\r\n"));
    QCOMPARE(int(module.MaxTries), tries);
    QCOMPARE(module.TimeLimit, vb::Variant("300"));
}

void TestRecords::unusableFieldsTakeTheirDefaults()
{
    records::Records module = records::recordsFrom(records::readFields("soon,5,,lots"));
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(module.MaxTries), 5);
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    QCOMPARE(module.RecordScore, vb::Variant(1000.0));

    module = records::recordsFrom(records::readFields("45"));  // cut short after field 1
    QCOMPARE(module.TimeLimit, vb::Variant("45"));
    QCOMPARE(int(module.MaxTries), 9);
    QCOMPARE(module.RecordName.toText(), QStringLiteral("Zadrevik"));
    QCOMPARE(module.RecordScore.toText(), QStringLiteral("1000"));
}

void TestRecords::noFileGivesDefaultsAndWritesThem()
{
    QTemporaryDir dir;
    const records::RecordsFile file = fileIn(dir);
    const records::Records module = loaded(file);
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(module.MaxTries), 9);
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    QCOMPARE(module.RecordScore, vb::Variant(1000.0));
    QVERIFY(!QFile::exists(dir.filePath("dat.ini")));  // not created by loading
    QCOMPARE(loadAndSave(file), QByteArray("300,9,Zadrevik,1000\r\n\r\n"));
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecords::wellFormedFilesRoundTripByteForByte_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("defaults") << QByteArray("300,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("Chinese name") << *records::encode(QStringLiteral("120,6,张三丰,5555\r\n\r\n"));
    QTest::newRow("time limit 060 kept as written") << QByteArray("060,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("zero settings") << QByteArray("0,0,Zadrevik,1000\r\n\r\n");
    QTest::newRow("name with inner spaces") << QByteArray("300,9,Li Lei,2222\r\n\r\n");
    // U+9FB4 and U+FE10, which GB18030-2022 (and ICU from 73 on) writes as FE 59 and A6 D9
    QTest::newRow("GB18030-2005's codes") << QByteArray("300,9,\x82\x35\x90\x37\x84\x31\x82\x36,1000\r\n\r\n");
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
    QTest::newRow("too long: capped") << QString(40, u'长') << QString(records::maxNameLength, u'长');
    QTest::newRow("capped between characters, not inside one")
        << QString(31, u'a') + QStringLiteral("😀😀") << QString(31, u'a') + QStringLiteral("😀");
    QTest::newRow("half a character dropped") << QString(31, u'a') + QChar(0xD840) << QString(31, u'a');
}

void TestRecords::namesTheFormatCannotCarryComeBackIntact()
{
    QFETCH(QString, name);
    QFETCH(QString, readBack);
    QTemporaryDir dir;
    const records::RecordsFile file = fileIn(dir);
    const Records before = loaded(file);
    QVERIFY(records::SaveRecords(before, {"75", 4, name, "2222"}, file).ok());
    const records::Records again = loaded(file);
    QCOMPARE(again.RecordName.toText(), readBack);
    QCOMPARE(again.TimeLimit.toText(), QStringLiteral("75"));  // the other fields never shift
    QCOMPARE(int(again.MaxTries), 4);
    QCOMPARE(again.RecordScore.toText(), QStringLiteral("2222"));
}

void TestRecords::filesTheGameDidNotWriteAreNotRewritten_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("damaged");  // loads the defaults
    const QString text = QStringLiteral("60,7,张三,5555\r\n\r\n");
    QStringEncoder littleEndian(QStringEncoder::Utf16LE);
    QStringEncoder bigEndian(QStringEncoder::Utf16BE);
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + text.toUtf8() << false;
    QTest::newRow("GB18030 byte-order mark") << "\x84\x31\x95\x33" + *records::encode(text) << false;
    QTest::newRow("UTF-16, little-endian") << "\xFF\xFE" + QByteArray(littleEndian.encode(text)) << false;
    QTest::newRow("UTF-16, big-endian") << "\xFE\xFF" + QByteArray(bigEndian.encode(text)) << false;
    QTest::newRow("undecodable byte after the score") << QByteArray("60,7,Li,5555\xFF\r\n\r\n") << true;
    QTest::newRow("20 KB of undecodable name") << "60,7," + QByteArray(20000, '\xFF') + ",5555\r\n\r\n" << true;
    QTest::newRow("UTF-16 that ends in half a character") << QByteArray("\xFF\xFE" "6\0" "0\0" "\x3D\xD8", 8) << true;
    QTest::newRow("UTF-16 with half a character inside") << QByteArray("\xFF\xFE" "6\0" "\x00\xDC" "0\0", 8) << true;
}

void TestRecords::filesTheGameDidNotWriteAreNotRewritten()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), bytes);
    const records::LoadResult load = records::LoadRecords(fileIn(dir));
    QCOMPARE(load.outcome, damaged ? records::LoadOutcome::Damaged : records::LoadOutcome::Loaded);
    const Records values = load.records;
    const Records expected = damaged ? Records{"300", 9, "Zadrevik", "1000"} : Records{"60", 7, "张三", "5555"};
    QVERIFY(values == expected);
    QCOMPARE(loadAndSave(fileIn(dir)), bytes);  // a run that changes nothing leaves it as it is

    // A new record replaces it with the game's own text, saying so when it was damaged.
    const auto saved = records::SaveRecords(values, {values.TimeLimit, values.MaxTries, "Wang", "9999"}, fileIn(dir));
    QVERIFY(saved.ok() && saved.written);
    QCOMPARE(saved.replacedUnusable, damaged);
    QCOMPARE(readBytes(dir.filePath("dat.ini")),
             *records::encode(records::recordsText({values.TimeLimit, values.MaxTries, "Wang", "9999"})));
}

void TestRecords::garbageAndHugeFilesLoadWithDefaults()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(static_cast<char>((i * 151 + 7) % 256));
    writeBytes(path, binary);
    // Neither file is a line the game could have written: each loads as if never saved,
    // every value of the same type as a default.
    const auto loadsAsNeverSaved = [&] {
        const records::Records module = loaded(fileIn(dir));
        QCOMPARE(module.TimeLimit, vb::Variant(300.0));
        QCOMPARE(int(module.MaxTries), 9);
        QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
        QCOMPARE(module.RecordScore, vb::Variant(1000.0));
    };
    loadsAsNeverSaved();

    // 100 MB of one line with no comma: only the first bytes are ever read.
    {
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            QCOMPARE(huge.write(block), block.size());
    }
    loadsAsNeverSaved();
}

void TestRecords::installedCopyKeepsItsRecordsInTheUserFolder_data()
{
    QTest::addColumn<QString>("program");    // the program's folder, under the temporary root
    QTest::addColumn<QString>("dataFolder"); // a folder that exists beside it, or ""
    QTest::addColumn<bool>("installed");
    QTest::newRow("installed in bin") << "usr/bin" << "usr/share/varnoth" << true;
    QTest::newRow("installed in games") << "usr/games" << "usr/share/varnoth" << true;
    QTest::newRow("build folder") << "src/build" << "" << false;
    QTest::newRow("copied alone") << "opt/game" << "" << false;
    QTest::newRow("a share folder of something else") << "usr/bin" << "usr/share/other" << false;
}

void TestRecords::installedCopyKeepsItsRecordsInTheUserFolder()
{
    QFETCH(QString, program);
    QFETCH(QString, dataFolder);
    QFETCH(bool, installed);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(program));
    if (!dataFolder.isEmpty())
        QVERIFY(QDir(root.path()).mkpath(dataFolder));
    const QString programFolder = root.filePath(program);
    const QString userData = root.filePath("home/.local/share");
    QCOMPARE(records::recordsFolder(programFolder, userData), installed ? userData + "/varnoth" : programFolder);
}

void TestRecords::twoCopiesKeepEachOthersChanges_data()
{
    // Both copies load "300,9,Old,1000"; each changes what its row says and closes, in order.
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<QByteArray>("expected");
    const QString untouched("300,9,Old,1000");
    const QString alice("300,9,Alice,1111");
    const QString bob("300,9,Bob,2222");
    const QString quick("60,9,Old,1000");
    const QString slow("600,3,Old,1000");
    QTest::newRow("record, then untouched") << alice << untouched << QByteArray("300,9,Alice,1111\r\n\r\n");
    QTest::newRow("untouched, then record") << untouched << alice << QByteArray("300,9,Alice,1111\r\n\r\n");
    QTest::newRow("lower record, then higher") << alice << bob << QByteArray("300,9,Bob,2222\r\n\r\n");
    QTest::newRow("higher record, then lower") << bob << alice << QByteArray("300,9,Bob,2222\r\n\r\n");
    QTest::newRow("settings, then record") << quick << bob << QByteArray("60,9,Bob,2222\r\n\r\n");
    QTest::newRow("record, then settings") << bob << quick << QByteArray("60,9,Bob,2222\r\n\r\n");
    QTest::newRow("settings, then settings") << quick << slow << QByteArray("600,3,Old,1000\r\n\r\n");
    QTest::newRow("settings, then untouched") << slow << untouched << QByteArray("600,3,Old,1000\r\n\r\n");
}

void TestRecords::twoCopiesKeepEachOthersChanges()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), oldFile);
    for (const QString& copy : {first, second})
        QVERIFY(records::SaveRecords(oldValues, valuesFrom(copy), fileIn(dir)).ok());
    QCOMPARE(readBytes(dir.filePath("dat.ini")), expected);
}

void TestRecords::faultsLeaveTheOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QByteArray>("fileAfter");
    QTest::addColumn<int>("problem");  // SaveProblem
    QTest::addColumn<int>("pauses");   // waits for a lock another copy held
    const int wholeWait = records::lockWaitMs / records::lockPollMs;
    QTest::newRow("disk full") << "disk full" << oldFile << int(SaveProblem::WriteFailed) << 0;
    QTest::newRow("lock held for a while")
        << "busy 3" << QByteArray("60,9,Old,1000\r\n\r\n") << int(SaveProblem::None) << 3;
    QTest::newRow("lock held all the while") << "busy" << oldFile << int(SaveProblem::Busy) << wholeWait;
    QTest::newRow("another program writes meanwhile: merged with")
        << "changed once" << QByteArray("60,9,Bob,2003\r\n\r\n") << int(SaveProblem::None) << 0;
    QTest::newRow("it writes under every attempt")
        << "changed always" << QByteArray("300,9,Bob,2011\r\n\r\n") << int(SaveProblem::KeptChanging) << 0;
    QTest::newRow("another copy cleans up as this one replaces the file: its new file stays")
        << "cleaned up" << QByteArray("60,9,Old,1000\r\n\r\n") << int(SaveProblem::None) << 0;
}

// The save of a copy that changed the time limit to 60, with the system failing it.
void TestRecords::faultsLeaveTheOldFile()
{
    QFETCH(QString, fault);
    QFETCH(QByteArray, fileAfter);
    QFETCH(int, problem);
    QFETCH(int, pauses);
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    writeBytes(path, oldFile);
    FaultyFiles files;
    files.diskFull = fault == "disk full";
    files.busyLocks = fault == "busy 3" ? 3 : fault == "busy" ? -1 : 0;
    int reads = 0;
    if (fault.startsWith("changed"))
        files.before = [&](const char* call) {
            // The save reads the file once as it begins, then twice an attempt: the second
            // read of an attempt checks that the file is as the first found it.
            if (QByteArray(call) == "read" && ++reads % 2 == 1 && reads > 1 && (fault == "changed always" || reads == 3))
                writeBytes(path, QStringLiteral("300,9,Bob,%1\r\n\r\n").arg(2000 + reads).toLatin1());
        };
    if (fault == "cleaned up")
        files.before = [&](const char* call) {
            if (QByteArray(call) == "replace")
                for (const QString& name : entriesOf(dir).filter("dat.ini.new-"))
                    safefile::systemFiles().removeIfUnlocked(dir.filePath(name));
        };
    const records::SaveResult saved = records::SaveRecords(oldValues, {"60", 9, "Old", "1000"}, fileIn(dir), files);
    QCOMPARE(int(saved.problem), problem);
    QCOMPARE(files.pauses, pauses);
    QCOMPARE(readBytes(path), fileAfter);
    if (fault != "busy")  // nobody holds the lock another copy seemed to hold: it is left to that copy
        QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecords::aSaveKilledAtAnyStepLeavesAWholeRecord_data()
{
    QTest::addColumn<bool>("inPlace");  // the folder takes no new file
    QTest::addColumn<bool>("exists");
    QTest::newRow("new file") << false << false;
    QTest::newRow("replaced") << false << true;
    QTest::newRow("written in place") << true << true;
}

// One copy is killed at its first call, then one at its second, and so on until one
// finishes; each time the next copy saves at once, and nothing but dat.ini is left.
void TestRecords::aSaveKilledAtAnyStepLeavesAWholeRecord()
{
    QFETCH(bool, inPlace);
    QFETCH(bool, exists);
    const QByteArray longer("300,9,A Much Longer Name,1000\r\n\r\n");  // the text in place is shorter
    const Records before
        = exists ? valuesFrom(QString::fromLatin1(longer)) : records::defaultRecords();
    const Records record{"60", 9, "Al", "2000"};
    for (int dieAt = 1;; ++dieAt) {
        QTemporaryDir dir;
        const QString path = dir.filePath("dat.ini");
        if (exists)
            writeBytes(path, longer);
        FaultyFiles killed;
        killed.dieAtCall = dieAt;
        killed.folderRefuses = inPlace;
        records::SaveRecords(before, record, fileIn(dir), killed);
        const Records left = loaded(fileIn(dir));
        QVERIFY2(left == before || left == record, qPrintable(QStringLiteral("killed at call %1").arg(dieAt)));

        FaultyFiles next;
        next.folderRefuses = inPlace;
        QVERIFY(records::SaveRecords(before, {"300", 5, before.RecordName, before.RecordScore}, fileIn(dir), next).ok());
        QCOMPARE(next.pauses, 0);  // nothing the killed copy held is waited for
        QCOMPARE(loaded(fileIn(dir)).RecordName, left.RecordName);
        const QString after = QStringLiteral("killed at call %1: %2").arg(dieAt).arg(entriesOf(dir).join(u' '));
        QVERIFY2(entriesOf(dir) == QStringList{"dat.ini"}, qPrintable(after));
        if (!killed.died())
            break;  // it finished before its call to die at
    }
}

// A copy stops halfway through its save, holding the lock (hung, or on a slow disk).
void TestRecords::aStoppedCopyDelaysButNeverUndoesAnother()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    writeBytes(path, oldFile);
    StoppedCopy stopped(dir, "300,9,Old,1000", "60,9,Old,1000");
    QVERIFY(stopped.stopped());
    QVERIFY(entriesOf(dir).contains("dat.ini.lock"));

    // Meanwhile another program writes a record, and a third copy saves a setting: it waits
    // until the stopped one goes on.
    writeBytes(path, "300,9,Bob,2222\r\n\r\n");
    bool saved = false;
    std::jthread third([&] { saved = records::SaveRecords(oldValues, {"300", 5, "Old", "1000"}, fileIn(dir)).ok(); });
    QThread::msleep(300);
    QVERIFY(stopped.goOn());
    QCOMPARE(stopped.process->wait(), 0);
    third.join();
    QVERIFY(saved);
    QCOMPARE(readBytes(path), QByteArray("60,5,Bob,2222\r\n\r\n"));
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecords::aLockFileThisCopyMayNotOpenIsWaitedFor_data()
{
    QTest::addColumn<bool>("held");
    QTest::newRow("held by the other user's copy, stopped before it replaces the file") << true;
    QTest::newRow("left by the other user's copy, which runs no more") << false;
}

// Two players share the game's folder; the lock file was made by the other's copy, and this
// one may not open it (a strict umask on POSIX, an access-control list on Windows).
void TestRecords::aLockFileThisCopyMayNotOpenIsWaitedFor()
{
    QFETCH(bool, held);
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    writeBytes(path, oldFile);
    std::optional<StoppedCopy> other;
    FaultyFiles files;
    files.lockFileDenied = true;
    if (held) {
        other.emplace(dir, "300,9,Old,1000", "300,9,Rec,2222", "replace");
        QVERIFY(other->stopped());
        files.before = [&](const char* call) {
            if (QByteArray(call) == "pause" && files.pauses == 1) {
                QVERIFY(other->goOn());
                QCOMPARE(other->process->wait(), 0);
            }
        };
    } else {
        writeBytes(dir.filePath("dat.ini.lock"), {});
    }
    const records::SaveResult saved = records::SaveRecords(oldValues, {"60", 9, "Old", "1000"}, fileIn(dir), files);
    QVERIFY(files.pauses > 0);
    if (held) {
        QVERIFY(saved.ok());
        QCOMPARE(readBytes(path), QByteArray("60,9,Rec,2222\r\n\r\n"));
        QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
    } else {
        QCOMPARE(saved.problem, SaveProblem::LockUnopenable);
        QVERIFY(saved.unchanged);
        QCOMPARE(readBytes(path), oldFile);
        QCOMPARE(entriesOf(dir), (QStringList{"dat.ini", "dat.ini.lock"}));
    }
}

void TestRecords::leftoversGoWhenNoCopyHoldsThem_data()
{
    QTest::addColumn<QString>("left");
    QTest::newRow("empty lock file") << "empty lock";
    QTest::newRow("new file named after a running process") << "named new file";
    QTest::newRow("lock and new file of a copy killed in its flush") << "killed copy";
}

void TestRecords::leftoversGoWhenNoCopyHoldsThem()
{
    QFETCH(QString, left);
    QTemporaryDir dir;
    if (left == "empty lock") {
        writeBytes(dir.filePath("dat.ini.lock"), {});
    } else if (left == "named new file") {
        // As an earlier build named it: its process id (this one's, running), then random.
        writeBytes(dir.filePath("dat.ini.new-%1-x7").arg(QCoreApplication::applicationPid()), "60,9,Half");
    } else {
        StoppedCopy killed(dir, "300,9,Zadrevik,1000", "60,9,Zadrevik,1000");
        QVERIFY(killed.stopped());
        killed.process->kill();
        killed.process->wait();
        QVERIFY(entriesOf(dir).size() > 0);
    }
    FaultyFiles files;
    const Records values = loaded(fileIn(dir));
    QVERIFY(records::SaveRecords(values, values, fileIn(dir), files).ok());
    QCOMPARE(files.pauses, 0);  // taken over at once, not waited out
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});

    // A file that its maker holds open is no leftover.
    const QString held = dir.filePath("dat.ini.new-held");
    const safefile::Opened opened = safefile::systemFiles().create(held, {});
    QVERIFY(opened.ok());
    QVERIFY(records::SaveRecords(values, {"60", 9, values.RecordName, values.RecordScore}, fileIn(dir)).ok());
    QVERIFY(QFile::exists(held));
    safefile::systemFiles().close(opened.file);
}

void TestRecords::runSavesOnceFromAnyThread()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    Run run(fileIn(dir));
    run.load();
    run.remember({"300", 9, "Shown", "2000"});
    bool savedByOne = false;
    bool savedByOther = false;
    std::jthread one([&] { savedByOne = run.saveRemembered(); });
    std::jthread other([&] { savedByOther = run.saveRemembered(); });
    one.join();
    other.join();
    QVERIFY(savedByOne != savedByOther);
    QCOMPARE(readBytes(path), QByteArray("300,9,Shown,2000\r\n\r\n"));
    QFile::remove(path);
    QCOMPARE(run.windowCloses({"60", 9, "Closing", "3000"}), QString());
    QVERIFY(!run.saveRemembered());
    QVERIFY(!QFile::exists(path));
}

// The session ends while a box is open: the records are saved at once, as they will stand
// once the box is cancelled, no new box opens, the window is asked to close only once the
// box's handler has finished, and its close makes the run's save.
void TestRecords::sessionEndSavesAheadOfOpenBoxesAndClosesAfterThem()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    Run run(fileIn(dir));
    run.load();
    int closes = 0;
    run.attachWindow([] { return Records{"300", 9, "Zadrevik", "10000"}; }, [&] { ++closes; });
    const QString answer = run.modal([&] {
        run.sessionEnds();
        return QStringLiteral("typed");
    });
    QCOMPARE(answer, QString());  // the box counts as cancelled
    QCOMPARE(readBytes(path), QByteArray("300,9,Zadrevik,10000\r\n\r\n"));
    QCOMPARE(run.modal([] { return 1; }), 0);
    QCOMPARE(closes, 0);
    QTRY_COMPARE(closes, 1);
    QCOMPARE(run.windowCloses({"60", 9, "Zadrevik", "10000"}), QString());
    QCOMPARE(readBytes(path), QByteArray("60,9,Zadrevik,10000\r\n\r\n"));
}

void TestRecords::runTellsWhatBecameOfTheFile_data()
{
    QTest::addColumn<QString>("file");          // what stands at dat.ini's place
    QTest::addColumn<QString>("newTimeLimit");  // set during the run, or "" for none
    QTest::addColumn<QByteArray>("fileAfter");  // "" for: as it was
    QTest::addColumn<QStringList>("told");      // at start, then at the end
    const QByteArray replaced("60,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("unreadable, nothing changed: left as it was")
        << "unreadable" << "" << QByteArray() << QStringList{"无法读取纪录文件", ""};
    QTest::newRow("unreadable, a setting changed: replaced")
        << "unreadable" << "60" << replaced << QStringList{"无法读取纪录文件", "原先无法读取的纪录文件已换成"};
    QTest::newRow("damaged, nothing changed: left as it was")
        << "damaged" << "" << QByteArray() << QStringList{"已损坏", ""};
    QTest::newRow("damaged, a setting changed: replaced")
        << "damaged" << "60" << replaced << QStringList{"已损坏", "原先已损坏的纪录文件已换成"};
    QTest::newRow("read-only, nothing changed: nothing said")
        << "read-only" << "" << QByteArray() << QStringList{"", ""};
    QTest::newRow("read-only, a setting changed: kept, and said")
        << "read-only" << "60" << QByteArray() << QStringList{"", "无法保存纪录文件"};
    QTest::newRow("held by another copy all the while") << "busy" << "60" << QByteArray() << QStringList{"", "一直占用"};
    QTest::newRow("another program changes it as the save fails: not called unchanged")
        << "changed as it fails" << "60" << QByteArray("120,5,Other,9999\r\n\r\n")
        << QStringList{"", "保存期间文件已被改动"};
}

void TestRecords::runTellsWhatBecameOfTheFile()
{
    QFETCH(QString, file);
    QFETCH(QString, newTimeLimit);
    QFETCH(QByteArray, fileAfter);
    QFETCH(QStringList, told);
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    const QByteArray before
        = file == "damaged" ? QByteArray("120,5,Kept\xFF,4000\r\n\r\n") : QByteArray("120,5,Kept,4000\r\n\r\n");
    writeBytes(path, before);
    if (file == "read-only")
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser));
    FaultyFiles files;
    files.unreadable = file == "unreadable";
    files.busyLocks = file == "busy" ? -1 : 0;
    if (file == "changed as it fails")
        files.before = [&](const char* call) {
            if (QByteArray(call) != "replace")
                return;
            for (const QString& name : entriesOf(dir).filter("dat.ini.new-"))
                QFile::remove(dir.filePath(name));
            writeBytes(path, "120,5,Other,9999\r\n\r\n");
        };
    Run run(fileIn(dir), files);
    Records shown = run.load();
    QVERIFY2(run.toldAtStart().contains(told[0]), qPrintable(run.toldAtStart()));
    QCOMPARE(run.toldAtStart().isEmpty(), told[0].isEmpty());
    if (!newTimeLimit.isEmpty())
        shown.TimeLimit = newTimeLimit;
    const QString toldAtEnd = run.windowCloses(shown);
    QVERIFY2(toldAtEnd.contains(told[1]), qPrintable(toldAtEnd));
    QCOMPARE(toldAtEnd.isEmpty(), told[1].isEmpty());
    if (!toldAtEnd.isEmpty())
        QVERIFY(toldAtEnd.contains(QDir::toNativeSeparators(path)));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(readBytes(path), fileAfter.isEmpty() ? before : fileAfter);
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == "--copy")
        return runCopy(app.arguments());
    TestRecords test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_records.moc"
