#pragma once

#include "cli/CliArguments.h"

#include <QCoroTask>
#include <QList>

#include <functional>

// Every command the program knows, with its shape (for parsing and help) and its handler.
namespace CommandTable {

using Handler = std::function<QCoro::Task<int>(ParsedCommand)>;

const QList<CommandShape> &shapes();
Handler handler(const QString &commandName);

// The program's usage text: every command's synopsis with a one-line summary.
QString usage();
// Help for "project", "key" ... (a group) or one command.
QString help(const QString &topic);

} // namespace CommandTable
