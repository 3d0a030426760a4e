// One libFuzzer program per target; the target's name is compiled in.
#include "fuzz/FuzzTargets.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const FuzzTargets::Target *target = FuzzTargets::find(HUSHNOTE_FUZZ_TARGET);
    if (!target) {
        std::fprintf(stderr, "unknown fuzz target %s\n", HUSHNOTE_FUZZ_TARGET);
        std::abort();
    }
    // Not copied and not NUL-terminated, so a read past the end is caught.
    target->run(QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
