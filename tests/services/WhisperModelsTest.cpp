#include "platform/Errors.h"
#include "platform/FileLock.h"
#include "platform/HttpSession.h"
#include "services/ModelClient.h"
#include "services/OllamaClient.h"
#include "services/WhisperDownloadState.h"
#include "services/WhisperModels.h"
#include "support/FakeModelHub.h"
#include "support/ServicesTestHelpers.h"
#include "support/TaskRunner.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <vector>

using namespace std::chrono_literals;
using TestSupport::FakeModelHub;

namespace {

const QString unknownModel = QStringLiteral("请选择有效的转写模型。");
const QString incomplete = QStringLiteral("模型未安装或不完整，请下载后重试。");
const QString damaged = QStringLiteral("模型校验失败，请重新下载。");
const QString downloadFailed = QStringLiteral("模型下载失败，请稍后重试。");

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

WhisperModel modelFor(const QByteArray &bytes)
{
    return {QStringLiteral("test"), QStringLiteral("Whisper Test"), bytes.size(),
            QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex())};
}

using ServicesTest::failureOf;
using ServicesTest::readAll;
using ServicesTest::writeFile;

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

class WhisperModelsTest : public ::testing::Test {
protected:
    // A few blocks plus a remainder, so hashing crosses block boundaries.
    QByteArray m_body = randomBytes(3 * 1024 * 1024 + 17);
    WhisperModel m_model = modelFor(m_body);
    QTemporaryDir m_home;
    QString m_root = m_home.filePath(QStringLiteral("models"));
    FakeModelHub m_hub;

    WhisperModelsTest() { m_hub.setFile("ggml-test.bin", m_body); }

    std::unique_ptr<WhisperModels> makeStore(WhisperDownloadLimits limits = {})
    {
        return std::make_unique<WhisperModels>(m_root, QList<WhisperModel>{m_model}, m_hub.hub(), limits);
    }
    QString installed() const { return QDir(m_root).filePath(QStringLiteral("ggml-test.bin")); }
};

TEST_F(WhisperModelsTest, LooksModelsUpAndAddressesThemOnTheHub)
{
    WhisperModels shipped(m_root);
    EXPECT_EQ(shipped.url(shipped.model(QStringLiteral("base"))).toString(),
              WhisperModels::defaultHub().toString() + QStringLiteral("ggml-base.bin"));
    EXPECT_TRUE(shipped.url(shipped.model(QStringLiteral("tiny"))).toString().endsWith(
        QStringLiteral("/whisper.cpp/resolve/main/ggml-tiny.bin")));
    EXPECT_EQ(failureOf([&] { shipped.model(QStringLiteral("medium.en")); }), unknownModel);
    EXPECT_EQ(failureOf([&] { shipped.model(QString()); }), unknownModel);
    // The larger models, and the voice detector from its own repository.
    EXPECT_EQ(shipped.model(QStringLiteral("large-v3-turbo")).size, 1624555275);
    EXPECT_EQ(shipped.url(shipped.model(QStringLiteral("silero-v5.1.2"))).toString(),
              QStringLiteral("https://huggingface.co/ggml-org/whisper-vad/resolve/main/ggml-silero-v5.1.2.bin"));
}

TEST_F(WhisperModelsTest, AddedModelsAreCheckedCopiedListedAndRemoved)
{
    auto store = makeStore();
    const QString source = m_home.filePath(QStringLiteral("ggml-Fine Tuned.bin"));
    writeFile(source, m_body);
    QStringList checked;
    auto loads = [&](const QString &copy) { checked << copy; };
    auto refuses = [&](const QString &) { throw AppFailure(QStringLiteral("模型文件无法加载：%@"), {QStringLiteral("bad magic")}); };

    // A file the helper refuses leaves nothing, under any name.
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->add(source, QString(), refuses)); }),
              QStringLiteral("模型文件无法加载：bad magic"));
    EXPECT_TRUE(folderEntries(m_root).isEmpty());

    const WhisperModel added = TestSupport::runTask(store->add(source, QString(), loads));
    EXPECT_EQ(added.id, QStringLiteral("fine-tuned"));
    EXPECT_EQ(added.name, QStringLiteral("ggml-Fine Tuned.bin"));
    EXPECT_EQ(added.size, m_model.size);
    EXPECT_EQ(added.checksum, m_model.checksum);
    ASSERT_EQ(checked.size(), 1);
    EXPECT_FALSE(QFile::exists(checked[0])); // the checked copy became the model
    EXPECT_EQ(readAll(store->installedFile(added)), m_body);
    // Listed, verified like any model, and a second copy gets its own id; "test" is the catalogue's.
    EXPECT_EQ(store->available().size(), 2);
    EXPECT_EQ(TestSupport::runTask(store->verifyInstalled(added.id, {})), added);
    EXPECT_EQ(TestSupport::runTask(store->add(source, QStringLiteral("Fine tuned"), loads)).id, QStringLiteral("fine-tuned-2"));
    EXPECT_EQ(TestSupport::runTask(store->add(source, QStringLiteral("ggml-test.bin"), loads)).id, QStringLiteral("test-2"));

    TestSupport::runTask(store->remove(added.id));
    EXPECT_FALSE(QFile::exists(store->installedFile(added)));
    EXPECT_EQ(failureOf([&] { store->model(added.id); }), unknownModel);
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->remove(QStringLiteral("test"))); }),
              QStringLiteral("只能移除自己添加的模型。"));

    // An entry that names a file outside the folder is not read.
    writeFile(QDir(m_root).filePath(QStringLiteral("added-models.json")),
              R"([{"id":"../escape","name":"x","size":5,"sha256":")" + QByteArray(64, 'a') + R"("}])");
    EXPECT_EQ(store->available().size(), 1);
}

