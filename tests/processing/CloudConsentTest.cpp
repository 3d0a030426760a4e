#include "processing/CloudConsent.h"
#include "services/ModelConfiguration.h"

#include <gtest/gtest.h>

namespace {

const QString terms = QStringLiteral(
    "数据由此供应商按其隐私政策处理，费用由供应商收取。本次允许仅用于这次任务；取消不会发送。可在设置中改用本地模型。");

} // namespace

TEST(CloudConsent, NamesProviderHostAndWhatIsSent)
{
    // The legacy "qwen" service in the Singapore region resolves to the Singapore endpoint.
    ModelConfiguration configuration;
    configuration.asrService = QStringLiteral("qwen");
    configuration.region = QStringLiteral("singapore");
    const CloudConsentDialog audio = CloudConsent::dialog(*configuration.asrProvider(), false);
    EXPECT_EQ(audio.messageText, QStringLiteral("允许发送到云端 AI？"));
    EXPECT_EQ(audio.informativeText, QStringLiteral("阿里云百炼（新加坡）\n") + CloudProvider(CloudProvider::qwenSingapore).baseURL().host()
                                         + QStringLiteral("\n\n将分段发送这条笔记的录音音频。\n\n") + terms);
    EXPECT_EQ(audio.confirmButton, QStringLiteral("允许并开始"));
    EXPECT_EQ(audio.cancelButton, QStringLiteral("取消"));

    const CloudConsentDialog summary = CloudConsent::dialog(CloudProvider::deepseek, true);
    EXPECT_TRUE(summary.informativeText.startsWith(QStringLiteral("DeepSeek\n")));
    EXPECT_TRUE(summary.informativeText.contains(
        QStringLiteral("\n\n将发送这条笔记的逐字稿、所选模板 Prompt，以及已启用的个人背景和整理偏好。\n\n")));
}
