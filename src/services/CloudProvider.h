#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// One of the five cloud endpoints the program can talk to. Behaves like an enumeration
// (`CloudProvider::openai`, usable in a switch) with the endpoint's fixed facts attached.
class CloudProvider final {
public:
    enum Case { qwenBeijing, qwenSingapore, openai, grok, deepseek };

    constexpr CloudProvider(Case value) : m_case(value) {}
    constexpr operator Case() const { return m_case; }

    // Every case, in declaration order (the order of every picker).
    static QList<CloudProvider> allCases();
    // Providers, in case order, that offer at least one model for the role.
    static QList<CloudProvider> available(bool summary);
    // None for a string that names no provider.
    static std::optional<CloudProvider> fromRawValue(const QString &rawValue);

    // "qwen-beijing", "qwen-singapore", "openai", "grok", "deepseek".
    QString rawValue() const;
    bool isQwen() const { return m_case == qwenBeijing || m_case == qwenSingapore; }
    // The offered model names for the role, in order; empty when the provider cannot serve it.
    QStringList models(bool summary) const;
    // The Simplified-Chinese title (the DashScope ones are localization keys).
    QString title() const;
    // The title as shown: the DashScope titles go through the interface-language lookup.
    QString displayTitle() const;

    // The OpenAI-compatible base address (or the override installed for this provider).
    QUrl baseURL() const;
    // The base address with one path component appended ("chat/completions", "models", ...).
    QUrl requestURL(const QString &component) const;

    // A base address with one path component appended, joined with a single "/".
    static QUrl joined(const QUrl &base, const QString &component);

    // Points a provider at another base address for the whole process (tests aim it at a loopback
    // server); nullopt restores the public address.
    static void setBaseURLOverride(CloudProvider provider, std::optional<QUrl> url);

private:
    Case m_case;
};
