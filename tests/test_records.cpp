// dat.ini: reading, writing, where it lives, and what survives a bad file or a failed save.
#include "records/records.h"
#include "records/safefile.h"
#include "support/asnobody.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <QStringEncoder>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using records::Fields;
using records::RecordsFile;
using records::Values;

// While set, the next flush to the disk stops this process, as a hung copy or a slow disk
// stops a save halfway; the records code calls this rather than the C library's.
bool stopAtNextFlush = false;
extern "C" int fdatasync(int fd)
{
    if (stopAtNextFlush) {
        stopAtNextFlush = false;
        ::raise(SIGSTOP);
    }
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

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

RecordsFile fileIn(const QTemporaryDir& dir) { return RecordsFile(dir.path()); }

records::Variables loaded(const RecordsFile& file) { return records::LoadRecords(file).variables; }

// Loads and saves without playing, as a run that is opened and closed does.
QByteArray loadAndSave(const RecordsFile& file)
{
    const Values values = records::valuesOf(loaded(file));
    const auto saved = records::SaveRecords(values, values, file);
    return saved.ok ? readBytes(saved.path) : QByteArray("save failed");
}

QStringList entriesOf(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
}

// The id of a process that has ended.
qint64 endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
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
    void filesTheGameDidNotWriteAreNotRewritten_data();
    void filesTheGameDidNotWriteAreNotRewritten();
    void nothingButARegularFileIsReadOrReplaced_data();
    void nothingButARegularFileIsReadOrReplaced();
    void unreadableFileLoadsDefaultsAndSaysSo();
    void installedCopyKeepsItsRecordsInTheUserFolder_data();
    void installedCopyKeepsItsRecordsInTheUserFolder();
    void userDataFolderFollowsTheXdgRules_data();
    void userDataFolderFollowsTheXdgRules();
    void twoCopiesKeepEachOthersChanges_data();
    void twoCopiesKeepEachOthersChanges();
    void aStoppedCopyDelaysButNeverUndoesAnother();
    void leftoversOfCopiesThatEndedCostNothing_data();
    void leftoversOfCopiesThatEndedCostNothing();
    void readOnlyFolderOrFile_data();
    void readOnlyFolderOrFile();
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
    const records::Variables module = records::variablesFrom(records::readFields("300," + field + ",Zadrevik,1000\r\n"));
    QCOMPARE(int(module.MaxTries), tries);
    QCOMPARE(module.TimeLimit, vb::Variant("300"));
}

void TestRecords::unusableFieldsTakeTheirDefaults()
{
    records::Variables module = records::variablesFrom(records::readFields("soon,5,,lots"));
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(int(module.MaxTries), 5);
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
    QCOMPARE(module.RecordScore, vb::Variant(1000.0));

    module = records::variablesFrom(records::readFields("45"));  // cut short after field 1
    QCOMPARE(module.TimeLimit, vb::Variant("45"));
    QCOMPARE(int(module.MaxTries), 9);
    QCOMPARE(module.RecordName.toText(), QStringLiteral("Zadrevik"));
    QCOMPARE(module.RecordScore.toText(), QStringLiteral("1000"));
}

void TestRecords::noFileGivesDefaultsAndWritesThem()
{
    QTemporaryDir dir;
    const RecordsFile file = fileIn(dir);
    const records::Variables module = loaded(file);
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
    QTest::newRow("Chinese name") << *records::encode(QStringLiteral("120,6,张三丰,5555\r\n\r\n"));
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
    const RecordsFile file = fileIn(dir);
    const Values before = records::valuesOf(loaded(file));
    QVERIFY(records::SaveRecords(before, {"75", 4, name, "2222"}, file).ok);
    const records::Variables again = loaded(file);
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
}

