// The groove bank file: the eight row slots, all 24 patterns and the sequencer-wide
// settings as one JSON document (docs/bank-format.md describes it).
//
// Import is all-or-nothing: the whole file is read and checked into a staging copy first,
// and only a file that passes every check is written into the model. Export writes a
// temporary file beside the target, syncs it and renames it over the target, so a reader
// sees either the old file or the complete new one.
//
// Import writes the same relaxed settings the editor's controls write, so a pattern that is
// playing picks the new values up at its next block or step. The caller holds the editor's
// model lock (the editor thread, or a host thread restoring the state).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quovent {

class Editor;

struct BankImportResult {
    bool ok = false;
    // Why the file was refused, naming the field ("patterns[3].rows[2].vol[7]: ...");
    // empty when ok.
    std::string error;
    // Samples the bank names that could not be loaded (full paths). The bank is imported
    // all the same: those slots keep the path, so the editor can show and relocate it,
    // and play silence.
    std::vector<std::string> missingSamples;
};

struct BankExportResult {
    bool ok = false;
    std::string error; // empty when ok
};

class BankFile {
public:
    static constexpr const char* kFormat = "quovent-bank";
    // The version written, and the oldest one still read: a reader reads every version from
    // kFirstVersion to its own kVersion, so the state in saved projects stays readable.
    static constexpr int kVersion = 1;
    static constexpr int kFirstVersion = 1;

    // Reads a bank file into the editor's model. On refusal nothing in the model changes.
    static BankImportResult importBank(Editor& editor, const std::filesystem::path& file);
    // Checks bank text as importBank would, without touching any model; relative sample
    // paths are taken relative to baseDirectory. Empty when the text is a valid bank,
    // otherwise the refusal message.
    static std::string check(std::string_view text, const std::filesystem::path& baseDirectory);

    // Writes the editor's model as a bank file, replacing the file atomically.
    static BankExportResult exportBank(const Editor& editor, const std::filesystem::path& file);
    // The bank text export writes; sample paths beside or below baseDirectory are written
    // relative to it.
    static BankExportResult toText(const Editor& editor, const std::filesystem::path& baseDirectory,
                                   std::string& text);

    // The instance's state as the host keeps it in its project: the bank text with every
    // sample path absolute. Never fails: a path that is not UTF-8 (which JSON cannot carry)
    // is written with its stray bytes replaced, so the slot comes back missing and can be
    // relocated, rather than the whole state being lost.
    static std::string stateText(const Editor& editor);
    // Reads state text (read by size; it need not end in a zero) into the model as
    // importBank reads a file, all-or-nothing; a relative sample path is refused. Touches no
    // view: the caller shows the model on the editor thread.
    static BankImportResult restoreState(Editor& editor, std::string_view text);

private:
    enum class PathText { Checked, Replaced };
    static BankExportResult writeText(const Editor& editor, const std::filesystem::path& base,
                                      PathText paths, std::string& text);
};

} // namespace quovent
