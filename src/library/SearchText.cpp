#include "library/SearchText.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <numeric>

#include <unicode/uchar.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <unicode/ustring.h>

namespace SearchText {

namespace {

// Characters folding leaves as they are, copied without asking ICU: general punctuation, CJK
// symbols and ideographs, kana, Hangul, and the full-width forms other than the capital letters.
// (plainlyFolded() below checks the same ranges eight characters at a time.)
bool caseless(char16_t c)
{
    return (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0x2000 && c <= 0x206F)
        || (c >= 0xFF00 && c <= 0xFFEF && !(c >= 0xFF21 && c <= 0xFF3A));
}

// Appends the full case folding of a run of other non-ASCII text at dest + written, growing out
// when folding lengthens it; rest is what is still to come, for the growth.
void appendFoldedRun(QString &out, char16_t *&dest, qsizetype &written, QStringView run, qsizetype rest)
{
    // Full folding can lengthen text (ß → ss, ŉ → ʼn); three times the input is ICU's bound.
    const qsizetype bound = run.size() * 3;
    if (written + bound + rest > out.size()) {
        out.resize(written + bound + rest + 16);
        dest = reinterpret_cast<char16_t *>(out.data());
    }
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_strFoldCase(reinterpret_cast<UChar *>(dest + written), int32_t(bound),
                                         reinterpret_cast<const UChar *>(run.utf16()), int32_t(run.size()),
                                         U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) {
        const QString simple = run.toString().toCaseFolded();
        std::copy(simple.utf16(), simple.utf16() + simple.size(), dest + written);
        written += simple.size();
        return;
    }
    written += length;
}

} // namespace

QString fold(QStringView text)
{
    // ASCII and caseless scripts (CJK, kana, Hangul) are folded inline; ICU costs several times
    // more per character and a library can hold a hundred million of them.
    const qsizetype n = text.size();
    QString out(n, Qt::Uninitialized);
    char16_t *dest = reinterpret_cast<char16_t *>(out.data());
    const char16_t *source = reinterpret_cast<const char16_t *>(text.utf16());
    qsizetype written = 0;
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = source[i];
        if (c < 0x80) {
            dest[written++] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
            ++i;
        } else if (caseless(c)) {
            dest[written++] = c;
            ++i;
        } else if (c <= 0xFF && c != 0xB5 && c != 0xDF) {
            // Latin-1 letters fold one to one: À–Þ to à–þ (× excepted).
            dest[written++] = (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? char16_t(c + 32) : c;
            ++i;
        } else {
            qsizetype j = i + 1;
            while (j < n && source[j] > 0xFF && !caseless(source[j]))
                ++j;
            appendFoldedRun(out, dest, written, text.mid(i, j - i), n - j);
            i = j;
        }
    }
    out.truncate(written);
    return out;
}

namespace {

// Whether fold() would return text unchanged, judged cheaply: ASCII other than capitals, and
// caseless(). Anything else is folded and compared. A library is mostly such text, so eight
// characters are checked at a time where the processor allows.
bool plainlyFolded(QStringView text)
{
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    // Lanes where (v - from) <= span, unsigned.
    const auto within = [&](__m128i v, char16_t from, char16_t span) {
        const __m128i shifted = _mm_sub_epi16(v, _mm_set1_epi16(short(from)));
        return _mm_cmpeq_epi16(_mm_subs_epu16(shifted, _mm_set1_epi16(short(span))), zero);
    };
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const __m128i asciiKept = _mm_andnot_si128(within(v, u'A', 25), within(v, 0, 0x7F));
        const __m128i fullWidth = _mm_andnot_si128(within(v, 0xFF21, 0xFF3A - 0xFF21), within(v, 0xFF00, 0xFFEF - 0xFF00));
        const __m128i kept = _mm_or_si128(
            _mm_or_si128(asciiKept, fullWidth),
            _mm_or_si128(_mm_or_si128(within(v, 0x3000, 0x9FFF - 0x3000), within(v, 0xAC00, 0xD7A3 - 0xAC00)),
                         within(v, 0x2000, 0x206F - 0x2000)));
        if (_mm_movemask_epi8(kept) != 0xFFFF)
            return false;
    }
#endif
    for (; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80 ? (c >= u'A' && c <= u'Z') : !caseless(c))
            return false;
    }
    return true;
}

