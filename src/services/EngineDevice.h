#pragma once

#include "services/WhisperOutput.h"

#include <QObject>

#include <optional>

// Where the local engine ran its last chunk in this run of the program (a GPU, or the CPU with so
// many threads), as the helper itself reported it, so the settings can show it. Main thread only.
class EngineDevice final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EngineDevice)
public:
    explicit EngineDevice(QObject *parent = nullptr)
        : QObject(parent)
    {
    }

    // The program's instance, which the local transcriber reports to.
    static EngineDevice &shared();

    const std::optional<WhisperOutput::Device> &last() const { return m_last; }
    void report(const WhisperOutput::Device &device);

Q_SIGNALS:
    void changed();

private:
    std::optional<WhisperOutput::Device> m_last;
};
