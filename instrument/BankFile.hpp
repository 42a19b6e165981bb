// Groove bank files and the instrument's state text: the eight row slots, all 24 patterns and
// the sequencer-wide settings as one JSON document (docs/bank-format.md describes it), read
// by GrooveReader, applied by GrooveApplier and written by GrooveWriter.
//
// Import and restore are all-or-nothing: the whole text is read and checked into a
// GrooveDocument first, and only a document that passes every check is written into the
// model. Export writes a temporary file beside the target, syncs it and renames it over the
// target, so a reader sees either the old file or the complete new one.
//
// The caller holds the instrument's model lock (Instrument's own state calls take it).
#pragma once

#include "instrument/StatePaths.hpp"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quovent {

class Instrument;

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
    // Reads a bank file into the instrument's model. On refusal nothing in the model changes.
    // Only a regular file is read: a FIFO or device named by a user or a host never blocks.
    static BankImportResult importBank(Instrument& instrument, const std::filesystem::path& file);
    // Checks bank text as importBank would, without touching any model; relative sample
    // paths are taken relative to baseDirectory. Empty when the text is a valid bank,
    // otherwise the refusal message.
    static std::string check(std::string_view text, const std::filesystem::path& baseDirectory);

    // Writes the model as a bank file, replacing the file atomically.
    static BankExportResult exportBank(const Instrument& instrument,
                                       const std::filesystem::path& file);
    // The bank text export writes; sample paths beside or below baseDirectory are written
    // relative to it.
    static BankExportResult toText(const Instrument& instrument,
                                   const std::filesystem::path& baseDirectory, std::string& text);

    // The instance's state as the host keeps it in its project: the bank text with every
    // sample path absolute. Never fails: a path that is not UTF-8 (which JSON cannot carry)
    // is written with its stray bytes replaced, so the slot comes back missing and can be
    // relocated, rather than the whole state being lost. statePaths, when given, maps every
    // sample path as the host wants it kept.
    static std::string stateText(const Instrument& instrument,
                                 const StatePaths* statePaths = nullptr);
    // Reads state text (read by size; it need not end in a zero) into the model as
    // importBank reads a file, all-or-nothing; a sample path that is not absolute (after
    // statePaths, when given, mapped it back) is refused.
    static BankImportResult restoreState(Instrument& instrument, std::string_view text,
                                         const StatePaths* statePaths = nullptr);
};

} // namespace quovent
