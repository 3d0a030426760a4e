// Importing audio as a new note of the home library, and copying a foreign library's note into it.
// The store does the file work on its own executor; back here the home library is installed with
// the new note selected, whichever library was open before.

#include "workspace/Workspace.h"

#include "library/NativeLibrary.h"
#include "platform/Errors.h"
#include "platform/Localization.h"
#include "workspace/UserPrompts.h"

#include <QPointer>

class WorkspaceImport {
public:
    static QCoro::Task<> run(Workspace *workspace, QString audioPath, std::optional<Recording> copyOf);
};

QCoro::Task<> WorkspaceImport::run(Workspace *workspace, QString audioPath, std::optional<Recording> copyOf)
{
    QPointer<Workspace> self(workspace);
    NativeLibrary &library = workspace->m_library;
    std::exception_ptr failure;
    std::optional<Recording> note;
    std::optional<LibrarySnapshot> snapshot;
    try {
        note = co_await library.importAudio(audioPath, copyOf);
        snapshot = co_await library.loadHome();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    // Applied whatever the load counter says: the import held the busy flag, so no other library
    // operation ran (a job may have saved its note meanwhile; it replaces that note by id).
    if (failure) {
        workspace->setError(L(QStringLiteral("导入失败：%@")).replace(QStringLiteral("%@"), describeError(failure)));
    } else {
        workspace->install(std::move(snapshot->recordings), std::move(snapshot->projects),
                           L(QStringLiteral("我的资料库")), true);
        workspace->setSelectedID(note->id);
        workspace->setNotice(L(QStringLiteral("已收好，保存在资料库。")));
    }
    workspace->setLoading(false);
    if (!failure && !copyOf)
        Q_EMIT workspace->imported(note->id);
}

void Workspace::chooseAudio()
{
    if (!m_loading)
        runChooseAudio();
}

QCoro::Task<> Workspace::runChooseAudio()
{
    QPointer<Workspace> self(this);
    const std::optional<QString> file = co_await m_prompts.chooseAudioFile(
        L(QStringLiteral("导入录音")), L(QStringLiteral("导入音频副本，并将整理结果保存在你的资料库。")));
    // importAudio checks again that nothing else started while the chooser was open.
    if (self && file)
        importAudio(*file);
}

void Workspace::importAudio(const QString &audioPath, const std::optional<Recording> &copyOf)
{
    if (m_loading)
        return;
    ++m_generation;
    setLoading(true);
    WorkspaceImport::run(this, audioPath, copyOf);
}

void Workspace::copySelected()
{
    const std::optional<Recording> source = selectedRecord();
    if (!source || !source->audioURL)
        return;
    if (!m_loading)
        importAudio(*source->audioURL, source);
}
