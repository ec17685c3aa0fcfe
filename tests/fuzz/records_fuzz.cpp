// libFuzzer target for the dat.ini reader and writer: any bytes must load without a crash,
// a hang or unbounded memory and give usable values; and what was loaded, saved and read
// again must be the same four values, in a file no larger than the reader reads.
//
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DVARNOTH_FUZZ=ON -DVARNOTH_TESTS=OFF
//   cmake --build build-fuzz --target records_fuzz && build-fuzz/records_fuzz -max_total_time=600
#include "records/records.h"

#include <cstdint>
#include <cstdlib>

namespace {

records::Records load(const QByteArray& bytes)
{
    const records::FileText text
        = records::fileText(bytes.left(records::maxReadBytes), bytes.size() <= records::maxReadBytes);
    // A damaged file loads the defaults, as LoadRecords does.
    const records::Records variables = text.damage.isEmpty() ? records::recordsFrom(records::readFields(text.text))
                                                               : records::defaultRecords();
    if (!variables.TimeLimit.toNumber() || !variables.RecordScore.toNumber() || variables.RecordName.toText().isEmpty())
        std::abort();
    return variables;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const records::Records first = load(bytes);
    const std::optional<QByteArray> saved
        = records::encode(records::recordsText(first));
    if (!saved || saved->size() > records::maxReadBytes)
        std::abort();
    if (load(*saved) != first)
        std::abort();
    return 0;
}
