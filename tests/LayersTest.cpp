#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

// Every include under src/ points to its own folder or to a lower layer, as src/layers.txt orders them.

namespace fs = std::filesystem;

namespace {

// Folder name -> rank (0 is the lowest layer).
std::map<std::string, int> readLayers(const fs::path &file)
{
    std::ifstream in(file);
    std::vector<std::vector<std::string>> lines;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        lines.emplace_back();
        for (std::string word; words >> word;)
            lines.back().push_back(word);
    }
    std::map<std::string, int> rank;
    for (size_t i = 0; i < lines.size(); ++i)
        for (const std::string &folder : lines[i])
            rank[folder] = int(lines.size() - 1 - i);
    return rank;
}

// "file:line: includes X" for every include that reaches a neighbour or a higher layer. An include
// is resolved as the compiler would: beside the file, inside the file's own top folder (the desktop
// program's module folders are include folders), then from the source root.
std::vector<std::string> wrongIncludes(const fs::path &root, const std::map<std::string, int> &rank)
{
    static const std::regex include(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::vector<std::string> wrong;
    for (const auto &[folder, own] : rank) {
        if (!fs::is_directory(root / folder))
            continue;
        for (const auto &entry : fs::recursive_directory_iterator(root / folder)) {
            if (!entry.is_regular_file() || (entry.path().extension() != ".h" && entry.path().extension() != ".cpp"))
                continue;
            std::ifstream in(entry.path());
            int number = 0;
            for (std::string line; std::getline(in, line);) {
                ++number;
                std::smatch match;
                if (!std::regex_search(line, match, include))
                    continue;
                const fs::path target = match[1].str();
                if (fs::exists(entry.path().parent_path() / target) || fs::exists(root / folder / target))
                    continue;
                if (!fs::exists(root / target))
                    continue;
                const auto to = rank.find(target.begin()->string());
                if (to == rank.end() || to->first == folder || to->second < own)
                    continue;
                wrong.push_back(fs::relative(entry.path(), root).string() + ":" + std::to_string(number)
                                + ": includes " + target.string());
            }
        }
    }
    return wrong;
}

void write(const fs::path &file, const std::string &text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

} // namespace

TEST(Layers, EveryIncludeOfTheProgramPointsDown)
{
    const fs::path root = fs::path(HUSHNOTE_SOURCE_DIR) / "src";
    const auto rank = readLayers(root / "layers.txt");
    ASSERT_EQ(rank.size(), 9u);
    for (const auto &entry : fs::directory_iterator(root))
        if (entry.is_directory())
            EXPECT_TRUE(rank.count(entry.path().filename().string())) << entry.path() << " has no layer";
    const auto wrong = wrongIncludes(root, rank);
    std::string all;
    for (const std::string &line : wrong)
        all += line + "\n";
    EXPECT_TRUE(wrong.empty()) << all;
}

TEST(Layers, UpwardAndSidewaysIncludesAreFound)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const fs::path root = folder.path().toStdString();
    write(root / "layers.txt", "# top first\ntop\nmiddle side\nbottom\n");
    write(root / "bottom/Base.h", "#pragma once\n");
    write(root / "side/Side.h", "#include \"bottom/Base.h\"\n");
    write(root / "top/ui/Local.h", "#include \"middle/Mid.h\"\n");
    write(root / "top/Top.cpp", "#include \"ui/Local.h\"\n#include \"Top.h\"\n#include <vector>\n");
    write(root / "top/Top.h", "#pragma once\n");
    write(root / "middle/Mid.h", "#include \"bottom/Base.h\"\n#include \"Mid2.h\"\n");
    write(root / "middle/Mid2.h", "#pragma once\n");
    write(root / "middle/deep/Mid.cpp", "// note\n  #  include \"top/Top.h\"\n#include \"side/Side.h\"\n");
    write(root / "bottom/Base.cpp", "#include \"bottom/Base.h\"\n#include \"middle/Mid.h\"\n");

    const auto rank = readLayers(root / "layers.txt");
    EXPECT_EQ(rank, (std::map<std::string, int>{{"top", 2}, {"middle", 1}, {"side", 1}, {"bottom", 0}}));
    auto wrong = wrongIncludes(root, rank);
    std::sort(wrong.begin(), wrong.end());
    EXPECT_EQ(wrong, (std::vector<std::string>{"bottom/Base.cpp:2: includes middle/Mid.h",
                                               "middle/deep/Mid.cpp:2: includes top/Top.h",
                                               "middle/deep/Mid.cpp:3: includes side/Side.h"}));
}
