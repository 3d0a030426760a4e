#include "processing/CloudConsent.h"

#include "platform/Localization.h"
#include "workspace/UserPrompts.h"

ConsentTarget ConsentTarget::of(CloudProvider provider)
{
    return {provider.displayTitle(), provider.baseURL().host(), false};
}

namespace CloudConsent {

CloudConsentDialog dialog(CloudProvider provider, bool summary)
{
    return dialog(ConsentTarget::of(provider), summary);
}

CloudConsentDialog dialog(const ConsentTarget &target, bool summary, int notes)
{
    const QString count = QString::number(notes);
    const QString content = notes > 1
        ? (summary ? L(QStringLiteral("将发送这 %d 条笔记的逐字稿、所选模板 Prompt，以及已启用的个人背景和整理偏好。"))
                   : L(QStringLiteral("将分段发送这 %d 条笔记的录音音频。")))
              .replace(QStringLiteral("%d"), count)
        : summary ? L(QStringLiteral("将发送这条笔记的逐字稿、所选模板 Prompt，以及已启用的个人背景和整理偏好。"))
                  : L(QStringLiteral("将分段发送这条笔记的录音音频。"));
    const QString terms = target.ownServer
        ? L(QStringLiteral("数据将发送到这台服务器，由其运营方处理。本次允许仅用于这次任务；取消不会发送。可在设置中改用本地模型。"))
        : L(QStringLiteral(
            "数据由此供应商按其隐私政策处理，费用由供应商收取。本次允许仅用于这次任务；取消不会发送。可在设置中改用本地模型。"));
    CloudConsentDialog result;
    result.messageText = L(QStringLiteral("允许发送到云端 AI？"));
    result.informativeText = target.title + QLatin1Char('\n') + target.host
                             + QStringLiteral("\n\n") + content + QStringLiteral("\n\n") + terms;
    result.confirmButton = L(QStringLiteral("允许并开始"));
    result.cancelButton = L(QStringLiteral("取消"));
    return result;
}

QCoro::Task<bool> confirm(UserPrompts &prompts, ConsentTarget target, bool summary)
{
    // Not a coroutine: the texts are handed over by value before anything suspends.
    const CloudConsentDialog texts = dialog(target, summary);
    return prompts.confirmCloudUpload(texts.messageText, texts.informativeText, texts.confirmButton,
                                      texts.cancelButton);
}

} // namespace CloudConsent
