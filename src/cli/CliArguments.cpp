#include "cli/CliArguments.h"

#include <algorithm>
#include <optional>

namespace {

const CommandShape *findShape(const QList<CommandShape> &shapes, const QString &name)
{
    for (const CommandShape &shape : shapes) {
        if (shape.name == name)
            return &shape;
    }
    return nullptr;
}

bool isGroup(const QList<CommandShape> &shapes, const QString &word)
{
    const QString prefix = word + QLatin1Char(' ');
    return std::any_of(shapes.begin(), shapes.end(),
                       [&](const CommandShape &shape) { return shape.name.startsWith(prefix); });
}

QStringList groupMembers(const QList<CommandShape> &shapes, const QString &word)
{
    QStringList members;
    const QString prefix = word + QLatin1Char(' ');
    for (const CommandShape &shape : shapes) {
        if (shape.name.startsWith(prefix))
            members << shape.name.mid(prefix.size());
    }
    return members;
}

const OptionSpec *findOption(const CommandShape &shape, const QString &argument)
{
    for (const OptionSpec &option : shape.options) {
        if (argument == QLatin1String("--") + option.name)
            return &option;
        if (!option.shortName.isEmpty() && argument == QLatin1Char('-') + option.shortName)
            return &option;
    }
    return nullptr;
}

// Consumes the command's own arguments (after its words) into `parsed`.
void parseRest(const CommandShape &shape, const QStringList &rest, ParsedCommand &parsed, bool &wantsHelp)
{
    bool optionsEnded = false;
    for (int i = 0; i < rest.size(); ++i) {
        const QString &argument = rest.at(i);
        const bool looksLikeOption = !optionsEnded && argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-");
        if (!looksLikeOption) {
            parsed.positional << argument;
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            wantsHelp = true;
            continue;
        }
        QString name = argument;
        std::optional<QString> inlineValue;
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 2) {
            name = argument.left(equals);
            inlineValue = argument.mid(equals + 1);
        }
        const OptionSpec *option = findOption(shape, name);
        if (!option)
            throw UsageError(QStringLiteral("unknown option '%1'").arg(name), shape.name);
        if (!option->repeatable && parsed.has(option->name))
            throw UsageError(QStringLiteral("option '--%1' given more than once").arg(option->name), shape.name);
        QStringList values;
        if (inlineValue) {
            if (option->arity != 1)
                throw UsageError(QStringLiteral("option '--%1' does not take '=VALUE'").arg(option->name), shape.name);
            values << *inlineValue;
        } else {
            if (i + option->arity > rest.size() - 1)
                throw UsageError(QStringLiteral("option '--%1' needs %2").arg(option->name, option->valueNames), shape.name);
            for (int k = 0; k < option->arity; ++k)
                values << rest.at(++i);
        }
        parsed.add(option->name, values);
    }
}

} // namespace

QString ParsedCommand::value(const QString &option, const QString &fallback) const
{
    const auto it = m_options.constFind(option);
    if (it == m_options.constEnd() || it->isEmpty() || it->last().isEmpty())
        return fallback;
    return it->last().first();
}

namespace CliArguments {

Invocation parse(const QStringList &arguments, const QList<CommandShape> &shapes)
{
    Invocation invocation;
    if (arguments.isEmpty())
        throw UsageError(QStringLiteral("no command given"));
    const QString &first = arguments.first();
    if (first == QLatin1String("--help") || first == QLatin1String("-h") || first == QLatin1String("help")) {
        invocation.kind = Invocation::Kind::Help;
        const QStringList topic = arguments.mid(1);
        invocation.helpTopic = topic.join(QLatin1Char(' '));
        if (!invocation.helpTopic.isEmpty() && !findShape(shapes, invocation.helpTopic)
            && !isGroup(shapes, invocation.helpTopic))
            throw UsageError(QStringLiteral("no help for unknown command '%1'").arg(invocation.helpTopic));
        return invocation;
    }
    if (first == QLatin1String("--version")) {
        invocation.kind = Invocation::Kind::Version;
        return invocation;
    }
    if (first.startsWith(QLatin1Char('-')))
        throw UsageError(QStringLiteral("unknown option '%1' (the command comes first)").arg(first));

    const CommandShape *shape = nullptr;
    int consumed = 1;
    // A group may also be a command of its own ("queue" and "queue stop").
    if (isGroup(shapes, first) && !(arguments.size() < 2 && findShape(shapes, first))) {
        const QString members = groupMembers(shapes, first).join(QLatin1Char('|'));
        if (arguments.size() < 2 || arguments.at(1) == QLatin1String("--help") || arguments.at(1) == QLatin1String("-h")) {
            if (arguments.size() >= 2) {
                invocation.kind = Invocation::Kind::Help;
                invocation.helpTopic = first;
                return invocation;
            }
            throw UsageError(QStringLiteral("'%1' needs one of: %2").arg(first, members), first);
        }
        shape = findShape(shapes, first + QLatin1Char(' ') + arguments.at(1));
        if (!shape)
            throw UsageError(QStringLiteral("unknown command '%1 %2' (expected one of: %3)").arg(first, arguments.at(1), members), first);
        consumed = 2;
    } else {
        shape = findShape(shapes, first);
        if (!shape)
            throw UsageError(QStringLiteral("unknown command '%1'").arg(first));
    }

    invocation.command.name = shape->name;
    bool wantsHelp = false;
    parseRest(*shape, arguments.mid(consumed), invocation.command, wantsHelp);
    if (wantsHelp) {
        invocation.kind = Invocation::Kind::Help;
        invocation.helpTopic = shape->name;
        return invocation;
    }
    const int count = int(invocation.command.positional.size());
    if (count < shape->minPositional)
        throw UsageError(QStringLiteral("'%1' needs %2").arg(shape->name, shape->positionalNames), shape->name);
    if (shape->maxPositional >= 0 && count > shape->maxPositional)
        throw UsageError(QStringLiteral("unexpected argument '%1'").arg(invocation.command.positional.at(shape->maxPositional)),
                         shape->name);
    return invocation;
}

QString synopsis(const CommandShape &shape)
{
    QStringList parts{QStringLiteral("hushnote-cli"), shape.name};
    if (!shape.positionalNames.isEmpty())
        parts << shape.positionalNames;
    for (const OptionSpec &option : shape.options) {
        QString text = option.shortName.isEmpty() ? QLatin1String("--") + option.name : QLatin1Char('-') + option.shortName;
        if (!option.valueNames.isEmpty())
            text += QLatin1Char(' ') + option.valueNames;
        if (option.repeatable)
            text += QLatin1String("...");
        parts << QLatin1Char('[') + text + QLatin1Char(']');
    }
    return parts.join(QLatin1Char(' '));
}

QString commandHelp(const CommandShape &shape)
{
    QString text = QStringLiteral("Usage: %1\n\n%2\n").arg(synopsis(shape), shape.summary);
    if (!shape.options.isEmpty()) {
        text += QLatin1String("\nOptions:\n");
        for (const OptionSpec &option : shape.options) {
            QString flag = QLatin1String("--") + option.name;
            if (!option.shortName.isEmpty())
                flag = QLatin1Char('-') + option.shortName + QLatin1String(", ") + flag;
            if (!option.valueNames.isEmpty())
                flag += QLatin1Char(' ') + option.valueNames;
            text += QStringLiteral("  %1\n      %2\n").arg(flag, option.help);
        }
    }
    return text;
}

} // namespace CliArguments
