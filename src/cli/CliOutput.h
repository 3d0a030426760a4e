#pragma once

#include <QByteArray>
#include <QString>

// Where the command line writes: results to standard output (what a script consumes), notices,
// progress and errors to standard error (what a person reads). All text is UTF-8.
namespace CliOutput {

// A result: written to standard output as it is, followed by a line break unless it ends in one.
void result(const QString &text);
// Exact bytes to standard output (an exported document), nothing added.
void resultBytes(const QByteArray &bytes);

// The errno of the first result that could not be written to standard output, or 0.
int resultWriteError();

// An informational message (already localized) on standard error.
void notice(const QString &text);
// A failure message (already localized) on standard error.
void error(const QString &text);
// Text on standard error without a line break added (prompts).
void prompt(const QString &text);

bool stderrIsTerminal();
bool stdinIsTerminal();
// Columns of the terminal on standard error; 80 when unknown.
int terminalColumns();

// The transient status line (a progress bar) that only exists on a terminal. Any notice, error
// or prompt clears it first, so messages never end up glued to a half-drawn bar.
void setStatusLine(const QString &text);
void clearStatusLine();

// Columns a text takes on a terminal: East Asian wide characters count two.
int displayWidth(const QString &text);
// The longest start of the text that fits in the given columns.
QString fitToWidth(const QString &text, int columns);

} // namespace CliOutput