TEST_F(WhisperModelsTest, DownloadInstallsOnlyTheVerifiedFile)
{
    for (FakeModelHub::Behaviour behaviour : {FakeModelHub::Behaviour::Serve, FakeModelHub::Behaviour::Redirect}) {
        QDir(m_root).removeRecursively();
        m_hub.setBehaviour(behaviour);
        auto store = makeStore();
        std::vector<qint64> progress;
        TestSupport::runTask(store->download(QStringLiteral("test"), {}, [&](qint64 received) {
            progress.push_back(received);
        }));
        EXPECT_EQ(readAll(installed()), m_body);
        EXPECT_EQ(folderEntries(m_root), QStringList{QStringLiteral("ggml-test.bin")});
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), m_body.size());
        EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->verifyInstalled(QStringLiteral("test"), {})); }),
                  QStringLiteral("<no failure>"));
        std::stop_source stop;
        stop.request_stop();
        EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->verifyInstalled(QStringLiteral("test"), stop.get_token())); }),
                  QStringLiteral("<cancelled>"));
    }
}

TEST_F(WhisperModelsTest, FailedDownloadsKeepTheInstalledFileAndLeaveNothingBehind)
{
    struct Case {
        const char *what;
        QByteArray served;
        FakeModelHub::Behaviour behaviour;
        QString message;
    };
    QByteArray changed = m_body; // in the last, partial block of the hash
    changed[changed.size() - 5] = char(changed[changed.size() - 5] ^ 0x01);
    const std::vector<Case> cases = {
        {"404", m_body, FakeModelHub::Behaviour::NotFound, downloadFailed},
        {"500 with the right bytes", m_body, FakeModelHub::Behaviour::ServerError, downloadFailed},
        {"one byte changed", changed, FakeModelHub::Behaviour::Serve, damaged},
        {"short file", m_body.left(m_body.size() - 100), FakeModelHub::Behaviour::Serve, incomplete},
        {"longer file", m_body + QByteArray(4096, 'x'), FakeModelHub::Behaviour::Serve, incomplete},
    };
    const QByteArray previous = QByteArray("an older install");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(m_root).removeRecursively();
        QDir().mkpath(m_root);
        writeFile(installed(), previous);
        m_hub.setFile("ggml-test.bin", c.served);
        m_hub.setBehaviour(c.behaviour);
        auto store = makeStore();
        EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->download(QStringLiteral("test"), {})); }), c.message);
        EXPECT_EQ(readAll(installed()), previous);
        EXPECT_EQ(folderEntries(m_root), QStringList{QStringLiteral("ggml-test.bin")});
    }

    // Nothing at all is created in an empty models folder by a failed download.
    QDir(m_root).removeRecursively();
    m_hub.setBehaviour(FakeModelHub::Behaviour::NotFound);
    auto store = makeStore();
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->download(QStringLiteral("test"), {})); }), downloadFailed);
    EXPECT_TRUE(folderEntries(m_root).isEmpty());
}

TEST_F(WhisperModelsTest, StalledDownloadEndsOnCancelOrIdleLimit)
{
    QDir().mkpath(m_root);
    writeFile(installed(), m_body);
    m_hub.setBehaviour(FakeModelHub::Behaviour::StallMidBody);

    auto store = makeStore();
    std::stop_source stop;
    qint64 received = 0;
    auto task = store->download(QStringLiteral("test"), stop.get_token(), [&](qint64 bytes) { received = bytes; });
    ASSERT_TRUE(TestSupport::waitUntil([&] { return m_hub.stalled() && received > 0; }));
    stop.request_stop();
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(std::move(task)); }), QStringLiteral("<cancelled>"));
    EXPECT_EQ(readAll(installed()), m_body);
    // What arrived is kept for the next download.
    const QStringList kept{QStringLiteral(".ggml-test.bin.part"), QStringLiteral("ggml-test.bin")};
    EXPECT_EQ(folderEntries(m_root), kept);

    auto impatient = makeStore({200ms, 3600s});
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(impatient->download(QStringLiteral("test"), {})); }),
              QStringLiteral("模型下载超时，请稍后重试。"));
    EXPECT_EQ(folderEntries(m_root), kept);
}

