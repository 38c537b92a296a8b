// Running the project's programs as processes in a scratch directory, and checking their transcripts.
#pragma once

#include "tests/platform/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// Each piece occurs in text exactly once, and after the piece before it; no pieces: text is empty.
inline void expectPiecesInOrder(const std::string& text, const std::vector<std::string>& pieces) {
    if (pieces.empty()) {
        EXPECT_EQ(text, "");
    }
    size_t from = 0;
    for (const std::string& piece : pieces) {
        const size_t at = text.find(piece);
        EXPECT_NE(at, std::string::npos) << "missing: " << piece << "\nin:\n" << text;
        if (at == std::string::npos) continue;
        EXPECT_EQ(text.find(piece, at + 1), std::string::npos) << "twice: " << piece;
        EXPECT_GE(at, from) << "out of order: " << piece << "\nin:\n" << text;
        from = at + piece.size();
    }
}

struct ProgramRun {
    std::string out, err;
    int status = -1;
};

// A fresh directory per test; programs run with it as their working directory.
class ProgramTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const char* stream : {".out", ".err"}) std::filesystem::remove(dir.string() + stream);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    // The names of the files in the directory that end in extension, which are removed.
    std::set<std::string> takeFiles(const std::string& extension) const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == extension) names.insert(entry.path().filename());
        for (const std::string& name : names) std::filesystem::remove(dir / name);
        return names;
    }

    // The transcripts go to files beside the directory, so that the programs never see them.
    // shellSetup runs in the shell first (a resource limit, say).
    ProgramRun run(const std::string& program, const std::vector<std::string>& args,
                   const std::string& shellSetup = "") const {
        std::string command = "cd " + quoted(dir.string()) + " && " + shellSetup + "exec " + quoted(program);
        for (const std::string& a : args) command += " " + quoted(a);
        command += " >" + quoted(dir.string() + ".out") + " 2>" + quoted(dir.string() + ".err");
        const int raw = std::system(command.c_str());
        return {readFile(dir.string() + ".out"), readFile(dir.string() + ".err"), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
    }

    // Runs the program and checks its exit status and both transcripts, given as expectPiecesInOrder takes them.
    void expectTranscript(const std::string& program, const std::vector<std::string>& args, int status,
                          const std::vector<std::string>& out, const std::vector<std::string>& err) const {
        const ProgramRun r = run(program, args);
        EXPECT_EQ(r.status, status) << r.err;
        expectPiecesInOrder(r.out, out);
        expectPiecesInOrder(r.err, err);
    }

    const ScratchDirectory scratch;
    const std::filesystem::path dir = scratch.path();

private:
    static std::string quoted(const std::string& arg) {
        std::string q = "'";
        for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    }
};

