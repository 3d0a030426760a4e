#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
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
    static const QRegularExpression token(
        QStringLiteral(R"re(//[^\n]*|/\*.*?\*/|'(?:\\.|[^'\\\n])*'|R"([^(\s]*)\((.*?)\)\1"|"((?:\\.|[^"\\\n])*)")re"),
        QRegularExpression::DotMatchesEverythingOption);
    std::vector<Literal> literals;
    bool modelFacing = false;
    int line = 1;
    qsizetype counted = 0;
    qsizetype lastEnd = -1; // the end of the last literal
    for (auto it = token.globalMatch(source); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString text = match.captured();
        line += int(QStringView(source).mid(counted, match.capturedStart() - counted).count(u'\n'));
        counted = match.capturedStart();
        if (text.startsWith(QLatin1String("//"))) {
            if (text.contains(QLatin1String("model-facing text begins")))
                modelFacing = true;
            else if (text.contains(QLatin1String("model-facing text ends")))
                modelFacing = false;
            continue;
        }
        if (!text.startsWith(u'"') && !text.startsWith(u'R'))
            continue; // a block comment or a character literal
        const QString body = text.startsWith(u'R') ? match.captured(2) : unescape(match.captured(3));
        const bool adjacent = lastEnd >= 0 && QStringView(source).mid(lastEnd, counted - lastEnd).trimmed().isEmpty();
        if (adjacent && !literals.empty())
            literals.back().text += body;
        else
            literals.push_back({body, line, modelFacing});
        lastEnd = match.capturedEnd();
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
    const QSet<QString> notKeys = {QStringLiteral("简体中文"), QStringLiteral("繁體中文"), QStringLiteral("中文"),
                                   QStringLiteral("粵語"), QStringLiteral("日本語")};
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
