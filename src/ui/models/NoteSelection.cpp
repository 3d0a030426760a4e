#include "NoteSelection.h"
#include "SourceBinding.h"

#include "library/Recording.h"
#include "platform/Localization.h"
#include "workspace/Workspace.h"

#include <QGuiApplication>

#include <algorithm>

NoteSelection::NoteSelection(QObject *parent) : QObject(parent) {}

void NoteSelection::setWorkspace(Workspace *workspace)
{
    if (!rebindSource(this, m_workspace, workspace))
        return;
    if (m_workspace) {
        connect(m_workspace, &Workspace::selectedIDChanged, this, &NoteSelection::followSelection);
        connect(m_workspace, &Workspace::filteredChanged, this, &NoteSelection::followList);
        for (auto signal : {&Workspace::loadingChanged, &Workspace::isManagedChanged, &Workspace::recordsChanged})
            connect(m_workspace, signal, this, &NoteSelection::changed);
    }
    m_marked.clear();
    followSelection();
    Q_EMIT workspaceChanged();
}

QStringList NoteSelection::listed() const
{
    QStringList ids;
    if (m_workspace) {
        for (const Recording &recording : m_workspace->filtered())
            ids << recording.id;
    }
    return ids;
}

QString NoteSelection::current() const
{
    return m_workspace ? m_workspace->selectedID().value_or(QString()) : QString();
}

QStringList NoteSelection::ids() const
{
    QStringList ids = listed();
    ids.removeIf([this](const QString &id) { return !m_marked.contains(id); });
    return ids;
}

QStringList NoteSelection::liveIDs() const
{
    QStringList ids;
    if (m_workspace) {
        for (const Recording &recording : m_workspace->filtered()) {
            if (m_marked.contains(recording.id) && recording.isLive())
                ids << recording.id;
        }
    }
    return ids;
}

QString NoteSelection::summaryText() const
{
    return L(QStringLiteral("已选择 %d 条笔记")).replace(QStringLiteral("%d"), QString::number(count()));
}

bool NoteSelection::canProcess() const
{
    return m_workspace && m_workspace->isManaged() && !m_workspace->loading() && !liveIDs().isEmpty();
}

void NoteSelection::click(const QString &id, int modifiers)
{
    const bool adding = modifiers & Qt::ControlModifier;
    if (modifiers & Qt::ShiftModifier) {
        const QString from = listed().contains(m_anchor) ? m_anchor : current();
        markRun(from.isEmpty() ? id : from, id, adding);
    } else if (adding) {
        toggle(id);
    } else {
        m_anchor = id;
        setMarked({id}, id);
    }
}

void NoteSelection::clickWithKeyboard(const QString &id)
{
    click(id, int(QGuiApplication::keyboardModifiers()));
}

void NoteSelection::selectAll()
{
    const QStringList all = listed();
    if (all.isEmpty())
        return;
    const QString selected = all.contains(current()) ? current() : all.front();
    setMarked(QSet<QString>(all.begin(), all.end()), selected);
}

void NoteSelection::move(int step)
{
    const QStringList all = listed();
    const qsizetype at = all.indexOf(current());
    const qsizetype next = at < 0 ? 0 : at + step;
    if (next >= 0 && next < all.size())
        click(all[next], Qt::NoModifier);
}

void NoteSelection::extend(int step)
{
    const QStringList all = listed();
    const qsizetype at = all.indexOf(current());
    const qsizetype next = at + step;
    if (at < 0 || next < 0 || next >= all.size())
        return;
    if (!all.contains(m_anchor))
        m_anchor = current();
    markRun(m_anchor, all[next], false);
}

void NoteSelection::toggleCurrent()
{
    if (!current().isEmpty())
        toggle(current());
}

void NoteSelection::toggle(const QString &id)
{
    m_anchor = id;
    QSet<QString> marked = m_marked;
    if (!marked.contains(id)) {
        marked.insert(id);
        setMarked(marked, id);
        return;
    }
    if (marked.size() == 1)
        return;
    marked.remove(id);
    // The document moves to the nearest marked note below, else above.
    const QStringList all = listed();
    const qsizetype at = all.indexOf(id);
    QString next;
    for (qsizetype i = at + 1; i < all.size() && next.isEmpty(); ++i)
        next = marked.contains(all[i]) ? all[i] : QString();
    for (qsizetype i = at - 1; i >= 0 && next.isEmpty(); --i)
        next = marked.contains(all[i]) ? all[i] : QString();
    setMarked(marked, id == current() ? next : current());
}

void NoteSelection::markRun(const QString &from, const QString &to, bool adding)
{
    const QStringList all = listed();
    qsizetype first = all.indexOf(from);
    qsizetype last = all.indexOf(to);
    if (first < 0 || last < 0)
        return;
    if (first > last)
        std::swap(first, last);
    QSet<QString> marked = adding ? m_marked : QSet<QString>();
    for (qsizetype i = first; i <= last; ++i)
        marked.insert(all[i]);
    m_anchor = from;
    setMarked(marked, to);
}

void NoteSelection::setMarked(QSet<QString> marked, const QString &selected)
{
    QStringList touched;
    for (const QString &id : std::as_const(m_marked)) {
        if (!marked.contains(id))
            touched << id;
    }
    for (const QString &id : std::as_const(marked)) {
        if (!m_marked.contains(id))
            touched << id;
    }
    m_marked = std::move(marked);
    if (m_workspace && current() != selected) {
        m_selecting = true;
        m_workspace->setSelectedID(selected.isEmpty() ? std::nullopt : std::optional<QString>(selected));
        m_selecting = false;
    }
    if (!touched.isEmpty()) {
        Q_EMIT marksChanged(touched);
        Q_EMIT changed();
    }
}

void NoteSelection::followSelection()
{
    if (m_selecting)
        return;
    const QString selected = current();
    m_anchor = selected;
    setMarked(selected.isEmpty() ? QSet<QString>() : QSet<QString>{selected}, selected);
}

void NoteSelection::followList()
{
    const QStringList all = listed();
    QSet<QString> kept;
    for (const QString &id : std::as_const(m_marked)) {
        if (all.contains(id))
            kept.insert(id);
    }
    const QString selected = current();
    if (kept.isEmpty() && all.contains(selected))
        kept.insert(selected);
    if (kept != m_marked) {
        m_selecting = true; // the selection is the workspace's own; only the marks follow
        setMarked(kept, selected);
        m_selecting = false;
    } else {
        Q_EMIT changed(); // which marked notes are in the trash may differ
    }
}
