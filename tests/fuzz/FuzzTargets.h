#pragma once

#include <QByteArray>

#include <stdexcept>
#include <vector>

// Entry points shared by the libFuzzer programs (scripts/fuzz) and the replay test: each feeds one
// input through a parser of outside input and checks what the rest of the program relies on. A
// broken rule throws FuzzFinding; any other exception besides the parser's own documented failures
// escapes too, and counts as a finding as well.
namespace FuzzTargets {

class FuzzFinding : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

struct Target {
    const char *name;
    void (*run)(const QByteArray &input);
};

// note, projects, configuration, cloud, ollama, whisper.
const std::vector<Target> &all();
// Null for an unknown name.
const Target *find(const char *name);

} // namespace FuzzTargets
