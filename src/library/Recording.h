#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One stretch of a note's transcript.
struct Segment {
    QString id;
    double start = 0;
    double end = 0;
    QString text;
    QString speaker;

    bool operator==(const Segment &) const = default;
};

// One note of a library: the audio copy, its transcript, summary and organizing marks.
struct Recording {
    QString id;
    QString title;
    double duration = 0;
    QString createdAt;
    std::vector<Segment> segments;
    QString summary;
    std::optional<bool> starred;
    std::optional<QString> deletedAt;
    std::optional<QString> folderId;
    std::optional<QString> storedAudioName;
    std::optional<qint64> completedChunks;
    std::optional<QString> status;
    std::optional<bool> summaryStale;
    std::optional<QString> summaryTemplate;
    std::optional<QString> summaryTemplateName;
    std::optional<qint64> summaryTemplateVersion;
    // The language whisper detected in this note ("zh", "en", ...), kept so every later chunk is
    // transcribed in it, also after a resume.
    std::optional<QString> spokenLanguage;
    // True on a note recorded here whose recording ended without a stop (the program was killed or
    // the power failed): its audio runs up to the last second written. Absent on every other note.
    std::optional<bool> interrupted;
    // Location of the audio copy, filled in by the reader only when the file exists. Never stored.
    std::optional<QString> audioURL;

    bool operator==(const Recording &) const = default;

    bool isLive() const { return !deletedAt.has_value(); }
    // The id of the segment playing at the given time: the last segment with start <= time < end.
    std::optional<QString> activeSegment(double time) const;
};

// A named group of notes.
struct Project {
    QString id;
    QString name;

    bool operator==(const Project &) const = default;
};

// Project names are unique ignoring letter case and Unicode composition.
bool sameProjectName(const QString &a, const QString &b);

// The part of the library the note list shows.
struct LibraryScope {
    enum class Kind { All, Pinned, Trash, Project };
    Kind kind = Kind::All;
    QString projectID; // only for Kind::Project

    static LibraryScope all() { return {}; }
    static LibraryScope pinned() { return {Kind::Pinned, {}}; }
    static LibraryScope trash() { return {Kind::Trash, {}}; }
    static LibraryScope project(QString id) { return {Kind::Project, std::move(id)}; }

    bool operator==(const LibraryScope &other) const
    {
        return kind == other.kind && (kind != Kind::Project || projectID == other.projectID);
    }
};

// Seconds as "mm:ss" below an hour, else "h:mm:ss"; non-finite values give "00:00".
QString timeLabel(double seconds);
