#pragma once

#include "cli/CliArguments.h"

#include <QCoroTask>

// The handlers behind the command table. Each takes its parsed command by value (it suspends) and
// returns the exit status; failures are thrown (CliFailure, AppFailure, SystemError, UsageError).
namespace LibraryCommands {
QCoro::Task<int> list(ParsedCommand command);
QCoro::Task<int> projects(ParsedCommand command);
QCoro::Task<int> show(ParsedCommand command);
QCoro::Task<int> importFiles(ParsedCommand command);
QCoro::Task<int> copy(ParsedCommand command);
}

namespace NoteCommands {
QCoro::Task<int> organize(ParsedCommand command); // star, unstar, trash, restore
QCoro::Task<int> move(ParsedCommand command);
QCoro::Task<int> createProject(ParsedCommand command);
QCoro::Task<int> renameProject(ParsedCommand command);
QCoro::Task<int> edit(ParsedCommand command);
QCoro::Task<int> exportNote(ParsedCommand command);
}

namespace JobCommands {
QCoro::Task<int> transcribe(ParsedCommand command);
QCoro::Task<int> summarize(ParsedCommand command);
}

namespace QueueCommands {
// Several notes, or one with --summarize: through the saved processing queue.
QCoro::Task<int> transcribe(ParsedCommand command);
QCoro::Task<int> show(ParsedCommand command);
QCoro::Task<int> stop(ParsedCommand command);
QCoro::Task<int> resume(ParsedCommand command);
}

namespace RecordCommands {
// A new note recorded from the microphone, the system's output or both; prints its id at once.
QCoro::Task<int> record(ParsedCommand command);
}

namespace SettingsCommands {
QCoro::Task<int> showConfiguration(ParsedCommand command);
QCoro::Task<int> applyConfiguration(ParsedCommand command);
QCoro::Task<int> setKey(ParsedCommand command);
QCoro::Task<int> removeKey(ParsedCommand command);
QCoro::Task<int> checkKey(ParsedCommand command);
}

namespace ModelCommands {
QCoro::Task<int> list(ParsedCommand command);
QCoro::Task<int> check(ParsedCommand command);
QCoro::Task<int> download(ParsedCommand command);
QCoro::Task<int> add(ParsedCommand command);
QCoro::Task<int> use(ParsedCommand command);
QCoro::Task<int> remove(ParsedCommand command);
}
