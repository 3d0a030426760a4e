#include "processing/SummaryStage.h"

#include "platform/Errors.h"
#include "processing/JobMessages.h"
#include "processing/TranscriptParts.h"
#include "platform/Localization.h"

double SummaryStage::partProgress(int index, int count)
{
    const int steps = count == 1 ? 1 : count + 1;
    return double(index + 1) / double(steps);
}

QCoro::Task<QString> SummaryStage::run(QString transcript, SummarySizes sizes, Request request, Observer observer,
                                       std::stop_token stop)
{
    const QStringList parts = TranscriptParts::split(transcript, sizes.part);
    const int count = int(parts.size());
    QStringList notes;
    for (int i = 0; i < count; ++i) {
        JobMessages::checkStop(stop);
        observer.progressText(count == 1 ? L(QStringLiteral("正在整理这段对话…"))
                                         : JobMessages::localized(QStringLiteral("整理纪要 %d / %d…"),
                                                                  {QString::number(i + 1), QString::number(count)}));
        QCoro::Task<QString> asking = request(parts.at(i), false);
        QString note = co_await asking;
        notes.append(std::move(note));
        observer.progress(partProgress(i, count));
    }

    QStringList current = notes;
    QString joined = TranscriptParts::joinNotes(current);
    while (current.size() > 1) {
        JobMessages::checkStop(stop);
        observer.progressText(L(QStringLiteral("正在合并纪要…")));
        const QStringList groups = TranscriptParts::split(joined, sizes.group);
        QStringList merged;
        for (const QString &group : groups) {
            JobMessages::checkStop(stop);
            QCoro::Task<QString> asking = request(group, true);
            QString reply = co_await asking;
            merged.append(std::move(reply));
        }
        // Another pass over as many notes would cut them into as many groups again: it could loop
        // forever while paying for every request.
        if (merged.size() >= current.size() && groups.size() > 1)
            throw AppFailure(QStringLiteral("纪要过长，无法安全合并。原有纪要已保留。"));
        current = merged;
        joined = TranscriptParts::joinNotes(current);
    }
    JobMessages::checkStop(stop);
    co_return joined;
}
