// dat.ini on POSIX: links, FIFOs and devices at its place, files and folders the user may
// not read or write, a disk that fills up, and the XDG rules for the user's data folder.
#include "support/asnobody.h"
#include "support/recordsfiles.h"
#include "system/folders.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using records::Records;

class TestRecordsUnix : public QObject {
    Q_OBJECT
private slots:
    void nothingButARegularFileIsReadOrReplaced_data();
    void nothingButARegularFileIsReadOrReplaced();
    void unreadableFileLoadsDefaultsAndSaysSo();
    void readOnlyFolderOrFile_data();
    void readOnlyFolderOrFile();
    void aRealShortWriteLeavesTheOldFile();
    void aLockFileMadeUnderAStrictUmaskOpensForEveryUser();
    void userDataFolderFollowsTheXdgRules_data();
    void userDataFolderFollowsTheXdgRules();
};

void TestRecordsUnix::nothingButARegularFileIsReadOrReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to another file") << "link";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("link to a device") << "device";
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("directory") << "directory";
}

void TestRecordsUnix::nothingButARegularFileIsReadOrReplaced()
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
    QCOMPARE(load.records.RecordName, vb::Variant("Zadrevik"));

    const auto saved = records::SaveRecords(load.records, {"60", 9, "Alice", "1111"}, fileIn(dir));
    QVERIFY(!saved.ok());
    QCOMPARE(saved.problem, records::SaveProblem::NotARegularFile);
    QCOMPARE(readBytes(notes), noteText);
    QVERIFY(!QFile::exists(elsewhere.filePath("nothing-here")));
    const QFileInfo left(path);
    QCOMPARE(left.isSymLink(), kind == "link" || kind == "dangling" || kind == "device");
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

void TestRecordsUnix::unreadableFileLoadsDefaultsAndSaysSo()
{
    QTemporaryDir dir;
    makeUnreadableRecordsFile(dir.path(), "120,5,Kept,4000\r\n\r\n");
    records::LoadResult result;
    {
        AsNobodyIfRoot nobody;
        result = records::LoadRecords(fileIn(dir));
    }
    QCOMPARE(result.outcome, records::LoadOutcome::Unreadable);
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(result.records.TimeLimit, vb::Variant(300.0));
    QCOMPARE(result.records.RecordName, vb::Variant("Zadrevik"));
}

void TestRecordsUnix::readOnlyFolderOrFile_data()
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

void TestRecordsUnix::readOnlyFolderOrFile()
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
    struct stat original {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &original), 0);
    records::SaveResult saved;
    {
        AsNobodyIfRoot nobody;
        const Records before = loaded(fileIn(dir));
        const bool changed = holder != before.RecordName;
        saved = records::SaveRecords(before, {"300", 9, holder, changed ? "2000" : "1000"}, fileIn(dir));
    }
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    QCOMPARE(readBytes(path), fileAfter);
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
    const QFile::Permissions writable = fileWritable ? QFile::WriteOwner : QFile::Permissions();
    QCOMPARE(QFileInfo(path).permissions() & QFile::WriteOwner, writable);
    const bool refused = !fileWritable && holder != "Zadrevik";
    QCOMPARE(saved.problem, refused ? records::SaveProblem::WriteProtected : records::SaveProblem::None);
    // Where the folder takes no new file, the file written is the very file that was there.
    struct stat after {};
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
    if (saved.written)
        QCOMPARE(after.st_ino == original.st_ino, !folderWritable);
}

void TestRecordsUnix::aRealShortWriteLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QByteArray old("300,9,Zadrevik,1000\r\n\r\n");
    writeBytes(dir.filePath("dat.ini"), old);
    const Records before = loaded(fileIn(dir));

    // The disk "fills up" ten bytes into the new file: a real short write, even as root.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit tiny = saved;
    tiny.rlim_cur = 10;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const auto result = records::SaveRecords(before, {"60", 9, QString(200, u'名'), "99999"}, fileIn(dir));
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    QVERIFY(!result.ok());
    QVERIFY(!result.error.isEmpty());
    QCOMPARE(readBytes(dir.filePath("dat.ini")), old);
    QCOMPARE(entriesOf(dir), QStringList{"dat.ini"});
}

// Players who share the game's folder all take the one lock, whatever umask the copy that
// made the lock file ran with.
void TestRecordsUnix::aLockFileMadeUnderAStrictUmaskOpensForEveryUser()
{
    QTemporaryDir dir;
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString lockFile = dir.filePath("dat.ini.lock");
    const mode_t umask = ::umask(077);
    const safefile::Opened made = safefile::systemFiles().open(lockFile, safefile::Access::LockFile);
    ::umask(umask);
    QVERIFY(made.ok());
    safefile::systemFiles().close(made.file);
    AsNobodyIfRoot nobody;  // as root: a user who did not make it
    const safefile::Opened opened = safefile::systemFiles().open(lockFile, safefile::Access::LockFile);
    QVERIFY2(opened.ok(), qPrintable(opened.error));
    QCOMPARE(QFileInfo(lockFile).permissions() & QFile::ReadOther, QFile::ReadOther);
    safefile::systemFiles().close(opened.file);
}

void TestRecordsUnix::userDataFolderFollowsTheXdgRules_data()
{
    QTest::addColumn<QByteArray>("home");         // "-" for unset
    QTest::addColumn<QByteArray>("xdgDataHome");  // "-" for unset
    QTest::addColumn<QString>("expected");        // "~" for the password database's home
    QTest::newRow("XDG_DATA_HOME") << QByteArray("/h") << QByteArray("/data") << "/data";
    QTest::newRow("HOME") << QByteArray("/h/") << QByteArray("-") << "/h/.local/share";
    QTest::newRow("relative XDG_DATA_HOME ignored") << QByteArray("/h") << QByteArray("rel") << "/h/.local/share";
    QTest::newRow("no HOME: the password database") << QByteArray("-") << QByteArray("-") << "~/.local/share";
    QTest::newRow("HOME named in GB18030") << QByteArray("/\xD6\xD0\xCE\xC4") << QByteArray("") << "/中文/.local/share";
}

void TestRecordsUnix::userDataFolderFollowsTheXdgRules()
{
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, xdgDataHome);
    QFETCH(QString, expected);
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
    const QString folder = folders::displayPath(folders::userDataFolder());
    set("HOME", savedHome);
    set("XDG_DATA_HOME", savedXdg);
    QVERIFY(!folder.isEmpty());
    if (expected.startsWith(u'~'))
        QVERIFY(folder.startsWith(u'/') && folder.endsWith(expected.mid(1)) && !folder.startsWith("/.local"));
    else
        QCOMPARE(folder, expected);
}

QTEST_GUILESS_MAIN(TestRecordsUnix)
#include "test_records_unix.moc"
