#include "services/SummaryTemplate.h"

namespace {

SummaryTemplate make(const char *id, const char *name, const char *category, const char *description,
                     const char *prompt)
{
    return SummaryTemplate{QString::fromUtf8(id), QString::fromUtf8(name), QString::fromUtf8(category),
                           QString::fromUtf8(description), QString::fromUtf8(prompt)};
}

// model-facing text begins: the prompts are sent to the chat model in fixed Simplified Chinese and never
// follow the interface language (the names and descriptions are translated where they are shown).
QList<SummaryTemplate> makeBuiltins()
{
    return {
        make("meeting", "通用会议纪要", "会议", "整理议题、决策和可执行的下一步。",
             "生成会议纪要，包含：一句话结论、核心议题、关键决策、行动项（任务 / 负责人 / 截止时间）、待确认问题。"),
        make("interview", "深度访谈", "访谈", "梳理受访者观点、事实依据与追问方向。",
             "生成访谈记录，包含：访谈概览、主要观点、重要事实与依据、分歧、值得跟进的问题。保留受访者观点，"
             "不将其推测写成已核实事实。"),
        make("notes", "课程学习笔记", "学习", "把课程整理成概念、例子与练习。",
             "生成学习笔记，包含：核心概念、内容脉络、重要例子、实践建议、待深入的问题。"),
        make("weekly", "团队周会", "会议", "围绕进展、阻塞与本周计划组织信息。",
             "按项目或负责人整理本周进展、已完成事项、阻塞和依赖、下周行动。明确区分计划和承诺，"
             "用任务/负责人/截止时间/状态表列出行动项。"),
        make("customer", "客户需求访谈", "访谈", "从反馈中提炼场景、痛点和需求证据。",
             "整理客户背景、使用场景、当前解决方式、具体痛点、原文证据、需求优先级线索和待验证假设。"
             "不推断客户未表达的付费意愿。"),
        make("project", "项目评审", "项目", "记录方案选择、风险和待决事项。",
             "整理项目目标、方案对比、已作出的决策及依据、风险和依赖、待决事项、下一步行动。"
             "标明每个决策是已确认还是待讨论。"),
        make("one-on-one", "一对一沟通", "会议", "关注反馈、支持需求与双方约定。",
             "整理沟通背景、对方关注点、具体反馈、需要的支持、双方明确约定、下次跟进事项。避免根据语气推断心理或性格。"),
        make("research", "研究交流", "学习", "区分事实、判断、假设与验证线索。",
             "按主题整理核心问题、已知事实、各方判断及证据、关键假设、分歧、需要查证的数据与下一步研究。"
             "不要补充原文以外的数据。"),
        make("brainstorm", "头脑风暴", "项目", "保留创意与分歧，避免过早形成结论。",
             "整理问题定义、提出的创意（按主题分组）、支持与反对理由、已达成的共识、未达成共识的选项、低成本验证方法。"
             "原文未确认的方案不得写为决策。"),
        make("memo", "个人语音备忘", "个人", "将随手录音转成清晰的想法和待办。",
             "整理为想法速记、需要记住的信息、可执行待办、待澄清的问题。保持简短，若没有行动项则明确写无。"),
    };
}
// model-facing text ends

} // namespace

const QList<SummaryTemplate> &SummaryTemplate::builtins()
{
    static const QList<SummaryTemplate> templates = makeBuiltins();
    return templates;
}

std::optional<SummaryTemplate> SummaryTemplate::builtin(const QString &id)
{
    for (const SummaryTemplate &candidate : builtins()) {
        if (candidate.id == id)
            return candidate;
    }
    return std::nullopt;
}
