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

TEST(WhisperOutput, NamesTheDeviceTheHelperRanOn)
{
    const QByteArray cpu = "whisper_backend_init_gpu: device 0: CPU (type: 0)\n"
                           "whisper_backend_init_gpu: no GPU found\n"
                           "system_info: n_threads = 6 / 12 | WHISPER : COREML = 0 | CPU : AVX2 = 1 |\n";
    EXPECT_EQ(WhisperOutput::device(cpu), (WhisperOutput::Device{{}, 6}));
    // The Vulkan backend's device by its driver's name; a stray control byte never reaches the screen.
    const QByteArray vulkan = "ggml_vulkan: Found 2 Vulkan devices:\n"
                              "ggml_vulkan: 0 = Intel(R) UHD Graphics (Intel open-source Mesa driver) | uma: 1\n"
                              "ggml_vulkan: 1 = NVIDIA GeForce\x1b RTX 3060 (NVIDIA) | uma: 0 | fp16: 1\n"
                              "whisper_backend_init_gpu: found GPU device 1: Vulkan1 (type: 1, cnt: 1)\n"
                              "whisper_backend_init_gpu: using Vulkan1 backend\n"
                              "system_info: n_threads = 4 / 8 |\n";
    EXPECT_EQ(WhisperOutput::device(vulkan), (WhisperOutput::Device{QStringLiteral("NVIDIA GeForce  RTX 3060"), 4}));
    EXPECT_EQ(WhisperOutput::device("whisper_backend_init_gpu: using CUDA0 backend\n"),
              (WhisperOutput::Device{QStringLiteral("CUDA0"), 0}));
    // A log that says neither (as with -np) tells nothing.
    EXPECT_FALSE(WhisperOutput::device("main: processing 'a.wav'\n"));
    EXPECT_FALSE(WhisperOutput::device(QByteArray()));
}
