#pragma once

#include <QString>

// Shows the progress of long work on standard error: a redrawn bar with the status text on a
// terminal, and plain lines (only when the text changes or another tenth is done) otherwise, so a
// log file does not fill up with redraws.
class ProgressDisplay final {
public:
    ProgressDisplay();
    ~ProgressDisplay();
    ProgressDisplay(const ProgressDisplay &) = delete;
    ProgressDisplay &operator=(const ProgressDisplay &) = delete;

    // fraction in 0...1 (clamped; NaN counts as 0).
    void update(double fraction, const QString &text);
    // Removes the bar; plain output needs nothing.
    void finish();

    // The bar line for a terminal of the given width, e.g. "[#####-----]  50% 转写 1 / 2".
    static QString barLine(double fraction, const QString &text, int columns);

private:
    bool m_terminal;
    int m_lastPercent = -1;
    int m_lastTenth = -1;
    QString m_lastText;
};
