// dat.ini in a temporary folder, as the records tests write, read and list it.
#pragma once

#include "records/store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QStringList entriesOf(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
}

inline records::RecordsFile fileIn(const QTemporaryDir& dir) { return records::RecordsFile{dir.path()}; }

inline records::Records loaded(const records::RecordsFile& file) { return records::LoadRecords(file).records; }

// Loads and saves without playing, as a run that is opened and closed does.
inline QByteArray loadAndSave(const records::RecordsFile& file)
{
    const records::Records values = loaded(file);
    const records::SaveResult saved = records::SaveRecords(values, values, file);
    return saved.ok() ? readBytes(file.path()) : QByteArray("save failed");
}