void TestRecords::filesTheGameDidNotWriteAreNotRewritten()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, damaged);
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), bytes);
    const records::LoadResult load = records::LoadRecords(fileIn(dir));
    QCOMPARE(load.outcome, damaged ? records::LoadOutcome::Damaged : records::LoadOutcome::Loaded);
    const Values values = records::valuesOf(load.variables);
    const Values expected = damaged ? Values{"300", 9, "Zadrevik", "1000"} : Values{"60", 7, "张三", "5555"};
    QVERIFY(values == expected);
    QCOMPARE(loadAndSave(fileIn(dir)), bytes);  // a run that changes nothing leaves it as it is

    // A new record replaces it with the game's own text, saying so when it was damaged.
    const auto saved = records::SaveRecords(values, {values.timeLimit, values.maxTries, "Wang", "9999"}, fileIn(dir));
    QVERIFY(saved.ok && saved.written);
    QCOMPARE(saved.replacedUnusable, damaged);
    QCOMPARE(readBytes(dir.filePath("dat.ini")),
             *records::encode(records::recordsText(values.timeLimit, values.maxTries, "Wang", "9999")));
}

void TestRecords::nothingButARegularFileIsReadOrReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to another file") << "link";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("link to a device") << "device";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("directory") << "directory";
}

void TestRecords::nothingButARegularFileIsReadOrReplaced()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QTemporaryDir elsewhere;
    const QString path = dir.filePath("dat.ini");
    const QString notes = elsewhere.filePath("notes.txt");
    const QByteArray noteText("120,5,my important notes,4000\r\n");
    writeBytes(notes, noteText);
    if (kind == "link")
        QVERIFY(QFile::link(notes, path));
    else if (kind == "dangling")
        QVERIFY(QFile::link(elsewhere.filePath("nothing-here"), path));
    else if (kind == "device")
        QVERIFY(QFile::link("/dev/null", path));
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QVERIFY(QDir(dir.path()).mkdir("dat.ini"));

    const records::LoadResult load = records::LoadRecords(fileIn(dir));
    QCOMPARE(load.outcome, records::LoadOutcome::Absent);
    const records::Variables& module = load.variables;
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));

    const auto saved = records::SaveRecords(records::valuesOf(module), {"60", 9, "Alice", "1111"}, fileIn(dir));
    QVERIFY(!saved.ok);
    QCOMPARE(saved.problem, records::SaveProblem::NotARegularFile);
    QCOMPARE(saved.path, path);
    QCOMPARE(readBytes(notes), noteText);
    QVERIFY(!QFile::exists(elsewhere.filePath("nothing-here")));
    const QFileInfo left(path);
    QCOMPARE(left.isSymLink(), kind == "link" || kind == "dangling" || kind == "device");
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecords::unreadableFileLoadsDefaultsAndSaysSo()
{
    QTemporaryDir dir;
    makeUnreadableRecordsFile(dir.path(), "120,5,Kept,4000\r\n\r\n");
    records::LoadResult result;
    {
        AsNobodyIfRoot nobody;
        result = records::LoadRecords(fileIn(dir));
    }
    const records::Variables& module = result.variables;
    QCOMPARE(result.outcome, records::LoadOutcome::Unreadable);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(module.TimeLimit, vb::Variant(300.0));
    QCOMPARE(module.RecordName, vb::Variant("Zadrevik"));
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

void TestRecords::userDataFolderFollowsTheXdgRules_data()
{
    QTest::addColumn<QByteArray>("home");         // "-" for unset
    QTest::addColumn<QByteArray>("xdgDataHome");  // "-" for unset
    QTest::addColumn<QByteArray>("expected");     // "~" for the password database's home
    QTest::newRow("XDG_DATA_HOME") << QByteArray("/h") << QByteArray("/data") << QByteArray("/data");
    QTest::newRow("HOME") << QByteArray("/h/") << QByteArray("-") << QByteArray("/h/.local/share");
    QTest::newRow("relative XDG_DATA_HOME ignored") << QByteArray("/h") << QByteArray("rel") << QByteArray("/h/.local/share");
    QTest::newRow("no HOME: the password database") << QByteArray("-") << QByteArray("-") << QByteArray("~/.local/share");
    QTest::newRow("HOME not UTF-8") << QByteArray("/\xD6\xD0\xCE\xC4") << QByteArray("")
                                    << QByteArray("/\xD6\xD0\xCE\xC4/.local/share");
}

void TestRecords::userDataFolderFollowsTheXdgRules()
{
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, xdgDataHome);
    QFETCH(QByteArray, expected);
    const QByteArray savedHome = qgetenv("HOME");
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    auto set = [](const char* name, const QByteArray& value) {
        if (value == "-")
            qunsetenv(name);
        else
            qputenv(name, value);
    };
    set("HOME", home);
    set("XDG_DATA_HOME", xdgDataHome);
    const QByteArray folder = safefile::pathToSystem(safefile::userDataFolder());
    set("HOME", savedHome);
    set("XDG_DATA_HOME", savedXdg);
    QVERIFY(!folder.isEmpty());
    if (expected.startsWith('~'))
        QVERIFY(folder.startsWith('/') && folder.endsWith(expected.mid(1)) && !folder.startsWith("/.local"));
    else
        QCOMPARE(folder, expected);
}

