#include "cli/CommandTable.h"

#include "cli/Commands.h"

#include <QHash>

namespace {

OptionSpec flag(const QString &name, const QString &help)
{
    return OptionSpec{name, 0, false, {}, {}, help};
}

OptionSpec valued(const QString &name, const QString &valueName, const QString &help)
{
    return OptionSpec{name, 1, false, {}, valueName, help};
}

const OptionSpec libraryOption = valued(QStringLiteral("library"), QStringLiteral("DIR"),
                                        QStringLiteral("read this library folder (or its recordings folder) read-only "
                                                       "instead of the home library"));
const OptionSpec jsonOption = flag(QStringLiteral("json"), QStringLiteral("print JSON instead of tab-separated lines"));
const OptionSpec allowCloudOption = flag(QStringLiteral("allow-cloud"),
                                         QStringLiteral("agree, for this one task, to send the note to the configured cloud "
                                                        "service (otherwise asked on the terminal, or refused without one)"));

const OptionSpec parallelOption = valued(QStringLiteral("parallel"), QStringLiteral("N"),
                                        QStringLiteral("notes at once against a server elsewhere (default: the "
                                                       "queue.parallel-notes setting, 2); one on this computer"));

struct Entry {
    CommandShape shape;
    CommandTable::Handler handler;
};

const QString id = QStringLiteral("ID");

// Reading the library and bringing notes into it.
void addLibraryCommands(QList<Entry> &entries)
{
    auto add = [&](CommandShape shape, CommandTable::Handler handler) { entries.append({std::move(shape), std::move(handler)}); };

    add({QStringLiteral("list"), {}, 0, 0,
         {libraryOption,
          valued(QStringLiteral("scope"), QStringLiteral("SCOPE"), QStringLiteral("all (default), pinned, trash or project:ID")),
          valued(QStringLiteral("query"), QStringLiteral("TEXT"), QStringLiteral("only notes whose title, summary or transcript contains TEXT")),
          jsonOption},
         QStringLiteral("List notes: id, created, duration, status, starred (*), title.")},
        LibraryCommands::list);
    add({QStringLiteral("projects"), {}, 0, 0, {libraryOption, jsonOption},
         QStringLiteral("List projects: id, number of notes, name.")},
        LibraryCommands::projects);
    add({QStringLiteral("show"), id, 1, 1, {libraryOption}, QStringLiteral("Print one note as JSON.")},
        LibraryCommands::show);
    add({QStringLiteral("import"), QStringLiteral("FILE..."), 1, -1, {},
         QStringLiteral("Import audio files as new notes of the home library; prints each new note's id.")},
        LibraryCommands::importFiles);
    add({QStringLiteral("copy"), id, 1, 1, {libraryOption},
         QStringLiteral("Copy a note of another library (--library DIR) into the home library; prints the copy's id.")},
        LibraryCommands::copy);
    add({QStringLiteral("record"), {}, 0, 0,
         {valued(QStringLiteral("source"), QStringLiteral("mic|system|both"),
                 QStringLiteral("what to record: the microphone (default), what the computer plays, or both mixed")),
          valued(QStringLiteral("device"), QStringLiteral("NAME"),
                 QStringLiteral("the microphone's source (with --source system: the output's monitor); see --list-devices")),
          valued(QStringLiteral("duration"), QStringLiteral("LENGTH"), QStringLiteral("stop after this much sound, e.g. 20s, 45m, 1h")),
          flag(QStringLiteral("transcribe"), QStringLiteral("transcribe the note when the recording ends")),
          allowCloudOption,
          flag(QStringLiteral("list-devices"), QStringLiteral("list the sound sources and exit"))},
         QStringLiteral("Record a new note; prints its id at once. Ctrl-C stops and keeps everything recorded.")},
        RecordCommands::record);
}

// The processing jobs and the export.
void addJobCommands(QList<Entry> &entries)
{
    auto add = [&](CommandShape shape, CommandTable::Handler handler) { entries.append({std::move(shape), std::move(handler)}); };
    add({QStringLiteral("transcribe"), QStringLiteral("ID..."), 1, -1,
         {flag(QStringLiteral("summarize"), QStringLiteral("write each note's minutes after its transcript")),
          parallelOption, allowCloudOption},
         QStringLiteral("Transcribe notes, or resume where they stopped. Several notes (or --summarize) go through the "
                        "saved queue. Ctrl-C stops and keeps every finished chunk.")},
        JobCommands::transcribe);
    add({QStringLiteral("queue"), {}, 0, 0, {}, QStringLiteral("Show the saved processing queue: id, state, chunks, message.")},
        QueueCommands::show);
    add({QStringLiteral("queue stop"), QStringLiteral("[ID...]"), 0, -1, {},
         QStringLiteral("Stop the queue (or only these notes) after the chunk in progress; finished chunks stay.")},
        QueueCommands::stop);
    add({QStringLiteral("queue resume"), {}, 0, 0, {parallelOption, allowCloudOption},
         QStringLiteral("Work through what is left of the saved queue, each note from its own saved progress.")},
        QueueCommands::resume);
    add({QStringLiteral("summarize"), id, 1, 1,
         {valued(QStringLiteral("template"), QStringLiteral("TEMPLATE_ID"), QStringLiteral("use this summary template instead of the saved one")),
          allowCloudOption},
         QStringLiteral("Write the minutes of a transcribed note.")},
        JobCommands::summarize);
    add({QStringLiteral("export"), id, 1, 1,
         {flag(QStringLiteral("transcript"), QStringLiteral("export the transcript")),
          flag(QStringLiteral("summary"), QStringLiteral("export the minutes")),
          valued(QStringLiteral("format"), QStringLiteral("txt|md|srt|vtt"),
                 QStringLiteral("plain text, Markdown, or SubRip/WebVTT subtitles of the transcript (default: PATH's extension, else txt)")),
          OptionSpec{QStringLiteral("output"), 1, false, QStringLiteral("o"), QStringLiteral("PATH|-"),
                     QStringLiteral("write to PATH (a folder gets the proposed file name); - or none: standard output")},
          libraryOption},
         QStringLiteral("Export a note's transcript or minutes.")},
        NoteCommands::exportNote);
}

// Organizing and editing notes and projects.
void addOrganizingCommands(QList<Entry> &entries)
{
    auto add = [&](CommandShape shape, CommandTable::Handler handler) { entries.append({std::move(shape), std::move(handler)}); };
    const QList<std::pair<QString, QString>> organizing{
        {QStringLiteral("star"), QStringLiteral("Pin a note (no change when it already is).")},
        {QStringLiteral("unstar"), QStringLiteral("Unpin a note.")},
        {QStringLiteral("trash"), QStringLiteral("Move a note to the trash; it stays on disk until restored.")},
        {QStringLiteral("restore"), QStringLiteral("Take a note out of the trash.")}};
    for (const auto &[name, summary] : organizing)
        add({name, id, 1, 1, {}, summary}, NoteCommands::organize);
    add({QStringLiteral("move"), QStringLiteral("ID [PROJECT_ID]"), 1, 2,
         {flag(QStringLiteral("none"), QStringLiteral("take the note out of its project"))},
         QStringLiteral("File a note under a project (id or name), or take it out with --none.")},
        NoteCommands::move);
    add({QStringLiteral("project create"), QStringLiteral("NAME"), 1, 1, {},
         QStringLiteral("Create a project; prints its id.")},
        NoteCommands::createProject);
    add({QStringLiteral("project rename"), QStringLiteral("PROJECT_ID NAME"), 2, 2, {}, QStringLiteral("Rename a project.")},
        NoteCommands::renameProject);
    add({QStringLiteral("edit"), id, 1, 1,
         {valued(QStringLiteral("title"), QStringLiteral("TEXT"), QStringLiteral("new title")),
          OptionSpec{QStringLiteral("rename-speaker"), 2, true, {}, QStringLiteral("FROM TO"),
                     QStringLiteral("rename a speaker in every segment (\"\" for unlabelled segments)")}},
         QStringLiteral("Change a note's title or speaker names.")},
        NoteCommands::edit);
}

// Settings: the configuration file, API keys and local models.
void addSettingsCommands(QList<Entry> &entries)
{
    auto add = [&](CommandShape shape, CommandTable::Handler handler) { entries.append({std::move(shape), std::move(handler)}); };
    add({QStringLiteral("config show"), {}, 0, 0, {}, QStringLiteral("Print the configuration file's JSON (API keys are never part of it).")},
        SettingsCommands::showConfiguration);
    add({QStringLiteral("config apply"), QStringLiteral("FILE"), 1, 1, {},
         QStringLiteral("Check a configuration file (- for standard input) and apply it, like \"Save and apply\".")},
        SettingsCommands::applyConfiguration);
    add({QStringLiteral("key set"), QStringLiteral("PROVIDER"), 1, 1, {},
         QStringLiteral("Save an API key read from standard input (never from the command line). PROVIDER is a cloud provider, or custom-asr / custom-summary for your own servers (where a key is optional).")},
        SettingsCommands::setKey);
    add({QStringLiteral("key remove"), QStringLiteral("PROVIDER"), 1, 1, {}, QStringLiteral("Remove a saved API key.")},
        SettingsCommands::removeKey);
    add({QStringLiteral("key check"), QStringLiteral("PROVIDER"), 1, 1,
         {valued(QStringLiteral("model"), QStringLiteral("MODEL"), QStringLiteral("the model to look for (default: the configured one)"))},
         QStringLiteral("Check the saved key against the provider's model list.")},
        SettingsCommands::checkKey);

    add({QStringLiteral("model list"), {}, 0, 0, {}, QStringLiteral("List the local transcription models.")}, ModelCommands::list);
    add({QStringLiteral("model check"), id, 1, 1, {}, QStringLiteral("Verify an installed model (size and checksum).")},
        ModelCommands::check);
    add({QStringLiteral("model download"), id, 1, 1, {}, QStringLiteral("Download and verify a model.")},
        ModelCommands::download);
    add({QStringLiteral("model add"), QStringLiteral("FILE"), 1, 1,
         {valued(QStringLiteral("name"), QStringLiteral("NAME"), QStringLiteral("the name to list it under (default: the file's name)"))},
         QStringLiteral("Add a ggml whisper model file of your own, once whisper-cli has loaded it; prints its id.")},
        ModelCommands::add);
    add({QStringLiteral("model use"), id, 1, 1, {},
         QStringLiteral("Transcribe on this computer with an installed or added model.")},
        ModelCommands::use);
    add({QStringLiteral("model remove"), id, 1, 1, {}, QStringLiteral("Remove a model added with \"model add\".")},
        ModelCommands::remove);
}

QList<Entry> buildEntries()
{
    QList<Entry> entries;
    addLibraryCommands(entries);
    addJobCommands(entries);
    addOrganizingCommands(entries);
    addSettingsCommands(entries);
    return entries;
}

const QList<Entry> &entries()
{
    static const QList<Entry> all = buildEntries();
    return all;
}

} // namespace

