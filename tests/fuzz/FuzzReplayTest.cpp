#include "fuzz/FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

// Every committed fuzz input (the corpus, and each input a fuzz run once failed on) goes through
// the same entry points as under libFuzzer, so a fixed finding stays fixed without clang.
TEST(FuzzReplay, CommittedInputsPassEveryTarget)
{
    for (const FuzzTargets::Target &target : FuzzTargets::all()) {
        int replayed = 0;
        for (const char *kind : {"corpus", "regressions"}) {
            const QDir folder(QStringLiteral(HUSHNOTE_SOURCE_DIR "/tests/fuzz/%1/%2")
                                  .arg(QLatin1String(kind), QLatin1String(target.name)));
            for (const QFileInfo &file : folder.entryInfoList(QDir::Files)) {
                QFile input(file.filePath());
                ASSERT_TRUE(input.open(QIODevice::ReadOnly)) << qPrintable(file.filePath());
                try {
                    target.run(input.readAll());
                } catch (const std::exception &error) {
                    ADD_FAILURE() << kind << "/" << target.name << "/" << qPrintable(file.fileName()) << ": "
                                  << error.what();
                }
                ++replayed;
            }
        }
        EXPECT_GT(replayed, 0) << target.name << " has no committed inputs";
    }
}