void TestRecords::twoCopiesKeepEachOthersChanges_data()
{
    // Both copies load "300,9,Old,1000"; each changes what its row says and closes, in order.
    QTest::addColumn<QStringList>("first");   // time limit, tries, holder, score
    QTest::addColumn<QStringList>("second");
    QTest::addColumn<QByteArray>("expected");
    const QStringList untouched{"300", "9", "Old", "1000"};
    const QStringList alice{"300", "9", "Alice", "1111"};
    const QStringList bob{"300", "9", "Bob", "2222"};
    const QStringList quick{"60", "9", "Old", "1000"};
    const QStringList slow{"600", "3", "Old", "1000"};
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
    QFETCH(QStringList, first);
    QFETCH(QStringList, second);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), "300,9,Old,1000\r\n\r\n");
    const Values loadedByBoth = records::valuesOf(loaded(fileIn(dir)));
    for (const QStringList& copy : {first, second}) {
        const Values changes{copy[0], static_cast<qint16>(copy[1].toInt()), copy[2], copy[3]};
        QVERIFY(records::SaveRecords(loadedByBoth, changes, fileIn(dir)).ok);
    }
    QCOMPARE(readBytes(dir.filePath("dat.ini")), expected);
}

void TestRecords::aStoppedCopyDelaysButNeverUndoesAnother()
{
    // One copy stops halfway through its save, holding the lock (hung, or on a slow disk).
    QTemporaryDir dir;
    writeBytes(dir.filePath("dat.ini"), "300,9,Old,1000\r\n\r\n");
    const Values start = records::valuesOf(loaded(fileIn(dir)));
    const pid_t stopped = ::fork();
    if (stopped == 0) {
        stopAtNextFlush = true;
        ::_exit(records::SaveRecords(start, {"60", 9, "Old", "1000"}, fileIn(dir)).ok ? 0 : 1);
    }
    int status = 0;
    QCOMPARE(::waitpid(stopped, &status, WUNTRACED), stopped);
    QVERIFY(WIFSTOPPED(status));

    // Meanwhile a copy that does not wait for the lock (an older one) writes a record, and
    // a third copy saves a setting: it waits until the stopped one goes on.
    writeBytes(dir.filePath("dat.ini"), "300,9,Bob,2222\r\n\r\n");
    std::thread resume([stopped] {
        ::usleep(300000);
        ::kill(stopped, SIGCONT);
    });
    const bool saved = records::SaveRecords(start, {"300", 5, "Old", "1000"}, fileIn(dir)).ok;
    resume.join();
    QCOMPARE(::waitpid(stopped, &status, 0), stopped);
    QVERIFY(saved);
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(readBytes(dir.filePath("dat.ini")), QByteArray("60,5,Bob,2222\r\n\r\n"));
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecords::leftoversOfCopiesThatEndedCostNothing_data()
{
    QTest::addColumn<QString>("left");
    QTest::newRow("lock of a copy that died") << "lock";
    QTest::newRow("empty lock file") << "empty lock";
    QTest::newRow("chain of empty lock-removal files") << "rmlock chain";
    QTest::newRow("new file of a copy that died") << "new file";
}

void TestRecords::leftoversOfCopiesThatEndedCostNothing()
{
    QFETCH(QString, left);
    QTemporaryDir dir;
    const QString lockPath = dir.filePath("dat.ini.lock");
    if (left == "lock") {
        const pid_t child = ::fork();
        if (child == 0) {
            QLockFile lock(lockPath);
            ::_exit(lock.tryLock(0) ? 0 : 1);  // dies holding the lock, as a crashed copy does
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
    } else if (left == "empty lock") {
        writeBytes(lockPath, {});
    } else if (left == "rmlock chain") {
        for (const QString& name : {lockPath, lockPath + ".rmlock", lockPath + ".rmlock.rmlock"})
            writeBytes(name, {});
    } else {
        writeBytes(dir.filePath("dat.ini.new-%1-x7").arg(endedProcess()), "60,9,Half");
    }

    QElapsedTimer clock;
    clock.start();
    const Values values = records::valuesOf(loaded(fileIn(dir)));
    QVERIFY(records::SaveRecords(values, values, fileIn(dir)).ok);
    QVERIFY2(clock.elapsed() < 2000, "taken over at once, not waited out");
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecords::readOnlyFolderOrFile_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<QString>("holder");  // who holds the record this copy closes with
    QTest::addColumn<QByteArray>("fileAfter");
    const QByteArray old("300,9,Zadrevik,1000\r\n\r\n");
    QTest::newRow("shared file in a read-only folder: written in place")
        << false << true << "Li" << QByteArray("300,9,Li,2000\r\n\r\n");
    QTest::newRow("read-only file, a record set: kept") << true << false << "Li" << old;
    QTest::newRow("read-only file, nothing changed: kept") << true << false << "Zadrevik" << old;
}

void TestRecords::readOnlyFolderOrFile()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, fileWritable);
    QFETCH(QString, holder);
    QFETCH(QByteArray, fileAfter);
    QTemporaryDir dir;
    const QString path = dir.filePath("dat.ini");
    writeBytes(path, "300,9,Zadrevik,1000\r\n\r\n");
    if (::geteuid() == 0) {
        for (const QString& owned : {dir.path(), path})
            QCOMPARE(::chown(QFile::encodeName(owned).constData(), 65534, 65534), 0);
    }
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), fileWritable ? 0644 : 0444), 0);
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), folderWritable ? 0755 : 0555), 0);
    records::SaveResult saved;
    {
        AsNobodyIfRoot nobody;
        const Values before = records::valuesOf(loaded(fileIn(dir)));
        const bool changed = holder != before.holder;
        saved = records::SaveRecords(before, {"300", 9, holder, changed ? "2000" : "1000"}, fileIn(dir));
    }
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QCOMPARE(readBytes(path), fileAfter);
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
    QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner, fileWritable ? QFile::WriteOwner : QFile::Permissions());
    const bool refused = !fileWritable && holder != "Zadrevik";
    QCOMPARE(saved.ok, !refused);
    QCOMPARE(saved.problem, refused ? records::SaveProblem::WriteProtected : records::SaveProblem::None);
    QCOMPARE(saved.inPlace, !folderWritable);
}

void TestRecords::failedSaveLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QByteArray old("300,9,Zadrevik,1000\r\n\r\n");
    writeBytes(dir.filePath("dat.ini"), old);
    const Values before = records::valuesOf(loaded(fileIn(dir)));

    // The disk "fills up" ten bytes into the new file: a real short write, even as root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 10;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const auto result = records::SaveRecords(before, {"60", 9, QString(200, u'名'), "99999"}, fileIn(dir));
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
    records::Variables module = loaded(fileIn(dir));
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
