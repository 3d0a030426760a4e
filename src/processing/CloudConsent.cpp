#include "processing/CloudConsent.h"

#include "platform/Localization.h"
#include "workspace/UserPrompts.h"

namespace CloudConsent {

CloudConsentDialog dialog(CloudProvider provider, bool summary)
{
    const QString content = summary
        ? L(QStringLiteral("将发送这条笔记的逐字稿、所选模板 Prompt，以及已启用的个人背景和整理偏好。"))
        : L(QStringLiteral("将分段发送这条笔记的录音音频。"));
    const QString terms = L(QStringLiteral(
        "数据由此供应商按其隐私政策处理，费用由供应商收取。本次允许仅用于这次任务；取消不会发送。可在设置中改用本地模型。"));
    CloudConsentDialog result;
    result.messageText = L(QStringLiteral("允许发送到云端 AI？"));
    result.informativeText = provider.displayTitle() + QLatin1Char('\n') + provider.baseURL().host()
                             + QStringLiteral("\n\n") + content + QStringLiteral("\n\n") + terms;
    result.confirmButton = L(QStringLiteral("允许并开始"));
    result.cancelButton = L(QStringLiteral("取消"));
    return result;
}

QCoro::Task<bool> confirm(UserPrompts &prompts, CloudProvider provider, bool summary)
{
    // Not a coroutine: the texts are handed over by value before anything suspends.
    const CloudConsentDialog texts = dialog(provider, summary);
    return prompts.confirmCloudUpload(texts.messageText, texts.informativeText, texts.confirmButton,
                                      texts.cancelButton);
}

} // namespace CloudConsent
