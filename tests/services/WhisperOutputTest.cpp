#include "services/WhisperOutput.h"

#include <gtest/gtest.h>

TEST(WhisperOutput, ReadsTimedSegmentsAndToleratesWhatWhisperCliWrites)
{
    // As whisper-cli writes it: tab indents, only quotes and backslashes escaped, so a raw line
    // break or a broken UTF-8 byte can sit inside a string.
    const QByteArray json = "{\n\t\"result\": {\"language\": \"zh\"},\n\t\"transcription\": [\n"
                            "\t\t{\"timestamps\": {\"from\": \"00:00:00,000\", \"to\": \"00:00:02,500\"},"
                            " \"offsets\": {\"from\": 0, \"to\": 2500}, \"text\": \" \\\"你好\\\"\n世界\"},\n"
                            "\t\t{\"offsets\": {\"from\": 2500, \"to\": 2600}, \"text\": \"   \"},\n"
                            "\t\t{\"offsets\": {\"from\": \"x\", \"to\": 3000}, \"text\": \"no time\"},\n"
                            "\t\t{\"offsets\": {\"from\": 2600, \"to\": 61000}, \"text\": \" ok \xff\"}\n\t]\n}\n";
    const std::vector<TimedText> segments = WhisperOutput::parse(json);
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0], (TimedText{0, 2.5, QStringLiteral("\"你好\" 世界")}));
    EXPECT_EQ(segments[1], (TimedText{2.6, 61, QStringLiteral("ok \uFFFD")}));

    for (const QByteArray &broken : {QByteArray(), QByteArray("{\"transcription\": 3}"), QByteArray("[1, 2]"),
                                     QByteArray("{\"transcription\": [{\"offsets\": {\"from\": 0")})
        EXPECT_TRUE(WhisperOutput::parse(broken).empty()) << broken.constData();
}
