#pragma once

#include <QObject>
#include <QPointer>

// Points a view model at another source object (the Workspace, the AudioController, the download
// state), dropping every connection the model had to the previous one. False when it is the same
// source, so the caller has nothing to redo.
template <typename Source>
bool rebindSource(QObject *model, QPointer<Source> &current, Source *next)
{
    if (current == next)
        return false;
    if (current)
        QObject::disconnect(current, nullptr, model, nullptr);
    current = next;
    return true;
}