namespace CommandTable {

const QList<CommandShape> &shapes()
{
    static const QList<CommandShape> all = [] {
        QList<CommandShape> list;
        for (const Entry &entry : entries())
            list.append(entry.shape);
        return list;
    }();
    return all;
}

Handler handler(const QString &commandName)
{
    for (const Entry &entry : entries()) {
        if (entry.shape.name == commandName)
            return entry.handler;
    }
    return {};
}

QString usage()
{
    QString text = QStringLiteral(
        "Usage: hushnote-cli COMMAND [ARGUMENTS]\n\n"
        "Works on the same library, settings and API keys as the Hushnote desktop program.\n"
        "Results go to standard output; notices, progress and errors to standard error.\n"
        "Exit status: 0 success, 1 failure, 2 wrong usage, 130 interrupted.\n\nCommands:\n");
    for (const CommandShape &shape : shapes())
        text += QStringLiteral("  %1\n").arg(CliArguments::synopsis(shape).mid(13));
    text += QStringLiteral("\nA note ID may be shortened to any unambiguous start of it.\n"
                           "Run 'hushnote-cli help COMMAND' for details.\n");
    return text;
}

QString help(const QString &topic)
{
    if (topic.isEmpty())
        return usage();
    // A command that is also a group ("queue", "queue stop") is described with its members.
    QStringList parts;
    for (const CommandShape &shape : shapes()) {
        if (shape.name == topic || shape.name.startsWith(topic + QLatin1Char(' ')))
            parts << CliArguments::commandHelp(shape);
    }
    return parts.join(QLatin1Char('\n'));
}

} // namespace CommandTable