TEST_F(WhisperModelsTest, InterruptedDownloadContinuesWhereItStopped)
{
    auto store = makeStore();
    const QString part = store->partialFile(m_model);
    const QByteArray half = m_body.left(m_body.size() / 2);
    auto download = [&](std::vector<qint64> *progress = nullptr) {
        return failureOf([&] {
            TestSupport::runTask(store->download(QStringLiteral("test"), {}, [progress](qint64 received) {
                if (progress)
                    progress->push_back(received);
            }));
        });
    };

    m_hub.setBehaviour(FakeModelHub::Behaviour::CloseMidBody);
    EXPECT_NE(download(), QStringLiteral("<no failure>"));
    EXPECT_EQ(readAll(part), half);

    // The next attempt asks for the rest only, and its progress starts at what is there.
    m_hub.setBehaviour(FakeModelHub::Behaviour::Serve);
    std::vector<qint64> progress;
    EXPECT_EQ(download(&progress), QStringLiteral("<no failure>"));
    EXPECT_EQ(m_hub.lastRange(), "bytes=" + std::to_string(half.size()) + "-");
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), half.size());
    EXPECT_EQ(readAll(installed()), m_body);
    EXPECT_EQ(folderEntries(m_root), QStringList{QStringLiteral("ggml-test.bin")});

    // A hub that ignores the range sends the whole file, which replaces the partial one.
    writeFile(part, half);
    m_hub.setBehaviour(FakeModelHub::Behaviour::IgnoreRange);
    EXPECT_EQ(download(), QStringLiteral("<no failure>"));
    EXPECT_FALSE(m_hub.lastRange().empty());
    EXPECT_EQ(readAll(installed()), m_body);

    // Bytes of some other file continue into a file that fails the check: it is removed, so the
    // attempt after that starts from the first byte.
    QFile::remove(installed());
    writeFile(part, QByteArray(half.size(), 'x'));
    m_hub.setBehaviour(FakeModelHub::Behaviour::Serve);
    EXPECT_EQ(download(), damaged);
    EXPECT_TRUE(folderEntries(m_root).isEmpty());
    EXPECT_EQ(download(), QStringLiteral("<no failure>"));
    EXPECT_TRUE(m_hub.lastRange().empty());
}

TEST_F(WhisperModelsTest, PartialFilesAreHeldByTheirDownloadAndOrphansReclaimed)
{
    auto store = makeStore();
    QDir().mkpath(m_root);
    writeFile(installed(), m_body);
    const QString part = store->partialFile(m_model);
    const QString orphan = QDir(m_root).filePath(QStringLiteral(".0b6c4f4e-5d1e-4c3a-9a43-1f0f5e7d9c11.part"));
    const QString heldOrphan = QDir(m_root).filePath(QStringLiteral(".ggml-medium.bin.part"));
    writeFile(orphan, "left by a killed download");
    writeFile(heldOrphan, "being written");

    // Another download (its own open of the file, as from another process) holds the partial file.
    std::optional<FileLock> running = FileLock::acquire(part, O_RDWR | O_CREAT, false);
    std::optional<FileLock> otherRunning = FileLock::acquire(heldOrphan, O_RDWR, false);
    ASSERT_TRUE(running && otherRunning);
    EXPECT_EQ(failureOf([&] { TestSupport::runTask(store->download(QStringLiteral("test"), {})); }),
              QStringLiteral("这个模型正在另一处下载，请稍后重试。"));
    EXPECT_EQ(m_hub.requestCount(), 0u);

    // A check reads the folder: only the unheld orphan goes.
    TestSupport::runTask(store->verifyInstalled(QStringLiteral("test"), {}));
    EXPECT_EQ(folderEntries(m_root), QStringList({QStringLiteral(".ggml-medium.bin.part"),
                                                  QStringLiteral(".ggml-test.bin.part"), QStringLiteral("ggml-test.bin")}));
    running.reset();
    otherRunning.reset();
    TestSupport::runTask(store->verifyInstalled(QStringLiteral("test"), {}));
    EXPECT_EQ(folderEntries(m_root), QStringList({QStringLiteral(".ggml-test.bin.part"), QStringLiteral("ggml-test.bin")}));
}

