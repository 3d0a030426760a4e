#include "library/SearchText.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace SearchText {

QString fold(QStringView text)
{
    if (text.isEmpty())
        return {};
    // Full folding can lengthen text (ß → ss, ŉ → ʼn); three times the input is ICU's bound.
    QString folded(text.size() * 3, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_strFoldCase(reinterpret_cast<UChar *>(folded.data()), int32_t(folded.size()),
                                         reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()),
                                         U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status))
        return text.toString().toCaseFolded();
    folded.truncate(length);
    folded.squeeze();
    return folded;
}

QString of(const Recording &recording)
{
    qsizetype size = recording.title.size() + recording.summary.size();
    for (const Segment &segment : recording.segments)
        size += segment.text.size();
    QString text;
    text.reserve(size);
    text += recording.title;
    text += recording.summary;
    for (const Segment &segment : recording.segments)
        text += segment.text;
    return fold(text);
}

} // namespace SearchText
