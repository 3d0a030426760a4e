#include "workspace/OrganizeChange.h"

void OrganizeChange::apply(Recording &recording, const QDateTime &now) const
{
    switch (kind) {
    case Kind::ToggleStar:
        recording.starred = !recording.starred.value_or(false);
        break;
    case Kind::MoveToProject:
        recording.folderId = projectID;
        break;
    case Kind::TakeOutOfProject:
        recording.folderId.reset();
        break;
    case Kind::Trash:
        recording.deletedAt = now.toUTC().toString(Qt::ISODate);
        break;
    case Kind::Restore:
        recording.deletedAt.reset();
        break;
    }
}
