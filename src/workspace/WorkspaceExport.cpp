// Saving the selected note's transcript or summary wherever the person chooses. It reads only the
// in-memory note and writes outside the library, so it also works on a foreign library and while
// other work runs.

#include "workspace/Workspace.h"

#include "library/NoteExport.h"
#include "platform/Errors.h"
#include "platform/FileUtil.h"
#include "platform/ScopedFileAccess.h"
#include "platform/Localization.h"
#include "workspace/UserPrompts.h"

#include <QPointer>

void Workspace::exportText(bool summary, NoteExportFormat format)
{
    // Subtitles are made of the transcript's timed segments; a summary has no cue times.
    summary = summary && !NoteExport::isSubtitle(format);
    const std::optional<Recording> selected = selectedRecord();
    if (!selected)
        return;
    // The chooser stays open while the event loop runs on; a job may change the note meanwhile.
    // The export is of the note as it was when the person asked.
    runExport(summary, format, *selected);
}

QCoro::Task<> Workspace::runExport(bool summary, NoteExportFormat format, Recording note)
{
    QPointer<Workspace> self(this);
    std::optional<QString> location;
    QString refusal;
    try {
        location = co_await m_prompts.chooseSaveLocation(
            summary ? L(QStringLiteral("导出纪要")) : L(QStringLiteral("导出逐字稿")),
            NoteExport::filename(note, summary, format), NoteExport::fileExtension(format));
    } catch (const AppFailure &failure) {
        refusal = failure.description();
    }
    if (!self)
        co_return;
    if (!refusal.isEmpty()) {
        setError(refusal);
        co_return;
    }
    if (!location)
        co_return;

    try {
        const ScopedFileAccess access(*location);
        FileUtil::writeAtomically(*location, NoteExport::render(note, summary, format).toUtf8());
    } catch (...) {
        setError(L(QStringLiteral("导出失败：%@")).replace(QLatin1String("%@"), describeCurrentError()));
        co_return;
    }
    setNotice(summary ? L(QStringLiteral("已导出纪要。")) : L(QStringLiteral("已导出逐字稿。")));
}
