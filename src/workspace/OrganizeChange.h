#pragma once

#include "library/Recording.h"

#include <QDateTime>
#include <QString>

// One organizing action from the note list's context menu, applied to a note in place.
struct OrganizeChange {
    enum class Kind { ToggleStar, MoveToProject, TakeOutOfProject, Trash, Restore };

    Kind kind = Kind::ToggleStar;
    QString projectID; // MoveToProject only

    static OrganizeChange toggleStar() { return {Kind::ToggleStar, {}}; }
    static OrganizeChange moveToProject(QString id) { return {Kind::MoveToProject, std::move(id)}; }
    static OrganizeChange takeOutOfProject() { return {Kind::TakeOutOfProject, {}}; }
    static OrganizeChange trash() { return {Kind::Trash, {}}; }
    static OrganizeChange restore() { return {Kind::Restore, {}}; }

    // A missing star counts as not starred, so the first toggle stars. Trash stamps deletedAt with
    // now as ISO 8601 UTC without fractional seconds.
    void apply(Recording &recording, const QDateTime &now = QDateTime::currentDateTimeUtc()) const;

    bool operator==(const OrganizeChange &) const = default;
};