QString foldedOrShared(const QString &text)
{
    if (plainlyFolded(text))
        return text;
    QString folded = fold(text);
    return folded == text ? text : folded;
}

// Whether needle continues at character at of parts[part], running on into the following parts.
bool matchesFrom(const Parts &parts, size_t part, qsizetype at, QStringView needle)
{
    for (const QChar c : needle) {
        while (at >= parts[part].size()) {
            if (++part == parts.size())
                return false;
            at = 0;
        }
        if (parts[part].at(at++) != c)
            return false;
    }
    return true;
}

} // namespace

Parts of(const Recording &recording)
{
    Parts parts;
    parts.reserve(recording.segments.size() + 2);
    parts.push_back(foldedOrShared(recording.title));
    parts.push_back(foldedOrShared(recording.summary));
    for (const Segment &segment : recording.segments)
        parts.push_back(foldedOrShared(segment.text));
    return parts;
}

std::vector<Parts> ofAll(const std::vector<Recording> &recordings, const std::atomic<bool> *cancelled)
{
    // A pool of its own, as this often runs on a global-pool thread (see LibraryReader::read).
    QThreadPool pool;
    std::vector<Parts> texts(recordings.size());
    std::vector<size_t> positions(recordings.size());
    std::iota(positions.begin(), positions.end(), size_t(0));
    QtConcurrent::blockingMap(&pool, positions, [&](size_t i) {
        if (!cancelled || !cancelled->load(std::memory_order_relaxed))
            texts[i] = of(recordings[i]);
    });
    return texts;
}

bool contains(const Parts &parts, QStringView needle)
{
    if (needle.isEmpty())
        return true;
    for (size_t k = 0; k < parts.size(); ++k) {
        const QString &part = parts[k];
        if (contains(part, needle))
            return true;
        // A match that starts in the last characters of this part and ends in a later one.
        for (qsizetype at = std::max<qsizetype>(0, part.size() - needle.size() + 1); at < part.size(); ++at) {
            if (part.at(at) == needle.front() && matchesFrom(parts, k, at, needle))
                return true;
        }
    }
    return false;
}

bool contains(QStringView haystack, QStringView needle)
{
    if (needle.isEmpty())
        return true;
    const qsizetype last = haystack.size() - needle.size();
    const QChar first = needle.front();
    const QStringView rest = needle.mid(1);
    for (qsizetype from = 0; from <= last;) {
        const qsizetype at = haystack.indexOf(first, from);
        if (at < 0 || at > last)
            return false;
        if (haystack.mid(at + 1, rest.size()) == rest)
            return true;
        from = at + 1;
    }
    return false;
}

std::vector<Span> matches(QStringView text, QStringView needle)
{
    std::vector<Span> found;
    if (needle.isEmpty())
        return found;
    // The folded text, and for each of its code units the stretch of text it came from.
    QString folded;
    std::vector<Span> origin;
    folded.reserve(text.size());
    origin.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ? 2 : 1;
        const QString piece = fold(text.mid(i, width));
        folded += piece;
        origin.insert(origin.end(), piece.size(), Span{i, width});
        i += width;
    }
    for (qsizetype at = folded.indexOf(needle); at >= 0; at = folded.indexOf(needle, at + needle.size())) {
        const Span &first = origin[at];
        const Span &last = origin[at + needle.size() - 1];
        const qsizetype end = last.start + last.length;
        if (!found.empty() && first.start < found.back().start + found.back().length)
            continue; // a second match inside the letter already marked
        found.push_back(Span{first.start, end - first.start});
    }
    return found;
}

} // namespace SearchText
