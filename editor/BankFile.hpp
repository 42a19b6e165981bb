// The groove bank file: the eight row slots, all 24 patterns and the sequencer-wide
// settings as one JSON document (docs/bank-format.md describes it).
//
// Import is all-or-nothing: the whole file is read and checked into a staging copy first,
// and only a file that passes every check is written into the model. Export writes a
// temporary file beside the target, syncs it and renames it over the target, so a reader
// sees either the old file or the complete new one.
//
// Editor thread only. Import writes the same relaxed settings the editor's controls write,
// so a pattern that is playing picks the new values up at its next block or step.
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
    static constexpr int kVersion = 1;

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
};

} // namespace quovent
