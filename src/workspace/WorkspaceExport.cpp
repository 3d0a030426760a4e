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

void Workspace::exportText(bool summary, NoteExportFormat format)
{
    // Subtitles are made of the transcript's timed segments; a summary has no cue times.
    summary = summary && !NoteExport::isSubtitle(format);
    const std::optional<Recording> selected = selectedRecord();
    if (!selected)
        return;
    // The dialog runs its own event loop; a job may change the note meanwhile. The export is of
    // the note as it was when the person asked.
    const Recording note = *selected;

    std::optional<QString> location;
    try {
        location = m_prompts.chooseSaveLocation(summary ? L(QStringLiteral("导出纪要")) : L(QStringLiteral("导出逐字稿")),
                                                NoteExport::filename(note, summary, format),
                                                NoteExport::fileExtension(format));
    } catch (const AppFailure &failure) {
        setError(failure.description());
        return;
    }
    if (!location)
        return;

    try {
        const ScopedFileAccess access(*location);
        FileUtil::writeAtomically(*location, NoteExport::render(note, summary, format).toUtf8());
    } catch (...) {
        setError(L(QStringLiteral("导出失败：%@")).replace(QLatin1String("%@"), describeCurrentError()));
        return;
    }
    setNotice(summary ? L(QStringLiteral("已导出纪要。")) : L(QStringLiteral("已导出逐字稿。")));
}