TEST_F(WhisperModelsTest, HubAndCloudGoThroughTheSystemProxyAndOllamaNever)
{
    // The fake hub doubles as the proxy; the names below resolve nowhere else.
    qputenv("http_proxy", QStringLiteral("http://127.0.0.1:%1").arg(m_hub.hub().port()).toUtf8());
    qunsetenv("no_proxy");
    auto store = std::make_unique<WhisperModels>(m_root, QList<WhisperModel>{m_model},
                                                 QUrl(QStringLiteral("http://hub.example.invalid/models/")));
    TestSupport::runTask(store->download(QStringLiteral("test"), {}));
    EXPECT_EQ(readAll(installed()), m_body);
    EXPECT_EQ(m_hub.lastTarget(), "http://hub.example.invalid/models/ggml-test.bin");

    HttpRequest request;
    request.url = QUrl(QStringLiteral("http://cloud.example.invalid/models/ggml-test.bin"));
    const HttpResponse answer = TestSupport::runTask(ModelClient::makeSession()->send(request, {}, {}, 1 << 24));
    EXPECT_EQ(answer.head.status, 200);
    const std::size_t proxied = m_hub.requestCount();
    EXPECT_NE(failureOf([&] { TestSupport::runTask(OllamaClient::makeSession()->send(request, {})); }),
              QStringLiteral("<no failure>"));
    EXPECT_EQ(m_hub.requestCount(), proxied);

    // Addresses listed in no_proxy are reached directly.
    qputenv("no_proxy", "cloud.example.invalid");
    EXPECT_NE(failureOf([&] { TestSupport::runTask(ModelClient::makeSession()->send(request, {})); }),
              QStringLiteral("<no failure>"));
    EXPECT_EQ(m_hub.requestCount(), proxied);
}

TEST_F(WhisperModelsTest, DownloadStateRunsOneDownloadOrCheckAtATime)
{
    auto store = makeStore();
    int asked = 0;
    WhisperDownloadState state(*store, [&] {
        ++asked;
        return QStringLiteral("test");
    });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(state.selectedID(), QStringLiteral("test"));
    EXPECT_EQ(state.selectedID(), QStringLiteral("test"));
    EXPECT_EQ(asked, 1);

    // A check of a model never downloaded. The check may end before run() returns, so the
    // messages are followed as they change.
    QStringList messages;
    const auto messageLog = QObject::connect(&state, &WhisperDownloadState::messageChanged,
                                             [&] { messages << state.message(); });
    state.run(QStringLiteral("test"), false);
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !state.busy(); }));
    QObject::disconnect(messageLog);
    EXPECT_EQ(messages, QStringList({QStringLiteral("正在检测模型…"), incomplete}));
    EXPECT_FALSE(state.readyID());

    // A download, with a second run asked for while it is busy.
    std::vector<qint64> seen;
    QObject::connect(&state, &WhisperDownloadState::receivedBytesChanged, [&] { seen.push_back(state.receivedBytes()); });
    state.run(QStringLiteral("test"), true);
    EXPECT_EQ(state.message(), QStringLiteral("正在下载并校验模型…"));
    EXPECT_EQ(state.totalBytes(), m_body.size());
    state.run(QStringLiteral("other"), false);
    EXPECT_EQ(state.message(), QStringLiteral("正在下载并校验模型…"));
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !state.busy(); }));
    EXPECT_EQ(state.message(), QStringLiteral("模型已就绪。"));
    EXPECT_FALSE(state.failed());
    EXPECT_EQ(state.readyID(), QStringLiteral("test"));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), m_body.size());
    EXPECT_EQ(m_hub.requestCount(), 1u);

    // A cancelled download clears readyID and says so.
    m_hub.setBehaviour(FakeModelHub::Behaviour::StallMidBody);
    state.run(QStringLiteral("test"), true);
    EXPECT_FALSE(state.readyID());
    ASSERT_TRUE(TestSupport::waitUntil([&] { return m_hub.stalled(); }));
    state.cancel();
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !state.busy(); }));
    EXPECT_EQ(state.message(), QStringLiteral("已取消下载或检测。"));
    EXPECT_FALSE(state.failed()) << "a cancel is not a failure";
    EXPECT_FALSE(state.readyID());
    EXPECT_EQ(readAll(installed()), m_body);

    // An unknown id fails without touching the network.
    state.run(QStringLiteral("medium"), true);
    ASSERT_TRUE(TestSupport::waitUntil([&] { return !state.busy(); }));
    EXPECT_EQ(state.message(), unknownModel);
    EXPECT_TRUE(state.failed());
    EXPECT_EQ(m_hub.requestCount(), 2u);
}

} // namespace
