#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <gtest/gtest.h>

// Every Simplified-Chinese text in the sources is a key of the English table: a message added
// without its translation would show Chinese to an English-speaking person.
namespace {

struct Literal {
    QString text;
    int line = 0;
    bool modelFacing = false; // between "model-facing text begins" and "... ends" comments
};

bool hasIdeograph(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3400 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF))
            return true;
    }
    return false;
}

// Decodes the escapes a key may contain; anything unusual is kept as written.
QString unescape(const QString &body)
{
    static const QHash<QChar, QChar> simple = {
        {u'n', u'\n'}, {u't', u'\t'}, {u'"', u'"'}, {u'\'', u'\''}, {u'\\', u'\\'}};
    QString out;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] == u'\\' && i + 1 < body.size()) {
            const QChar next = body[++i];
            out += simple.contains(next) ? QString(simple.value(next)) : QStringLiteral("\\") + next;
        } else {
            out += body[i];
        }
    }
    return out;
}

// String literals of a C++ source, with adjacent literals joined as the compiler joins them and
// comments and character literals skipped.
std::vector<Literal> literalsOf(const QString &source)
{
    std::vector<Literal> literals;
    bool joinable = false; // only white space or comments since the last literal
    bool modelFacing = false;
    int line = 1;
    const qsizetype n = source.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = source[i];
        if (c == QLatin1Char('\n')) {
            ++line;
            ++i;
        } else if (source.mid(i, 2) == QLatin1String("//")) {
            const qsizetype start = i;
            while (i < n && source[i] != QLatin1Char('\n'))
                ++i;
            const QString comment = source.mid(start, i - start);
            if (comment.contains(QLatin1String("model-facing text begins")))
                modelFacing = true;
            else if (comment.contains(QLatin1String("model-facing text ends")))
                modelFacing = false;
        } else if (source.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = source.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            line += int(source.mid(i, stop - i).count(QLatin1Char('\n')));
            i = stop;
        } else if (c == QLatin1Char('\'')) {
            ++i;
            while (i < n && source[i] != QLatin1Char('\'')) {
                if (source[i] == QLatin1Char('\\'))
                    ++i;
                ++i;
            }
            ++i;
            joinable = false;
        } else if (c == QLatin1Char('"')) {
            const bool raw = i > 0 && source[i - 1] == QLatin1Char('R');
            QString body;
            const int startLine = line;
            if (raw) {
                const qsizetype open = source.indexOf(QLatin1Char('('), i);
                const QString close = QLatin1Char(')') + source.mid(i + 1, open - i - 1) + QLatin1Char('"');
                const qsizetype end = source.indexOf(close, open);
                const qsizetype stop = end < 0 ? n : end;
                body = source.mid(open + 1, stop - open - 1);
                i = stop + close.size();
            } else {
                qsizetype j = i + 1;
                while (j < n && source[j] != QLatin1Char('"') && source[j] != QLatin1Char('\n')) {
                    if (source[j] == QLatin1Char('\\'))
                        ++j;
                    ++j;
                }
                body = unescape(source.mid(i + 1, j - i - 1));
                i = j + 1;
            }
            line += int(body.count(QLatin1Char('\n'))) * (raw ? 1 : 0);
            if (joinable && !literals.empty())
                literals.back().text += body;
            else
                literals.push_back({body, startLine, modelFacing});
            joinable = true;
        } else {
            if (!c.isSpace())
                joinable = false;
            ++i;
        }
    }
    return literals;
}

QSet<QString> keysOf(const QString &tablePath)
{
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    QSet<QString> keys;
    for (auto it = table.begin(); it != table.end(); ++it)
        keys.insert(it.key());
    return keys;
}

} // namespace

TEST(TranslationTableTest, ScannerFindsKeysButNotComments)
{
    const QString source = QStringLiteral(
        "// 注释里的中文\n"
        "auto a = QStringLiteral(\"第一条。\");\n"
        "/* 块注释 \"不是字符串\" */ auto b = L(\"前半\" \"后半\");\n"
        "auto c = '\"'; auto d = \"引号\\\"里\";\n"
        "auto e = R\"(原始\"字符串)\"; auto url = \"https://x\";\n"
        "// model-facing text begins\nauto p = \"发给模型的提示\";\n// model-facing text ends\n");
    QStringList found;
    for (const Literal &literal : literalsOf(source)) {
        if (hasIdeograph(literal.text) && !literal.modelFacing)
            found << literal.text + QLatin1Char('@') + QString::number(literal.line);
    }
    EXPECT_EQ(found, QStringList({QStringLiteral("第一条。@2"), QStringLiteral("前半后半@3"),
                                  QStringLiteral("引号\"里@4"), QStringLiteral("原始\"字符串@5")}));
}

TEST(TranslationTableTest, EveryChineseTextInTheSourcesHasAnEnglishEntry)
{
    // Names shown in their own language whatever the interface language is.
    const QSet<QString> notKeys = {QStringLiteral("简体中文"), QStringLiteral("繁體中文")};
    const QString sourceDir = QStringLiteral(HUSHNOTE_SOURCE_DIR);
    const QSet<QString> english = keysOf(sourceDir + QStringLiteral("/resources/i18n/en.json"));
    ASSERT_FALSE(english.isEmpty());

    QStringList missing;
    int scanned = 0;
    QDirIterator it(sourceDir + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h"), QStringLiteral("*.qml")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        ++scanned;
        for (const Literal &literal : literalsOf(QString::fromUtf8(file.readAll()))) {
            if (!hasIdeograph(literal.text) || literal.modelFacing || notKeys.contains(literal.text) || english.contains(literal.text))
                continue;
            missing << QStringLiteral("%1:%2: %3")
                           .arg(path.mid(sourceDir.size() + 1))
                           .arg(literal.line)
                           .arg(literal.text);
        }
    }
    EXPECT_GT(scanned, 0);
    missing.sort();
    EXPECT_TRUE(missing.isEmpty()) << "Texts without an entry in resources/i18n/en.json:\n"
                                   << missing.join(QLatin1Char('\n')).toStdString();
}
