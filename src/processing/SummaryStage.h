#pragma once

#include <QCoroTask>
#include <QString>

#include <functional>
#include <stop_token>

// Sizes of the summary stage, in user-perceived characters.
struct SummarySizes {
    int part = 20000;  // transcript characters per part request
    int group = 30000; // joined-note characters per merge request

    static SummarySizes local() { return {4000, 8000}; }
    static SummarySizes cloud() { return {20000, 30000}; }
    bool operator==(const SummarySizes &) const = default;
};

// Map and reduce over a rendered transcript: one note per part, then merge passes over groups cut
// from the joined notes until one note remains. It holds no state between runs and saves nothing;
// a stop or a failed request throws and every intermediate note is dropped.
class SummaryStage final {
public:
    // One chat request: the user message and whether it combines partial notes. Returns the reply.
    using Request = std::function<QCoro::Task<QString>(QString text, bool merging)>;

    // Reports to the job's observable fields.
    struct Observer {
        std::function<void(const QString &)> progressText;
        std::function<void(double)> progress;
    };

    // The final summary text. Throws what a request throws, Cancelled on a stop, and AppFailure
    // "纪要过长，无法安全合并。原有纪要已保留。" when a merge pass would not shorten the list.
    static QCoro::Task<QString> run(QString transcript, SummarySizes sizes, Request request, Observer observer,
                                    std::stop_token stop);

    // The progress after part i of n: the extra step for n > 1 stands for the merging still to come.
    static double partProgress(int index, int count);
};
