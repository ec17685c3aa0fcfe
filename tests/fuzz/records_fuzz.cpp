// libFuzzer target for the dat.ini reader: any bytes must load without a crash, a hang or
// unbounded memory, give usable values, and a save of what was loaded must read back the same.
//
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVARNOTH_FUZZ=ON -DVARNOTH_TESTS=OFF
//   cmake --build build-fuzz --target records_fuzz && build-fuzz/records_fuzz -max_total_time=600
#include "records/records.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data),
                                                     static_cast<qsizetype>(std::min<size_t>(size, records::maxReadBytes)));
    Module1 module;
    records::applyFields(module, records::readFields(records::decode(bytes)));
    if (!module.TimeLimit.toNumber() || !module.RecordScore.toNumber() || module.RecordName.toText().isEmpty())
        std::abort();

    // What was loaded survives a save: written and read again, the four values are the same.
    const QString name = module.RecordName.toText();
    const QString text = records::recordsText(module.TimeLimit.toText(), module.MaxTries, name,
                                              module.RecordScore.toText());
    Module1 again;
    records::applyFields(again, records::readFields(records::decode(records::encode(text))));
    if (again.TimeLimit.toText() != module.TimeLimit.toText() || again.MaxTries != module.MaxTries
        || again.RecordScore.toText() != module.RecordScore.toText())
        std::abort();
    QString carried = name;
    if (name.startsWith(u'"') || name.contains(u',') || name.contains(u'\r') || name.contains(u'\n'))
        carried.replace(u'"', u'\uFF02');
    if (again.RecordName.toText() != carried)
        std::abort();
    return 0;
}
