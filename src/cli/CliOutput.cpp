#include "cli/CliOutput.h"


#include <cerrno>
#include <cstdio>
#include <utility>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool statusLineShown = false;
int resultError = 0;

void writeAll(FILE *stream, const QByteArray &bytes)
{
    const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    const bool flushed = std::fflush(stream) == 0;
    // A result that did not reach its file (a full disk behind a redirection) fails the command.
    if (stream == stdout && (written != size_t(bytes.size()) || !flushed) && resultError == 0)
        resultError = errno != 0 ? errno : EIO;
}

bool isWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) || (c >= 0x3041 && c <= 0x33FF)
        || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F)
        || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F)
        || (c >= 0x20000 && c <= 0x3FFFD);
}

void writeLine(FILE *stream, const QString &text)
{
    CliOutput::clearStatusLine();
    QByteArray bytes = text.toUtf8();
    if (!bytes.endsWith('\n'))
        bytes.append('\n');
    writeAll(stream, bytes);
}

} // namespace

namespace CliOutput {

int resultWriteError()
{
    return resultError;
}

void result(const QString &text)
{
    writeLine(stdout, text);
}

void resultBytes(const QByteArray &bytes)
{
    writeAll(stdout, bytes);
}

void notice(const QString &text)
{
    writeLine(stderr, text);
}

void error(const QString &text)
{
    writeLine(stderr, text);
}

void prompt(const QString &text)
{
    clearStatusLine();
    writeAll(stderr, text.toUtf8());
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

bool stdinIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

int terminalColumns()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void setStatusLine(const QString &text)
{
    if (!stderrIsTerminal())
        return;
    // Carriage return, the text, then erase whatever an earlier longer line left behind.
    writeAll(stderr, "\r" + text.toUtf8() + "\x1b[K");
    statusLineShown = true;
}

void clearStatusLine()
{
    if (!statusLineShown)
        return;
    statusLineShown = false;
    writeAll(stderr, "\r\x1b[K");
}

// The code point starting at index i, and how many UTF-16 units it takes.
static std::pair<char32_t, int> codePointAt(const QString &text, qsizetype i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return {QChar::surrogateToUcs4(c, text.at(i + 1)), 2};
    return {c.unicode(), 1};
}

int displayWidth(const QString &text)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size();) {
        const auto [codePoint, units] = codePointAt(text, i);
        width += isWide(codePoint) ? 2 : 1;
        i += units;
    }
    return width;
}

QString fitToWidth(const QString &text, int columns)
{
    int width = 0;
    for (qsizetype i = 0; i < text.size();) {
        const auto [codePoint, units] = codePointAt(text, i);
        const int next = isWide(codePoint) ? 2 : 1;
        if (width + next > columns)
            return text.left(i);
        width += next;
        i += units;
    }
    return text;
}

} // namespace CliOutput
