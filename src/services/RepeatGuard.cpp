#include "services/RepeatGuard.h"

#include <QChar>
#include <QList>

#include <algorithm>

namespace RepeatGuard {

namespace {

using Text = QList<char32_t>;

// Longer phrases than this are not looked for: a looping phrase is a short sentence, and the
// search costs one pass over the text per length.
constexpr qsizetype longestPhrase = 80;
constexpr int fewestLetters = 3;

Text codePoints(const QString &text)
{
    Text points;
    points.reserve(text.size());
    for (const char32_t c : text.toUcs4())
        points.push_back(c);
    return points;
}

QString withoutSpaces(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

QString fromCodePoints(const Text &points)
{
    return QString::fromUcs4(points.constData(), points.size());
}

// A phrase that is itself a repetition ("哈哈") is found at its shorter length instead.
bool isPrimitive(Text::const_iterator begin, qsizetype length)
{
    for (qsizetype period = 1; period < length; ++period) {
        if (length % period == 0 && std::equal(begin, begin + length - period, begin + period))
            return false;
    }
    return true;
}

bool hasEnoughLetters(Text::const_iterator begin, qsizetype length)
{
    return std::count_if(begin, begin + length, [](char32_t c) { return QChar::isLetter(c); }) >= fewestLetters;
}

// A stretch [begin, begin + length) made of one phrase of `period` code points repeated.
struct Run {
    qsizetype begin = 0;
    qsizetype length = 0;
};

// Calls found(run) for each maximal stretch of text that repeats a countable phrase of exactly
// `period` code points at least `repeats` times; found returns where to continue.
template<typename Found>
void forEachRun(const Text &text, qsizetype period, int repeats, Found found)
{
    qsizetype i = 0;
    while (i + period < text.size()) {
        if (text[i] != text[i + period]) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j + period < text.size() && text[j] == text[j + period])
            ++j;
        const Run run{i, j - i + period};
        if (run.length >= qsizetype(repeats) * period && isPrimitive(text.cbegin() + i, period)
            && hasEnoughLetters(text.cbegin() + i, period)) {
            i = found(run);
        } else {
            i = j + 1;
        }
    }
}

} // namespace

bool loops(const QString &text)
{
    Text compact = codePoints(text);
    compact.removeIf([](char32_t c) { return QChar::isSpace(c); });
    const qsizetype longest = std::min(longestPhrase, compact.size() / loopRepeats);
    for (qsizetype period = 1; period <= longest; ++period) {
        bool found = false;
        forEachRun(compact, period, loopRepeats, [&](const Run &) {
            found = true;
            return compact.size(); // stop looking
        });
        if (found)
            return true;
    }
    return false;
}

bool loops(const ChunkTranscript &transcript)
{
    return loops(transcript.storedText());
}

QString collapse(const QString &input)
{
    Text text = codePoints(input.simplified());
    // Runs are found with white space ignored, as loops are; `at` maps back into the text.
    Text compact;
    QList<qsizetype> at;
    auto compactText = [&] {
        compact.clear();
        at.clear();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (!QChar::isSpace(text[i])) {
                compact.push_back(text[i]);
                at.push_back(i);
            }
        }
    };
    compactText();
    for (qsizetype period = 1; period <= std::min(longestPhrase, compact.size() / 2); ++period) {
        Text kept;
        qsizetype copied = 0;
        forEachRun(compact, period, 2, [&](const Run &run) {
            // The phrase once, plus the part of a repeat the run ends with: the run may start
            // inside the phrase ("。谢谢大家" for "谢谢大家。"), and that part completes it.
            const qsizetype keep = period + run.length % period;
            const qsizetype dropFrom = at[run.begin + keep - 1] + 1;
            kept.append(text.mid(copied, dropFrom - copied));
            copied = at[run.begin + run.length - 1] + 1;
            return run.begin + run.length;
        });
        if (copied > 0) {
            kept.append(text.mid(copied));
            text = std::move(kept);
            compactText();
        }
    }
    return fromCodePoints(text).simplified();
}

ChunkTranscript collapse(ChunkTranscript transcript)
{
    transcript.text = collapse(transcript.text);
    std::vector<TimedText> merged;
    for (TimedText &segment : transcript.segments) {
        segment.text = collapse(segment.text);
        // White space is ignored here as in finding loops: whisper spaces the same words differently.
        if (!merged.empty() && withoutSpaces(merged.back().text) == withoutSpaces(segment.text))
            merged.back().end = std::max(merged.back().end, segment.end);
        else
            merged.push_back(std::move(segment));
    }
    transcript.segments = std::move(merged);
    // Segments that repeat as a group ("A", "B", "A", "B", ...) leave a loop that no single segment
    // holds; the chunk then keeps its cut-down text as one piece, untimed.
    if (loops(transcript)) {
        ChunkTranscript untimed = ChunkTranscript::whole(collapse(transcript.storedText()));
        untimed.language = transcript.language;
        return untimed;
    }
    return transcript;
}

} // namespace RepeatGuard
