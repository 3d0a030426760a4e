#pragma once

#include <QObject>
#include <QVariantList>
#include <QtQml/qqml.h>

// The export popover's subtitle entries, which exist on the transcript tab only (a summary has no
// cue times). Each is {label, format}, format being the file extension the export takes
// ("srt", "vtt"; see NoteExport::formatNamed).
class ExportFormats : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_DISABLE_COPY_MOVE(ExportFormats)

public:
    explicit ExportFormats(QObject *parent = nullptr) : QObject(parent) {}

    Q_INVOKABLE static QVariantList subtitleChoices(bool summary);
};
