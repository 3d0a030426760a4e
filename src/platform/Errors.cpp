#include "platform/Errors.h"

#include "platform/Localization.h"

#include <algorithm>
#include <cstring>

namespace {

QString fillFormat(QString text, const QStringList &arguments, const QString &suffix)
{
    qsizetype from = 0;
    for (const QString &argument : arguments) {
        const qsizetype number = text.indexOf(QLatin1String("%d"), from);
        const qsizetype object = text.indexOf(QLatin1String("%@"), from);
        const qsizetype at = number < 0 ? object : (object < 0 ? number : std::min(number, object));
        if (at < 0)
            break;
        text.replace(at, 2, argument);
        from = at + argument.size();
    }
    if (!suffix.isEmpty())
        text += QLatin1Char(' ') + suffix;
    return text;
}

} // namespace

QString AppFailure::description() const
{
    return fillFormat(L(m_message), m_arguments, m_suffix);
}

const char *AppFailure::what() const noexcept
{
    m_what = fillFormat(m_message, m_arguments, m_suffix).toStdString();
    return m_what.c_str();
}

const char *SystemError::what() const noexcept
{
    m_what = m_description.toStdString();
    return m_what.c_str();
}

SystemError SystemError::fromErrno(int code, const QString &context)
{
    const QString text = QString::fromLocal8Bit(std::strerror(code));
    return SystemError(context.isEmpty() ? text : context + QStringLiteral(": ") + text, code);
}

QString describeError(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const AppFailure &failure) {
        return failure.description();
    } catch (const SystemError &failure) {
        return failure.description();
    } catch (const std::exception &failure) {
        return QString::fromUtf8(failure.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}

QString describeCurrentError()
{
    return describeError(std::current_exception());
}
