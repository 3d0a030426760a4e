#include "platform/Errors.h"

#include "ui/Localization.h"

#include <cstring>

QString AppFailure::description() const
{
    return L(m_message);
}

const char *AppFailure::what() const noexcept
{
    m_what = m_message.toStdString();
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
