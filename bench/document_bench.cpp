// The document view of a 12-hour note in short segments (default 7,200 segments of 6 s), offscreen:
//   - time from selecting the note to the first frame showing its document, against the time to
//     decode the note's JSON (the least any view of the note must spend);
//   - the main-thread cost of 1,000 playback ticks with the document and the player bar shown
//     (the play head moving 0.1 s each time, the active row changing every 6 s), against 1,000
//     ticks of the controller alone. The target is well under a millisecond per tick.
// Usage: document_bench [segments]
#include "BenchSupport.h"
#include "app/OfflineNetwork.h"
#include "app/QmlForeignTypes.h"
#include "library/NativeLibrary.h"
#include "library/RecordCodec.h"
#include "playback/AudioController.h"
#include "playback/AudioPlayer.h"
#include "workspace/Workspace.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QQuickWindow>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QtQml/qqmlextensionplugin.h>

#include <algorithm>
#include <cstdio>

Q_IMPORT_QML_PLUGIN(Hushnote_UiPlugin)

namespace {

using BenchSupport::NoPrompts;

// A player that is always playing and whose play head the benchmark moves.
class BenchPlayer final : public AudioPlayer {
public:
    void open(const QString &) override {}
    void setRate(float) override {}
    void setVolume(float) override {}
    void prepare() override {}
    bool play() override { return m_playing = true; }
    void pause() override { m_playing = false; }
    void stop() override { m_playing = false; }
    double currentTime() const override { return m_time; }
    void setCurrentTime(double seconds) override { m_time = seconds; }
    double duration() const override { return 43200; }
    bool isPlaying() const override { return m_playing; }
    bool hasOutputDevice() const override { return true; }

private:
    double m_time = 0;
    bool m_playing = false;
};

Recording longNote(int segments)
{
    QRandomGenerator random(7);
    static const QStringList phrases = {QStringLiteral("我们先看第三季度的路线图"), QStringLiteral("预算需要再确认一次"),
                                        QStringLiteral("The release candidate is ready"), QStringLiteral("下周五之前更新进度"),
                                        QStringLiteral("客户希望增加两场线下活动")};
    Recording note;
    note.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    note.title = QStringLiteral("十二小时的会议");
    note.createdAt = QStringLiteral("2026-03-14T09:30:00Z");
    note.duration = 43200;
    note.summary = QStringLiteral("## 要点\n\n- 路线图\n- 预算");
    const double step = 43200.0 / segments;
    for (int i = 0; i < segments; ++i) {
        QString text;
        for (int p = 0, n = 1 + random.bounded(3); p < n; ++p)
            text += phrases[random.bounded(int(phrases.size()))] + QStringLiteral("，");
        note.segments.push_back({QStringLiteral("seg-%1").arg(i), i * step, (i + 1) * step, text,
                                 QStringLiteral("说话人 %1").arg(1 + i % 3)});
    }
    note.storedAudioName = QStringLiteral("audio.wav");
    return note;
}

bool waitFor(QObject *sender, const char *signal, int timeoutMs = 30000)
{
    QEventLoop loop;
    QObject::connect(sender, signal, &loop, SLOT(quit()));
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    return loop.exec() == 0;
}

template <typename F> double millisecondsOf(F &&work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct TickTimes {
    double total = 0;      // ms for all 1,000
    double median = 0;     // us
    double rowChange = 0;  // us, mean of the ticks that made another row the active one
};

// Lets the event loop run for a while (the glide to the new row, the frames it draws).
void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// 1,000 ticks as the 0.1 s timer makes them: the play head moves on and the controller ticks.
// Only the tick itself is timed; between ticks the event loop runs, and after a change of row it
// runs long enough for the list to glide there, as it does between real ticks.
TickTimes ticks(AudioController &audio, double from)
{
    audio.seek(from);
    runFor(400);
    std::vector<double> each;
    std::vector<double> changes;
    for (int i = 1; i <= 1000; ++i) {
        const std::optional<QString> before = audio.activeSegmentID();
        const double us = millisecondsOf([&] { audio.seek(from + i * 0.1); }) * 1000;
        each.push_back(us);
        if (audio.activeSegmentID() != before) {
            changes.push_back(us);
            runFor(350);
        } else {
            QCoreApplication::processEvents();
        }
    }
    TickTimes times;
    for (const double us : each)
        times.total += us / 1000;
    for (const double us : changes)
        times.rowChange += us / double(changes.size());
    std::sort(each.begin(), each.end());
    times.median = each[each.size() / 2];
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_QUICK_BACKEND", "software");
    QGuiApplication app(argc, argv);
    const int segments = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 7200;

    QTemporaryDir home;
    const QString root = home.filePath(QStringLiteral("Library"));
    const Recording note = longNote(segments);
    const QString folder = root + QStringLiteral("/recordings/") + note.id;
    QDir().mkpath(folder);
    const QByteArray json = RecordCodec::encodeRecording(note);
    QFile file(folder + QStringLiteral("/record.json"));
    file.open(QIODevice::WriteOnly);
    file.write(json);
    file.close();
    QFile audioFile(folder + QStringLiteral("/audio.wav"));
    audioFile.open(QIODevice::WriteOnly);
    audioFile.write("RIFF");
    audioFile.close();

    double decode = 1e9;
    for (int i = 0; i < 5; ++i)
        decode = std::min(decode, millisecondsOf([&] { (void)RecordCodec::decodeRecording(json); }));

    NoPrompts prompts;
    NativeLibrary library(root);
    Workspace workspace(library, prompts, JobServices{}, true);
    while (workspace.loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    workspace.setSelectedID(std::nullopt);
    AudioController audio([] { return std::make_unique<BenchPlayer>(); },
                          [](QString, int bins, std::stop_token) { return std::vector<float>(size_t(bins), 0.6f); });
    QmlInstances::set({&workspace, &audio, nullptr});

    // The main window's right-hand column: the document over the player bar.
    const QString scene = home.filePath(QStringLiteral("Scene.qml"));
    QFile sceneFile(scene);
    sceneFile.open(QIODevice::WriteOnly);
    sceneFile.write(R"(import QtQuick
import QtQuick.Layouts
import Hushnote.Ui
Rectangle {
    color: Theme.canvas
    QtObject { id: viewState; property bool showSummary: false }
    SelectionPlayback { workspace: AppWorkspace; audio: AppAudio }
    ColumnLayout {
        anchors.fill: parent
        spacing: 0
        DocumentArea { Layout.fillWidth: true; Layout.fillHeight: true; viewState: viewState; workspace: AppWorkspace; audio: AppAudio }
        PlayerBar { Layout.fillWidth: true; audio: AppAudio }
    }
})");
    sceneFile.close();

    QQuickView view;
    OfflineNetwork::install(view.engine());
    view.engine()->addImportPath(QStringLiteral("qrc:/qt/qml"));
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.resize(1000, 760);
    view.setSource(QUrl::fromLocalFile(scene));
    if (view.status() != QQuickView::Ready) {
        std::fprintf(stderr, "document_bench: the scene did not load\n");
        return 1;
    }
    view.show();
    waitFor(&view, SIGNAL(frameSwapped()));

    // Time to the first frame of the document.
    QElapsedTimer firstFrame;
    firstFrame.start();
    workspace.setSelectedID(note.id);
    waitFor(&view, SIGNAL(frameSwapped()));
    const double shown = double(firstFrame.nsecsElapsed()) / 1e6;
    while (audio.loading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    audio.toggle();
    if (!audio.isPlaying()) {
        std::fprintf(stderr, "document_bench: the note did not reach the player\n");
        return 1;
    }

    // Ticks with every view attached, in the middle of the note, then the controller alone.
    const TickTimes withViews = ticks(audio, 21600);
    view.hide();
    view.setSource({});
    QCoreApplication::processEvents();
    const TickTimes alone = ticks(audio, 21600);

    std::printf("segments: %d, record.json: %.1f MB\n", segments, json.size() / 1e6);
    std::printf("first frame of the document: %.1f ms; decoding its JSON: %.1f ms (ratio %.2f)\n", shown, decode,
                shown / decode);
    std::printf("1,000 ticks with the document and the player bar: %.1f ms in all, median %.1f us, %.1f us when "
                "another row becomes the active one; controller alone: %.1f ms (ratio %.1f)\n",
                withViews.total, withViews.median, withViews.rowChange, alone.total, withViews.total / alone.total);
    return 0;
}
