#include "services/SpokenLanguages.h"

#include "platform/Localization.h"

#include <algorithm>

namespace SpokenLanguages {

const std::vector<Language> &all()
{
    static const std::vector<Language> languages = [] {
        const char *const table[][2] = {
            {"zh", "中文"}, {"en", "English"}, {"yue", "粵語"}, {"ja", "日本語"}, {"ko", "한국어"},
            {"de", "Deutsch"}, {"fr", "Français"}, {"es", "Español"}, {"ru", "Русский"}, {"pt", "Português"},
            {"it", "Italiano"}, {"nl", "Nederlands"}, {"tr", "Türkçe"}, {"pl", "Polski"}, {"ar", "العربية"},
            {"vi", "Tiếng Việt"}, {"th", "ไทย"}, {"id", "Bahasa Indonesia"}, {"ms", "Bahasa Melayu"},
            {"hi", "हिन्दी"}, {"uk", "Українська"}, {"sv", "Svenska"}, {"ca", "Català"}, {"fi", "Suomi"},
            {"he", "עברית"}, {"el", "Ελληνικά"}, {"cs", "Čeština"}, {"ro", "Română"}, {"da", "Dansk"},
            {"hu", "Magyar"}, {"ta", "தமிழ்"}, {"no", "Norsk"}, {"ur", "اردو"}, {"hr", "Hrvatski"},
            {"bg", "Български"}, {"lt", "Lietuvių"}, {"la", "Latina"}, {"mi", "Māori"}, {"ml", "മലയാളം"},
            {"cy", "Cymraeg"}, {"sk", "Slovenčina"}, {"te", "తెలుగు"}, {"fa", "فارسی"}, {"lv", "Latviešu"},
            {"bn", "বাংলা"}, {"sr", "Српски"}, {"az", "Azərbaycan"}, {"sl", "Slovenščina"}, {"kn", "ಕನ್ನಡ"},
            {"et", "Eesti"}, {"mk", "Македонски"}, {"br", "Brezhoneg"}, {"eu", "Euskara"}, {"is", "Íslenska"},
            {"hy", "Հայերեն"}, {"ne", "नेपाली"}, {"mn", "Монгол"}, {"bs", "Bosanski"}, {"kk", "Қазақ"},
            {"sq", "Shqip"}, {"sw", "Kiswahili"}, {"gl", "Galego"}, {"mr", "मराठी"}, {"pa", "ਪੰਜਾਬੀ"},
            {"si", "සිංහල"}, {"km", "ខ្មែរ"}, {"sn", "chiShona"}, {"yo", "Yorùbá"}, {"so", "Soomaali"},
            {"af", "Afrikaans"}, {"oc", "Occitan"}, {"ka", "ქართული"}, {"be", "Беларуская"}, {"tg", "Тоҷикӣ"},
            {"sd", "سنڌي"}, {"gu", "ગુજરાતી"}, {"am", "አማርኛ"}, {"yi", "ייִדיש"}, {"lo", "ລາວ"},
            {"uz", "Oʻzbek"}, {"fo", "Føroyskt"}, {"ht", "Kreyòl ayisyen"}, {"ps", "پښتو"}, {"tk", "Türkmen"},
            {"nn", "Nynorsk"}, {"mt", "Malti"}, {"sa", "संस्कृतम्"}, {"lb", "Lëtzebuergesch"}, {"my", "မြန်မာ"},
            {"bo", "བོད་སྐད"}, {"tl", "Tagalog"}, {"mg", "Malagasy"}, {"as", "অসমীয়া"}, {"tt", "Татар"},
            {"haw", "ʻŌlelo Hawaiʻi"}, {"ln", "Lingála"}, {"ha", "Hausa"}, {"ba", "Башҡорт"}, {"jw", "Basa Jawa"},
            {"su", "Basa Sunda"},
        };
        std::vector<Language> list;
        for (const auto &entry : table)
            list.push_back({QString::fromUtf8(entry[0]), QString::fromUtf8(entry[1])});
        return list;
    }();
    return languages;
}

bool isKnown(const QString &code)
{
    return code == automatic
        || std::any_of(all().begin(), all().end(), [&](const Language &language) { return language.code == code; });
}

QString displayName(const QString &code)
{
    if (code == automatic)
        return L(QStringLiteral("自动检测"));
    for (const Language &language : all()) {
        if (language.code == code)
            return language.name;
    }
    return code;
}

} // namespace SpokenLanguages
