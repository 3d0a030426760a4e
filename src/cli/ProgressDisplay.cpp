#include "cli/ProgressDisplay.h"

#include "cli/CliOutput.h"

#include <cmath>

namespace {

double clamped(double fraction)
{
    if (!std::isfinite(fraction) || fraction < 0)
        return 0;
    return fraction > 1 ? 1 : fraction;
}

} // namespace

ProgressDisplay::ProgressDisplay() : m_terminal(CliOutput::stderrIsTerminal()) {}

ProgressDisplay::~ProgressDisplay()
{
    finish();
}

QString ProgressDisplay::barLine(double fraction, const QString &text, int columns)
{
    constexpr int barWidth = 24;
    const double value = clamped(fraction);
    const int filled = int(std::floor(value * barWidth));
    const QString bar = QLatin1Char('[') + QString(filled, QLatin1Char('#'))
        + QString(barWidth - filled, QLatin1Char('-')) + QLatin1Char(']');
    const QString line = QStringLiteral("%1 %2% %3").arg(bar).arg(int(std::floor(value * 100)), 3).arg(text);
    // One column short of the edge: writing the last column makes some terminals wrap.
    return CliOutput::fitToWidth(line, columns > 1 ? columns - 1 : columns);
}

void ProgressDisplay::update(double fraction, const QString &text)
{
    const double value = clamped(fraction);
    const int percent = int(std::floor(value * 100));
    if (m_terminal) {
        if (percent == m_lastPercent && text == m_lastText)
            return;
        m_lastPercent = percent;
        m_lastText = text;
        CliOutput::setStatusLine(barLine(value, text, CliOutput::terminalColumns()));
        return;
    }
    const int tenth = percent / 10;
    if (text == m_lastText && tenth == m_lastTenth)
        return;
    m_lastTenth = tenth;
    m_lastText = text;
    CliOutput::notice(QStringLiteral("%1% %2").arg(percent, 3).arg(text));
}

void ProgressDisplay::finish()
{
    if (m_terminal)
        CliOutput::clearStatusLine();
}
