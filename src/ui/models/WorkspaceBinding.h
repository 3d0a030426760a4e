#pragma once

#include "workspace/Workspace.h"

#include <QPointer>

// Points a view model at another Workspace, dropping every connection the model had to the previous
// one. False when it is the same Workspace, so the caller has nothing to redo.
inline bool rebindWorkspace(QObject *model, QPointer<Workspace> &current, Workspace *next)
{
    if (current == next)
        return false;
    if (current)
        QObject::disconnect(current, nullptr, model, nullptr);
    current = next;
    return true;
}
