// Root reads any file whatever its permissions, so a test that needs a file the game
// cannot read does that reading as the user nobody while this object lives.
#pragma once

#include <QTest>
#include <unistd.h>

struct AsNobodyIfRoot {
    bool wasRoot = ::geteuid() == 0;
    AsNobodyIfRoot()
    {
        if (wasRoot)
            QCOMPARE(::seteuid(65534), 0);
    }
    ~AsNobodyIfRoot()
    {
        if (wasRoot)
            QCOMPARE(::seteuid(0), 0);
    }
    AsNobodyIfRoot(const AsNobodyIfRoot&) = delete;
    AsNobodyIfRoot& operator=(const AsNobodyIfRoot&) = delete;
};

// Makes the folder hold dat.ini with these bytes, which its owner may write but not read;
// folder and file belong to whoever the game runs as (nobody, when the test is root's).
inline void makeUnreadableRecordsFile(const QString& folder, const QByteArray& bytes)
{
    QFile file(folder + "/dat.ini");
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();
    QVERIFY(QFile::setPermissions(file.fileName(), QFile::WriteOwner));
    if (::geteuid() == 0) {
        for (const QString& path : {folder, file.fileName()})
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    }
}
