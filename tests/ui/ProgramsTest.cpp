// The built desktop programs: hushnote offers people only what they need, hushnote-scenes holds
// every screenshot scene a *Scenes.cpp registers, and the manual pages follow the programs' help.
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString run(const QString &program, const QStringList &arguments)
{
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(HUSHNOTE_BIN_DIR "/") + program, arguments);
    // A guard against a hang only; nothing here is about speed.
    EXPECT_TRUE(process.waitForFinished(180000));
    EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString read(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

TEST(Programs, HushnoteOffersNoDevelopmentOptions)
{
    const QString help = run(QStringLiteral("hushnote"), {QStringLiteral("--help")});
    EXPECT_TRUE(help.contains(QStringLiteral("--version"))) << help.toStdString();
    EXPECT_TRUE(help.contains(QStringLiteral("FILE"))) << help.toStdString();
    for (const QString &word : {QStringLiteral("screenshot"), QStringLiteral("benchmark"), QStringLiteral("scene")}) {
        EXPECT_FALSE(help.contains(word, Qt::CaseInsensitive)) << help.toStdString();
        EXPECT_FALSE(read(QStringLiteral(HUSHNOTE_BINARY_DIR "/share/man/man1/hushnote.1")).contains(word, Qt::CaseInsensitive));
    }
}

TEST(Programs, EveryRegisteredSceneIsInTheScenesProgram)
{
    QSet<QString> registered;
    static const QRegularExpression scene(QStringLiteral(R"(HUSHNOTE_SCREENSHOT_SCENE\(\s*"([^"]+)\")"));
    QDirIterator files(QStringLiteral(HUSHNOTE_SOURCE_DIR "/src/ui"), {QStringLiteral("*Scenes.cpp")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext())
        for (const auto &match : scene.globalMatch(read(files.next())))
            registered.insert(match.captured(1));
    ASSERT_GE(registered.size(), 10);

    QSet<QString> listed;
    for (const QString &line : run(QStringLiteral("hushnote-scenes"), {QStringLiteral("--list-screenshots")})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        listed.insert(line.section(QLatin1Char('\t'), 0, 0));
    EXPECT_EQ(listed, registered);
}

TEST(Programs, CliManualPageDescribesEveryCommand)
{
    const QString page = read(QStringLiteral(HUSHNOTE_BINARY_DIR "/share/man/man1/hushnote-cli.1"));
    const QString help = run(QStringLiteral("hushnote-cli"), {QStringLiteral("--help")});
    const QString commands = help.section(QStringLiteral("Commands:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    ASSERT_FALSE(commands.isEmpty()) << help.toStdString();
    for (const QString &line : commands.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList words = line.simplified().split(QLatin1Char(' '));
        EXPECT_TRUE(page.contains(QStringLiteral("\n.SS ") + words[0] + QLatin1Char('\n'))) << line.toStdString();
        // Every usage, with its options (minus signs escaped as the page writes them).
        QString usage = line.simplified();
        EXPECT_TRUE(page.contains(usage.replace(QRegularExpression(QStringLiteral(R"((?<![\w.])-)")), QStringLiteral(R"(\-)"))))
            << line.toStdString();
    }
}
